// CZVMovie: recording into memory, a movie file or an AVI (the storage
// takes the frames), and finishing a recording so that every failure to
// write reaches the caller.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "settings/DebugLog.h"
#include "video/CZVMovie.h"

using namespace ordavia;

bool CZVMovie::Record(const std::string& name, int frames, int width, int height, int colour) {
    if (width < 1 || height < 1) {
        debugLog("negative size!w=%i,h=%i\n", width, height);
        return false;
    }
    width &= ~3;
    if (width < 4 || frames < 1) {
        debugLog("negative size!w=%i,h=%i\n", width, height);
        return false;
    }
    if (storage_->isOpen()) Close();
    recordError_ = Status::success();
    recordBroken_ = false;
    // A recording without a name stays in memory; the others are written
    // to disc as they come.
    if (name.empty()) storage_ = MovieStorage::memory();
    wrapped_ = false;
    currentIndex_ = count_ = ringStart_ = 0;
    format_.setInterlace(CZVimage::kFrame);
    (void)createImages(frames, width, height, colour);  // the capacity below says whether it worked
    if (capacity_ < 1 || (storage_->lendsFrames() && !storage_->pixels(0))) {
        recordError_ = Status::failure(StatusCode::NoMemory, "Low memory.  Save all data & exit.");
        storage_ = MovieStorage::closed();
        return false;
    }
    rate_ = int32_t(options.captureFrameRate * 1000);
    scale_ = 1000;
    fileName_ = name;
    if (!name.empty()) {
        auto opened = options.compressOutput ? MovieStorage::recordAvi(name, format_, rate_, scale_, options.codec)
                                             : MovieStorage::recordMovieFile(name, format_);
        if (!opened) {
            Close();
            recordError_ = opened.status();
            return false;
        }
        storage_ = std::move(opened.value());
    }
    if (uint8_t* first = storage_->pixels(0)) {
        current_.alias(first, format_);
    } else {
        if (current_.aliased()) current_.own();
        current_.setInterlace(format_.interlace());
        current_.resize(format_.width(), format_.rows(), format_.bytesPerPixel());
        current_.setColour(format_.colour());
    }
    return true;
}

int CZVMovie::AddFrame(const CZVimage& image, bool advance) { return AddFrame(image, advance, image.tag()); }

int CZVMovie::AddFrame(const CZVimage& image, bool advance, int32_t field) {
    if (!storage_->takesFrames()) return count_;
    if (capacity_ < 1) return count_;
    const int slot = std::clamp(currentIndex_, 0, capacity_ - 1);
    if (uint8_t* p = storage_->pixels(slot)) current_.alias(p, format_);
    if (image.colour() == current_.colour() && image.width() == current_.width() && image.rows() == current_.rows()) {
        for (int y = 0; y < current_.rows(); ++y) std::memcpy(current_.row(y), image.row(y), size_t(current_.rowBytes()));
    } else {
        current_.convertFrom(image);
    }
    current_.dropDisplayHeader();
    if (recordBroken_) return -1;
    if (Status s = storage_->store(slot, current_, ring()); !s) {
        if (recordError_) recordError_ = s;
        recordBroken_ = true;
        return -1;
    }
    table_[size_t(slot)] = FrameInfo{field, image.interlace(), image.originX(), image.originY()};
    if (advance) return Advance();
    return count_;
}

int CZVMovie::Advance() {
    if (capacity_ < 1) return -1;
    int result = 0;
    bool stop = false;
    if (++currentIndex_ >= capacity_) {
        currentIndex_ = 0;
        wrapped_ = true;
        if (!loop || !storage_->wraps()) stop = true;
    }
    count_ = std::min(count_ + 1, capacity_);
    if (uint8_t* p = storage_->pixels(currentIndex_)) current_.alias(p, format_);
    ringStart_ = currentIndex_;
    result = stop ? -1 : count_;
    return result;
}

void CZVMovie::stopRecording() {
    if (Status s = finishRecording(); !s) debugLog("CZVMovie::stopRecording: %s\n", s.reason().c_str());
}

Status CZVMovie::finishRecording() {
    const bool wasWrapped = wrapped_;
    Status result = recordError_;
    recordError_ = Status::success();
    recordBroken_ = false;
    if (storage_->recording()) {
        const std::string name = fileName_;
        FrameInfoList keep = table_;
        if (storage_->keepsCaptureOrder()) {
            keep.clear();
            for (int i = 0; i < count_; ++i) keep.push_back(table_[size_t(PhysicalIndex(i))]);
        }
        Status s = storage_->finishRecording(ring(), format_);
        if (result && !s) result = s;
        Close();
        s = Open(name);
        if (!s && !result) {
            // Nothing of it can be read back: say so rather than leave a file that does not open.
            ::unlink(name.c_str());
            result = Status::failure(result.code(), result.reason() + "; no frame could be kept");
        }
        if (result && !s) result = s;
        for (size_t i = 0; i < std::min(keep.size(), table_.size()); ++i) table_[i] = keep[i];
    } else if (storage_->lendsFrames()) {
        modified_ = true;
    }
    rate_ = int32_t(options.captureFrameRate * 1000);
    scale_ = 1000;
    currentIndex_ = -1;
    GoTo(0);
    debugLog("....CZVMovie::stopRecording: %s filled imagecount=%i\n", wasWrapped ? "was" : "not", count_);
    return result;
}
