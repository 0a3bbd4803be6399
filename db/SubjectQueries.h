#pragma once
// Every statement the program issues on the subject database, one function
// each. Each prepares its statement, binds its numbered parameters, steps
// and finalizes before it returns. A null handle, or a statement the
// database refuses (a duplicate subject id, a busy or damaged file), is a
// failure with the database's reason: a damaged database never reads as an
// empty one.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Result.h"

struct sqlite3;

namespace ordavia {

struct DbInfoRecord {
    std::string dbversion, ordaversion, created, folder;
};

struct SubjectRecord {
    std::string id, name, surname, comments;
};

struct ExamRecord {
    int32_t id = -1;
    std::string patientId, created, site, comment, folder;
};

struct StoredResult {
    std::string id, created, filename, result;
    // The command-line analysis that filed the row ("count", "fcf"); empty
    // for a row filed by saving a document.
    std::string analysis;
};

// "SELECT * FROM info;"
Result<std::optional<DbInfoRecord>> readDbInfo(sqlite3* db);

// The ids that begin with the typed text, at most 20 (SQLite LIKE: '%' and
// '_' in the text are wildcards, ASCII letters match either case).
Result<std::vector<std::string>> findSubjectIds(sqlite3* db, const std::string& typed);
// Name, surname and comments of one subject; nothing when it is not there.
Result<std::optional<SubjectRecord>> readSubject(sqlite3* db, const std::string& id);
// Every subject, ordered by id (the command-line listing).
Result<std::vector<SubjectRecord>> listSubjects(sqlite3* db);

// The id as stored: blanks become underscores.
std::string storedSubjectId(const std::string& typed);
// Adds a subject (blanks of the id become underscores). An id that exists
// already changes nothing and fails.
Status insertSubject(sqlite3* db, const std::string& id);
// Adds a subject with its details in one transaction: both or neither.
Status addSubject(sqlite3* db, const SubjectRecord& subject);
Status updateSubject(sqlite3* db, const std::string& id, const std::string& name, const std::string& surname,
                   const std::string& comments);

Status insertExam(sqlite3* db, int32_t examId, const std::string& subjectId, const std::string& site,
                const std::string& comment, const std::string& folder);
// The examinations of one subject (id, created, site, comment, folder).
Result<std::vector<ExamRecord>> listExams(sqlite3* db, const std::string& subjectId);
// Site and comment of one examination.
Result<std::optional<ExamRecord>> readExam(sqlite3* db, int32_t examId);
// The folder of the examination when it belongs to the subject.
Result<std::optional<std::string>> findExamFolder(sqlite3* db, const std::string& subjectId, int32_t examId);

// The results of one examination (id, created, filename, result).
Result<std::vector<StoredResult>> listResults(sqlite3* db, int32_t examId);
// The row of a saved document: (examination, file name), one per pair.
// Rows filed by analyses of the same file are not touched.
Result<bool> resultExists(sqlite3* db, int32_t examId, const std::string& filename);
Status insertResult(sqlite3* db, int32_t examId, const std::string& filename, const std::string& result);
Status updateResult(sqlite3* db, const std::string& result, int32_t examId, const std::string& filename);

// Rows filed by an analysis of a file (a count, a detection, a flow
// picture of a video) name the analysis in the column "analysis", so that
// each analysis of one file keeps its own row: (examination, file name,
// analysis) is one row, rewritten when the analysis runs again. A database
// made without the column gets it with the first such row; programs that
// read the first five columns never see it.
Result<bool> hasAnalysisColumn(sqlite3* db);
Status fileAnalysisResult(sqlite3* db, int32_t examId, const std::string& filename, const std::string& analysis,
                          const std::string& result);

}  // namespace ordavia
