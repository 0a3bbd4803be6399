#pragma once
// Every statement the program issues on the subject database, one function
// each. Each prepares its statement, binds its numbered parameters, steps
// and finalizes before it returns. A null handle, or a statement the
// database refuses (a duplicate subject id, a busy file), makes the call do
// nothing: such failures are never reported to the user.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

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
};

// "SELECT * FROM info;"
std::optional<DbInfoRecord> readDbInfo(sqlite3* db);

// The ids that begin with the typed text, at most 20 (SQLite LIKE: '%' and
// '_' in the text are wildcards, ASCII letters match either case).
std::vector<std::string> findSubjectIds(sqlite3* db, const std::string& typed);
// Name, surname and comments of one subject; nothing when it is not there.
std::optional<SubjectRecord> readSubject(sqlite3* db, const std::string& id);
// Every subject, ordered by id (the command-line listing).
std::vector<SubjectRecord> listSubjects(sqlite3* db);

// The id as stored: blanks become underscores.
std::string storedSubjectId(const std::string& typed);
// Adds a subject (blanks of the id become underscores). An id that exists
// already changes nothing; false then.
bool insertSubject(sqlite3* db, const std::string& id);
bool updateSubject(sqlite3* db, const std::string& id, const std::string& name, const std::string& surname,
                   const std::string& comments);

bool insertExam(sqlite3* db, int32_t examId, const std::string& subjectId, const std::string& site,
                const std::string& comment, const std::string& folder);
// The examinations of one subject (id, created, site, comment, folder).
std::vector<ExamRecord> listExams(sqlite3* db, const std::string& subjectId);
// Site and comment of one examination.
std::optional<ExamRecord> readExam(sqlite3* db, int32_t examId);
// The folder of the examination when it belongs to the subject.
std::optional<std::string> findExamFolder(sqlite3* db, const std::string& subjectId, int32_t examId);

// The results of one examination (id, created, filename, result).
std::vector<StoredResult> listResults(sqlite3* db, int32_t examId);
bool resultExists(sqlite3* db, int32_t examId, const std::string& filename);
bool insertResult(sqlite3* db, int32_t examId, const std::string& filename, const std::string& result);
bool updateResult(sqlite3* db, const std::string& result, int32_t examId, const std::string& filename);
