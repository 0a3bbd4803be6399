// CZVMovie: saving, offsets and the raw import.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>

#include "base/ByteOrder.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "settings/DebugLog.h"
#include "video/AviWriter.h"
#include "video/CZVMovie.h"
#include "video/MovieIo.h"
#include "video/MveFormat.h"

using namespace ordavia;
namespace fs = std::filesystem;

namespace {

// A file created beside `path` that becomes `path` only when it is complete:
// the hidden, locked temporary of every save, so that one left by a killed
// run is removed by the next save of the same file.
struct TempBeside {
    SaveTemp t;
    int fd = -1;
    explicit TempBeside(const std::string& path) {
        auto opened = openSaveTemp(path);
        if (!opened) return;
        t = std::move(opened.value());
        fd = t.fd;
    }
    ~TempBeside() {
        if (!t.tempPath.empty()) abandonSaveTemp(t);
    }
    Status commit(const std::string&) {
        fd = -1;
        return commitSaveTemp(t);
    }
};

// Copies a movie file through the save temporary, so that a killed copy
// leaves neither a half file under the new name nor a visible leftover.
Status copyFileAtomically(const std::string& from, const std::string& path) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errnoStatus(from, errno);
    TempBeside out(path);
    if (out.fd < 0) {
        ::close(in);
        return errnoStatus(path, errno);
    }
    std::vector<uint8_t> buf(size_t(1) << 20);
    for (;;) {
        const ssize_t k = ::read(in, buf.data(), buf.size());
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) {
            const int err = errno;
            ::close(in);
            return errnoStatus(from, err);
        }
        if (k == 0) break;
        if (Status w = writeAll(out.fd, buf.data(), size_t(k), -1); !w) {
            ::close(in);
            return w.context(path);
        }
    }
    ::close(in);
    return out.commit(path);
}

}  // namespace

Status CZVMovie::reopenAs(const std::string& pathIn, bool own, const FrameInfoList* keepIn) {
    const std::string path = pathIn;  // may be our own file name, which Close() clears
    FrameInfoList kept;
    if (keepIn) kept = *keepIn;
    const FrameInfoList* keep = keepIn ? &kept : nullptr;
    const int32_t rate = rate_, scale = scale_;
    // The scratch output of an earlier pass is replaced by this one.
    const std::string previous = fileName_;
    const bool previousScratch = !ownFile_ && storage_->isFile();
    Close();
    Status s = Open(path);
    if (!s) return s;
    if (previousScratch && !previous.empty() && previous != path) ::unlink(previous.c_str());
    rate_ = rate;
    scale_ = scale;
    ownFile_ = own;
    if (keep) {
        for (size_t i = 0; i < std::min(keep->size(), table_.size()); ++i) table_[i] = (*keep)[i];
        currentIndex_ = -1;
        GoTo(0);
    }
    return s;
}

Status CZVMovie::writeRangeMve(const std::string& path, int first, int last) {
    TempBeside out(path);
    if (out.fd < 0) return Status::failure(path + ": " + errnoText(errno));
    CZVimage frame;
    std::vector<uint8_t> packed;
    int64_t pos = 4 + int64_t(kMveHeaderSize);
    for (int i = first; i < last; ++i) {
        CopyFrame(i, frame);
        if (i == first) {
            uint8_t head[4 + kMveHeaderSize];
            storeLE32(head, uint32_t(kMveMagic));
            encodeImageHeader(frame, head + 4);
            if (!pwriteAll(out.fd, head, sizeof head, 0)) return Status::failure(path + ": " + errnoText(errno));
        }
        const size_t n = size_t(frame.rowBytes()) * size_t(frame.rows());
        if (!pwriteAll(out.fd, packedRows(frame, packed), n, pos)) return Status::failure(path + ": " + errnoText(errno));
        pos += int64_t(n);
    }
    if (first >= last) {
        uint8_t head[4 + kMveHeaderSize];
        storeLE32(head, uint32_t(kMveMagic));
        encodeImageHeader(format_, head + 4);
        if (!pwriteAll(out.fd, head, sizeof head, 0)) return Status::failure(path + ": " + errnoText(errno));
    }
    uint8_t tail[8];
    storeLE32(tail, uint32_t(last - first));
    storeLE32(tail + 4, 0);
    if (!pwriteAll(out.fd, tail, 8, pos)) return Status::failure(path + ": " + errnoText(errno));
    return out.commit(path);
}

