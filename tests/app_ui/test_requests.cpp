// The frame serves this user's local requests: from a second process
// (ordavia-cli send) and from a raw socket, ignoring junk.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QStatusBar>
#include <QTimer>
#include <thread>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/FrameCommands.h"
#include "app/ui/RequestServer.h"
#include "db/CSubjectDatabase.h"
#include "image/ImageFormats.h"
#include "live/CameraSources.h"
#include "live/ui/ZBasicfgView.h"
#include "measure/ZBasicDoc.h"
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
    // ordavia-cli send, answered by this process's workstation.
    clitest::CliRun send(const std::string& args) {
        return clitest::cliWhile("send " + args, dir_, [] { QApplication::processEvents(QEventLoop::AllEvents, 10); });
    }
};

// Answers a message box the way a modal one does: the event loop runs
// (sockets read, disconnect, get deleted) until it is closed.
struct ModalLikePrompter : ScriptedPrompter {
    int depth = 0, deepest = 0;
    MsgResult messageBox(const std::string& text, MsgButtons b, MsgIcon i, const std::string& c) override {
        deepest = std::max(deepest, ++depth);
        QEventLoop loop;
        QTimer::singleShot(30, &loop, &QEventLoop::quit);
        loop.exec();
        --depth;
        return ScriptedPrompter::messageBox(text, b, i, c);
    }
};

}  // namespace

TEST_F(RequestTest, AutoLoadFromASecondProcessOpensThenReusesOneWindowAndJunkIsIgnored) {
    ASSERT_TRUE(start());
    const std::string sock = listen();
    // A second listener on the same socket leaves the first alone.
    RequestServer second([](const LocalRequest&) { return Status(); });
    EXPECT_EQ(second.listen(sock).code(), StatusCode::AlreadyExists);

    const std::string a = picture("a.bmp"), b = picture("b.bmp", 80);
    clitest::CliRun r = send("autoload " + a + " --socket " + sock);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out, "done WM_AUTO_LOAD " + a + "\n");
    ASSERT_TRUE(settle(1));
    ASSERT_EQ(app_->documents().size(), 1u);
    Document* doc = frame_->autoLoadDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetTitle(), "a.bmp");
    // The next picture goes into the same window.
    ASSERT_EQ(send("autoload " + b + " --socket " + sock).code, 0);
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
    // Freeze and save without a live video window: the sender hears why
    // and fails, and the log says so too.
    clitest::CliRun frozen = send("freeze-save --socket " + sock);
    EXPECT_EQ(frozen.code, 1);
    EXPECT_NE(frozen.out.find("there is no live video window"), std::string::npos) << frozen.out;
    ASSERT_TRUE(settle(7));
    const std::string text = log();
    EXPECT_NE(text.find("local request WM_AUTO_LOAD " + a + ": served"), std::string::npos) << text;
    EXPECT_NE(text.find("local request WM_FREEZE_SAVE : ignored: there is no live video window"), std::string::npos) << text;
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
    ASSERT_TRUE(db.openPath((dir_ / "orda.db").string()));
    std::filesystem::create_directories(dir_ / "1001-AB12-left_ring");
    db.setCurrentSubject("AB12", "Ann Smith");
    db.setCurrentExam(1001, "1001-AB12-left_ring");
    const std::string sock = listen();
    frame_->commands().liveVideo();
    ASSERT_EQ(app_->documents().size(), 1u) << "the live video window";
    svc.timers.advance(200);  // a few camera frames

    ASSERT_EQ(send("freeze-save --socket " + sock).code, 0);
    ASSERT_TRUE(settle(1));
    // The live window announces the saved picture back to the workstation.
    settle(2);
    std::vector<std::string> saved;
    for (const auto& e : std::filesystem::directory_iterator(dir_ / "1001-AB12-left_ring")) saved.push_back(e.path().string());
    const std::string text = log();
    ASSERT_EQ(saved.size(), 1u) << text;
    // Without a base name the picture is named after the subject and examination.
    EXPECT_EQ(std::filesystem::path(saved[0]).filename().string().rfind("AB12-1001-", 0), 0u) << saved[0];
    EXPECT_EQ(frame_->statusBar()->currentMessage().toStdString(), "Saved " + saved[0]);
    // Save Image prepares the examination's folder inside the data folder,
    // never a folder of that name wherever the program was started.
    frame_->commands().saveImage();
    EXPECT_EQ(svc.profile.GetString("directories", "recorddir", ""), (dir_ / "1001-AB12-left_ring").string());
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "1001-AB12-left_ring"));
    EXPECT_NE(text.find("local request WM_FREEZE_SAVE : served"), std::string::npos) << text;
    EXPECT_NE(text.find("local request WM_SAVING " + saved[0] + ": served"), std::string::npos) << text;
    frame_->closeLiveVideo();
    svc.services.provide<CSubjectDatabase>(nullptr);
}

