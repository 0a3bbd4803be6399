#include "db/CSubjectDatabase.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <iterator>
#include <vector>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/DbStatement.h"
#include "framework/AppServices.h"
#include "framework/Document.h"
#include "framework/Prompter.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

// The schema of a new database, in creation order: the info table and its
// one row, then the other three tables.
struct TableDef {
    const char* name;
    const char* create;
};
const TableDef kTables[] = {
    {"info", "create table info ( dbversion INTEGER, ordaversion TEXT, created TEXT, folder TEXT );"},
    {"patients", "create table patients ( id TEXT PRIMARY KEY, name TEXT, surname TEXT, comments TEXT );"},
    {"exams",
     "create table exams ( id integer primary key, patientid TEXT, created TEXT, site TEXT, comment TEXT, folder TEXT "
     ");"},
    {"results", "create table results ( id integer primary key, examid integer, created TEXT, filename TEXT, result TEXT );"},
};
// The data folder is bound rather than pasted into the text, so that a
// folder with an apostrophe in its name still gets its info row; the stored
// values are the same.
const char* const kInsertInfoFormat =
    "insert into info ( dbversion, ordaversion, created, folder ) values ( 1, '%s', datetime('now'), ?1 );";

// Another program (a second workstation, ordavia-cli) may hold the file for
// a moment: wait for it rather than fail at once.
constexpr int kBusyTimeoutMs = 5000;

Status exec(sqlite3* db, const char* sql) {
    DbStatement st(db, sql);
    st.run();
    return st.status();
}

// Which of the four tables are there. Reading the schema is also the first
// real read of the file: a file that is no database, or a damaged one,
// fails here.
Result<std::vector<bool>> presentTables(sqlite3* db) {
    std::vector<bool> present;
    for (const TableDef& t : kTables) {
        DbStatement st(db, "SELECT name FROM sqlite_master WHERE type='table' AND name=?1;");
        st.bindText(1, t.name);
        const bool found = st.step();
        if (!st.ok()) return st.status();
        present.push_back(found);
    }
    return present;
}

// A quick structural check of every page: damage anywhere is found at open
// rather than read as missing rows later. The subject database is small.
Status checkIntegrity(sqlite3* db) {
    DbStatement st(db, "PRAGMA quick_check;");
    std::string first;
    if (st.step()) first = st.text(0);
    st.run();
    if (!st.ok()) return st.status();
    if (first != "ok") return Status::failure("database disk image is malformed (" + first + ")");
    return Status::success();
}

bool allPresent(const std::vector<bool>& v) {
    for (bool b : v)
        if (!b) return false;
    return true;
}

}  // namespace

CSubjectDatabase::~CSubjectDatabase() { close(); }

CSubjectDatabase* CSubjectDatabase::of(const AppServices& services) { return services.find<CSubjectDatabase>(); }
CSubjectDatabase& CSubjectDatabase::in(const AppServices& services) {
    return services.need<CSubjectDatabase>("subject database");
}

std::string CSubjectDatabase::versionText() {
    return strprintf("%02i.%02i.%02i.%02i", kVersion[0], kVersion[1], kVersion[2], kVersion[3]);
}

Status CSubjectDatabase::openAtStartup(const ProfileStore& profile, Prompter& prompter) {
    close();
    path_ = profile.GetString("Settings", "database", "");
    folder_.clear();

    // A key naming a file that has gone is asked about again rather than
    // silently creating an empty database at the old place.
    if (path_.empty() || !fileExists(path_)) {
        // The folder of a database that has gone is named so that the user
        // can recreate or find it; on a first start there is none to name.
        std::string prompt = kFolderPrompt;
        const std::string previous = path_.empty() ? std::string() : folderOf(path_);
        if (!previous.empty()) prompt += "\ncurrently " + previous;
        auto chosen = prompter.chooseFolder(prompt, {});
        path_ = (chosen && !chosen->empty()) ? joinPath(*chosen, kFileName) : std::string();
        profile.WriteString("Settings", "database", path_);
        debugLog("choose db=%s\n", path_.c_str());
    }
    if (path_.empty()) {
        // Running without a database is a normal way to work.
        return Status::success();
    }
    return openPath(path_);
}

