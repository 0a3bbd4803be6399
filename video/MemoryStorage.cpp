// The storage of a memory movie: equally sized frames in one block. The
// movie's current image borrows its slot instead of copying it, unless a
// processing pass with its own output asks for a copy.
#include <cstring>
#include <new>

#include "image/CZVimage.h"
#include "settings/DebugLog.h"
#include "video/CZVMovie.h"
#include "video/MovieStorage.h"

namespace ordavia {

namespace {

class MemoryStorage final : public MovieStorage {
public:
    StorageMode kind() const override { return StorageMode::Memory; }
    bool lendsFrames() const override { return true; }
    bool takesFrames() const override { return true; }

    Status reserve(int n, size_t frameBytes) override {
        frameBytes_ = frameBytes;
        const uint64_t need = uint64_t(n) * frameBytes;
        if (need <= size_) return Status::success();
        if (need > (uint64_t(1) << 40)) {
            debugLog("failed to realloc\n");
            return Status::failure(StatusCode::NoMemory, "not enough memory");
        }
        std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[size_t(need)]);
        if (!grown) {
            debugLog("failed to realloc\n");
            return Status::failure(StatusCode::NoMemory, "not enough memory");
        }
        debugLog("realloc from %i to %i mve memory\n", int(size_), int(need));
        if (block_ && size_) std::memcpy(grown.get(), block_.get(), size_);
        block_ = std::move(grown);
        size_ = size_t(need);
        return Status::success();
    }

    uint8_t* pixels(int slot) override { return block_ ? block_.get() + size_t(slot) * frameBytes_ : nullptr; }

    Read show(int slot, MovieFrameImage& frame, const CZVimage& format, bool keepApart, FrameInfo& info,
              bool& outOfMemory) override {
        uint8_t* p = pixels(slot);
        if (keepApart) {
            // A pass with its own output must leave the memory frames alone.
            if (frame.aliased()) frame.own();
            frame.setInterlace(format.interlace());
            if (!frame.resize(format.width(), format.rows(), format.bytesPerPixel()) || !frame.setColour(format.colour()) ||
                frame.isEmpty()) {
                outOfMemory = true;
                return Read::NoRoom;
            }
            std::memcpy(frame.data(), p, format.byteCount());
            frame.dropDisplayHeader();
        } else {
            frame.alias(p, format);
        }
        if (!info.known()) info = FrameInfo{2 * slot, format.interlace(), 0, 0};
        return Read::Untouched;
    }

    Read copy(int slot, CZVimage& into, const CZVimage& format, FrameInfo&, bool& outOfMemory) override {
        into.setInterlace(format.interlace());
        if (into.width() != format.width() || into.rows() != format.rows() || into.colour() != format.colour()) {
            if (!into.resize(format.width(), format.rows(), format.bytesPerPixel())) {
                outOfMemory = true;
                return Read::NoRoom;
            }
            into.setColour(format.colour());
        }
        std::memcpy(into.data(), pixels(slot), format.byteCount());
        into.dropDisplayHeader();
        return Read::Untouched;
    }

private:
    std::unique_ptr<uint8_t[]> block_;
    size_t size_ = 0;
    size_t frameBytes_ = 0;
};

}  // namespace

std::unique_ptr<MovieStorage> MovieStorage::memory() { return std::make_unique<MemoryStorage>(); }

}  // namespace ordavia
