#pragma once
// The main window's subject commands: "Select Subject...", "View Exams" and
// "Process Results". The flow lives here; the windows it shows are asked
// for through SubjectWindows (the Qt main frame, or a script in tests).
#include <cstdint>
#include <functional>
#include <string>

class CBasicApp;

namespace ordavia {

class Document;
class SelectSubjectModel;
struct NewExamModel;

enum class SubjectDialogEnd { StartNewExamination, ViewExaminations, Cancel };

class SubjectWindows {
public:
    virtual ~SubjectWindows() = default;
    // Runs the Select Subject dialog over the model until one of its three
    // closing buttons.
    virtual SubjectDialogEnd runSelectSubject(SelectSubjectModel& model) = 0;
    // Runs the New Exam Measurement site dialog; true for "Start".
    virtual bool runNewExam(NewExamModel& model) = 0;
    // Opens the Examinations window, or refreshes it when it is open.
    virtual void showExaminations() = 0;
    virtual bool examinationsOpen() const = 0;
    virtual void closeExaminations() = 0;
    virtual void closeLiveVideo() = 0;
    // Shows or hides the main window's toolbars for the expert-mode state.
    virtual void applyExpertMode() = 0;
    // Closes every document window (the user is asked about unsaved ones).
    virtual void closeAllDocuments() = 0;
    // Shows the live video window and posts "Start".
    virtual void startLiveVideo() = 0;
    // The recording folder changed: the record bar takes it up.
    virtual void applyRecordingSettings() = 0;
    // The current subject or examination changed.
    virtual void selectionChanged() = 0;
    virtual void postCommand(const std::string& command) = 0;
    virtual void tileWindows() = 0;
};

class SubjectWorkflow {
public:
    // clock: seconds since 1970 (the new examination's id); tests fix it.
    SubjectWorkflow(CBasicApp& app, SubjectWindows& windows, std::function<int64_t()> clock = {});

    static constexpr const char* kSelectSubject = "Select Subject...";
    static constexpr const char* kViewExams = "View Exams";
    static constexpr const char* kProcessResults = "Process Results";

    void selectSubject();
    void viewExams();
    bool viewExamsEnabled() const;
    void processResults();
    // A result row of the Examinations window: opens its document and tiles.
    Document* openResult(const std::string& path);

    // "Start" of the new examination dialog; false when no examination was
    // made (the user has been told why).
    bool startExamination(const NewExamModel& model);

private:
    CBasicApp& app_;
    SubjectWindows& windows_;
    std::function<int64_t()> clock_;
};

}  // namespace ordavia
