#include "db/SubjectQueries.h"

#include <sqlite3.h>

#include "db/DbStatement.h"

namespace ordavia {

namespace {

// Rows collected by `take` while the statement gives them; the
// statement's failure, if any, replaces them.
template <class T, class F>
Result<std::vector<T>> collect(DbStatement& st, F take) {
    std::vector<T> out;
    while (st.step()) out.push_back(take(st));
    if (!st.ok()) return st.status();
    return out;
}

// The first row, or none; a failure is a failure.
template <class T, class F>
Result<std::optional<T>> first(DbStatement& st, F take) {
    std::optional<T> r;
    if (st.step()) {
        r = take(st);
        st.run();
    }
    if (!st.ok()) return st.status();
    return r;
}

Status exec(sqlite3* db, const char* sql) {
    DbStatement st(db, sql);
    st.run();
    return st.status();
}

// sqlite3_changes: an UPDATE that matches no row still succeeds.
Status changedRows(DbStatement& st, sqlite3* db, const char* none) {
    if (!st.run()) return st.status();
    return sqlite3_changes(db) > 0 ? Status::success() : Status::failure(StatusCode::NotFound, none);
}

}  // namespace

Result<std::optional<DbInfoRecord>> readDbInfo(sqlite3* db) {
    DbStatement st(db, "SELECT * FROM info;");
    return first<DbInfoRecord>(st, [](DbStatement& s) {
        return DbInfoRecord{s.text(0), s.text(1), s.text(2), s.text(3)};
    });
}

Result<std::vector<std::string>> findSubjectIds(sqlite3* db, const std::string& typed) {
    DbStatement st(db, "SELECT id FROM patients WHERE id LIKE ? limit 20;");
    st.bindText(1, typed + "%");
    return collect<std::string>(st, [](DbStatement& s) { return s.text(0); });
}

Result<std::optional<SubjectRecord>> readSubject(sqlite3* db, const std::string& id) {
    DbStatement st(db, "SELECT * FROM patients WHERE id=?;");
    st.bindText(1, id);
    return first<SubjectRecord>(st, [](DbStatement& s) {
        return SubjectRecord{s.text(0), s.text(1), s.text(2), s.text(3)};
    });
}

Result<std::vector<SubjectRecord>> listSubjects(sqlite3* db) {
    DbStatement st(db, "SELECT * FROM patients ORDER BY id;");
    return collect<SubjectRecord>(st, [](DbStatement& s) {
        return SubjectRecord{s.text(0), s.text(1), s.text(2), s.text(3)};
    });
}

std::string storedSubjectId(const std::string& typed) {
    std::string id = typed;
    for (char& c : id)
        if (c == ' ') c = '_';
    return id;
}

Status insertSubject(sqlite3* db, const std::string& id) {
    DbStatement st(db, "INSERT INTO patients ( id ) VALUES ( ?444 );");
    st.bindText(444, storedSubjectId(id));
    st.run();
    return st.status();
}

Status updateSubject(sqlite3* db, const std::string& id, const std::string& name, const std::string& surname,
                     const std::string& comments) {
    DbStatement st(db, "UPDATE patients SET name=?111, surname=?222, comments=?333 WHERE id=?444;");
    st.bindText(111, name);
    st.bindText(222, surname);
    st.bindText(333, comments);
    st.bindText(444, id);
    return changedRows(st, db, "no such subject");
}

Status addSubject(sqlite3* db, const SubjectRecord& subject) {
    if (Status s = exec(db, "BEGIN IMMEDIATE;"); !s) return s;
    Status s = insertSubject(db, subject.id);
    if (s) s = updateSubject(db, storedSubjectId(subject.id), subject.name, subject.surname, subject.comments);
    if (s) s = exec(db, "COMMIT;");
    if (!s) (void)exec(db, "ROLLBACK;");
    return s;
}

Status insertExam(sqlite3* db, int64_t examId, const std::string& subjectId, const std::string& site,
                  const std::string& comment, const std::string& folder) {
    DbStatement st(db,
                   "INSERT INTO exams ( id, patientid, created, site, comment, folder )VALUES ( ?111, ?222, "
                   "datetime('now'), ?444, ?555, ?666 );");
    st.bindInt64(111, examId);
    st.bindText(222, subjectId);
    st.bindText(444, site);
    st.bindText(555, comment);
    st.bindText(666, folder);
    st.run();
    return st.status();
}

namespace {
ExamRecord examOf(DbStatement& s) {
    return ExamRecord{s.integer64(0), s.text(1), s.text(2), s.text(3), s.text(4), s.text(5)};
}
}  // namespace

Result<std::vector<ExamRecord>> listExams(sqlite3* db, const std::string& subjectId) {
    DbStatement st(db, "SELECT * FROM exams WHERE patientid=?111;");
    st.bindText(111, subjectId);
    return collect<ExamRecord>(st, examOf);
}

Result<std::optional<ExamRecord>> readExam(sqlite3* db, int64_t examId) {
    DbStatement st(db, "SELECT * FROM exams WHERE id=?111;");
    st.bindInt64(111, examId);
    return first<ExamRecord>(st, examOf);
}

Result<std::optional<std::string>> findExamFolder(sqlite3* db, const std::string& subjectId, int64_t examId) {
    DbStatement st(db, "SELECT * FROM exams WHERE patientid=?111 AND id=?222;");
    st.bindText(111, subjectId);
    st.bindInt64(222, examId);
    return first<std::string>(st, [](DbStatement& s) { return s.text(5); });
}

Result<std::vector<StoredResult>> listResults(sqlite3* db, int64_t examId) {
    DbStatement st(db, "SELECT * FROM results WHERE examid=?111;");
    st.bindInt64(111, examId);
    return collect<StoredResult>(st, [](DbStatement& s) {
        return StoredResult{s.text(0), s.text(2), s.text(3), s.text(4), s.columns() > 5 ? s.text(5) : std::string()};
    });
}

Result<bool> hasAnalysisColumn(sqlite3* db) {
    DbStatement st(db, "SELECT name FROM pragma_table_info('results') WHERE name='analysis';");
    const bool found = st.step();
    if (!st.ok()) return st.status();
    return found;
}

namespace {
// A document's row is the one no analysis filed; in a database without
// the column every row is a document's.
Result<std::string> documentRowSql(sqlite3* db, const char* sql) {
    const auto column = hasAnalysisColumn(db);
    if (!column) return column.status();
    std::string text = sql;
    if (*column) text.insert(text.size() - 1, " AND analysis IS NULL");
    return text;
}
}  // namespace

Result<bool> resultExists(sqlite3* db, int64_t examId, const std::string& filename) {
    const auto sql = documentRowSql(db, "SELECT * FROM results WHERE examid=?111 AND filename=?222;");
    if (!sql) return sql.status();
    DbStatement st(db, sql->c_str());
    st.bindInt64(111, examId);
    st.bindText(222, filename);
    const bool found = st.step();
    if (!st.ok()) return st.status();
    return found;
}

Status insertResult(sqlite3* db, int64_t examId, const std::string& filename, const std::string& result) {
    DbStatement st(db,
                   "INSERT INTO results ( examid, created, filename, result ) VALUES ( ?111, datetime('now'), "
                   "?333, ?444 );");
    st.bindInt64(111, examId);
    st.bindText(333, filename);
    st.bindText(444, result);
    st.run();
    return st.status();
}

Status updateResult(sqlite3* db, const std::string& result, int64_t examId, const std::string& filename) {
    const auto sql =
        documentRowSql(db, "UPDATE results SET result=?111,created=datetime('now') WHERE examid=?222 AND filename=?333;");
    if (!sql) return sql.status();
    DbStatement st(db, sql->c_str());
    st.bindText(111, result);
    st.bindInt64(222, examId);
    st.bindText(333, filename);
    return changedRows(st, db, "no such result");
}

namespace {
Status fileAnalysisRow(sqlite3* db, int64_t examId, const std::string& filename, const std::string& analysis,
                       const std::string& result) {
    const auto column = hasAnalysisColumn(db);
    if (!column) return column.status();
    if (!*column)
        if (Status s = exec(db, "ALTER TABLE results ADD COLUMN analysis TEXT;"); !s) return s;
    DbStatement update(db,
                       "UPDATE results SET result=?111,created=datetime('now') WHERE examid=?222 AND filename=?333 "
                       "AND analysis=?444;");
    update.bindText(111, result);
    update.bindInt64(222, examId);
    update.bindText(333, filename);
    update.bindText(444, analysis);
    if (!update.run()) return update.status();
    if (sqlite3_changes(db) > 0) return Status::success();
    DbStatement insert(db,
                       "INSERT INTO results ( examid, created, filename, result, analysis ) VALUES ( ?111, "
                       "datetime('now'), ?333, ?444, ?555 );");
    insert.bindInt64(111, examId);
    insert.bindText(333, filename);
    insert.bindText(444, result);
    insert.bindText(555, analysis);
    insert.run();
    return insert.status();
}
}  // namespace

Status fileAnalysisResult(sqlite3* db, int64_t examId, const std::string& filename, const std::string& analysis,
                          const std::string& result) {
    if (analysis.empty()) return Status::failure(StatusCode::Failed, "an analysis row needs the analysis' name");
    if (result.empty()) return Status::failure(StatusCode::Failed, "the analysis gave no result to file");
    // The column, the look-up and the row come together: a second program
    // filing at the same moment waits, then finds the column made.
    if (Status s = exec(db, "BEGIN IMMEDIATE;"); !s) return s;
    Status s = fileAnalysisRow(db, examId, filename, analysis, result);
    if (s) s = exec(db, "COMMIT;");
    if (!s) (void)exec(db, "ROLLBACK;");
    return s;
}

}  // namespace ordavia
