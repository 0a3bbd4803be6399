#include <filesystem>

#include "app/CBasicApp.h"
#include "app/DocumentTypes.h"
#include "app/MainFrameHost.h"
#include "framework/Document.h"
#include "framework/ScriptedPrompter.h"
#include "image/ImageFormats.h"
#include "measure/ZBasicDoc.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"
#include "settings/StartupSettings.h"
#include "db/CSubjectDatabase.h"
#include "doppler/Ctrv2Doc.h"
#include "doppler/Trv2Board.h"
#include "tests/support/RawSamples.h"
#include "chart/CdataVect.h"
#include "tests/support/TempFolderTest.h"
#include "tests/support/TestServices.h"

using namespace ordavia;

namespace fs = std::filesystem;

namespace {

struct FakeFrame : MainFrameHost {
    std::vector<std::string> calls;
    bool createOk = true;
    bool create() override {
        calls.push_back("create");
        return createOk;
    }
    void startupWindows() override { calls.push_back("startupWindows"); }
    void showNormal() override { calls.push_back("show"); }
    void postCommand(const std::string& c) override { calls.push_back("post:" + c); }
    void postClose() override { calls.push_back("close"); }
    void documentOpened(Document*) override { calls.push_back("opened"); }
    void activateDocument(Document*) override { calls.push_back("activate"); }
    ForeignOpen foreign = ForeignOpen::NotMine;
    ForeignOpen openForeignFile(const std::string& path) override {
        calls.push_back("foreign:" + fs::path(path).filename().string());
        return foreign;
    }
    void tileWindows() override { calls.push_back("tile"); }
};

class AppTest : public TempFolderTest {
protected:
    void TearDown() override {
        DebugLog::setEnabled(false);
        DebugLog::setFile("zv.log");
        TempFolderTest::TearDown();
    }
    std::string program() const { return (dir_ / "ordavia").string(); }

    ordavia::test::TestServices svc;
    ScriptedPrompter& prompter = svc.prompter;
    FakeFrame frame;
};

const char* kTemplate = "[Settings]\nexpertmode=3\nshowdb=1\n[TRVcalcs]\nped1=11\n";

}  // namespace

TEST_F(AppTest, FirstStartCopiesTemplateAndWritesStartLog) {
    writeFile(dir_ / "ordavia.def", kTemplate);
    {
        CBasicApp app(svc.services, program());
        ASSERT_TRUE(app.InitInstance(&frame, ""));
        EXPECT_EQ(readFile(dir_ / "ordavia.ini"), kTemplate);
        EXPECT_EQ(svc.settings.expertmode, 3);
        EXPECT_EQ(svc.settings.ped1, 11);
        EXPECT_EQ(app.ExitInstance(), 0);
    }
    const std::string log = readFile(dir_ / "ordavia.log");
    ASSERT_EQ(log.rfind("\n\n\n****  start:", 0), 0u) << log;
    EXPECT_NE(log.find((dir_ / "ordavia.ini").string() + "\n"), std::string::npos);
    const size_t ok = log.find("initinst ok\n");
    ASSERT_NE(ok, std::string::npos);
    EXPECT_EQ(log.find("end:", ok), ok + 12) << "the end line follows at destruction";
    // No database and an empty command line: the start-up windows open.
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"create", "startupWindows", "show"}));
}

TEST_F(AppTest, AnotherProfileInTheFolderPreventsTheCopy) {
    writeFile(dir_ / "ordavia.def", kTemplate);
    writeFile(dir_ / "other.ini", "[Settings]\nexpertmode=7\n");
    CBasicApp app(svc.services, program());
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    EXPECT_FALSE(fs::exists(dir_ / "ordavia.ini"));
    EXPECT_EQ(svc.settings.expertmode, 1) << "settings come from the absent ordavia.ini";
}

TEST_F(AppTest, NoTemplateRunsOnDefaultsAndFileNewCreatesTheProfile) {
    CBasicApp app(svc.services, program());
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    EXPECT_FALSE(fs::exists(dir_ / "ordavia.ini"));
    app.OnFileNew();
    const std::string ini = readFile(dir_ / "ordavia.ini");
    // The exit rows of the defaults, as the settings write them.
    ProfileStore expected(path("expected.ini"));
    StartupSettings().save(expected);
    EXPECT_EQ(ini, readFile(expected.path()));
}

TEST_F(AppTest, DerivedNamesTakeTheExtensionFromTheFileNameOnlyAndAFailedMainWindowEndsStartUp) {
    fs::create_directories(dir_ / "v1.2");
    CBasicApp a(svc.services, (dir_ / "v1.2" / "ana.exe").string());
    ASSERT_TRUE(a.InitInstance(nullptr, ""));
    EXPECT_EQ(a.base(), (dir_ / "v1.2" / "ana").string());
    EXPECT_EQ(a.profilePath(), (dir_ / "v1.2" / "ana.ini").string());
    // A main window that cannot be made ends start-up.
    frame.createOk = false;
    CBasicApp failing(svc.services, program());
    EXPECT_FALSE(failing.InitInstance(&frame, ""));
}

