#include "doppler/RawSampleFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "base/FileIO.h"
#include "base/RegularFile.h"

namespace ordavia {

RawSampleFile::~RawSampleFile() { close(); }

void RawSampleFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    count_ = pos_ = 0;
    stray_ = false;
    bufferAt_ = bufferEnd_ = 0;
}

Status RawSampleFile::open(const std::string& path) {
    close();
    path_ = path;
    int fd = -1;
    uint64_t size = 0;
    if (Status s = openRegularFile(path, fd, size); !s) return s;
    buffer_.resize(kBufferSamples * 2);
    fd_ = fd;
    count_ = size / 2;
    stray_ = (size & 1u) != 0;
    return Status::success();
}

void RawSampleFile::rewind() {
    pos_ = 0;
    bufferAt_ = bufferEnd_ = 0;
    if (fd_ >= 0) ::lseek(fd_, 0, SEEK_SET);
}

Status RawSampleFile::fill() {
    // Whole samples only: the buffer is refilled once fewer than two bytes
    // are left in it, and an odd leftover byte is kept at its front.
    const size_t left = bufferEnd_ - bufferAt_;
    std::copy(buffer_.begin() + long(bufferAt_), buffer_.begin() + long(bufferEnd_), buffer_.begin());
    bufferAt_ = 0;
    bufferEnd_ = left;
    while (bufferEnd_ < buffer_.size()) {
        const ssize_t n = ::read(fd_, buffer_.data() + bufferEnd_, buffer_.size() - bufferEnd_);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errnoStatus(path_, errno);
        if (n == 0) break;
        bufferEnd_ += size_t(n);
    }
    return Status::success();
}

Result<size_t> RawSampleFile::read(int16_t* out, size_t n) {
    if (fd_ < 0) return Status::failure(path_ + ": the recording is not open");
    n = size_t(std::min<uint64_t>(n, count_ - pos_));
    size_t done = 0;
    while (done < n) {
        if (bufferEnd_ - bufferAt_ < 2) {
            if (Status s = fill(); !s) return s;
            if (bufferEnd_ - bufferAt_ < 2)
                return Status::failure(path_ + ": the recording ended before its size said (was it cut while read?)");
        }
        const size_t take = std::min(n - done, (bufferEnd_ - bufferAt_) / 2);
        const uint8_t* b = buffer_.data() + bufferAt_;
        for (size_t i = 0; i < take; ++i) out[done + i] = int16_t(uint16_t(b[2 * i]) | uint16_t(b[2 * i + 1]) << 8);
        bufferAt_ += 2 * take;
        done += take;
    }
    pos_ += n;
    return n;
}

}  // namespace ordavia
