#pragma once
// Whole-file reading with a size limit, and saving that never destroys the
// previous file: bytes go to a temporary file in the same folder, which is
// flushed and then renamed over the target, and the folder is flushed after
// the rename so that the new name survives a power cut.
//
// Temporaries are named ".NAME.XXXXXX" beside NAME and locked while they
// are written; one whose lock is free was left by a process that died, and
// is removed at the next save of the same NAME.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"

namespace ordavia {

// Reads the whole file; fails when it is larger than maxBytes or is not a
// regular file (a FIFO or device is refused before it is opened, so that
// it cannot block the program).
Status readFileBytes(const std::string& path, std::vector<uint8_t>& out,
                     uint64_t maxBytes = (uint64_t(1) << 31));
// `mode` 0 keeps the replaced file's permissions, or gives a new file
// newFileMode's.
Status writeFileAtomically(const std::string& path, const void* data, size_t size, mode_t mode = 0);
inline Status writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes, mode_t mode = 0) {
    return writeFileAtomically(path, bytes.data(), bytes.size(), mode);
}
inline Status writeFileAtomically(const std::string& path, const std::string& text, mode_t mode = 0) {
    return writeFileAtomically(path, text.data(), text.size(), mode);
}
// Personal data (reports, subject lists) written anywhere: the user's only.
constexpr mode_t kPrivateFileMode = 0600;
// The permissions of a new file at path: 0644, less what its folder keeps
// from the group and from others, so that a file in a private folder (an
// examination's) is private too, wherever it is later moved.
mode_t newFileMode(const std::string& path);
bool fileExists(const std::string& path);

// Success when path names a regular file; otherwise the reason in words
// ("No such file or directory", "not a regular file").
Status checkRegularFile(const std::string& path);

// The pieces of writeFileAtomically for writers that produce their bytes
// themselves (libtiff, libpng): open the temporary, write through fd, then
// commit or abandon it. The file descriptor is closed by both ends.
struct SaveTemp {
    int fd = -1;
    std::string tempPath;
    std::string target;
};
Result<SaveTemp> openSaveTemp(const std::string& target);
// Flushes, closes, gives the file `mode` (or, when mode is 0, the replaced
// file's mode, else newFileMode's), renames it over the target and flushes the folder.
Status commitSaveTemp(SaveTemp& t, mode_t mode = 0);
void abandonSaveTemp(SaveTemp& t);

// Several files replaced as one set (a document and the files beside it):
// each is first written complete into a private folder ".NAME.XXXXXX"
// beside the targets (NAME the first target's name), and only when all of
// them are there are they renamed over their targets, one after another in
// the order staged. A run killed before that leaves every target as it
// was; its folder is removed at the next save of the same set.
struct SaveSet {
    std::string folder;
    int fd = -1;  // holds the lock that marks the folder as in use
    std::vector<std::pair<std::string, std::string>> files;  // staged path, target
    // Where to write `target` (same file name, inside the private folder).
    std::string stage(const std::string& target);
};
Result<SaveSet> openSaveSet(const std::string& firstTarget);
Status commitSaveSet(SaveSet& set);
void abandonSaveSet(SaveSet& set);

// Whether a and b name the same file: the same device and inode, so that
// another spelling of the path, a hard link or a symbolic link is caught.
// False when either does not exist.
bool sameFile(const std::string& a, const std::string& b);
// AlreadyExists ("OUT: the output is the input IN") when writing `output`
// would replace `input` (or one of several inputs); success otherwise.
Status refuseOutputIsInput(const std::string& input, const std::string& output);
Status refuseOutputIsInput(const std::vector<std::string>& inputs, const std::string& output);

// "path: reason" from errno, with the code of its kind (NoSpace for a full
// disc, NotFound, NoMemory, AlreadyExists; IoError for the rest).
Status errnoStatus(const std::string& path, int err);
StatusCode errnoCode(int err);

// Writes all n bytes to fd, at file offset pos when pos >= 0 (the descriptor's
// own offset stays put) or at the current offset otherwise, carrying on after
// signals and short writes. A failure gives the system's reason without a
// file name (add it with context()) and leaves errno set to the cause; a
// write that stops without a reason counts as a full disc.
Status writeAll(int fd, const void* data, size_t n, int64_t pos = -1);

}  // namespace ordavia