TEST_F(AppTest, DopplerBoardIsPresentOnlyWithAPlaybackToRead) {
    {
        // An empty raw.bin holds no sample: the board is still absent.
        std::ofstream(dir_ / "raw.bin", std::ios::binary);
        CBasicApp app(svc.services, program());
        ASSERT_TRUE(app.InitInstance(&frame, ""));
        EXPECT_FALSE(app.dopplerAvailable());
        EXPECT_EQ(app.templates().findByClass("Ctrv2Doc"), nullptr);
    }
    testsupport::writeRawSamples((dir_ / "raw.bin").string(), {1, 2, 3, 4});
    writeFile(dir_ / "ordavia.ini", "[trv2]\naddress=784\n");
    CBasicApp app(svc.services, program());
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    ASSERT_TRUE(app.dopplerAvailable());
    EXPECT_EQ(app.dopplerBoard().address(), 0x310);
    EXPECT_EQ(Trv2Board::of(svc.services), &app.dopplerBoard());
    Document* monitor = app.OpenNewDocument(app.templates().findByClass("Ctrv2Doc"));
    ASSERT_NE(dynamic_cast<Ctrv2Doc*>(monitor), nullptr);
    EXPECT_TRUE(static_cast<Ctrv2Doc*>(monitor)->boardPresent());
    app.ExitInstance();
    EXPECT_FALSE(app.dopplerBoard().present()) << "closed at exit";
}

TEST_F(AppTest, CommandLineOpensTheFileOrExportsAVideo) {
    writeFile(dir_ / "clip.zvl", "x");
    {
        CBasicApp app(svc.services, program());
        ASSERT_TRUE(app.InitInstance(&frame, (dir_ / "clip.zvl").string()));
        // A damaged line scan is explained, not opened.
        ASSERT_EQ(prompter.messages().size(), 1u);
        EXPECT_NE(prompter.messages()[0].find("clip.zvl"), std::string::npos) << prompter.messages()[0];
        EXPECT_EQ(std::count(frame.calls.begin(), frame.calls.end(), "startupWindows"), 0);
    }
    frame.calls.clear();
    CBasicApp app(svc.services, program());
    ASSERT_TRUE(app.InitInstance(&frame, "/a " + (dir_ / "clip.dcs").string()));
    ASSERT_GE(frame.calls.size(), 3u);
    EXPECT_EQ(frame.calls[frame.calls.size() - 2], "post:Export uncompressed avi");
    EXPECT_EQ(frame.calls.back(), "close");
}

TEST_F(AppTest, ShowDatabasePostsSelectSubjectOnlyWithADatabase) {
    writeFile(dir_ / "ordavia.ini", "[Settings]\nshowdb=1\n");
    CSubjectDatabase db;
    svc.services.provide<CSubjectDatabase>(&db);
    prompter.pushFolder(dir_.string());
    {
        CBasicApp app(svc.services, program());
        ASSERT_TRUE(app.InitInstance(&frame, ""));
    }
    EXPECT_TRUE(fs::exists(dir_ / "orda.db"));
    EXPECT_EQ(frame.calls, (std::vector<std::string>{"create", "show", "post:Select Subject..."}));
}

// A database that does not open is said once at start-up, naming the file,
// and start-up goes on without it.
TEST_F(AppTest, DatabaseThatDoesNotOpenIsShownOnceAtStartUp) {
    const std::string bad = (dir_ / "orda.db").string();
    writeFile(dir_ / "orda.db", std::string(4096, 'x'));
    writeFile(dir_ / "ordavia.ini", "[Settings]\ndatabase=" + bad + "\n");
    CSubjectDatabase db;
    svc.services.provide<CSubjectDatabase>(&db);
    {
        CBasicApp app(svc.services, program());
        ASSERT_TRUE(app.InitInstance(&frame, ""));
    }
    EXPECT_FALSE(db.isOpen());
    ASSERT_EQ(prompter.messages(), std::vector<std::string>{bad + ": file is not a database"});
    EXPECT_EQ(prompter.asked[0].icon, MsgIcon::Error);
}

