#pragma once
// Starting and choosing examinations. An examination is a row of "exams"
// and a folder of its own directly in the data folder, named after its id,
// its subject and its site ("42-AB12-left_ring"). The id is the creation
// time in whole seconds, so a row and its folder always come together: a
// folder whose row cannot be inserted is removed again.
#include <cstdint>
#include <string>

#include "base/Result.h"
#include "db/SubjectQueries.h"

class ProfileStore;

namespace ordavia {

class CSubjectDatabase;

// "%li-" + subject + "-" + site, blanks to "_". Separators become "_" too:
// the folder must sit directly in the data folder.
std::string examFolderName(long id, const std::string& subjectId, const std::string& site);

struct NewExamination {
    int32_t id = -1;
    std::string folder;  // name below the data folder
};

// Makes the folder (readable by the user only) and inserts the row for the
// subject. An id already taken, by a row or by a folder (a second
// examination in the same second, another workstation on the same
// database), moves on to the next free second. Nothing is left behind on
// failure; the reason names the folder or the statement that failed. Empty
// examination folders without a row (a start that was stopped half-way)
// are removed first. A site or comment with control characters or text
// that is not UTF-8 is refused.
Result<NewExamination> createExamination(CSubjectDatabase& db, const std::string& subjectId, const std::string& site,
                                         const std::string& comment, int64_t now);

// An examination's folder as stored must be one folder directly in the
// data folder: a database that names another place ("..", "/etc", a
// link that leads out) is refused wherever the folder is used, so that
// nothing is read from or written to outside the data folder.
Status checkExamFolder(const CSubjectDatabase& db, const std::string& folder);

// Makes an examination the current one: the selection, and the recording
// folder "directories"/"recorddir" in the profile. A folder that
// checkExamFolder refuses changes nothing.
Status makeCurrentExamination(CSubjectDatabase& db, const ProfileStore& profile, int32_t id, const std::string& folder);

// Where a stored result's file lives: data folder + examination folder +
// name; empty when checkExamFolder refuses the folder.
std::string resultFilePath(const CSubjectDatabase& db, const std::string& examFolder, const std::string& fileName);

// Files a result as a document save does: the row of (examination, file
// name) is inserted, or updated when the result is not empty.
Status storeResult(CSubjectDatabase& db, int32_t examId, const std::string& fileName, const std::string& result);

// What the main window shows of the selection: "AB12 Smith · 42-AB12-left_ring",
// or "" when no subject is selected.
std::string selectionSummary(const CSubjectDatabase& db);

}  // namespace ordavia
