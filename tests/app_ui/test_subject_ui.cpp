// The main window's selection line and the Examinations window as the
// user sees them, with its DICOM commands: the export writes the objects
// into the folder chosen and says so, and the archive dialog keeps what was
// typed in the profile.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

#include "app/PacsSettings.h"
#include "app/ui/DicomUi.h"
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

QPushButton* button(QWidget& w, const QString& text) {
    for (auto* b : w.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
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

TEST_F(SubjectUiTest, ExportToDicomWritesTheExaminationIntoTheChosenFolder) {
    CBasicApp app(svc.services, path("ordavia"));
    MainFrame frame(app);
    auto made = createExamination(db, "AB12", "left ring", "", 1700000000);
    ASSERT_TRUE(made);
    ASSERT_TRUE(makeCurrentExamination(db, svc.profile, made->id, made->folder));
    CZVimage img(32, 16, 0, CZVimage::kFrame, CZVimage::kGrey);
    ASSERT_TRUE(img.Save(db.dataFolder() + made->folder + "/n1.bmp"));
    ASSERT_TRUE(storeResult(db, made->id, "n1.bmp", "r"));

    ExaminationsWindow w(app, frame.subjects()->workflow(), nullptr);
    QPushButton* exportButton = button(w, "Export to DICOM...");
    ASSERT_TRUE(exportButton && button(w, "Send to PACS..."));
    EXPECT_TRUE(exportButton->isEnabled());
    w.resize(900, 520);
    testsupport::saveShot(w, "examinations-dicom");
    svc.prompter.pushFolder(path("dicom"));
    exportButton->click();
    ASSERT_FALSE(svc.prompter.messages().empty());
    const std::string said = svc.prompter.messages().back();
    // The picture and the report.
    EXPECT_EQ(said.rfind("2 DICOM files written to " + path("dicom"), 0), 0u) << said;
    EXPECT_TRUE(std::filesystem::exists(path("dicom/n1_bmp.dcm")));
}

TEST_F(SubjectUiTest, TheArchiveDialogShowsAndKeepsTheNode) {
    PacsNode n;
    n.aeTitle = "HOSPITAL_PACS";
    n.host = "pacs.example.org";
    n.port = 11112;
    ASSERT_TRUE(storePacsNode(svc.profile, n));
    PacsDialog d(pacsNodeFromProfile(svc.profile));
    testsupport::saveShot(d, "send-to-pacs");
    const PacsNode shown = d.node();
    EXPECT_EQ(shown.aeTitle, "HOSPITAL_PACS");
    EXPECT_EQ(shown.host, "pacs.example.org");
    EXPECT_EQ(shown.port, 11112);
    EXPECT_EQ(shown.callingAeTitle, "ORDAVIA");
}
