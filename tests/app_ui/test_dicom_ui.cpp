// The Examinations window's DICOM commands as the user meets them: the
// export writes the objects into the folder chosen and says so, and the
// archive dialog keeps what was typed in the profile.
#include <gtest/gtest.h>

#include <QPushButton>
#include <filesystem>

#include "app/PacsSettings.h"
#include "app/ui/DicomUi.h"
#include "app/ui/SubjectUi.h"
#include "db/CSubjectDatabase.h"
#include "db/Examinations.h"
#include "db/SubjectDialogs.h"
#include "image/CZVimage.h"
#include "tests/app_ui/FrameFixture.h"

using namespace ordavia;

namespace {

class DicomUiTest : public FrameFixture {
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
    }
    CSubjectDatabase db;
};

QPushButton* button(QWidget& w, const QString& text) {
    for (auto* b : w.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

}  // namespace

TEST_F(DicomUiTest, ExportToDicomWritesTheExaminationIntoTheChosenFolder) {
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

TEST_F(DicomUiTest, TheArchiveDialogShowsAndKeepsTheNode) {
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