Status CSubjectDatabase::openPath(const std::string& path) {
    close();
    path_ = path;
    folder_ = folderOf(path_);
    debugLog("opening db=%s folder=%s\n", path_.c_str(), folder_.c_str());

    // Subject names are personal data: a new database is readable by the
    // user only (SQLite gives its journals the same permissions).
    if (const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); fd >= 0) ::close(fd);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        debugLog("opendb failed\n");
        Status failed = db ? Status::failure(StatusCode::IoError, path_ + ": " + sqlite3_errmsg(db))
                           : Status::failure(StatusCode::NoMemory, path_ + ": out of memory");
        sqlite3_close(db);
        return failed;
    }
    db_ = db;
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    const Status s = ensureSchema();
    if (!s) {
        debugLog("db schema failed: %s\n", s.reason().c_str());
        close();
        return Status::failure(s.code(), path + ": " + s.reason());
    }
    return Status::success();
}

Status CSubjectDatabase::ensureSchema() {
    // A complete database is only read, never written.
    auto present = presentTables(db_);
    if (!present) return present.status();
    if (allPresent(*present)) return checkIntegrity(db_);

    // A new file, or one whose creation was cut short (a full disc, a
    // program stopped half-way): the missing tables are made in one
    // transaction, so that the file is either complete or as it was. The
    // immediate lock makes a second program starting at the same moment
    // wait, then find the tables made.
    if (Status s = exec(db_, "BEGIN IMMEDIATE;"); !s) return s;
    Status s;
    present = presentTables(db_);
    if (!present) s = present.status();
    for (size_t i = 0; s && i < std::size(kTables); ++i) {
        if ((*present)[i]) continue;
        s = exec(db_, kTables[i].create);
        if (s && i == 0) {
            const std::string insert = strprintf(kInsertInfoFormat, versionText().c_str());
            DbStatement st(db_, insert.c_str());
            st.bindText(1, folder_);
            st.run();
            s = st.status();
        }
    }
    if (s) s = exec(db_, "COMMIT;");
    if (!s) {
        (void)exec(db_, "ROLLBACK;");  // the failure to report is the first one
        return s;
    }
    return checkIntegrity(db_);
}

Status CSubjectDatabase::openReadOnly(const std::string& path) {
    close();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const Status failed = db ? Status::failure(StatusCode::IoError, sqlite3_errmsg(db))
                                 : Status::failure(StatusCode::NoMemory, "out of memory");
        sqlite3_close(db);
        return failed;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // Opening is lazy: make SQLite read the schema and every page now so
    // that a file that is no database, a damaged one or one missing its
    // tables is refused here and not listed as empty by the first query.
    Status s;
    auto present = presentTables(db);
    if (!present)
        s = present.status();
    else if (!allPresent(*present))
        s = Status::failure("the database is missing tables (run \"db init\" on its folder to repair it)");
    else
        s = checkIntegrity(db);
    if (!s) {
        sqlite3_close(db);
        return s;
    }
    db_ = db;
    path_ = path;
    folder_ = folderOf(path);
    return Status::success();
}

void CSubjectDatabase::reportFailure(const Status& s, Prompter& prompter) {
    if (s) return;
    debugLog("db failed: %s\n", s.reason().c_str());
    if (failureReported_) return;
    failureReported_ = true;
    prompter.messageBox("The subject database " + path_ + " failed: " + s.reason(), MsgButtons::Ok, MsgIcon::Error);
}

void CSubjectDatabase::close() {
    if (db_) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

void CSubjectDatabase::setCurrentSubject(const std::string& id, const std::string& name) {
    subjectId_ = id;
    subjectName_ = name;
}

void CSubjectDatabase::setCurrentExam(int64_t id, const std::string& folder) {
    examId_ = id;
    examFolder_ = folder;
}

void CSubjectDatabase::clearSelection() {
    subjectId_.clear();
    subjectName_.clear();
    examId_ = -1;
    examFolder_.clear();
}

}  // namespace ordavia
