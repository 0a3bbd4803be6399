// The local request lines and the private socket folder; the sender and
// the listener are checked end to end by the workstation's request tests.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "framework/LocalRequests.h"
#include "tests/support/ScratchDir.h"

using namespace ordavia;

namespace {

struct Env {
    std::string name, old;
    bool had;
    Env(const char* n, const std::string& v) : name(n) {
        const char* o = std::getenv(n);
        had = o != nullptr;
        if (had) old = o;
        ::setenv(n, v.c_str(), 1);
    }
    ~Env() { had ? ::setenv(name.c_str(), old.c_str(), 1) : ::unsetenv(name.c_str()); }
};

}  // namespace

TEST(LocalRequests, LinesAreCheckedTheSameWayBothWays) {
    struct Case {
        std::string line;
        bool ok;
        StatusCode code;
    };
    const std::string longest(LocalRequests::kMaxPath, 'a');
    const std::vector<Case> cases = {
        {"WM_FREEZE_SAVE /data/snap1.zvg", true, StatusCode::Ok},
        {"WM_FREEZE_SAVE", true, StatusCode::Ok},  // a name of its own
        {"WM_FREEZE_SAVE ", true, StatusCode::Ok},
        {"WM_AUTO_LOAD /data/a picture.bmp", true, StatusCode::Ok},
        {"WM_SAVING /data/x.zvg", true, StatusCode::Ok},
        {"WM_AUTO_LOAD " + longest, true, StatusCode::Ok},
        {"WM_AUTO_LOAD " + longest + "a", false, StatusCode::OutOfRange},
        {"WM_AUTO_LOAD", false, StatusCode::BadFormat},
        {"WM_AUTO_LOAD a\rb", false, StatusCode::BadFormat},
        {"WM_QUIT now", false, StatusCode::BadFormat},
        {"wm_auto_load /a.bmp", false, StatusCode::BadFormat},
        {"", false, StatusCode::BadFormat},
        {std::string(5000, 'x'), false, StatusCode::BadFormat},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 40));
        Result<LocalRequest> r = parseLocalRequest(c.line);
        EXPECT_EQ(r.ok(), c.ok) << r.reason();
        if (!c.ok) {
            EXPECT_EQ(r.code(), c.code);
        } else {
            // What parses is what a sender may write, and reads back the same.
            Result<std::string> line = localRequestLine(r->message, r->path);
            ASSERT_TRUE(line.ok()) << line.reason();
            Result<LocalRequest> again = parseLocalRequest(line.value().substr(0, line.value().size() - 1));
            ASSERT_TRUE(again.ok());
            EXPECT_EQ(again->path, r->path);
        }
    }
    EXPECT_EQ(localRequestLine("WM_DESTROY", "x").code(), StatusCode::Unsupported);
    EXPECT_FALSE(localRequestLine(LocalRequests::kAutoLoad, "a\nWM_FREEZE_SAVE b").ok()) << "one line, one request";

    // Answers: a reason of several lines travels as one and reads back.
    const Status failed = Status::failure("Could not load image\nno such file");
    const std::string answer = localAnswerLine(failed);
    EXPECT_EQ(answer, "error Could not load image no such file\n");
    EXPECT_EQ(parseLocalAnswer(answer.substr(0, answer.size() - 1)).reason(), "Could not load image no such file");
    EXPECT_TRUE(parseLocalAnswer("ok").ok());
    EXPECT_EQ(parseLocalAnswer("error").code(), StatusCode::BadFormat);

    // Receivers of the saving notice: this workstation, programs by name in
    // the private folder, sockets by path; blanks and repeats dropped.
    EXPECT_EQ(localReceiverSockets("FENWYR; labnotes ,, /run/x/sock;labnotes", "/f", "/self/FENWYR"),
              (std::vector<std::string>{"/self/FENWYR", "/f/labnotes", "/run/x/sock"}));
    EXPECT_TRUE(localReceiverSockets("FENWYR", "/f", "").empty()) << "not listening: not told";
}

TEST(LocalRequests, TheSocketFolderIsPrivateOrRefused) {
    testsupport::ScratchDir dir("local-requests");
    const std::string runtime = dir / "run";
    ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
    {
        Env env("XDG_RUNTIME_DIR", runtime);
        Result<std::string> sock = localRequestSocketPath();
        ASSERT_TRUE(sock.ok()) << sock.reason();
        EXPECT_EQ(sock.value(), runtime + "/ordavia/FENWYR");
        struct stat st {};
        ASSERT_EQ(::stat((runtime + "/ordavia").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        // A folder others may enter is not used as it stands.
        ASSERT_EQ(::chmod((runtime + "/ordavia").c_str(), 0755), 0);
        EXPECT_FALSE(localRequestSocketPath().ok());
    }
    // A runtime folder others may enter is passed over for the private one in /tmp.
    ASSERT_EQ(::chmod(runtime.c_str(), 0777), 0);
    Env env("XDG_RUNTIME_DIR", runtime);
    Result<std::string> fallback = localRequestFolder();
    ASSERT_TRUE(fallback.ok()) << fallback.reason();
    EXPECT_EQ(fallback.value(), "/tmp/ordavia-" + std::to_string(::getuid()));
    // A socket that is not there, or whose path cannot be a socket's, is an error.
    EXPECT_EQ(sendLocalRequest(runtime + "/none", LocalRequests::kAutoLoad, "/a.bmp").code(), StatusCode::NotFound);
    EXPECT_EQ(sendLocalRequest(std::string(200, 'p'), LocalRequests::kSaving, "x").code(), StatusCode::OutOfRange);
}
