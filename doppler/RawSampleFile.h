#pragma once
// A raw Doppler recording read in pieces: consecutive little-endian signed
// 16-bit samples, as the board writes raw.bin. Only a regular file is
// opened (a FIFO would wait for a writer, a folder is no recording), and
// memory stays a fixed buffer however long the file is. An odd last byte
// is not a sample: it is counted out of sampleCount() and told by
// strayByte(), never read as half a sample.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"

namespace ordavia {

class RawSampleFile {
public:
    static constexpr size_t kBufferSamples = size_t(1) << 15;

    RawSampleFile() = default;
    ~RawSampleFile();
    RawSampleFile(const RawSampleFile&) = delete;
    RawSampleFile& operator=(const RawSampleFile&) = delete;

    // Opens `path` for reading from its first sample; closes what was open.
    [[nodiscard]] ordavia::Status open(const std::string& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }

    uint64_t sampleCount() const { return count_; }
    bool strayByte() const { return stray_; }
    // The next sample read is this one.
    uint64_t position() const { return pos_; }
    // Back to the first sample.
    void rewind();
    // Up to n samples from the position on; fewer only at the end of the
    // file. A read error (the file shrank, the disc failed) is a failure
    // with its reason; the position is then undefined.
    [[nodiscard]] ordavia::Result<size_t> read(int16_t* out, size_t n);

private:
    ordavia::Status fill();

    int fd_ = -1;
    std::string path_;
    uint64_t count_ = 0;
    uint64_t pos_ = 0;
    bool stray_ = false;
    std::vector<uint8_t> buffer_;
    size_t bufferAt_ = 0, bufferEnd_ = 0;  // bytes of buffer_ not yet handed out
};

}  // namespace ordavia
