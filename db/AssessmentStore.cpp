#include "db/AssessmentStore.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdlib>

#include "base/Text.h"
#include "db/DbStatement.h"

namespace ordavia {

namespace {

Status exec(sqlite3* db, const char* sql) {
    DbStatement st(db, sql);
    st.run();
    return st.status();
}

std::string joined(const std::vector<std::string>& keys) {
    std::string out;
    for (const std::string& k : keys) out += (out.empty() ? "" : ",") + k;
    return out;
}

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> out;
    size_t from = 0;
    while (from <= text.size()) {
        const size_t to = std::min(text.find(sep, from), text.size());
        if (to > from) out.push_back(text.substr(from, to - from));
        from = to + 1;
    }
    return out;
}

Status fileRow(sqlite3* db, int64_t examId, const StoredAssessment& a) {
    if (Status s = exec(db,
                        "CREATE TABLE IF NOT EXISTS assessments ( id integer primary key, examid integer, created TEXT, "
                        "filename TEXT, finger TEXT, figures TEXT, byhand TEXT, findings TEXT );");
        !s)
        return s;
    DbStatement update(db,
                       "UPDATE assessments SET created=datetime('now'), finger=?111, figures=?222, byhand=?333, "
                       "findings=?444 WHERE examid=?555 AND filename=?666;");
    const std::string figures = figuresText(a.figures), byHand = joined(a.byHand);
    update.bindText(111, a.finger);
    update.bindText(222, figures);
    update.bindText(333, byHand);
    update.bindText(444, a.findings);
    update.bindInt64(555, examId);
    update.bindText(666, a.filename);
    if (!update.run()) return update.status();
    if (sqlite3_changes(db) > 0) return Status::success();
    DbStatement insert(db,
                       "INSERT INTO assessments ( examid, created, filename, finger, figures, byhand, findings ) VALUES "
                       "( ?111, datetime('now'), ?222, ?333, ?444, ?555, ?666 );");
    insert.bindInt64(111, examId);
    insert.bindText(222, a.filename);
    insert.bindText(333, a.finger);
    insert.bindText(444, figures);
    insert.bindText(555, byHand);
    insert.bindText(666, a.findings);
    insert.run();
    return insert.status();
}

}  // namespace

std::string figuresText(const std::map<std::string, double>& figures) {
    std::string out;
    for (const auto& [key, value] : figures)
        if (std::isfinite(value) && key.find_first_of("=;") == std::string::npos)
            out += (out.empty() ? "" : ";") + key + "=" + strprintf("%.17g", value);
    return out;
}

std::map<std::string, double> parseFiguresText(const std::string& text) {
    std::map<std::string, double> out;
    for (const std::string& pair : split(text, ';')) {
        const size_t eq = pair.find('=');
        if (eq == 0 || eq == std::string::npos) continue;
        const std::string number = pair.substr(eq + 1);
        char* end = nullptr;
        const double v = std::strtod(number.c_str(), &end);
        if (number.empty() || *end != '\0' || !std::isfinite(v)) continue;
        out[pair.substr(0, eq)] = v;
    }
    return out;
}

Result<bool> hasAssessmentTable(sqlite3* db) {
    DbStatement st(db, "SELECT name FROM sqlite_master WHERE type='table' AND name='assessments';");
    const bool found = st.step();
    if (!st.ok()) return st.status();
    return found;
}

Status fileAssessment(sqlite3* db, int64_t examId, const StoredAssessment& a) {
    if (a.filename.empty()) return Status::failure(StatusCode::Failed, "an assessment needs its picture's file name");
    if (Status s = exec(db, "BEGIN IMMEDIATE;"); !s) return s;
    Status s = fileRow(db, examId, a);
    if (s) s = exec(db, "COMMIT;");
    if (!s) (void)exec(db, "ROLLBACK;");
    return s;
}

Result<std::vector<StoredAssessment>> listAssessments(sqlite3* db, int64_t examId) {
    const auto table = hasAssessmentTable(db);
    if (!table) return table.status();
    std::vector<StoredAssessment> out;
    if (!*table) return out;
    DbStatement st(db,
                   "SELECT filename, finger, figures, byhand, findings, created FROM assessments WHERE examid=?111 "
                   "ORDER BY id;");
    st.bindInt64(111, examId);
    while (st.step())
        out.push_back(StoredAssessment{st.text(0), st.text(1), parseFiguresText(st.text(2)), split(st.text(3), ','),
                                       st.text(4), st.text(5)});
    if (!st.ok()) return st.status();
    return out;
}

}  // namespace ordavia
