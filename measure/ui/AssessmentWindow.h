#pragma once
// "Assess capillaroscopy": the review of a picture's assessment. The
// picture with every finding drawn on it (the row line, apex marks with
// the apical width bar, giants and dilated loops in their colours,
// haemorrhage outlines, avascular gaps) beside a panel of the figures and
// the pattern, the review's tools, Undo and Redo, the finger and "File
// under examination". Clicks go to the AssessmentReview, which owns the
// findings and their undo steps.
#include <memory>

#include <QDialog>
#include <QImage>
#include <QPointer>

#include "base/ui/CommandTable.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class ZBasicDoc;

namespace ordavia {

class AssessmentReview;
class AssessmentCanvas;

inline constexpr const char* kAssessCommand = "Assess &capillaroscopy";
inline constexpr const char* kAssessWindowTitle = "Capillaroscopy assessment";
inline constexpr const char* kFileAssessment = "File under examination";

// The command for an image view's menu, after a separator.
CommandTable assessmentCommands(ZBasicDoc* doc, QWidget* view);

// Opens the review of the assessment filed for the document's picture
// (`record`: the filed findings, AssessmentRecord.h) as it was filed, with
// its hand corrections; the picture is assessed afresh as the reference
// for what was corrected. False, with the user told why, when the record
// cannot be read or the picture assessed.
bool reopenFiledAssessment(ZBasicDoc& doc, QWidget* view, const std::string& record);

class AssessmentWindow : public QDialog {
    Q_OBJECT
public:
    // Assesses the document's picture; the window is modeless.
    AssessmentWindow(ZBasicDoc& doc, std::unique_ptr<AssessmentReview> review, QWidget* parent);
    ~AssessmentWindow() override;
    AssessmentReview& review() { return *review_; }
    // Files the assessment under the current examination; false, with the
    // user told why, when it cannot be.
    bool fileUnderExamination();
    // What is shown is what the examination has filed.
    void markFiled();

private:
    void refresh();
    ZBasicDoc& doc_;
    std::unique_ptr<AssessmentReview> review_;
    AssessmentCanvas* canvas_ = nullptr;
    QComboBox* finger_ = nullptr;
    QButtonGroup* tools_ = nullptr;
    QLabel *figures_ = nullptr, *pattern_ = nullptr, *warnings_ = nullptr, *byHand_ = nullptr;
    QPushButton *undo_ = nullptr, *redo_ = nullptr, *file_ = nullptr;
    bool filed_ = false;
};

}  // namespace ordavia
