#pragma once
// What the Select Subject dialog, the New Exam Measurement site dialog and
// the Examinations window do, without a window: the Qt dialogs show these
// models' fields and call their operations; tests call them directly.
// Failures of the database reach the user in words through the prompter,
// and the debug log, which names subjects by id only.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/SubjectQueries.h"

class ProfileStore;

namespace ordavia {

class CSubjectDatabase;
class Prompter;

// The longest subject id the dialog accepts, in characters.
constexpr size_t kSubjectIdLimit = 19;
// The first kSubjectIdLimit characters of a typed id (UTF-8 characters,
// never a cut one).
std::string limitSubjectId(const std::string& typed);
// Why a typed id cannot be stored, or "" when it can: an id names a
// folder, so it must not be empty or hold a separator or control code.
std::string subjectIdProblem(const std::string& storedId);
// Why a text field (`what`: "name", "site") cannot be stored, or "": text
// is kept as UTF-8 without control characters, so that listings, JSON and
// folder names read it back as typed.
std::string textProblem(const std::string& text, const std::string& what);
// The first problem of a subject's details, or "".
std::string detailsProblem(const std::string& name, const std::string& surname, const std::string& comments);

class SelectSubjectModel {
public:
    SelectSubjectModel(CSubjectDatabase& db, Prompter& prompter);

    // The information field, the id list and the current subject's details.
    void open();
    // The id field was edited: the list holds the ids that begin with it.
    void typeId(const std::string& text);
    // An id was picked from the list.
    void pickId(const std::string& id);
    // "Add as new ID" and "Save / Update Details".
    void addNewId();
    void saveDetails();

    // Fields the dialog shows and edits.
    std::string id, name, surname, comment;
    const std::string& selectedId() const { return selectedId_; }
    const std::string& info() const { return info_; }
    const std::vector<std::string>& ids() const { return ids_; }
    // Told after every reload that found the subject (the Examinations
    // window refreshes).
    std::function<void()> subjectLoaded;

private:
    void fillList();
    void reload();
    bool findSubjectAndReport();
    bool report(const Status& s, const char* what);

    CSubjectDatabase& db_;
    Prompter& prompter_;
    std::string selectedId_, info_;
    std::vector<std::string> ids_;
};

// The New Exam Measurement site dialog.
struct NewExamModel {
    std::string heading;  // "Subject " + id + ": " + name
    std::string site, comment;
    explicit NewExamModel(const CSubjectDatabase& db);
};

class ExaminationsModel {
public:
    ExaminationsModel(CSubjectDatabase& db, const ProfileStore& profile, Prompter& prompter);

    static constexpr const char* kExamColumns[5] = {"examid", "Site", "Date", "comments", "folder"};
    static constexpr const char* kResultColumns[4] = {"id", "date", "filename", "result"};

    // Reads the current subject's examinations; the current one is selected
    // and its results read.
    void fill();
    // The row of an examination was selected: it becomes the current one.
    void selectExam(size_t row);
    // The file of a result row; empty, with the user told why, when the row
    // is not there or its file has gone.
    std::string resultPath(size_t row);
    // The same for a file of the current examination named otherwise (an
    // assessed picture): its path, or "" with the user told why.
    std::string examFilePath(const std::string& filename);

    const std::string& heading() const { return heading_; }
    const std::vector<ExamRecord>& exams() const { return exams_; }
    const std::vector<StoredResult>& results() const { return results_; }
    // The row of the current examination, or -1.
    int currentRow() const { return currentRow_; }

private:
    void fillResults();
    CSubjectDatabase& db_;
    const ProfileStore& profile_;
    Prompter& prompter_;
    std::string heading_;
    std::vector<ExamRecord> exams_;
    std::vector<StoredResult> results_;
    int currentRow_ = -1;
};

}  // namespace ordavia
