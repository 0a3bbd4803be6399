#pragma once
// A real DICOM archive for the tests: Orthanc (Debian package "orthanc")
// started on 127.0.0.1 on free ports, with its storage and index in a
// folder of the test's own and a configuration written for it; stopped
// when the object goes. Its REST API is read with a few lines of HTTP.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

namespace dicomtest {

inline const char* orthancProgram() {
    for (const char* p : {"/usr/sbin/Orthanc", "/usr/bin/Orthanc"})
        if (::access(p, X_OK) == 0) return p;
    return nullptr;
}

// A port nobody listens on just now.
inline int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t n = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

// GET on 127.0.0.1:port; the body, or "" when there is no answer or no 200.
inline std::string httpGet(int port, const std::string& target) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
        const std::string req = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::send(s, req.data(), req.size(), 0) == ssize_t(req.size())) {
            char buf[65536];
            ssize_t n;
            while ((n = ::recv(s, buf, sizeof buf, 0)) > 0) reply.append(buf, size_t(n));
        }
    }
    ::close(s);
    const size_t body = reply.find("\r\n\r\n");
    if (reply.compare(0, 12, "HTTP/1.0 200") != 0 && reply.compare(0, 12, "HTTP/1.1 200") != 0) return {};
    return body == std::string::npos ? std::string() : reply.substr(body + 4);
}

class OrthancServer {
public:
    static constexpr const char* kAeTitle = "ORTHANCTEST";

    explicit OrthancServer(const std::filesystem::path& folder) {
        const char* program = orthancProgram();
        if (!program) return;
        dicomPort_ = freePort();
        httpPort_ = freePort();
        std::filesystem::create_directories(folder / "storage");
        const std::string config = (folder / "orthanc.json").string();
        std::ofstream(config) << "{\n"
                              << "  \"Name\": \"ordavia-test\",\n"
                              << "  \"StorageDirectory\": \"" << (folder / "storage").string() << "\",\n"
                              << "  \"IndexDirectory\": \"" << (folder / "storage").string() << "\",\n"
                              << "  \"DicomAet\": \"" << kAeTitle << "\",\n"
                              << "  \"DicomPort\": " << dicomPort_ << ",\n"
                              << "  \"HttpPort\": " << httpPort_ << ",\n"
                              << "  \"RemoteAccessAllowed\": false,\n"
                              << "  \"AuthenticationEnabled\": false,\n"
                              << "  \"DicomCheckCalledAet\": false,\n"
                              << "  \"Plugins\": []\n"
                              << "}\n";
        const std::string log = (folder / "orthanc.log").string();
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&fa, 1, 2);
        char* argv[] = {const_cast<char*>(program), const_cast<char*>(config.c_str()), nullptr};
        if (posix_spawn(&pid_, program, &fa, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        // Ready once the REST API answers; a minute at most.
        for (int i = 0; i < 600 && pid_ > 0 && !running(); ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    ~OrthancServer() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 100 && ::waitpid(pid_, &status, WNOHANG) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (::waitpid(pid_, &status, WNOHANG) == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
    }
    OrthancServer(const OrthancServer&) = delete;
    OrthancServer& operator=(const OrthancServer&) = delete;

    bool running() const { return pid_ > 0 && !httpGet(httpPort_, "/system").empty(); }
    int dicomPort() const { return dicomPort_; }
    std::string get(const std::string& target) const { return httpGet(httpPort_, target); }
    // Entries of a list such as /studies: a JSON array of identifier strings.
    int count(const std::string& what) const {
        const std::string list = get("/" + what);
        return int(std::count(list.begin(), list.end(), '"') / 2);
    }

private:
    pid_t pid_ = -1;
    int dicomPort_ = 0, httpPort_ = 0;
};

}  // namespace dicomtest
