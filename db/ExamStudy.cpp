#include "db/ExamStudy.h"

#include <sqlite3.h>

#include "db/CSubjectDatabase.h"
#include "db/DbStatement.h"

namespace ordavia {

namespace {

constexpr const char* kCreate =
    "CREATE TABLE IF NOT EXISTS dicomstudies ( examid INTEGER PRIMARY KEY, studyuid TEXT NOT NULL );";

Status run(sqlite3* db, const char* sql) {
    DbStatement st(db, sql);
    st.run();
    return st.status();
}

Result<bool> hasTable(sqlite3* db) {
    DbStatement st(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name='dicomstudies';");
    const bool found = st.step();
    if (!st.ok()) return st.status();
    return found;
}

Result<std::optional<std::string>> select(sqlite3* db, int64_t examId) {
    DbStatement st(db, "SELECT studyuid FROM dicomstudies WHERE examid=?111;");
    st.bindInt64(111, examId);
    std::optional<std::string> uid;
    if (st.step()) uid = st.text(0);
    if (!st.ok()) return st.status();
    return uid;
}

}  // namespace

Result<std::optional<std::string>> storedStudyUid(CSubjectDatabase& db, int64_t examId) {
    if (!db.isOpen()) return Status::failure("no database is open");
    const auto table = hasTable(db.handle());
    if (!table) return table.status();
    if (!*table) return std::optional<std::string>{};
    return select(db.handle(), examId);
}

Result<std::string> keepStudyUid(CSubjectDatabase& db, int64_t examId, const std::string& candidate) {
    if (!db.isOpen()) return Status::failure("no database is open");
    if (candidate.empty()) return Status::failure("no study UID to keep");
    sqlite3* h = db.handle();
    // The table, the look-up and the row come together: a second program
    // doing the same waits, then finds the UID kept.
    if (Status s = run(h, "BEGIN IMMEDIATE;"); !s) return s;
    Status s = run(h, kCreate);
    std::optional<std::string> uid;
    if (s) {
        auto found = select(h, examId);
        if (!found) s = found.status();
        else uid = *found;
    }
    if (s && !uid) {
        DbStatement st(h, "INSERT INTO dicomstudies ( examid, studyuid ) VALUES ( ?111, ?222 );");
        st.bindInt64(111, examId);
        st.bindText(222, candidate);
        st.run();
        s = st.status();
        uid = candidate;
    }
    if (s) s = run(h, "COMMIT;");
    if (!s) {
        (void)run(h, "ROLLBACK;");
        return s;
    }
    return *uid;
}

}  // namespace ordavia
