#include "framework/LocalRequests.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "base/FileIO.h"

namespace ordavia {

namespace {

bool knownMessage(std::string_view m) {
    return m == LocalRequests::kFreezeSave || m == LocalRequests::kAutoLoad || m == LocalRequests::kSaving;
}

Status checkPath(std::string_view message, std::string_view path) {
    if (path.size() > LocalRequests::kMaxPath)
        return Status::failure(StatusCode::OutOfRange, "the file name is longer than 260 characters");
    for (unsigned char c : path)
        if (c < 0x20 || c == 0x7f) return Status::failure(StatusCode::BadFormat, "the file name holds a control character");
    if (path.empty() && message != LocalRequests::kFreezeSave)
        return Status::failure(StatusCode::BadFormat, std::string(message) + " needs a file name");
    return {};
}

// A folder only this user may enter: owned by us, a real folder (not a link),
// no group or other permissions.
Status checkPrivateFolder(const std::string& dir) {
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) return errnoStatus(dir, errno);
    if (!S_ISDIR(st.st_mode)) return Status::failure(dir + " is not a folder");
    if (st.st_uid != ::getuid()) return Status::failure(dir + " belongs to another user");
    if ((st.st_mode & 077) != 0) return Status::failure(dir + " may be entered by other users");
    return {};
}

Result<std::string> makePrivateFolder(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return errnoStatus(dir, errno);
    if (Status s = checkPrivateFolder(dir); !s) return s;
    return dir;
}

bool waitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    int r;
    do r = ::poll(&p, 1, timeoutMs);
    while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & events) != 0;
}

}  // namespace

Result<std::string> localRequestLine(const std::string& message, const std::string& path) {
    if (!knownMessage(message)) return Status::failure(StatusCode::Unsupported, "unknown request " + message);
    if (Status s = checkPath(message, path); !s) return s;
    return message + " " + path + "\n";
}

Result<LocalRequest> parseLocalRequest(std::string_view line) {
    if (line.size() > LocalRequests::kMaxLine) return Status::failure(StatusCode::BadFormat, "the request is too long");
    const size_t space = line.find(' ');
    const std::string_view message = line.substr(0, space);
    if (!knownMessage(message)) return Status::failure(StatusCode::BadFormat, "unknown request");
    const std::string_view path = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    if (Status s = checkPath(message, path); !s) return s;
    return LocalRequest{std::string(message), std::string(path)};
}

Result<std::string> localRequestFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
        if (checkPrivateFolder(runtime)) return makePrivateFolder(std::string(runtime) + "/ordavia");
    }
    return makePrivateFolder("/tmp/ordavia-" + std::to_string(::getuid()));
}

Result<std::string> localRequestSocketPath() {
    Result<std::string> dir = localRequestFolder();
    if (!dir) return dir.status();
    return dir.value() + "/" + LocalRequests::kSocketName;
}

namespace {

// A connected socket to `socketPath`, or why there is none.
Result<int> connectLocal(const std::string& socketPath, int timeoutMs) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof(addr.sun_path))
        return Status::failure(StatusCode::OutOfRange, "the socket path is too long: " + socketPath);
    std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return errnoStatus("socket", errno);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        const int err = errno;
        if (err == EINPROGRESS || err == EAGAIN) {
            if (waitFor(fd, POLLOUT, timeoutMs)) return fd;
            ::close(fd);
            return Status::failure(StatusCode::IoError, "the workstation did not answer at " + socketPath);
        }
        ::close(fd);
        if (err == ENOENT || err == ECONNREFUSED)
            return Status::failure(StatusCode::NotFound, "no workstation is listening at " + socketPath);
        return errnoStatus(socketPath, err);
    }
    return fd;
}

}  // namespace

bool localRequestServerAnswers(const std::string& socketPath, int timeoutMs) {
    Result<int> fd = connectLocal(socketPath, timeoutMs);
    if (!fd) return false;
    ::close(fd.value());
    return true;
}

