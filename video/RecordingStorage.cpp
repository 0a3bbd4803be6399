// The storage of a recording: frames written to a ".mve" movie file as they
// come (each with a provisional trailer behind it) or compressed into an
// AVI. Ending the recording gives the file its trailer or index.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/ByteOrder.h"
#include "base/FileIO.h"
#include "image/CZVimage.h"
#include "settings/DebugLog.h"
#include "video/AviWriter.h"
#include "video/MovieIo.h"
#include "video/MovieStorage.h"

namespace ordavia {

namespace {

StatusCode writeFailure(int err) { return err == ENOSPC ? StatusCode::NoSpace : StatusCode::IoError; }

class MovieFileRecording final : public MovieStorage {
public:
    MovieFileRecording(int fd, const std::string& path, const MveLayout& layout)
        : fd_(fd), path_(path), layout_(layout), reader_(MovieStorage::movieFile(fd, path, layout, true)) {}

    StorageMode kind() const override { return StorageMode::RecordToMovieFile; }
    bool recording() const override { return true; }
    bool takesFrames() const override { return true; }

    // The frames already on disc read back from the file.
    Read copy(int slot, CZVimage& into, const CZVimage& format, FrameInfo& info, bool& outOfMemory) override {
        return reader_->copy(slot, into, format, info, outOfMemory);
    }

    // Every frame goes to disc with a provisional trailer behind it, so that
    // the file opens with every frame written so far whatever happens next
    // (the disc fills, the program is killed). A frame that cannot be written
    // is cut off again and the trailer put back where it was: the file then
    // holds the frames before it, and the recording stops.
    Status store(int slot, const CZVimage& frame, const MovieRing& ring) override {
        const uint8_t* rows = packedRows(frame, scratch_);
        const int64_t pos = layout_.firstPos + int64_t(slot) * layout_.recordSize;
        bool ok;
        if (!ring.wrapped) {
            const size_t n = size_t(layout_.recordSize);
            if (scratch_.data() != rows) scratch_.assign(rows, rows + n);
            scratch_.resize(n + 8);
            storeLE32(&scratch_[n], uint32_t(slot + 1));
            storeLE32(&scratch_[n + 4], uint32_t(slot + 1));
            ok = pwriteAll(fd_, scratch_.data(), n + 8, pos);
        } else {
            // The ring overwrites frames already on disc: the oldest is the next slot.
            uint8_t tail[8];
            storeLE32(tail, uint32_t(ring.capacity));
            storeLE32(tail + 4, uint32_t((slot + 1) % ring.capacity));
            ok = pwriteAll(fd_, rows, size_t(layout_.recordSize), pos) &&
                 pwriteAll(fd_, tail, 8, layout_.firstPos + int64_t(ring.capacity) * layout_.recordSize);
        }
        if (ok) return Status::success();
        const int err = errno;
        debugLog("CZVMovie::AddFrame write failed: %s\n", errnoText(err).c_str());
        if (!ring.wrapped) {
            uint8_t tail[8];
            storeLE32(tail, uint32_t(ring.count));
            storeLE32(tail + 4, uint32_t(ring.ringStart));
            if (::ftruncate(fd_, off_t(pos + 8)) != 0 || !pwriteAll(fd_, tail, 8, pos))
                debugLog("CZVMovie::AddFrame the trailer could not be put back\n");
        }
        return Status::failure(writeFailure(err), path_ + ": frame " + std::to_string(ring.count + 1) +
                                                      " could not be written (" + errnoText(err) +
                                                      "); the recording stopped and keeps the " +
                                                      std::to_string(ring.count) + " frames before it");
    }

    Status finishRecording(const MovieRing& ring, const CZVimage& format) override {
        finished_ = true;
        return writeTrailer(ring, format);
    }

