#pragma once
// The subject database of the run and the current selection. The
// application reaches it through its services: it opens it at start-up
// (openAtStartup) and closes it at exit (close). The handle is null
// whenever no database is open, and every database operation then does
// nothing.
//
// The database is "orda.db" in the data folder the user picks once; the
// folder (with its trailing separator) is where examination folders go.
#include <cstdint>
#include <string>

#include "base/ProductVersion.h"
#include "base/Result.h"

struct sqlite3;
class ProfileStore;

namespace ordavia {

class AppServices;
class Document;
class Prompter;

class CSubjectDatabase {
public:
    CSubjectDatabase() = default;
    ~CSubjectDatabase();
    CSubjectDatabase(const CSubjectDatabase&) = delete;
    CSubjectDatabase& operator=(const CSubjectDatabase&) = delete;

    static constexpr const char* kFileName = "orda.db";
    static constexpr const char* kFolderPrompt = "Open or create a new data folder";
    // The program version stored in info.ordaversion of a new database.
    static constexpr const int (&kVersion)[4] = ordavia::kProductVersion;

    // The run's database on the services: of() gives null when the run has
    // none, in() treats that as a programming error (MissingService).
    static CSubjectDatabase* of(const AppServices& services);
    static CSubjectDatabase& in(const AppServices& services);

    // Start-up: reads "Settings"/"database", asks for a data folder when it
    // names no file (storing the answer), then opens or creates the
    // database. Running without a database is success. A failure leaves the
    // handle null; start-up shows it and goes on.
    Status openAtStartup(const ProfileStore& profile, Prompter& prompter);

    // Opens the database file at path read-write, creating it and its
    // tables when it has none and adding any table a cut-short creation
    // left out. A failure (a full disc, a damaged file, one that stays
    // locked) names the file and leaves the handle null.
    Status openPath(const std::string& path);
    // Opens an existing database for reading only (tools that must not touch
    // it). A damaged or incomplete file is refused with the reason.
    Status openReadOnly(const std::string& path);

    // Closes the connection once; later calls do nothing.
    void close();

    sqlite3* handle() const { return db_; }
    bool isOpen() const { return db_ != nullptr; }
    const std::string& databasePath() const { return path_; }
    // The database path up to and including its last separator.
    const std::string& dataFolder() const { return folder_; }

    // The current selection (none after start-up).
    const std::string& currentSubjectId() const { return subjectId_; }
    const std::string& currentSubjectName() const { return subjectName_; }
    int64_t currentExamId() const { return examId_; }
    const std::string& currentExamFolder() const { return examFolder_; }
    void setCurrentSubject(const std::string& id, const std::string& name);
    void setCurrentExam(int64_t id, const std::string& folder);
    void clearSelection();

    // "'04.42.00.00'" without the quotes.
    static std::string versionText();

    // Reports a failed database operation: the first through the prompter,
    // later ones only to the debug log, so that one damaged file does not
    // bury the user in messages.
    void reportFailure(const Status& s, Prompter& prompter);

private:
    // Makes the tables that are missing (all of them in a new file) in one
    // transaction, then checks the file's pages.
    Status ensureSchema();
    bool failureReported_ = false;

    sqlite3* db_ = nullptr;
    std::string path_;
    std::string folder_;
    std::string subjectId_;
    std::string subjectName_;
    int64_t examId_ = -1;
    std::string examFolder_;
};

}  // namespace ordavia
