// The frame serves this user's local requests: from a second process
// (ordavia-cli send) and from a raw socket, ignoring junk.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/FrameCommands.h"
#include "app/ui/RequestServer.h"
#include "db/CSubjectDatabase.h"
#include "image/ImageFormats.h"
#include "live/CameraSources.h"
#include "live/ui/ZBasicfgView.h"
#include "measure/ui/MeasureViews.h"
#include "tests/app_ui/FrameFixture.h"
#include "tests/support/CliRun.h"
#include "tests/support/LiveFixture.h"

using namespace ordavia;

namespace {

// Raw bytes on the socket, as a foreign or broken program would write them.
void writeRaw(const std::string& path, const std::string& bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    ::close(fd);
}

class RequestTest : public FrameFixture {
protected:
    static void SetUpTestSuite() {
        FrameFixture::SetUpTestSuite();
        registerMeasureViews();
    }
    // Runs the event loop until the server has handled `n` requests in all.
    bool settle(int n) {
        QElapsedTimer t;
        t.start();
        RequestServer* s = frame_->requestServer();
        while (s->served() + s->refused() < n && t.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 20);
        return s->served() + s->refused() >= n;
    }
    // Starts logging and serving requests on a socket in the test folder.
    std::string listen() {
        DebugLog::setFile((dir_ / "zv.log").string());
        DebugLog::setEnabled(true);
        const std::string sock = (dir_ / "FENWYR").string();
        EXPECT_TRUE(frame_->listenForRequests(sock).ok());
        return sock;
    }
    std::string log() {
        std::ifstream f(DebugLog::file());
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
};

}  // namespace

TEST_F(RequestTest, AutoLoadFromASecondProcessOpensThenReusesOneWindowAndJunkIsIgnored) {
    ASSERT_TRUE(start());
    const std::string sock = listen();
    // A second listener on the same socket leaves the first alone.
    RequestServer second([](const LocalRequest&) { return true; });
    EXPECT_EQ(second.listen(sock).code(), StatusCode::AlreadyExists);

    const std::string a = picture("a.bmp"), b = picture("b.bmp", 80);
    clitest::CliRun r = clitest::cli("send autoload " + a + " --socket " + sock, dir_);
    ASSERT_EQ(r.code, 0) << r.out;
    ASSERT_TRUE(settle(1));
    ASSERT_EQ(app_->documents().size(), 1u);
    Document* doc = frame_->autoLoadDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetTitle(), "a.bmp");
    // The next picture goes into the same window.
    ASSERT_EQ(clitest::cli("send autoload " + b + " --socket " + sock, dir_).code, 0);
    ASSERT_TRUE(settle(2));
    ASSERT_EQ(app_->documents().size(), 1u);
    EXPECT_EQ(frame_->autoLoadDocument()->GetTitle(), "b.bmp");

    // Junk, an unknown request, a control character and an endless line:
    // nothing opens, nothing is lost, and the log says why.
    writeRaw(sock, "hello there\nWM_QUIT now\nWM_AUTO_LOAD a\x01" "b\n");
    writeRaw(sock, std::string(4000, 'x'));
    ASSERT_TRUE(settle(6));
    EXPECT_EQ(frame_->requestServer()->refused(), 4);
    EXPECT_EQ(app_->documents().size(), 1u);
    // Freeze and save without a live video window: ignored, and logged.
    ASSERT_EQ(clitest::cli("send freeze-save --socket " + sock, dir_).code, 0);
    ASSERT_TRUE(settle(7));
    const std::string text = log();
    EXPECT_NE(text.find("local request WM_AUTO_LOAD " + a + ": served"), std::string::npos) << text;
    EXPECT_NE(text.find("local request WM_FREEZE_SAVE : ignored"), std::string::npos) << text;
    EXPECT_NE(text.find("local request ignored: unknown request"), std::string::npos) << text;
    EXPECT_NE(text.find("local request refused: line too long"), std::string::npos) << text;

    // With nobody listening the sender says so and fails.
    clitest::CliRun none = clitest::cli("send autoload " + a + " --socket " + (dir_ / "nobody").string(), dir_);
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.out.find("no workstation is listening"), std::string::npos) << none.out;
}

// A freeze-and-save request from another process reaches the live video
// window, which saves its picture into the current examination's folder and
// announces the file.
TEST_F(RequestTest, FreezeSaveFromASecondProcessSavesTheLivePictureIntoTheExamination) {
    registerLiveViews();
    const std::string program = (dir_ / "program").string();
    std::filesystem::create_directories(program);
    ASSERT_TRUE(savePicture(testsupport::livePicture(320, 240, CZVimage::kGrey), program + "/pseudo.bmp").ok());
    svc.services.programFolder = program + "/";
    svc.profile.SetPath((dir_ / "p.ini").string());
    CameraSources cameras(svc.services);
    CSubjectDatabase db;
    svc.services.provide<CSubjectDatabase>(&db);
    ASSERT_TRUE(start());
    // The examination chosen after start-up.
    ASSERT_TRUE(db.openPath((dir_ / "orda.db").string(), svc.prompter));
    std::filesystem::create_directories(dir_ / "1001-AB12-left_ring");
    db.setCurrentSubject("AB12", "Ann Smith");
    db.setCurrentExam(1001, "1001-AB12-left_ring");
    const std::string sock = listen();
    frame_->commands().liveVideo();
    ASSERT_EQ(app_->documents().size(), 1u) << "the live video window";
    svc.timers.advance(200);  // a few camera frames

    ASSERT_EQ(clitest::cli("send freeze-save --socket " + sock, dir_).code, 0);
    ASSERT_TRUE(settle(1));
    // The live window announces the saved picture back to the workstation.
    settle(2);
    std::vector<std::string> saved;
    for (const auto& e : std::filesystem::directory_iterator(dir_ / "1001-AB12-left_ring")) saved.push_back(e.path().string());
    const std::string text = log();
    ASSERT_EQ(saved.size(), 1u) << text;
    EXPECT_NE(text.find("local request WM_FREEZE_SAVE : served"), std::string::npos) << text;
    EXPECT_NE(text.find("local request WM_SAVING " + saved[0] + ": served"), std::string::npos) << text;
    frame_->closeLiveVideo();
    svc.services.provide<CSubjectDatabase>(nullptr);
}
