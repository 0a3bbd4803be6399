#include "db/CSubjectDatabase.h"

#include <sqlite3.h>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/DbStatement.h"
#include "framework/Prompter.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace {

// The schema of a new database, in creation order. The info row goes in
// between the first and the second statement.
const char* const kCreateInfo = "create table info ( dbversion INTEGER, ordaversion TEXT, created TEXT, folder TEXT );";
const char* const kCreateTables[] = {
    "create table patients ( id TEXT PRIMARY KEY, name TEXT, surname TEXT, comments TEXT );",
    "create table exams ( id integer primary key, patientid TEXT, created TEXT, site TEXT, comment TEXT, folder TEXT );",
    "create table results ( id integer primary key, examid integer, created TEXT, filename TEXT, result TEXT );",
};
// The data folder is bound rather than pasted into the text, so that a
// folder with an apostrophe in its name still gets its info row; the stored
// values are the same.
const char* const kInsertInfoFormat =
    "insert into info ( dbversion, ordaversion, created, folder ) values ( 1, '%s', datetime('now'), ?1 );";
const char* const kFindInfoTable = "SELECT name FROM sqlite_master WHERE type='table' AND name='info';";

}  // namespace

CSubjectDatabase::~CSubjectDatabase() { close(); }

CSubjectDatabase& CSubjectDatabase::instance() {
    static CSubjectDatabase db;
    return db;
}

std::string CSubjectDatabase::versionText() {
    return strprintf("%02i.%02i.%02i.%02i", kVersion[0], kVersion[1], kVersion[2], kVersion[3]);
}

bool CSubjectDatabase::openAtStartup() { return openAtStartup(ProfileStore::instance(), Prompter::current()); }

bool CSubjectDatabase::openAtStartup(const ProfileStore& profile, Prompter& prompter) {
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
        return true;
    }
    return openPath(path_, prompter);
}

bool CSubjectDatabase::openPath(const std::string& path, Prompter& prompter) {
    close();
    path_ = path;
    folder_ = folderOf(path_);
    debugLog("opening db=%s folder=%s\n", path_.c_str(), folder_.c_str());

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        debugLog("opendb failed\n");
        prompter.messageBox(db ? sqlite3_errmsg(db) : "out of memory", MsgButtons::Ok, MsgIcon::Error);
        sqlite3_close(db);
        return false;
    }
    db_ = db;
    return createSchemaIfMissing(prompter);
}

bool CSubjectDatabase::createSchemaIfMissing(Prompter& prompter) {
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, kFindInfoTable, -1, &stmt, nullptr) != SQLITE_OK) {
            // Not a database, or one we may not read: no database this run.
            prompter.messageBox(sqlite3_errmsg(db_), MsgButtons::Ok, MsgIcon::Error);
            sqlite3_finalize(stmt);
            sqlite3_close(db_);
            db_ = nullptr;
            return false;
        }
        const int rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        if (rc == SQLITE_ROW) return true;
    }

    // A new file: the four tables and the one info row. Failures here are
    // not reported; the dialogs show what is there afterwards.
    sqlite3_exec(db_, kCreateInfo, nullptr, nullptr, nullptr);
    {
        const std::string insert = strprintf(kInsertInfoFormat, versionText().c_str());
        DbStatement st(db_, insert.c_str());
        st.bindText(1, folder_);
        st.run();
    }
    for (const char* sql : kCreateTables) sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    return true;
}

bool CSubjectDatabase::openReadOnly(const std::string& path, std::string* error) {
    close();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        if (error) *error = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        return false;
    }
    // Opening is lazy: make SQLite read the header now so that a file that
    // is no database is refused here and not by the first query.
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, kFindInfoTable, -1, &stmt, nullptr) != SQLITE_OK) {
        if (error) *error = sqlite3_errmsg(db);
        sqlite3_finalize(stmt);
        sqlite3_close(db);
        return false;
    }
    sqlite3_finalize(stmt);
    db_ = db;
    path_ = path;
    folder_ = folderOf(path);
    return true;
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

void CSubjectDatabase::setCurrentExam(int32_t id, const std::string& folder) {
    examId_ = id;
    examFolder_ = folder;
}

void CSubjectDatabase::clearSelection() {
    subjectId_.clear();
    subjectName_.clear();
    examId_ = -1;
    examFolder_.clear();
}
