// "Assess capillaroscopy" in the image view: the command opens the review,
// a click on the picture reaches the review where it was made (the canvas
// scales the picture), Undo takes it back, and filing without an
// examination tells the user rather than filing nowhere.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "measure/AssessmentFiling.h"
#include "measure/AssessmentRecord.h"
#include "measure/AssessmentReview.h"
#include "measure/ExamAssessment.h"
#include "measure/ZBasicDoc.h"
#include "measure/ui/AssessmentCanvas.h"
#include "measure/ui/AssessmentWindow.h"
#include "measure/ui/ProcessMenu.h"
#include "measure/ui/ZBasicView.h"
#include "tests/support/HairpinPicture.h"
#include "tests/support/ModalDialogs.h"
#include "tests/support/TestServices.h"

using namespace ordavia;

namespace {

// A picture of six hairpins in a document of its own, with the review's
// command registered.
class AssessmentUi : public ::testing::Test {
protected:
    AssessmentUi() {
        testsupport::ensureQtApp();
        ts.adopt(doc);
        doc.OnNewDocument();
        doc.setImage(test::hairpins(0.5, 1));
        registerProcessMenu();
    }
    test::TestServices ts;
    ZBasicDoc doc;
};

}  // namespace

TEST_F(AssessmentUi, CommandOpensTheReviewAndClicksAreUndoable) {
    ZBasicView view(&doc);
    view.resize(700, 540);
    view.show();
    (void)view.documentMenus();
    test::runCommand(view, kAssessCommand);
    AssessmentWindow* w = nullptr;
    for (QWidget* t : QApplication::topLevelWidgets())
        if (auto* a = qobject_cast<AssessmentWindow*>(t)) w = a;
    ASSERT_TRUE(w);
    w->resize(1000, 600);
    w->show();
    QApplication::processEvents();
    auto* canvas = w->findChild<AssessmentCanvas*>("assessmentCanvas");
    ASSERT_TRUE(canvas);

    // The picture fills the canvas' width or height, centred.
    const double f = std::min(canvas->width() / 420.0, canvas->height() / 300.0);
    const QPoint at(int((canvas->width() - 420 * f) / 2 + 30 * f), int((canvas->height() - 300 * f) / 2 + 250 * f));
    const int before = w->review().assessment().count;
    QTest::mouseClick(canvas, Qt::LeftButton, {}, at);
    ASSERT_EQ(w->review().assessment().count, before + 1);
    const AssessedCapillary* added = nullptr;
    for (const AssessedCapillary& c : w->review().assessment().capillaries)
        if (c.byHand) added = &c;
    ASSERT_TRUE(added);
    EXPECT_NEAR(added->apex.x, 30, 2);
    EXPECT_NEAR(added->apex.y, 250, 2);

    QPushButton* undo = nullptr;
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == "&Undo") undo = b;
    ASSERT_TRUE(undo);
    ASSERT_TRUE(undo->isEnabled());
    undo->click();
    EXPECT_EQ(w->review().assessment().count, before);
    EXPECT_FALSE(undo->isEnabled());

    EXPECT_FALSE(w->fileUnderExamination());
    ASSERT_FALSE(ts.prompter.messages().empty());
    EXPECT_NE(ts.prompter.messages().back().find("Select a subject and an examination first"), std::string::npos);
    w->close();
}

TEST_F(AssessmentUi, TheReviewClosesWithItsPicture) {
    // The review holds the picture's document: left open after the picture
    // closed, filing would reach a document that is gone.
    auto* view = new ZBasicView(&doc);
    view->resize(700, 540);
    view->show();
    (void)view->documentMenus();
    test::runCommand(*view, kAssessCommand);
    QPointer<AssessmentWindow> w;
    for (QWidget* t : QApplication::topLevelWidgets())
        if (auto* a = qobject_cast<AssessmentWindow*>(t)) w = a;
    ASSERT_TRUE(w);
    delete view;
    EXPECT_TRUE(w.isNull());
}

TEST_F(AssessmentUi, AFiledAssessmentOpensAgainAsFiledWithItsCorrections) {
    ZBasicView view(&doc);
    AssessOptions o = assessOptionsOf(doc);
    o.umPerPixel = 2;  // the scale of the filing, which the reopened review keeps
    auto automatic = assessPicture(doc.image(), o);
    ASSERT_TRUE(automatic) << automatic.reason();
    ASSERT_FALSE(automatic->capillaries.empty());
    AssessmentReview corrected(*automatic);
    corrected.setFinger("L4");
    const AssessPoint apex = corrected.assessment().capillaries[0].apex;
    ASSERT_TRUE(corrected.click(ReviewTool::kGiant, apex.x, apex.y));
    const int giants = corrected.assessment().giants;

    ASSERT_TRUE(reopenFiledAssessment(doc, &view, assessmentRecord(corrected.assessment())));
    AssessmentWindow* w = nullptr;
    for (QWidget* t : QApplication::topLevelWidgets())
        if (auto* a = qobject_cast<AssessmentWindow*>(t)) w = a;
    ASSERT_TRUE(w);
    EXPECT_EQ(w->review().assessment().giants, giants);
    EXPECT_EQ(w->review().assessment().finger, "L4");
    const auto hand = w->review().handCorrected();
    EXPECT_NE(std::find(hand.begin(), hand.end(), "giants"), hand.end()) << "the correction is still one";
    EXPECT_EQ(figureHeadings(hand), figureHeadings(corrected.handCorrected())) << "and nothing else reads as corrected";
    EXPECT_FALSE(w->review().undoStack().canUndo());
    auto* file = w->findChild<QPushButton*>("fileAssessment");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->text().endsWith("(filed)"));

    EXPECT_FALSE(reopenFiledAssessment(doc, &view, "not an assessment"));
    ASSERT_FALSE(ts.prompter.messages().empty());
    EXPECT_NE(ts.prompter.messages().back().find("cannot be read"), std::string::npos);
}
