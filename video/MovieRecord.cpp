// CZVMovie: recording into memory, a movie file or an AVI, and finishing
// a recording so that every failure to write reaches the caller.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/ByteOrder.h"
#include "base/FileIO.h"
#include "settings/DebugLog.h"
#include "video/AviWriter.h"
#include "video/CZVMovie.h"
#include "video/MovieIo.h"
#include "video/MveFormat.h"

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
    if (mode_ != StorageMode::Closed) Close();
    recordError_ = Status::success();
    recordBroken_ = false;
    mode_ = name.empty() ? StorageMode::Memory : (options.compressOutput ? StorageMode::RecordToAvi : StorageMode::RecordToMovieFile);
    wrapped_ = false;
    currentIndex_ = count_ = ringStart_ = 0;
    format_.setInterlace(CZVimage::kFrame);
    (void)createImages(frames, width, height, colour);  // the capacity below says whether it worked
    if (capacity_ < 1 || (mode_ == StorageMode::Memory && !block_)) {
        recordError_ = Status::failure(StatusCode::NoMemory, "Low memory.  Save all data & exit.");
        mode_ = StorageMode::Closed;
        return false;
    }
    rate_ = int32_t(options.captureFrameRate * 1000);
    scale_ = 1000;
    fileName_ = name;
    if (mode_ == StorageMode::RecordToAvi) {
        AviWriter::Params p;
        p.width = format_.width();
        p.height = format_.rows();
        p.colour = format_.colour() == CZVimage::kColour;
        p.rate = rate_;
        p.scale = scale_;
        p.codec = options.codec;
        auto w = AviWriter::open(name, p);
        if (!w) {
            debugLog("record aviwriteopen %s failed\n", name.c_str());
            recordError_ = w.status();
            mode_ = StorageMode::Closed;
            return false;
        }
        aviOut_ = std::move(w.value());
    } else if (mode_ == StorageMode::RecordToMovieFile) {
        fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, ordavia::newFileMode(name));
        if (fd_ < 0) {
            recordError_ = Status::failure(errno == ENOSPC ? StatusCode::NoSpace : StatusCode::IoError,
                                           name + ": cannot be created: " + errnoText(errno));
            debugLog("record file open %s failed\n", name.c_str());
            mode_ = StorageMode::Closed;
            return false;
        }
        uint8_t head[4 + kMveHeaderSize];
        storeLE32(head, uint32_t(kMveMagic));
        encodeImageHeader(format_, head + 4);
        storeLE32(head + kMveFieldPosition, uint32_t(kMveUnfinishedField));
        if (!pwriteAll(fd_, head, sizeof head, 0)) {
            const int err = errno;
            debugLog("record file open %s failed\n", name.c_str());
            Close();
            ::unlink(name.c_str());  // a file without its header opens as nothing
            recordError_ = Status::failure(err == ENOSPC ? StatusCode::NoSpace : StatusCode::IoError,
                                           name + ": cannot be written: " + errnoText(err));
            return false;
        }
        firstPos_ = sizeof head;
        recordSize_ = int64_t(format_.rowBytes()) * format_.rows();
        perFrameHeaders_ = false;
    }
    if (mode_ == StorageMode::Memory) {
        current_.alias(block_.get(), format_);
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
    if (mode_ != StorageMode::Memory && mode_ != StorageMode::RecordToMovieFile && mode_ != StorageMode::RecordToAvi) return count_;
    if (capacity_ < 1) return count_;
    const int slot = std::clamp(currentIndex_, 0, capacity_ - 1);
    if (mode_ == StorageMode::Memory) current_.alias(block_.get() + size_t(slot) * format_.byteCount(), format_);
    if (image.colour() == current_.colour() && image.width() == current_.width() && image.rows() == current_.rows()) {
        for (int y = 0; y < current_.rows(); ++y) std::memcpy(current_.row(y), image.row(y), size_t(current_.rowBytes()));
    } else {
        current_.convertFrom(image);
    }
    current_.dropDisplayHeader();
    if (recordBroken_) return -1;
    if (mode_ == StorageMode::RecordToMovieFile && fd_ >= 0) {
        if (!appendRecordedFrame(slot)) return -1;
    } else if (mode_ == StorageMode::RecordToAvi && aviOut_) {
        Status s = aviOut_->write(current_);
        if (!s) {
            const int err = errno;
            debugLog("CZVMovie::AddFrame %s\n", s.reason().c_str());
            if (recordError_)
                recordError_ = Status::failure(err == ENOSPC ? StatusCode::NoSpace : s.code(),
                                               fileName_ + ": frame " + std::to_string(count_ + 1) + " could not be written (" +
                                                   (err == ENOSPC ? errnoText(err) : s.reason()) + "); the recording stopped");
            recordBroken_ = true;
            return -1;
        }
    }
    table_[size_t(slot)] = FrameInfo{field, image.interlace(), image.originX(), image.originY()};
    if (advance) return Advance();
    return count_;
}

