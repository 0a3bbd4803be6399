// The subject dialogs and the Examinations window as the user sees them:
// every documented field, button and column, and the main window's
// "Subject" commands and selection line.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
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
        ASSERT_TRUE(db.openPath(path("orda.db"), svc.prompter));
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

TEST_F(SubjectUiTest, DialogsShowEveryDocumentedFieldAndButton) {
    SelectSubjectModel m(db, svc.prompter);
    m.open();
    SelectSubjectDialog d(m, nullptr);
    d.resize(620, 330);
    EXPECT_EQ(d.windowTitle(), "Select Subject");
    const QStringList t = texts(d);
    for (const char* s : {"Add as new ID", "Save / Update Details", "Start New Examination", "View Examinations", "Cancel",
                          "Name", "Surname", "Comment"})
        EXPECT_TRUE(t.contains(s)) << s;
    auto* id = d.findChild<QComboBox*>();
    ASSERT_TRUE(id);
    EXPECT_EQ(id->lineEdit()->maxLength(), 19);
    EXPECT_EQ(id->currentText(), "AB12");
    testsupport::saveShot(d, "select-subject");

    NewExamModel exam(db);
    NewExamDialog n(exam, nullptr);
    EXPECT_EQ(n.windowTitle(), "New Exam Measurement site");
    const QStringList nt = texts(n);
    for (const char* s : {"Subject AB12: Ann Smith", "Measurement Site", "comment", "Start", "Cancel"})
        EXPECT_TRUE(nt.contains(s)) << s;
    testsupport::saveShot(n, "new-exam");
}

TEST_F(SubjectUiTest, MainWindowShowsTheSelectionAndTheExaminationsWindowItsColumns) {
    CBasicApp app(svc.services, path("ordavia"));
    MainFrame frame(app);
    auto made = createExamination(db, "AB12", "left ring", "first visit", 1700000000);
    ASSERT_TRUE(made);
    makeCurrentExamination(db, svc.profile, made->id, made->folder);
    ASSERT_TRUE(storeResult(db, made->id, "n1.cs1", "Capillaries: 7 along 1000 um, 7.0 per mm"));
    frame.subjects()->updateSelectionLabel();
    auto* label = frame.statusBar()->findChild<QLabel*>("subjectSelection");
    ASSERT_TRUE(label);
    EXPECT_EQ(label->text().toStdString(), "AB12 Ann Smith \xC2\xB7 1700000000-AB12-left_ring");
    frame.resize(900, 400);
    testsupport::saveShot(frame, "main-frame");

    QStringList menu;
    for (QAction* a : frame.menuBar()->actions())
        if (a->menu())
            for (QAction* c : a->menu()->actions()) menu << c->text();
    for (const char* s : {"Select Subject...", "View Exams", "Process Results"}) EXPECT_TRUE(menu.contains(s)) << s;

    ExaminationsWindow w(app, frame.subjects()->workflow(), nullptr);
    auto trees = w.findChildren<QTreeWidget*>();
    ASSERT_EQ(trees.size(), 2);
    QStringList heads;
    for (QTreeWidget* t : trees)
        for (int c = 0; c < t->columnCount(); ++c) heads << t->headerItem()->text(c);
    EXPECT_EQ(heads, (QStringList{"examid", "Site", "Date", "comments", "folder", "id", "date", "filename", "result"}));
    EXPECT_EQ(trees[0]->topLevelItemCount(), 1);
    EXPECT_EQ(trees[0]->currentItem(), trees[0]->topLevelItem(0));  // the current examination
    EXPECT_EQ(trees[1]->topLevelItemCount(), 1);
    EXPECT_TRUE(texts(w).contains("Subject AB12: Ann Smith"));
    EXPECT_TRUE(texts(w).contains("Export examination report..."));
    testsupport::saveShot(w, "examinations");
}