// An auto-load that fails, from a sender that is gone before the answer,
// many times over: served one at a time outside the socket's handler, no
// box per request (the user gets one notice), nothing freed is touched.
TEST_F(RequestTest, FailingRequestsFromSendersThatLeaveAreServedOneAtATimeWithOneNotice) {
    ModalLikePrompter modal;
    svc.services.prompterPtr = &modal;
    ASSERT_TRUE(start());
    const std::string sock = listen();
    QApplication::processEvents();  // the start-up notice about the Doppler board
    modal.deepest = 0;
    const int n = 300;
    for (int i = 0; i < n; ++i) {
        writeRaw(sock, "WM_AUTO_LOAD " + (dir_ / "missing.bmp").string() + "\n");
        QApplication::processEvents();  // the connection is taken, as a running frame takes it
    }
    ASSERT_TRUE(settle(n));
    QApplication::processEvents();
    EXPECT_EQ(frame_->requestServer()->served(), n);
    EXPECT_EQ(frame_->requestServer()->deepestServing(), 1);
    EXPECT_EQ(modal.deepest, 0) << "no box per request";
    EXPECT_TRUE(app_->documents().empty());
    QWidget* notice = frame_->requestFailureNotice();
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isModal());
    EXPECT_EQ(frame_->findChildren<QMessageBox*>().size(), 1);

    // The sender hears the reason and fails; a good picture is done.
    clitest::CliRun r = send("autoload " + (dir_ / "missing.bmp").string() + " --socket " + sock);
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("Could not load image"), std::string::npos) << r.out;
    EXPECT_EQ(send("autoload " + picture("good.bmp") + " --socket " + sock + " --json").code, 0);
    EXPECT_EQ(app_->documents().size(), 1u);
    svc.services.prompterPtr = &svc.prompter;

    // A workstation of an earlier version reads requests and never answers:
    // the request was sent, and that is all the sender can say.
    const std::string old = (dir_ / "old").string();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, old.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(fd, 1), 0);
    std::thread peer([fd] {
        const int c = ::accept(fd, nullptr, nullptr);
        char buf[512];
        while (::read(c, buf, sizeof buf) > 0) {
        }
        ::close(c);
    });
    clitest::CliRun quiet = clitest::cli("send saving /x.cs1 --socket " + old, dir_);
    peer.join();
    ::close(fd);
    EXPECT_EQ(quiet.code, 0);
    EXPECT_NE(quiet.out.find("sent (the workstation does not answer requests)"), std::string::npos) << quiet.out;
}

// An image marker names its picture by a bare number; the live video saved
// it as "<examination folder>/<number>.cs1". Loading it back finds it, and
// a modified auto-load picture is never replaced.
TEST_F(RequestTest, AMarkersBareNumberLoadsItsPictureFromTheExaminationFolder) {
    CSubjectDatabase db;
    svc.services.provide<CSubjectDatabase>(&db);
    ASSERT_TRUE(start());
    ASSERT_TRUE(db.openPath((dir_ / "orda.db").string()));
    std::filesystem::create_directories(dir_ / "1001-AB12-left_ring");
    db.setCurrentSubject("AB12", "Ann Smith");
    db.setCurrentExam(1001, "1001-AB12-left_ring");
    {
        ZBasicDoc saved;
        saved.setServices(&svc.services);
        ASSERT_TRUE(saved.OnNewDocument());
        ASSERT_TRUE(saved.importImage(picture("p.bmp")));
        ASSERT_TRUE(saved.OnSaveDocument((dir_ / "1001-AB12-left_ring" / "5f3a.cs1").string()));
    }
    listen();
    ASSERT_TRUE(frame_->serveRequest({LocalRequests::kAutoLoad, "5f3a"}).ok());
    Document* first = frame_->autoLoadDocument();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetPathName(), (dir_ / "1001-AB12-left_ring" / "5f3a.cs1").string());
    first->SetModifiedFlag(true);
    ASSERT_TRUE(frame_->serveRequest({LocalRequests::kAutoLoad, picture("q.bmp")}).ok());
    EXPECT_EQ(app_->documents().size(), 2u) << "the modified picture keeps its window";
    EXPECT_NE(frame_->autoLoadDocument(), first);
    svc.services.provide<CSubjectDatabase>(nullptr);
}
