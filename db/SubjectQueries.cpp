#include "db/SubjectQueries.h"

#include <sqlite3.h>

#include "db/DbStatement.h"

namespace {
// sqlite3_changes: an UPDATE that matches no row still succeeds.
bool changedRows(sqlite3* db) { return db && sqlite3_changes(db) > 0; }
}  // namespace

std::optional<DbInfoRecord> readDbInfo(sqlite3* db) {
    DbStatement st(db, "SELECT * FROM info;");
    if (!st.step()) return std::nullopt;
    DbInfoRecord r{st.text(0), st.text(1), st.text(2), st.text(3)};
    st.run();
    return r;
}

std::vector<std::string> findSubjectIds(sqlite3* db, const std::string& typed) {
    std::vector<std::string> ids;
    DbStatement st(db, "SELECT id FROM patients WHERE id LIKE ? limit 20;");
    st.bindText(1, typed + "%");
    while (st.step()) ids.push_back(st.text(0));
    return ids;
}

std::optional<SubjectRecord> readSubject(sqlite3* db, const std::string& id) {
    DbStatement st(db, "SELECT * FROM patients WHERE id=?;");
    st.bindText(1, id);
    if (!st.step()) return std::nullopt;
    SubjectRecord r{st.text(0), st.text(1), st.text(2), st.text(3)};
    st.run();
    return r;
}

std::vector<SubjectRecord> listSubjects(sqlite3* db) {
    std::vector<SubjectRecord> out;
    DbStatement st(db, "SELECT * FROM patients ORDER BY id;");
    while (st.step()) out.push_back({st.text(0), st.text(1), st.text(2), st.text(3)});
    return out;
}

std::string storedSubjectId(const std::string& typed) {
    std::string id = typed;
    for (char& c : id)
        if (c == ' ') c = '_';
    return id;
}

bool insertSubject(sqlite3* db, const std::string& id) {
    DbStatement st(db, "INSERT INTO patients ( id ) VALUES ( ?444 );");
    st.bindText(444, storedSubjectId(id));
    return st.run();
}

bool updateSubject(sqlite3* db, const std::string& id, const std::string& name, const std::string& surname,
                   const std::string& comments) {
    DbStatement st(db, "UPDATE patients SET name=?111, surname=?222, comments=?333 WHERE id=?444;");
    st.bindText(111, name);
    st.bindText(222, surname);
    st.bindText(333, comments);
    st.bindText(444, id);
    return st.run() && changedRows(db);
}

bool insertExam(sqlite3* db, int32_t examId, const std::string& subjectId, const std::string& site,
                const std::string& comment, const std::string& folder) {
    DbStatement st(db,
                   "INSERT INTO exams ( id, patientid, created, site, comment, folder )VALUES ( ?111, ?222, "
                   "datetime('now'), ?444, ?555, ?666 );");
    st.bindInt(111, examId);
    st.bindText(222, subjectId);
    st.bindText(444, site);
    st.bindText(555, comment);
    st.bindText(666, folder);
    return st.run();
}

std::vector<ExamRecord> listExams(sqlite3* db, const std::string& subjectId) {
    std::vector<ExamRecord> out;
    DbStatement st(db, "SELECT * FROM exams WHERE patientid=?111;");
    st.bindText(111, subjectId);
    while (st.step()) out.push_back({st.integer(0), st.text(1), st.text(2), st.text(3), st.text(4), st.text(5)});
    return out;
}

std::optional<ExamRecord> readExam(sqlite3* db, int32_t examId) {
    DbStatement st(db, "SELECT * FROM exams WHERE id=?111;");
    st.bindInt(111, examId);
    if (!st.step()) return std::nullopt;
    ExamRecord r{st.integer(0), st.text(1), st.text(2), st.text(3), st.text(4), st.text(5)};
    st.run();
    return r;
}

std::optional<std::string> findExamFolder(sqlite3* db, const std::string& subjectId, int32_t examId) {
    DbStatement st(db, "SELECT * FROM exams WHERE patientid=?111 AND id=?222;");
    st.bindText(111, subjectId);
    st.bindInt(222, examId);
    if (!st.step()) return std::nullopt;
    std::string folder = st.text(5);
    st.run();
    return folder;
}

std::vector<StoredResult> listResults(sqlite3* db, int32_t examId) {
    std::vector<StoredResult> out;
    DbStatement st(db, "SELECT * FROM results WHERE examid=?111;");
    st.bindInt(111, examId);
    while (st.step()) out.push_back({st.text(0), st.text(2), st.text(3), st.text(4)});
    return out;
}

bool resultExists(sqlite3* db, int32_t examId, const std::string& filename) {
    DbStatement st(db, "SELECT * FROM results WHERE examid=?111 AND filename=?222;");
    st.bindInt(111, examId);
    st.bindText(222, filename);
    return st.step();
}

bool insertResult(sqlite3* db, int32_t examId, const std::string& filename, const std::string& result) {
    DbStatement st(db,
                   "INSERT INTO results ( examid, created, filename, result ) VALUES ( ?111, datetime('now'), "
                   "?333, ?444 );");
    st.bindInt(111, examId);
    st.bindText(333, filename);
    st.bindText(444, result);
    return st.run();
}

bool updateResult(sqlite3* db, const std::string& result, int32_t examId, const std::string& filename) {
    DbStatement st(db, "UPDATE results SET result=?111,created=datetime('now') WHERE examid=?222 AND filename=?333;");
    st.bindText(111, result);
    st.bindInt(222, examId);
    st.bindText(333, filename);
    return st.run() && changedRows(db);
}
