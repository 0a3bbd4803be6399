// The storage of movies read from disc: a ".mve" movie file, read one frame
// at a time with a single positioned read, and a foreign video decoded by
// FFmpeg.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "image/CZVimage.h"
#include "settings/DebugLog.h"
#include "video/AviReader.h"
#include "video/CZVMovie.h"
#include "video/MovieIo.h"
#include "video/MovieStorage.h"

namespace ordavia {

namespace {

class MovieFileStorage final : public MovieStorage {
public:
    MovieFileStorage(int fd, const std::string& path, const MveLayout& layout, bool writable)
        : fd_(fd), path_(path), layout_(layout), writable_(writable) {}
    ~MovieFileStorage() override {
        if (fd_ >= 0) ::close(fd_);
    }

    StorageMode kind() const override { return StorageMode::MovieFile; }
    bool isFile() const override { return true; }
    bool rewritable() const override { return writable_ && !layout_.perFrameHeaders; }
    bool perFrameHeaders() const override { return layout_.perFrameHeaders; }

    Read show(int slot, MovieFrameImage& frame, const CZVimage& format, bool, FrameInfo& info, bool& outOfMemory) override {
        return copy(slot, frame, format, info, outOfMemory);
    }

    // Reads the slot and fills its table entry when it is still unknown.
    Read copy(int slot, CZVimage& into, const CZVimage& format, FrameInfo& e, bool& outOfMemory) override {
        if (fd_ < 0) return Read::Failed;
        if (into.width() != format.width() || into.rows() != format.rows() || into.colour() != format.colour()) {
            into.setInterlace(format.interlace());
            if (!into.resize(format.width(), format.rows(), format.bytesPerPixel())) {
                outOfMemory = true;
                return Read::Failed;
            }
            into.setColour(format.colour());
        }
        const int64_t pos = layout_.firstPos + int64_t(slot) * layout_.recordSize;
        const size_t rb = size_t(format.rowBytes());
        const size_t pixels = rb * size_t(format.rows());
        bool ok;
        if (layout_.perFrameHeaders) {
            scratch_.resize(size_t(layout_.recordSize));
            ok = preadAll(fd_, scratch_.data(), scratch_.size(), pos);
            ImageHeader h;
            if (ok && parseMveHeader(scratch_.data(), scratch_.size(), h)) {
                // A field's origin counts field rows; a damaged header's origin
                // may not survive the doubling, and is then not taken.
                const int64_t originY = h.interlace == 1 || h.interlace == 2 ? int64_t(h.originY) * 2 : h.originY;
                if (!e.known() && originY >= INT32_MIN && originY <= INT32_MAX)
                    e = FrameInfo{h.tag, h.interlace, h.originX, int(originY)};
            }
            if (ok)
                for (int y = 0; y < format.rows(); ++y)
                    std::memcpy(into.row(y), &scratch_[size_t(layout_.pixelOffset) + rb * size_t(y)], rb);
        } else {
            if (size_t(into.stride()) == rb) {
                ok = preadAll(fd_, into.data(), pixels, pos);
            } else {
                scratch_.resize(pixels);
                ok = preadAll(fd_, scratch_.data(), pixels, pos);
                if (ok)
                    for (int y = 0; y < format.rows(); ++y) std::memcpy(into.row(y), &scratch_[rb * size_t(y)], rb);
            }
            if (!e.known()) e = FrameInfo{2 * slot, format.interlace(), 0, 0};
        }
        if (!ok) {
            debugLog("CZVMovie::GoTo read of frame %i failed\n", slot);
            std::memset(into.data(), 0, into.byteCount());
        }
        into.dropDisplayHeader();
        return ok ? Read::Ok : Read::Failed;
    }

    // A frame of another size than the records is not written.
    Status rewrite(int slot, const CZVimage& frame, std::vector<uint8_t>& scratch) override {
        const size_t n = size_t(frame.rowBytes()) * size_t(frame.rows());
        const int64_t at = layout_.firstPos + int64_t(slot) * layout_.recordSize;
        if (int64_t(n) == layout_.recordSize && !pwriteAll(fd_, packedRows(frame, scratch), n, at))
            return Status::failure(path_ + ": " + errnoText(errno));
        return Status::success();
    }

private:
    int fd_;
    std::string path_;
    MveLayout layout_;
    bool writable_;
    std::vector<uint8_t> scratch_;
};

class AviFileStorage final : public MovieStorage {
public:
    explicit AviFileStorage(std::unique_ptr<AviReader> reader) : reader_(std::move(reader)) {}

    StorageMode kind() const override { return StorageMode::AviFile; }
    bool isFile() const override { return true; }
    const AviReader* aviReader() const override { return reader_.get(); }

    Read show(int slot, MovieFrameImage& frame, const CZVimage& format, bool, FrameInfo& info, bool& outOfMemory) override {
        return copy(slot, frame, format, info, outOfMemory);
    }

    Read copy(int slot, CZVimage& into, const CZVimage&, FrameInfo& e, bool& outOfMemory) override {
        const bool ok = reader_ && reader_->readFrame(slot, into);
        if (into.isEmpty()) outOfMemory = true;
        if (!e.known()) e = FrameInfo{2 * slot, CZVimage::kFrame, 0, 0};
        return ok ? Read::Ok : Read::Failed;
    }

private:
    std::unique_ptr<AviReader> reader_;
};

}  // namespace

std::unique_ptr<MovieStorage> MovieStorage::movieFile(int fd, const std::string& path, const MveLayout& layout, bool writable) {
    return std::make_unique<MovieFileStorage>(fd, path, layout, writable);
}

std::unique_ptr<MovieStorage> MovieStorage::aviFile(std::unique_ptr<AviReader> reader) {
    return std::make_unique<AviFileStorage>(std::move(reader));
}

}  // namespace ordavia