namespace {

Status writeAll(int fd, const std::string& text, const std::string& socketPath, int timeoutMs) {
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += size_t(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitFor(fd, POLLOUT, timeoutMs))
                return Status::failure(StatusCode::IoError, "the workstation did not take the request");
        } else {
            return errnoStatus(socketPath, errno);
        }
    }
    return {};
}

struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
};

// The next line from `fd` within `timeoutMs` (without its '\n'); nullopt
// on a timeout, the end of the connection, or a line longer than any answer.
std::optional<std::string> readLine(int fd, std::string& buffer, int timeoutMs) {
    for (;;) {
        if (const size_t nl = buffer.find('\n'); nl != std::string::npos) {
            std::string line = buffer.substr(0, nl);
            buffer.erase(0, nl + 1);
            return line;
        }
        if (buffer.size() > LocalRequests::kMaxLine) return std::nullopt;
        if (!waitFor(fd, POLLIN, timeoutMs)) return std::nullopt;
        char chunk[512];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return std::nullopt;
        buffer.append(chunk, size_t(n));
    }
}

}  // namespace

Status sendLocalRequest(const std::string& socketPath, const std::string& message, const std::string& path,
                        int timeoutMs) {
    Result<std::string> line = localRequestLine(message, path);
    if (!line) return line.status();
    Result<int> connected = connectLocal(socketPath, timeoutMs);
    if (!connected) return connected.status();
    FdCloser closer{connected.value()};
    return writeAll(closer.fd, line.value(), socketPath, timeoutMs);
}

Result<LocalAnswer> requestLocal(const std::string& socketPath, const std::string& message, const std::string& path,
                                 int ackMs, int answerMs) {
    Result<std::string> line = localRequestLine(message, path);
    if (!line) return line.status();
    Result<int> connected = connectLocal(socketPath, ackMs);
    if (!connected) return connected.status();
    FdCloser closer{connected.value()};
    if (Status s = writeAll(closer.fd, line.value(), socketPath, ackMs); !s) return s;
    std::string buffer;
    LocalAnswer answer;
    std::optional<std::string> first = readLine(closer.fd, buffer, ackMs);
    // Silence: a workstation that reads requests but does not answer them.
    if (!first) return answer;
    answer.answered = true;
    if (*first == LocalRequests::kQueued) {
        first = readLine(closer.fd, buffer, answerMs);
        if (!first)
            return Status::failure(StatusCode::IoError,
                                   "the workstation took the request but gave no answer within " +
                                       std::to_string((answerMs + 999) / 1000) + " s");
    }
    answer.result = parseLocalAnswer(*first);
    return answer;
}

std::vector<std::string> localReceiverSockets(const std::string& list, const std::string& folder,
                                              const std::string& self) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of(";,", start);
        if (end == std::string::npos) end = list.size();
        std::string name = list.substr(start, end - start);
        const size_t first = name.find_first_not_of(" \t");
        name = first == std::string::npos ? std::string() : name.substr(first, name.find_last_not_of(" \t") - first + 1);
        std::string path;
        if (name == LocalRequests::kSocketName) path = self;
        else if (name.find('/') != std::string::npos) path = name;
        else if (!name.empty() && !folder.empty()) path = folder + "/" + name;
        if (!path.empty() && std::find(out.begin(), out.end(), path) == out.end()) out.push_back(path);
        start = end + 1;
    }
    return out;
}

std::string localAnswerLine(const Status& done) {
    if (done) return std::string(LocalRequests::kOk) + "\n";
    std::string reason = done.reason();
    for (char& c : reason)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    if (reason.size() > LocalRequests::kMaxLine - 16) reason.resize(LocalRequests::kMaxLine - 16);
    return std::string(LocalRequests::kError) + " " + reason + "\n";
}

Status parseLocalAnswer(std::string_view line) {
    if (line == LocalRequests::kOk) return {};
    const std::string error = std::string(LocalRequests::kError) + " ";
    if (line.substr(0, error.size()) == error && line.size() > error.size())
        return Status::failure(std::string(line.substr(error.size())));
    return Status::failure(StatusCode::BadFormat, "the workstation gave an answer this program does not read");
}

bool localPeerIsThisUser(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == ::getuid();
}

}  // namespace ordavia
