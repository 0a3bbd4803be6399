#pragma once
// The subject windows of the workstation: the Select Subject dialog, the
// New Exam Measurement site dialog, the Examinations window and the
// selection shown in the status bar. The logic is in SubjectWorkflow and
// the db dialog models; these widgets show their fields.
#include <QDialog>
#include <QObject>
#include <QPointer>

#include <memory>

#include "app/SubjectWorkflow.h"

class CBasicApp;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;
class QPushButton;

namespace ordavia {

class ExaminationsModel;
class FingerGridView;
class MainFrame;

class SelectSubjectDialog : public QDialog {
    Q_OBJECT
public:
    SelectSubjectDialog(SelectSubjectModel& model, QWidget* parent);
    SubjectDialogEnd end() const { return end_; }

private:
    void showModel();
    void takeFields();
    SelectSubjectModel& model_;
    SubjectDialogEnd end_ = SubjectDialogEnd::Cancel;
    QComboBox* idBox_ = nullptr;
    QLineEdit *name_ = nullptr, *surname_ = nullptr, *comment_ = nullptr, *selected_ = nullptr;
    QPlainTextEdit* info_ = nullptr;
    bool filling_ = false;
};

class NewExamDialog : public QDialog {
    Q_OBJECT
public:
    NewExamDialog(NewExamModel& model, QWidget* parent);

private:
    NewExamModel& model_;
    QComboBox* site_ = nullptr;
    QLineEdit* comment_ = nullptr;
};

class ExaminationsWindow : public QDialog {
    Q_OBJECT
public:
    ExaminationsWindow(CBasicApp& app, SubjectWorkflow& workflow, QWidget* parent);
    ~ExaminationsWindow() override;
    // Reads the lists again.
    void refresh();

signals:
    void examinationChosen();

private:
    void showExams();
    void showResults();
    void exportReport();
    void openAssessment(const std::string& finger);
    CBasicApp& app_;
    SubjectWorkflow& workflow_;
    std::unique_ptr<ExaminationsModel> model_;
    QLabel* heading_ = nullptr;
    QTreeWidget *exams_ = nullptr, *results_ = nullptr;
    QPushButton* dicom_ = nullptr;
    QPushButton* pacs_ = nullptr;
    QPushButton* report_ = nullptr;
    FingerGridView* fingers_ = nullptr;
    bool filling_ = false;
};

// The main frame's side of the subject workflow.
class SubjectUi : public QObject, public SubjectWindows {
    Q_OBJECT
public:
    SubjectUi(CBasicApp& app, MainFrame& frame);
    ~SubjectUi() override;
    SubjectWorkflow& workflow() { return workflow_; }
    // The permanent status-bar text of the selection.
    void updateSelectionLabel();

    SubjectDialogEnd runSelectSubject(SelectSubjectModel& model) override;
    bool runNewExam(NewExamModel& model) override;
    void showExaminations() override;
    bool examinationsOpen() const override;
    void closeExaminations() override;
    void closeLiveVideo() override;
    void applyExpertMode() override;
    void closeAllDocuments() override;
    void startLiveVideo() override;
    void applyRecordingSettings() override;
    void selectionChanged() override;
    void postCommand(const std::string& command) override;
    void tileWindows() override;

private:
    CBasicApp& app_;
    MainFrame& frame_;
    SubjectWorkflow workflow_;
    QPointer<ExaminationsWindow> exams_;
    QLabel* selection_ = nullptr;
};

}  // namespace ordavia