Status CZVMovie::writeRangeAvi(const std::string& path, int first, int last) {
    AviWriter::Params p;
    p.width = format_.width();
    p.height = format_.rows();
    p.colour = format_.colour() == CZVimage::kColour;
    p.rate = rate_ > 0 ? rate_ : 25;
    p.scale = scale_ > 0 ? scale_ : 1;
    p.codec = options.codec;
    auto w = AviWriter::open(path, p);
    if (!w) return w.status();
    CZVimage frame;
    for (int i = first; i < last; ++i) {
        CopyFrame(i, frame);
        if (Status s = w.value()->write(frame); !s) return s;
    }
    return w.value()->close();
}

Status CZVMovie::SaveRange(const std::string& path, int first, int last) {
    clampRange(first, last);
    if (!storage_->isOpen()) return Status::failure("there is no movie to save");
    if (storage_->recording())
        return Status::failure("the movie is being recorded");
    if (pass_.running()) return Status::failure("a processing pass is running");
    const bool avi = isForeignVideo(path) || options.compressOutput;
    FrameInfoList keep(table_.begin(), table_.begin());
    for (int i = first; i < last; ++i) keep.push_back(table_[size_t(PhysicalIndex(i))]);
    Status s = avi ? writeRangeAvi(path, first, last) : writeRangeMve(path, first, last);
    if (!s) {
        debugLog("czvmovie save %s to %s exception.\n", fileName_.c_str(), path.c_str());
        return s;
    }
    return reopenAs(path, true, &keep);
}

Status CZVMovie::save(const std::string& path, int first, int last) {
    clampRange(first, last);
    if (!storage_->isOpen()) return Status::failure("there is no movie to save");
    if (first != 0 || last != count_ || storage_->lendsFrames()) return SaveRange(path, first, last);
    if (path == fileName_) return Status::success();  // already that file: nothing to write
    if (!iequals(extensionOf(path), extensionOf(fileName_))) return SaveRange(path, first, last);
    const int current = currentIndex_;
    const std::string from = fileName_;
    FrameInfoList keep = table_;
    const int32_t rate = rate_, scale = scale_;
    if (ownFile_) {
        if (!storage_->isFile()) {
            debugLog("czvmovie didn't save %s to %s\n", from.c_str(), path.c_str());
            return Status::failure("the movie is not a file that can be copied");
        }
        debugLog("czvmovie::save copy %s to %s\n", from.c_str(), path.c_str());
        Close();
        std::error_code ec;
        Status copied = copyFileAtomically(from, path);
        if (!copied) ec = std::make_error_code(std::errc::io_error);
        if (ec) {
            debugLog("czvmovie save %s to %s exception.\n", from.c_str(), path.c_str());
            Status back = reopenAs(from, true, &keep);
            (void)back;
            rate_ = rate;
            scale_ = scale;
            GoTo(current);
            return copied;
        }
    } else {
        debugLog("czvmovie::save rename %s to %s\n", from.c_str(), path.c_str());
        Close();
        std::error_code ec;
        fs::rename(from, path, ec);
        if (ec) {
            debugLog("czvmovie save %s to %s exception.\n", from.c_str(), path.c_str());
            Status back = reopenAs(from, false, &keep);
            (void)back;
            rate_ = rate;
            scale_ = scale;
            GoTo(current);
            return Status::failure(path + ": " + ec.message());
        }
    }
    Status s = reopenAs(path, true, &keep);
    rate_ = rate;
    scale_ = scale;
    if (s) GoTo(current);
    return s;
}

void CZVMovie::SetOffsets(int x, int y, int first, int last) {
    clampRange(first, last);
    for (int i = first; i < last; ++i) {
        FrameInfo& e = table_[size_t(PhysicalIndex(i))];
        if (!e.known()) {
            CZVimage tmp;
            CopyFrame(i, tmp);
        }
        e.x = x;
        e.y = y;
    }
    if (currentIndex_ >= first && currentIndex_ < last) current_.setOrigin(x, y);
}

void CZVMovie::ShiftCurrentOffset(int dx, int dy) {
    if (count_ <= 0 || currentIndex_ < 0 || currentIndex_ >= count_) return;
    current_.setOrigin(current_.originX() + dx, current_.originY() + dy);
    FrameInfo& e = table_[size_t(PhysicalIndex(currentIndex_))];
    e = FrameInfo{current_.tag(), current_.interlace(), current_.originX(), current_.originY()};
}

