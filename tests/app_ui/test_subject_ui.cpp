// The main window's selection line and the Examinations window as the
// user sees them.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <filesystem>

#include "app/ui/SubjectUi.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"
#include "db/SubjectDialogs.h"
#include "tests/app_ui/FrameFixture.h"

using namespace ordavia;

namespace {

QStringList texts(QWidget& w) {
    QStringList out;
    for (auto* b : w.findChildren<QPushButton*>()) out << b->text();
    for (auto* l : w.findChildren<QLabel*>()) out << l->text();
    return out;
}

class SubjectUiTest : public FrameFixture {
protected:
    void SetUp() override {
        FrameFixture::SetUp();
        svc.services.provide<CSubjectDatabase>(&db);
        ASSERT_TRUE(db.openPath(path("orda.db")));
        svc.profile.SetPath(path("p.ini"));
        SelectSubjectModel m(db, svc.prompter);
        m.open();
        m.id = "AB12";
        m.addNewId();
        m.name = "Ann";
        m.surname = "Smith";
        m.saveDetails();
    }
    CSubjectDatabase db;
};

}  // namespace

TEST_F(SubjectUiTest, MainWindowShowsTheSelectionAndTheExaminationsWindowTheCurrentExamination) {
    CBasicApp app(svc.services, path("ordavia"));
    MainFrame frame(app);
    auto made = createExamination(db, "AB12", "left ring", "first visit", 1700000000);
    ASSERT_TRUE(made);
    ASSERT_TRUE(makeCurrentExamination(db, svc.profile, made->id, made->folder));
    ASSERT_TRUE(storeResult(db, made->id, "n1.cs1", "Capillaries: 7 along 1000 um, 7.0 per mm"));
    frame.subjects()->updateSelectionLabel();
    auto* label = frame.statusBar()->findChild<QLabel*>("subjectSelection");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text().toStdString(), "AB12 Ann Smith \xC2\xB7 1700000000-AB12-left_ring");
    frame.resize(900, 400);
    testsupport::saveShot(frame, "main-frame");

    ExaminationsWindow w(app, frame.subjects()->workflow(), nullptr);
    auto trees = w.findChildren<QTreeWidget*>();
    // Examinations, their results, and the assessment's finger grid.
    ASSERT_EQ(trees.size(), 3);
    EXPECT_EQ(trees[2]->objectName(), "fingerGrid");
    EXPECT_EQ(trees[2]->topLevelItemCount(), 0);
    EXPECT_TRUE(texts(w).contains("No picture of this examination is assessed yet."));
    EXPECT_EQ(trees[0]->topLevelItemCount(), 1);
    EXPECT_EQ(trees[0]->currentItem(), trees[0]->topLevelItem(0));  // the current examination
    EXPECT_EQ(trees[1]->topLevelItemCount(), 1);
    EXPECT_TRUE(texts(w).contains("Subject AB12: Ann Smith"));
    testsupport::saveShot(w, "examinations");
}