// Only files that opened join the recent-file list; pictures go by their
// content, so a TIFF named like a video reaches the picture road.
TEST_F(AppTest, RecentFilesKeepOnlyWhatOpened) {
    CBasicApp app(svc.services, program());
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    const std::string jpg = (dir_ / "cut.jpg").string();
    writeFile(dir_ / "cut.jpg", "\xFF\xD8\xFF");
    frame.foreign = ForeignOpen::Failed;
    app.recentFiles().add(jpg);
    EXPECT_EQ(app.OpenDocumentFile(jpg), nullptr);
    EXPECT_TRUE(app.recentFiles().entries().empty());
    frame.foreign = ForeignOpen::Opened;
    app.OpenDocumentFile(jpg);
    EXPECT_EQ(app.recentFiles().entries(), std::vector<std::string>{jpg});

    writeFile(dir_ / "still.avi", std::string("II*\0", 4) + "rest");
    frame.calls.clear();
    app.OpenDocumentFile((dir_ / "still.avi").string());
    EXPECT_EQ(frame.calls, std::vector<std::string>{"foreign:still.avi"});

    writeFile(dir_ / "bad.cs1", "not an archive");
    prompter.pushMessageAnswer(MsgResult::Ok);
    const size_t asked = prompter.asked.size();
    EXPECT_EQ(app.OpenDocumentFile((dir_ / "bad.cs1").string()), nullptr);
    EXPECT_EQ(app.recentFiles().entries().size(), 2u);
    // The damaged file is told once, as an error naming it.
    ASSERT_EQ(prompter.asked.size(), asked + 1);
    EXPECT_EQ(prompter.asked.back().icon, MsgIcon::Error);
    EXPECT_EQ(prompter.asked.back().text.rfind("Unexpected file format.\n", 0), 0u) << prompter.asked.back().text;
    EXPECT_NE(prompter.asked.back().text.find("bad.cs1"), std::string::npos);
}

// A picture chosen again (from the recent files, say) while its window is
// open brings that window forward; once saved as a document it is a
// document of its own, and the picture opens anew.
TEST_F(AppTest, APictureOpenAlreadyComesForwardInsteadOfACopy) {
    CBasicApp app(svc.services, program());
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    const std::string bmp = (dir_ / "nail.bmp").string();
    ASSERT_TRUE(savePicture(CZVimage(8, 6, 0, CZVimage::kFrame, CZVimage::kGrey), bmp));
    auto pic = std::make_unique<ZBasicDoc>();
    pic->setServices(&svc.services);
    ASSERT_TRUE(pic->importImage(bmp));
    Document* shown = app.AddDocument(std::move(pic));
    frame.calls.clear();
    EXPECT_EQ(app.OpenDocumentFile((dir_ / "." / "nail.bmp").string()), shown);
    EXPECT_EQ(frame.calls, std::vector<std::string>{"activate"});

    shown->SetPathName((dir_ / "nail.zvg").string());
    frame.calls.clear();
    app.OpenDocumentFile(bmp);
    EXPECT_EQ(frame.calls, std::vector<std::string>{"foreign:nail.bmp"});
}

TEST_F(AppTest, ExitAsksOnceAboutSeveralModifiedDocuments) {
    CBasicApp app(svc.services, program());
    ASSERT_TRUE(app.InitInstance(&frame, ""));
    std::vector<Document*> docs;
    for (const char* name : {"a.zv1", "b.zv1", "c.zv1"}) {
        auto d = std::make_unique<Document>();
        d->SetPathName((dir_ / name).string());
        d->SetModifiedFlag(std::string(name) != "c.zv1");
        docs.push_back(app.AddDocument(std::move(d)));
    }
    // Cancel: nothing saved or approved; Discard all: approved, nothing
    // written; Save all: each modified one written.
    prompter.pushMessageAnswer(MsgResult::Cancel);
    EXPECT_FALSE(app.SaveAllModified());
    EXPECT_NE(prompter.messages().back().find("2 documents have unsaved changes"), std::string::npos);
    EXPECT_EQ(prompter.messages().back().find("c.zv1"), std::string::npos);
    prompter.pushMessageAnswer(MsgResult::No);
    EXPECT_TRUE(app.SaveAllModified());
    EXPECT_FALSE(fs::exists(dir_ / "a.zv1"));
    prompter.pushMessageAnswer(MsgResult::Yes);
    EXPECT_TRUE(app.SaveAllModified());
    EXPECT_TRUE(fs::exists(dir_ / "a.zv1") && fs::exists(dir_ / "b.zv1") && !fs::exists(dir_ / "c.zv1"));
    // One modified document is asked about on its own.
    docs[2]->SetModifiedFlag(true);
    prompter.pushMessageAnswer(MsgResult::Cancel);
    EXPECT_FALSE(app.SaveAllModified());
    EXPECT_NE(prompter.messages().back().find("Save changes to"), std::string::npos);
    // Yes with a save that fails: the exit stops and the failure is told
    // once, as an error, after the question.
    docs[2]->SetPathName((dir_ / "gone" / "c.zv1").string());
    prompter.pushMessageAnswer(MsgResult::Yes);
    const size_t asked = prompter.asked.size();
    EXPECT_FALSE(app.SaveAllModified());
    EXPECT_FALSE(app.exitApproved());
    ASSERT_EQ(prompter.asked.size(), asked + 2);
    EXPECT_EQ(prompter.asked.back().icon, MsgIcon::Error);
    EXPECT_EQ(prompter.asked.back().text.rfind("Failed to save document.\n", 0), 0u) << prompter.asked.back().text;
}
