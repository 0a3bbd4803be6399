#include "db/Examinations.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "db/CSubjectDatabase.h"
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

Result<NewExamination> createExamination(CSubjectDatabase& db, const std::string& subjectId, const std::string& site,
                                         const std::string& comment, int64_t now) {
    if (!db.isOpen()) return Status::failure(StatusCode::NotFound, "no subject database is open");
    if (subjectId.empty()) return Status::failure(StatusCode::NotFound, "no subject is selected");
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
        // Another workstation took this id between the look-up and the insert.
        const auto raced = readExam(db.handle(), static_cast<int32_t>(id));
        if (raced && *raced) continue;
        debugLog("insert exam %li failed: %s\n", static_cast<long>(id), s.reason().c_str());
        return s.context("cannot record the examination in " + db.databasePath());
    }
    return Status::failure(StatusCode::AlreadyExists, "no free examination id near the current time");
}

void makeCurrentExamination(CSubjectDatabase& db, const ProfileStore& profile, int32_t id, const std::string& folder) {
    db.setCurrentExam(id, folder);
    profile.WriteString("directories", "recorddir", db.dataFolder() + folder);
}

std::string resultFilePath(const CSubjectDatabase& db, const std::string& examFolder, const std::string& fileName) {
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
