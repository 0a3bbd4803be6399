// MovieStorage: what every kind does unless it says otherwise, and the
// storage of a closed movie (no frames at all).
#include "video/MovieStorage.h"

#include "image/CZVimage.h"

namespace ordavia {

Status MovieStorage::reserve(int, size_t) { return Status::success(); }

uint8_t* MovieStorage::pixels(int) { return nullptr; }

MovieStorage::Read MovieStorage::show(int, MovieFrameImage&, const CZVimage&, bool, FrameInfo&, bool&) { return Read::Untouched; }

MovieStorage::Read MovieStorage::copy(int, CZVimage&, const CZVimage&, FrameInfo&, bool&) { return Read::Failed; }

Status MovieStorage::store(int, const CZVimage&, const MovieRing&) { return Status::success(); }

Status MovieStorage::finishRecording(const MovieRing&, const CZVimage&) { return Status::success(); }

void MovieStorage::close(const MovieRing&, const CZVimage&) {}

Status MovieStorage::rewrite(int, const CZVimage&, std::vector<uint8_t>&) { return Status::success(); }

namespace {

class ClosedStorage final : public MovieStorage {
public:
    StorageMode kind() const override { return StorageMode::Closed; }
    bool isOpen() const override { return false; }
};

}  // namespace

std::unique_ptr<MovieStorage> MovieStorage::closed() { return std::make_unique<ClosedStorage>(); }

}  // namespace ordavia
