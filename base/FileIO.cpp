#include "base/FileIO.h"

#include "base/RegularFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/FileIOTesting.h"
#include "base/Paths.h"

namespace ordavia {

namespace {

FsyncFunction g_fsync = nullptr;
int doFsync(int fd) { return g_fsync ? g_fsync(fd) : ::fsync(fd); }

std::string folderFor(const std::string& path) {
    const std::string f = folderOf(path);
    return f.empty() ? std::string(".") : f;
}

// Removes ".NAME.XXXXXX" files beside the target whose writer has gone: the
// writer holds an exclusive lock for as long as it writes, so a lock we can
// take means nobody will ever rename that file.
void removeStaleTemps(const std::string& target) {
    const std::string folder = folderFor(target);
    const std::string prefix = "." + fileNameOf(target) + ".";
    DIR* d = ::opendir(folder.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string full = joinPath(folder, name);
        const int fd = ::open(full.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(full.c_str());
        ::close(fd);
    }
    ::closedir(d);
}

}  // namespace

void setFsyncForTesting(FsyncFunction f) { g_fsync = f; }

StatusCode errnoCode(int err) {
    switch (err) {
        case ENOSPC:
        case EDQUOT: return StatusCode::NoSpace;
        case ENOMEM: return StatusCode::NoMemory;
        case ENOENT:
        case ENOTDIR: return StatusCode::NotFound;
        case EEXIST: return StatusCode::AlreadyExists;
        default: return StatusCode::IoError;
    }
}

Status errnoStatus(const std::string& path, int err) {
    return Status::failure(errnoCode(err), path + ": " + std::strerror(err));
}

Status writeAll(int fd, const void* data, size_t n, int64_t pos) {
    const auto* p = static_cast<const uint8_t*>(data);
    while (n > 0) {
        const ssize_t k = pos < 0 ? ::write(fd, p, n) : ::pwrite(fd, p, n, off_t(pos));
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) {
            // A write that takes nothing and gives no reason has met a full disc.
            const int err = k < 0 ? errno : ENOSPC;
            Status failed = Status::failure(errnoCode(err), std::strerror(err));
            errno = err;
            return failed;
        }
        p += k;
        n -= size_t(k);
        if (pos >= 0) pos += k;
    }
    return Status::success();
}

Result<SaveTemp> openSaveTemp(const std::string& target) {
    removeStaleTemps(target);
    std::string tmpl = joinPath(folderFor(target), "." + fileNameOf(target) + ".XXXXXX");
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return errnoStatus(target, errno);
    // Marks the file as being written, for removeStaleTemps of other processes.
    ::flock(fd, LOCK_EX | LOCK_NB);
    return SaveTemp{fd, std::string(name.data()), target};
}

void abandonSaveTemp(SaveTemp& t) {
    if (t.fd >= 0) ::close(t.fd);
    t.fd = -1;
    if (!t.tempPath.empty()) ::unlink(t.tempPath.c_str());
    t.tempPath.clear();
}

mode_t newFileMode(const std::string& path) {
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(folderFor(path).c_str(), &st) == 0) {
        if (!(st.st_mode & S_IXGRP)) mode &= ~mode_t(0070);
        if (!(st.st_mode & S_IXOTH)) mode &= ~mode_t(0007);
    }
    return mode;
}

namespace {
// The permissions of the file being replaced, else those of a new one.
mode_t modeFor(const std::string& target) {
    struct stat st {};
    return ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : newFileMode(target);
}
}  // namespace

Status commitSaveTemp(SaveTemp& t, mode_t mode) {
    if (mode == 0) mode = modeFor(t.target);
    ::fchmod(t.fd, mode);
    if (doFsync(t.fd) != 0) {
        const int err = errno;
        abandonSaveTemp(t);
        return errnoStatus(t.target, err);
    }
    const int fd = t.fd;
    t.fd = -1;
    if (::close(fd) != 0) {
        const int err = errno;
        abandonSaveTemp(t);
        return errnoStatus(t.target, err);
    }
    if (std::rename(t.tempPath.c_str(), t.target.c_str()) != 0) {
        const int err = errno;
        abandonSaveTemp(t);
        return errnoStatus(t.target, err);
    }
    t.tempPath.clear();
    // The rename lives in the folder: flush it too. Some file systems refuse
    // to flush a folder; the file itself is safe by then.
    const int dfd = ::open(folderFor(t.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return Status::success();
}

Status checkRegularFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errnoStatus(path, errno);
    if (!S_ISREG(st.st_mode)) return Status::failure(path + ": not a regular file");
    return Status::success();
}

Status openRegularFile(const std::string& path, int& fd, uint64_t& size) {
    fd = -1;
    if (Status s = checkRegularFile(path); !s) return s;
    const int f = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (f < 0) return errnoStatus(path, errno);
    struct stat st {};
    if (::fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(f);
        return Status::failure(path + ": not a regular file");
    }
    fd = f;
    size = static_cast<uint64_t>(st.st_size);
    return Status::success();
}

Status readFileBytes(const std::string& path, std::vector<uint8_t>& out, uint64_t maxBytes) {
    int fd = -1;
    uint64_t size = 0;
    if (Status s = openRegularFile(path, fd, size); !s) return s;
    if (size > maxBytes) {
        ::close(fd);
        return Status::failure(path + ": file too large (" + std::to_string(size) + " bytes, at most " +
                               std::to_string(maxBytes) + ")");
    }
    try {
        out.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        out.clear();
        return Status::failure(path + ": not enough memory to read the file");
    }
    size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : 0;
            ::close(fd);
            out.clear();
            return err ? errnoStatus(path, err) : Status::failure(path + ": file shrank while being read");
        }
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    return Status::success();
}

