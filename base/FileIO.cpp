#include "base/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/Paths.h"

FileResult readFileBytes(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes) {
    FileResult r;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        r.error = path + ": " + std::strerror(errno);
        return r;
    }
    struct stat st {};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        r.error = path + ": not a regular file";
        return r;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        std::fclose(f);
        r.error = path + ": file too large";
        return r;
    }
    out.resize(static_cast<size_t>(st.st_size));
    const size_t got = out.empty() ? 0 : std::fread(out.data(), 1, out.size(), f);
    std::fclose(f);
    if (got != out.size()) {
        out.clear();
        r.error = path + ": read error";
        return r;
    }
    r.ok = true;
    return r;
}

FileResult writeFileAtomically(const std::string& path, const void* data, size_t size) {
    FileResult r;
    std::string tmpl = joinPath(folderOf(path).empty() ? "." : folderOf(path), "." + fileNameOf(path) + ".XXXXXX");
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        r.error = path + ": " + std::strerror(errno);
        return r;
    }
    const auto* p = static_cast<const char*>(data);
    size_t left = size;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            r.error = path + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(name.data());
            return r;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    // Keep the permissions of the file being replaced, else the usual 0644.
    struct stat st {};
    const mode_t mode = (::stat(path.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        r.error = path + ": " + std::strerror(errno);
        ::unlink(name.data());
        return r;
    }
    if (std::rename(name.data(), path.c_str()) != 0) {
        r.error = path + ": " + std::strerror(errno);
        ::unlink(name.data());
        return r;
    }
    r.ok = true;
    return r;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