CZVMovie::Bounds CZVMovie::OffsetBounds(int first, int last) {
    clampRange(first, last);
    Bounds b;
    int minX = INT_MAX, maxX = INT_MIN, minY = INT_MAX, maxY = INT_MIN;
    CZVimage tmp;
    for (int i = first; i < last; ++i) {
        const size_t slot = size_t(PhysicalIndex(i));
        if (!table_[slot].known()) CopyFrame(i, tmp);
        const FrameInfo& e = table_[slot];
        minX = std::min(minX, e.x);
        maxX = std::max(maxX, e.x);
        minY = std::min(minY, e.y);
        maxY = std::max(maxY, e.y);
        if (e.x != 0 || e.y != 0) b.anyNonZero = true;
    }
    if (first >= last) minX = maxX = minY = maxY = 0;
    b.minX = minX;
    b.minY = minY;
    b.width = int(std::min<int64_t>(INT_MAX, int64_t(format_.width()) + maxX - minX));
    b.height = int(std::min<int64_t>(INT_MAX, int64_t(format_.height()) + maxY - minY));
    return b;
}

Status CZVMovie::ExportOffsets(const std::string& path, int first, int last, double xScale, double yScale,
                               const std::function<void(int, double&, double&)>& refine, const std::string& units) {
    clampRange(first, last);
    std::string text = strprintf("file=%s\n", fileName_.c_str());
    const char* u = units.empty() ? "pixel" : units.c_str();
    text += strprintf("image, offsetx (%s), offsety (%s)\n", u, u);
    CZVimage tmp;
    for (int i = first + 1; i < last; ++i) {
        const size_t slot = size_t(PhysicalIndex(i));
        if (!table_[slot].known()) CopyFrame(i, tmp);
        double x = table_[slot].x, y = table_[slot].y;
        if (refine) refine(i, x, y);
        text += strprintf("%05i, %12.3g, %12.3g\n", i, x * xScale, y * yScale);
    }
    return writeFileAtomically(path, text);
}

int32_t CZVMovie::ElapsedFields() {
    if (count_ <= 0) return 0;
    const size_t s0 = size_t(PhysicalIndex(0));
    if (!table_[s0].known()) {
        CZVimage tmp;
        CopyFrame(0, tmp);
    }
    const int cur = std::clamp(currentIndex_, 0, count_ - 1);
    const FrameInfo& e = table_[size_t(PhysicalIndex(cur))];
    // Field numbers of a damaged file can lie at both ends of the int range.
    const int64_t d = int64_t(e.known() ? e.field : current_.tag()) - int64_t(table_[s0].field);
    return int32_t(std::clamp<int64_t>(d, INT32_MIN, INT32_MAX));
}

Result<int> CZVMovie::importRaw16(const std::string& path, int width, int height, int frames) {
    if (width < 1 || height < 1 || int64_t(width) * height > (int64_t(1) << 26))
        return Status::failure(strprintf("%s: bad frame size %i x %i", path.c_str(), width, height));
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Status::failure(path + ": " + errnoText(errno));
    struct stat st {};
    ::fstat(fd, &st);
    const int64_t frameBytes = int64_t(width) * height * 2;
    const int64_t inFile = st.st_size / frameBytes;
    int64_t n = frames > 0 ? frames : inFile;
    n = std::min<int64_t>({n, inFile, INT_MAX / 2});
    Close();
    if (n < 1) {
        ::close(fd);
        return Status::failure(path + ": the file holds no whole frame");
    }
    storage_ = MovieStorage::memory();
    format_.setInterlace(CZVimage::kFrame);
    if (!createImages(int(n), width, height, CZVimage::kGrey) || !storage_->pixels(0) || capacity_ < n) {
        ::close(fd);
        Close();
        return Status::failure("Low memory.  Save all data & exit.");
    }
    std::vector<uint8_t> raw(static_cast<size_t>(frameBytes));
    int got = 0;
    for (; got < n; ++got) {
        if (!preadAll(fd, raw.data(), raw.size(), int64_t(got) * frameBytes)) break;
        uint8_t* dst = storage_->pixels(got);
        for (int y = 0; y < height; ++y) {
            const uint8_t* s = &raw[size_t(y) * size_t(width) * 2];
            uint8_t* d = dst + size_t(y) * size_t(format_.stride());
            for (int x = 0; x < width; ++x) d[x] = uint8_t((s[2 * x] | s[2 * x + 1] << 8) / 4);
        }
        table_[size_t(got)] = FrameInfo{got, CZVimage::kFrame, 0, 0};
    }
    ::close(fd);
    count_ = got;
    fileName_.clear();
    modified_ = true;
    ownFile_ = false;
    currentIndex_ = -1;
    GoTo(0);
    return got;
}