Status writeFileAtomically(const std::string& path, const void* data, size_t size, mode_t mode) {
    auto temp = openSaveTemp(path);
    if (!temp) return temp.status();
    SaveTemp& t = *temp;
    const Status written = writeAll(t.fd, data, size);
    if (!written) {
        abandonSaveTemp(t);
        return written.context(path);
    }
    return commitSaveTemp(t, mode);
}

namespace {

void removeFolder(const std::string& folder) {
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") ::unlink(joinPath(folder, name).c_str());
        }
        ::closedir(d);
    }
    ::rmdir(folder.c_str());
}

// Private folders of sets whose writer has gone (its lock is free).
void removeStaleSets(const std::string& target) {
    const std::string folder = folderFor(target);
    const std::string prefix = "." + fileNameOf(target) + ".";
    DIR* d = ::opendir(folder.c_str());
    if (!d) return;
    std::vector<std::string> stale;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string full = joinPath(folder, name);
        const int fd = ::open(full.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) stale.push_back(full);
        ::close(fd);
    }
    ::closedir(d);
    for (const std::string& f : stale) removeFolder(f);
}

}  // namespace

std::string SaveSet::stage(const std::string& target) {
    const std::string staged = joinPath(folder, fileNameOf(target));
    files.emplace_back(staged, target);
    return staged;
}

Result<SaveSet> openSaveSet(const std::string& firstTarget) {
    removeStaleSets(firstTarget);
    std::string tmpl = joinPath(folderFor(firstTarget), "." + fileNameOf(firstTarget) + ".XXXXXX");
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) return errnoStatus(firstTarget, errno);
    SaveSet set;
    set.folder = name.data();
    set.fd = ::open(set.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (set.fd >= 0) ::flock(set.fd, LOCK_EX | LOCK_NB);
    return set;
}

void abandonSaveSet(SaveSet& set) {
    if (!set.folder.empty()) removeFolder(set.folder);
    if (set.fd >= 0) ::close(set.fd);
    set.fd = -1;
    set.folder.clear();
    set.files.clear();
}

Status commitSaveSet(SaveSet& set) {
    // Every staged file must be complete before the first one is renamed.
    for (const auto& [staged, target] : set.files) {
        struct stat st {};
        if (::stat(staged.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
            const Status s = Status::failure(StatusCode::IoError, target + ": was not written");
            abandonSaveSet(set);
            return s;
        }
    }
    // A target that cannot be replaced (a folder, say) stops the set before
    // any of its files has moved.
    for (const auto& [staged, target] : set.files) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            const Status s = errnoStatus(target, EISDIR);
            abandonSaveSet(set);
            return s;
        }
    }
    for (const auto& [staged, target] : set.files) {
        // Staged in a private folder: the file takes the mode of the one it
        // replaces, or of a new one beside it.
        ::chmod(staged.c_str(), modeFor(target));
        if (std::rename(staged.c_str(), target.c_str()) != 0) {
            const Status s = errnoStatus(target, errno);
            abandonSaveSet(set);
            return s;
        }
    }
    if (!set.files.empty()) {
        const int dfd = ::open(folderFor(set.files.front().second).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
    }
    abandonSaveSet(set);
    return Status::success();
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

Status refuseOutputIsInput(const std::string& input, const std::string& output) {
    if (!sameFile(input, output)) return Status::success();
    return Status::failure(StatusCode::AlreadyExists,
                           output + ": the output is the input " + input + " (choose another output file)");
}

Status refuseOutputIsInput(const std::vector<std::string>& inputs, const std::string& output) {
    for (const std::string& in : inputs)
        if (Status s = refuseOutputIsInput(in, output); !s) return s;
    return Status::success();
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace ordavia
