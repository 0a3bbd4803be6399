#include "db/Examinations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <filesystem>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
#include "db/DbStatement.h"
#include "db/SubjectDialogs.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {
// Enough for a burst of examinations started by a script within one run;
// beyond that something else is wrong (a clock stuck at one value).
constexpr int kMaxTries = 120;
}  // namespace

std::string examFolderName(long id, const std::string& subjectId, const std::string& site) {
    std::string name = strprintf("%li-", id) + subjectId + "-" + site;
    for (char& c : name)
        if (c == ' ' || c == '/' || c == '\\') c = '_';
    return name;
}

namespace {

Status exec(CSubjectDatabase& db, const char* sql) {
    DbStatement st(db.handle(), sql);
    st.run();
    return st.status();
}

// An empty folder named like an examination ("<id>-...") whose row is not
// there was left by a start that was stopped between the folder and the
// row: it is removed. Folders with files in them are never touched.
void removeOrphanFolders(CSubjectDatabase& db) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(db.dataFolder(), ec)) {
        const std::string name = e.path().filename().string();
        const size_t dash = name.find('-');
        if (dash == 0 || dash == std::string::npos || dash > 18) continue;
        if (name.find_first_not_of("0123456789") != dash || e.is_symlink(ec) || !e.is_directory(ec)) continue;
        const auto row = readExam(db.handle(), static_cast<int32_t>(std::stoll(name.substr(0, dash))));
        if (row && !*row && ::rmdir(e.path().c_str()) == 0) debugLog("removed orphan exams folder %s\n", name.c_str());
    }
}

// Under the write lock: the next free id from `now`, its folder, its row.
Result<NewExamination> createLocked(CSubjectDatabase& db, const std::string& subjectId, const std::string& site,
                                    const std::string& comment, int64_t now) {
    removeOrphanFolders(db);
    for (int k = 0; k < kMaxTries; ++k) {
        const int64_t id = now + k;
        if (id > INT32_MAX) break;
        const auto taken = readExam(db.handle(), static_cast<int32_t>(id));
        if (!taken) return taken.status();
        if (*taken) continue;
        const std::string folder = examFolderName(static_cast<long>(id), subjectId, site);
        const std::string full = db.dataFolder() + folder;
        if (::mkdir(full.c_str(), 0700) != 0) {
            const int err = errno;
            if (err == EEXIST) continue;
            debugLog("failed to create new exams folder %s\n", full.c_str());
            return errnoStatus(full, err);
        }
        const Status s = insertExam(db.handle(), static_cast<int32_t>(id), subjectId, site, comment, folder);
        if (s) return NewExamination{static_cast<int32_t>(id), folder};
        ::rmdir(full.c_str());
        debugLog("insert exam %li failed: %s\n", static_cast<long>(id), s.reason().c_str());
        return s.context("cannot record the examination in " + db.databasePath());
    }
    return Status::failure(StatusCode::AlreadyExists, "no free examination id near the current time");
}

}  // namespace

Result<NewExamination> createExamination(CSubjectDatabase& db, const std::string& subjectId, const std::string& site,
                                         const std::string& comment, int64_t now) {
    if (!db.isOpen()) return Status::failure(StatusCode::NotFound, "no subject database is open");
    if (subjectId.empty()) return Status::failure(StatusCode::NotFound, "no subject is selected");
    for (const auto& [text, what] : {std::pair{&site, "measurement site"}, {&comment, "comment"}})
        if (std::string p = textProblem(*text, what); !p.empty()) return Status::failure(StatusCode::Failed, p);
    // The row and its folder come together: the write lock keeps other
    // programs out until the row is committed, so a folder without a row
    // is one a stopped program left, and a row never lacks its folder.
    if (Status s = exec(db, "BEGIN IMMEDIATE;"); !s) return s.context("cannot record the examination in " + db.databasePath());
    auto made = createLocked(db, subjectId, site, comment, now);
    Status s = made.status();
    if (s) s = exec(db, "COMMIT;");
    if (!s) {
        (void)exec(db, "ROLLBACK;");
        if (made) ::rmdir((db.dataFolder() + made->folder).c_str());
        return s;
    }
    return made;
}

Status checkExamFolder(const CSubjectDatabase& db, const std::string& folder) {
    const auto outside = [&] {
        return Status::failure(StatusCode::OutOfRange,
                               "the examination folder \"" + folder + "\" lies outside the data folder " + db.dataFolder());
    };
    if (folder.empty() || folder == "." || folder == ".." || db.dataFolder().empty()) return outside();
    for (unsigned char c : folder)
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F) return outside();
    // A link in the data folder may lead anywhere: where it leads counts.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path full = fs::path(db.dataFolder()) / folder;
    if (!fs::exists(fs::symlink_status(full, ec))) return Status::success();
    const fs::path real = fs::canonical(full, ec);
    const fs::path home = fs::canonical(db.dataFolder(), ec);
    if (ec || real.parent_path() != home) return outside();
    return Status::success();
}

Status makeCurrentExamination(CSubjectDatabase& db, const ProfileStore& profile, int32_t id, const std::string& folder) {
    if (Status s = checkExamFolder(db, folder); !s) {
        debugLog("exam %li refused: %s\n", static_cast<long>(id), s.reason().c_str());
        return s;
    }
    db.setCurrentExam(id, folder);
    profile.WriteString("directories", "recorddir", db.dataFolder() + folder);
    return Status::success();
}

std::string resultFilePath(const CSubjectDatabase& db, const std::string& examFolder, const std::string& fileName) {
    if (!checkExamFolder(db, examFolder)) return {};
    // Stored names may come from Windows: only the name itself counts.
    return db.dataFolder() + examFolder + "/" + fileNameOf(fileName);
}

Status storeResult(CSubjectDatabase& db, int32_t examId, const std::string& fileName, const std::string& result) {
    const std::string name = fileNameOf(fileName);
    const auto exists = resultExists(db.handle(), examId, name);
    if (!exists) return exists.status();
    if (!*exists) return insertResult(db.handle(), examId, name, result);
    if (result.empty()) return Status::success();
    return updateResult(db.handle(), result, examId, name);
}

std::string selectionSummary(const CSubjectDatabase& db) {
    if (db.currentSubjectId().empty()) return {};
    std::string text = db.currentSubjectId();
    if (const std::string name = trim(db.currentSubjectName()); !name.empty()) text += " " + name;
    if (db.currentExamId() >= 0) text += " \xC2\xB7 " + db.currentExamFolder();
    return text;
}

}  // namespace ordavia
