#include "framework/LocalRequests.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

Status sendLocalRequest(const std::string& socketPath, const std::string& message, const std::string& path,
                        int timeoutMs) {
    Result<std::string> line = localRequestLine(message, path);
    if (!line) return line.status();
    Result<int> connected = connectLocal(socketPath, timeoutMs);
    if (!connected) return connected.status();
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{connected.value()};
    const int fd = closer.fd;
    const std::string& text = line.value();
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

bool localPeerIsThisUser(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == ::getuid();
}

}  // namespace ordavia
