// The local request lines, the private socket folder and the sender.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

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

// A plain Unix listener standing in for the workstation.
struct Listener {
    int fd = -1;
    explicit Listener(const std::string& path) {
        fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        ::unlink(path.c_str());
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(::listen(fd, 4), 0);
    }
    ~Listener() { ::close(fd); }
    // Accepts one connection and reads what it sent; `sameUser` tells what
    // the peer check says of the sender.
    std::string receive(bool* sameUser = nullptr) {
        const int c = ::accept(fd, nullptr, nullptr);
        if (sameUser) *sameUser = localPeerIsThisUser(c);
        std::string got;
        char buf[512];
        ssize_t n;
        while ((n = ::read(c, buf, sizeof buf)) > 0) got.append(buf, size_t(n));
        ::close(c);
        return got;
    }
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
        {"WM_AUTO_LOAD a\tb", false, StatusCode::BadFormat},
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
}

TEST(LocalRequests, SenderWritesOneLineAndTheListenerKnowsItsUser) {
    testsupport::ScratchDir dir("local-send");
    const std::string path = dir / "sock";
    EXPECT_EQ(sendLocalRequest(path, LocalRequests::kAutoLoad, "/a.bmp").code(), StatusCode::NotFound);
    EXPECT_FALSE(localRequestServerAnswers(path));
    Listener l(path);
    ASSERT_TRUE(sendLocalRequest(path, LocalRequests::kAutoLoad, "/data/a b.bmp").ok());
    bool sameUser = false;
    EXPECT_EQ(l.receive(&sameUser), "WM_AUTO_LOAD /data/a b.bmp\n");
    EXPECT_TRUE(sameUser);
    EXPECT_FALSE(sendLocalRequest(path, LocalRequests::kAutoLoad, std::string(300, 'a')).ok());
    EXPECT_EQ(sendLocalRequest(std::string(200, 'p'), LocalRequests::kSaving, "x").code(), StatusCode::OutOfRange);
}