    void close(const MovieRing& ring, const CZVimage& format) override {
        if (finished_) return;
        finished_ = true;
        if (Status s = writeTrailer(ring, format); !s) debugLog("CZVMovie::Close %s\n", s.reason().c_str());
    }

private:
    // The trailer at the end of the frames, and the header's own field
    // number in place of the recording mark.
    Status writeTrailer(const MovieRing& ring, const CZVimage& format) {
        uint8_t tail[8];
        storeLE32(tail, uint32_t(ring.count));
        storeLE32(tail + 4, uint32_t(ring.ringStart));
        uint8_t head[4 + kMveHeaderSize];
        encodeImageHeader(format, head + 4);
        const int64_t end = layout_.firstPos + int64_t(ring.wrapped ? ring.capacity : ring.count) * layout_.recordSize;
        if (!pwriteAll(fd_, tail, 8, end) || ::ftruncate(fd_, off_t(end + 8)) != 0 ||
            !pwriteAll(fd_, head + kMveFieldPosition, 4, kMveFieldPosition) || ::fsync(fd_) != 0) {
            const int err = errno;
            return Status::failure(writeFailure(err), path_ + ": the movie's trailer could not be written: " + errnoText(err));
        }
        return Status::success();
    }

    int fd_;  // owned by reader_
    std::string path_;
    MveLayout layout_;
    std::unique_ptr<MovieStorage> reader_;
    std::vector<uint8_t> scratch_;
    bool finished_ = false;
};

class AviRecording final : public MovieStorage {
public:
    AviRecording(std::unique_ptr<AviWriter> writer, const std::string& path) : writer_(std::move(writer)), path_(path) {}
    ~AviRecording() override {
        if (writer_) (void)writer_->close();
    }

    StorageMode kind() const override { return StorageMode::RecordToAvi; }
    bool recording() const override { return true; }
    bool takesFrames() const override { return true; }
    bool wraps() const override { return false; }
    bool keepsCaptureOrder() const override { return true; }

    Status store(int, const CZVimage& frame, const MovieRing& ring) override {
        if (!writer_) return Status::success();
        Status s = writer_->write(frame);
        if (s) return s;
        const int err = errno;
        debugLog("CZVMovie::AddFrame %s\n", s.reason().c_str());
        return Status::failure(err == ENOSPC ? StatusCode::NoSpace : s.code(),
                               path_ + ": frame " + std::to_string(ring.count + 1) + " could not be written (" +
                                   (err == ENOSPC ? errnoText(err) : s.reason()) + "); the recording stopped");
    }

    // What reached the disc is kept: the reader copes with a missing index.
    Status finishRecording(const MovieRing&, const CZVimage&) override {
        if (!writer_) return Status::success();
        Status s = writer_->close(true);
        writer_.reset();
        return s;
    }

private:
    std::unique_ptr<AviWriter> writer_;
    std::string path_;
};

}  // namespace

Result<std::unique_ptr<MovieStorage>> MovieStorage::recordMovieFile(const std::string& path, const CZVimage& format) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, newFileMode(path));
    if (fd < 0) {
        const int err = errno;
        debugLog("record file open %s failed\n", path.c_str());
        return Status::failure(writeFailure(err), path + ": cannot be created: " + errnoText(err));
    }
    uint8_t head[4 + kMveHeaderSize];
    storeLE32(head, uint32_t(kMveMagic));
    encodeImageHeader(format, head + 4);
    storeLE32(head + kMveFieldPosition, uint32_t(kMveUnfinishedField));
    if (!pwriteAll(fd, head, sizeof head, 0)) {
        const int err = errno;
        debugLog("record file open %s failed\n", path.c_str());
        ::close(fd);
        ::unlink(path.c_str());  // a file without its header opens as nothing
        return Status::failure(writeFailure(err), path + ": cannot be written: " + errnoText(err));
    }
    MveLayout layout;
    layout.firstPos = sizeof head;
    layout.recordSize = int64_t(format.rowBytes()) * format.rows();
    return std::unique_ptr<MovieStorage>(std::make_unique<MovieFileRecording>(fd, path, layout));
}

Result<std::unique_ptr<MovieStorage>> MovieStorage::recordAvi(const std::string& path, const CZVimage& format, int rate,
                                                              int scale, const std::string& codec) {
    AviWriter::Params p;
    p.width = format.width();
    p.height = format.rows();
    p.colour = format.colour() == CZVimage::kColour;
    p.rate = rate;
    p.scale = scale;
    p.codec = codec;
    auto w = AviWriter::open(path, p);
    if (!w) {
        debugLog("record aviwriteopen %s failed\n", path.c_str());
        return w.status();
    }
    return std::unique_ptr<MovieStorage>(std::make_unique<AviRecording>(std::move(w.value()), path));
}

}  // namespace ordavia