// Every frame goes to disc with a provisional trailer behind it, so that
// the file opens with every frame written so far whatever happens next
// (the disc fills, the program is killed). A frame that cannot be written
// is cut off again and the trailer put back where it was: the file then
// holds the frames before it, and the recording stops.
bool CZVMovie::appendRecordedFrame(int slot) {
    const uint8_t* rows = packedRows(current_, scratch_);
    const int64_t pos = firstPos_ + int64_t(slot) * recordSize_;
    bool ok;
    if (!wrapped_) {
        const size_t n = size_t(recordSize_);
        if (scratch_.data() != rows) scratch_.assign(rows, rows + n);
        scratch_.resize(n + 8);
        storeLE32(&scratch_[n], uint32_t(slot + 1));
        storeLE32(&scratch_[n + 4], uint32_t(slot + 1));
        ok = pwriteAll(fd_, scratch_.data(), n + 8, pos);
    } else {
        // The ring overwrites frames already on disc: the oldest is the next slot.
        uint8_t tail[8];
        storeLE32(tail, uint32_t(capacity_));
        storeLE32(tail + 4, uint32_t((slot + 1) % capacity_));
        ok = pwriteAll(fd_, rows, size_t(recordSize_), pos) &&
             pwriteAll(fd_, tail, 8, firstPos_ + int64_t(capacity_) * recordSize_);
    }
    if (ok) return true;
    const int err = errno;
    debugLog("CZVMovie::AddFrame write failed: %s\n", errnoText(err).c_str());
    if (!wrapped_) {
        uint8_t tail[8];
        storeLE32(tail, uint32_t(count_));
        storeLE32(tail + 4, uint32_t(ringStart_));
        if (::ftruncate(fd_, off_t(pos + 8)) != 0 || !pwriteAll(fd_, tail, 8, pos))
            debugLog("CZVMovie::AddFrame the trailer could not be put back\n");
    }
    if (recordError_)
        recordError_ = Status::failure(err == ENOSPC ? StatusCode::NoSpace : StatusCode::IoError,
                                       fileName_ + ": frame " + std::to_string(count_ + 1) + " could not be written (" +
                                           errnoText(err) + "); the recording stopped and keeps the " +
                                           std::to_string(count_) + " frames before it");
    recordBroken_ = true;
    return false;
}

int CZVMovie::Advance() {
    if (capacity_ < 1) return -1;
    int result = 0;
    bool stop = false;
    if (++currentIndex_ >= capacity_) {
        currentIndex_ = 0;
        wrapped_ = true;
        if (!loop || mode_ == StorageMode::RecordToAvi) stop = true;
    }
    count_ = std::min(count_ + 1, capacity_);
    if (mode_ == StorageMode::Memory) current_.alias(block_.get() + size_t(currentIndex_) * format_.byteCount(), format_);
    ringStart_ = currentIndex_;
    result = stop ? -1 : count_;
    return result;
}

void CZVMovie::stopRecording() {
    if (Status s = finishRecording(); !s) debugLog("CZVMovie::stopRecording: %s\n", s.reason().c_str());
}

// The trailer of a movie file being recorded, at the end of the frames,
// and the header's own field number in place of the recording mark.
Status CZVMovie::writeRecordTrailer() {
    uint8_t tail[8];
    storeLE32(tail, uint32_t(count_));
    storeLE32(tail + 4, uint32_t(ringStart_));
    uint8_t head[4 + kMveHeaderSize];
    encodeImageHeader(format_, head + 4);
    const int64_t end = firstPos_ + int64_t(wrapped_ ? capacity_ : count_) * recordSize_;
    if (!pwriteAll(fd_, tail, 8, end) || ::ftruncate(fd_, off_t(end + 8)) != 0 ||
        !pwriteAll(fd_, head + kMveFieldPosition, 4, kMveFieldPosition) || ::fsync(fd_) != 0) {
        const int err = errno;
        return Status::failure(err == ENOSPC ? StatusCode::NoSpace : StatusCode::IoError,
                               fileName_ + ": the movie's trailer could not be written: " + errnoText(err));
    }
    return Status::success();
}

Status CZVMovie::finishRecording() {
    const bool wasWrapped = wrapped_;
    Status result = recordError_;
    recordError_ = Status::success();
    recordBroken_ = false;
    if (mode_ == StorageMode::RecordToMovieFile || mode_ == StorageMode::RecordToAvi) {
        const std::string name = fileName_;
        FrameInfoList keep = table_;
        if (mode_ == StorageMode::RecordToAvi) {
            // The AVI holds the frames in the order they were compressed.
            keep.clear();
            for (int i = 0; i < count_; ++i) keep.push_back(table_[size_t(PhysicalIndex(i))]);
            if (aviOut_) {
                Status s = aviOut_->close(true);
                aviOut_.reset();
                if (result && !s) result = s;
            }
        } else if (fd_ >= 0) {
            Status s = writeRecordTrailer();
            if (result && !s) result = s;
            mode_ = StorageMode::MovieFile;  // the trailer is written: Close leaves it alone
        }
        Close();
        Status s = Open(name);
        if (!s && !result) {
            // Nothing of it can be read back: say so rather than leave a file that does not open.
            ::unlink(name.c_str());
            result = Status::failure(result.code(), result.reason() + "; no frame could be kept");
        }
        if (result && !s) result = s;
        for (size_t i = 0; i < std::min(keep.size(), table_.size()); ++i) table_[i] = keep[i];
    } else if (mode_ == StorageMode::Memory) {
        modified_ = true;
    }
    rate_ = int32_t(options.captureFrameRate * 1000);
    scale_ = 1000;
    currentIndex_ = -1;
    GoTo(0);
    debugLog("....CZVMovie::stopRecording: %s filled imagecount=%i\n", wasWrapped ? "was" : "not", count_);
    return result;
}
