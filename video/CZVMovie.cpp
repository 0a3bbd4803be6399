// CZVMovie: opening and random access. Recording is in
// MovieRecord.cpp; saving, processing passes and offsets in MovieSave.cpp.
#include "video/CZVMovie.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>

#include "base/ByteOrder.h"
#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "dicom/DicomPicture.h"
#include "image/FileKinds.h"
#include "settings/DebugLog.h"
#include "video/AviReader.h"
#include "video/AviWriter.h"
#include "video/MovieIo.h"
#include "video/MveFormat.h"

namespace ordavia {

void MovieFrameImage::alias(uint8_t* pixels, const CZVimage& shape) {
    releasePixels();
    pixels_ = pixels;
    ownsPixels_ = false;
    width_ = shape.width();
    rows_ = shape.rows();
    stride_ = shape.stride();
    rowBytes_ = shape.rowBytes();
    bpp_ = shape.bytesPerPixel();
    colour_ = shape.colour();
    interlace_ = shape.interlace();
    header_.clear();
}

void MovieFrameImage::own() {
    if (ownsPixels_) return;
    pixels_ = nullptr;
    ownsPixels_ = true;
    const int w = width_, r = rows_, b = bpp_;
    width_ = rows_ = stride_ = rowBytes_ = 0;
    resize(w, r, b);
}

bool isForeignVideo(const std::string& path) { return hasExtensionIn(path, foreignVideoExtensions()); }

std::string errnoText(int e) { return std::strerror(e); }

bool preadAll(int fd, void* buf, size_t n, int64_t pos) {
    auto* p = static_cast<uint8_t*>(buf);
    while (n > 0) {
        const ssize_t r = ::pread(fd, p, n, off_t(pos));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        p += r;
        n -= size_t(r);
        pos += r;
    }
    return true;
}

bool pwriteAll(int fd, const void* buf, size_t n, int64_t pos) { return writeAll(fd, buf, n, pos).ok(); }

// The stored rows of an image without the row padding of its stride.
const uint8_t* packedRows(const CZVimage& img, std::vector<uint8_t>& scratch) {
    const size_t rb = size_t(img.rowBytes());
    if (size_t(img.stride()) == rb) return img.data();
    scratch.resize(rb * size_t(img.rows()));
    for (int y = 0; y < img.rows(); ++y) std::memcpy(&scratch[rb * size_t(y)], img.row(y), rb);
    return scratch.data();
}

void encodeImageHeader(const CZVimage& img, uint8_t out[kMveHeaderSize]) { encodeImageHeader(imageHeaderOf(img), out); }

}  // namespace ordavia

using namespace ordavia;

CZVMovie::CZVMovie() : storage_(MovieStorage::closed()) {}

// A processing output nobody saved is the movie's own scratch: it goes
// with the movie (a save renames it and makes it the user's file).
CZVMovie::~CZVMovie() {
    const bool scratch = !ownFile_ && storage_->isFile();
    const std::string name = fileName_;
    Close();
    if (scratch && !name.empty()) ::unlink(name.c_str());
}

int CZVMovie::PhysicalIndex(int i) const {
    if (!wrapped_) return i;
    int p = ringStart_ + i;
    if (p >= count_) p -= count_;
    return p;
}

void CZVMovie::clampRange(int& first, int& last) const {
    if (first < 0) first = 0;
    if (last < 0 || last > count_) last = count_;
    if (first > last) first = last;
}

Status CZVMovie::createImages(int n, int width, int height, int colour) {
    debugLog("CZVMovie::createImages:existing %i newsize %i images\n", capacity_, n);
    if (n < 0 || width < 1 || height < 1)
        return Status::failure(StatusCode::OutOfRange, strprintf("no frames of %d x %d can be made", width, height));
    const auto noMemory = [&] {
        return Status::failure(StatusCode::NoMemory, strprintf("not enough memory for %d frames of %d x %d", n, width, height));
    };
    const int interlace = format_.interlace();
    format_.setInterlace(interlace);
    const int rows = format_.isField() ? height / 2 : height;
    if (!format_.resize(width, rows, colour == CZVimage::kColour ? 3 : 1)) return noMemory();
    format_.setColour(colour);
    const size_t old = table_.size();
    table_.resize(size_t(n));
    for (size_t i = old; i < table_.size(); ++i) table_[i] = FrameInfo{};
    // Only memory needs room: its block may move, and the current image
    // borrows from it.
    uint8_t* const before = storage_->pixels(0);
    if (!storage_->reserve(n, format_.byteCount())) return noMemory();
    capacity_ = n;
    if (current_.aliased()) {
        uint8_t* const base = storage_->pixels(0);
        if (!base) current_.own();
        else if (base != before) current_.alias(storage_->pixels(PhysicalIndex(std::max(0, currentIndex_))), format_);
    }
    debugLog("\nCZVMovie::createImages:created %i\n", n);
    return Status::success();
}

void CZVMovie::applyInfo(int slot) {
    if (slot < 0 || size_t(slot) >= table_.size()) return;
    const FrameInfo& e = table_[size_t(slot)];
    if (!e.known()) return;
    current_.setTag(e.field);
    if (e.interlace >= 0 && e.interlace <= 2) current_.setInterlace(e.interlace);
    current_.setOriginX(e.x);
    current_.setOriginY(e.y);
}

void CZVMovie::leaveFrame() {
    if (!pass_.running()) return;
    pass_.writeLeftFrame(*this);
    currentIndex_ = -1;
}

CZVimage& CZVMovie::GoTo(int i) {
    if (count_ <= 0 || !storage_->isOpen()) return current_;
    if (i < 0 || i >= count_) i = 0;
    if (pass_.running()) {
        if (i == currentIndex_) return current_;
        pass_.writeLeftFrame(*this);
    }
    currentIndex_ = i;
    const int slot = PhysicalIndex(i);
    const bool keepApart = pass_.running() && !pass_.inPlace();
    const MovieStorage::Read r = storage_->show(slot, current_, format_, keepApart, table_[size_t(slot)], outOfMemory_);
    if (r == MovieStorage::Read::NoRoom) return current_;
    noteRead(i, r);
    applyInfo(slot);
    return current_;
}

void CZVMovie::noteRead(int i, MovieStorage::Read r) {
    if (r == MovieStorage::Read::Ok) damaged_.erase(i);
    else if (r == MovieStorage::Read::Failed) damaged_.insert(i);
}

int CZVMovie::Next() { return currentIndex_ + 1 >= count_ ? 0 : currentIndex_ + 1; }

int CZVMovie::CopyFrame(int i, CZVimage& image) {
    if (count_ <= 0) return 0;
    if (i < 0 || i >= count_) i = 0;
    const int slot = PhysicalIndex(i);
    // A frame read from disc is already in hand when it is the current one.
    if (!storage_->lendsFrames() && i == currentIndex_ && !current_.isEmpty()) {
        image.setInterlace(current_.interlace());
        image.Copy(current_);
        return i;
    }
    const MovieStorage::Read r = storage_->copy(slot, image, format_, table_[size_t(slot)], outOfMemory_);
    if (r == MovieStorage::Read::NoRoom) return i;
    noteRead(i, r);
    const FrameInfo& e = table_[size_t(slot)];
    if (e.known()) {
        image.setTag(e.field);
        if (e.interlace >= 0 && e.interlace <= 2) image.setInterlace(e.interlace);
        image.setOrigin(e.x, e.y);
    }
    return i;
}

const CZVimage& CZVMovie::peekFrame(int i, MovieFrameImage& scratch) {
    if (!storage_->lendsFrames()) {
        if (scratch.aliased()) scratch.own();
        CopyFrame(i, scratch);
        return scratch;
    }
    if (count_ <= 0) return scratch;
    if (i < 0 || i >= count_) i = 0;
    const int slot = PhysicalIndex(i);
    scratch.alias(storage_->pixels(slot), format_);
    const FrameInfo& e = table_[size_t(slot)];
    if (e.known()) {
        scratch.setTag(e.field);
        if (e.interlace >= 0 && e.interlace <= 2) scratch.setInterlace(e.interlace);
        scratch.setOrigin(e.x, e.y);
    }
    return scratch;
}

Status CZVMovie::Open(const std::string& path) {
    Close();
    // A FIFO or a device named like a movie would block the reader (or
    // never end); only regular files are movies.
    if (Status r = checkRegularFile(path); !r) {
        struct stat st {};
        return Status::failure(::stat(path.c_str(), &st) != 0 ? StatusCode::NotFound : StatusCode::Unsupported, r.reason());
    }
    Status s = hasExtensionIn(path, dicomExtensions()) || isDicomFile(path) ? openDicom(path)
               : isForeignVideo(path)                                     ? openAvi(path)
                                                                          : openMve(path);
    if (!s) {
        Close();
        return s;
    }
    return s;
}

Status CZVMovie::openMve(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    const bool writable = fd >= 0;
    if (fd < 0) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Status::failure(errno == ENOENT ? StatusCode::NotFound : StatusCode::IoError, path + ": " + errnoText(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Status::failure(StatusCode::Unsupported, path + ": not a movie file");
    }
    const int64_t size = st.st_size;
    auto fail = [&](const std::string& why) {
        ::close(fd);
        debugLog("CZVMovie::Open %s: %s\n", path.c_str(), why.c_str());
        return Status::failure(StatusCode::BadFormat, path + ": " + why);
    };
    uint8_t head[4 + kMveHeaderSize] = {};
    const size_t headBytes = size_t(std::min<int64_t>(size, sizeof head));
    if (headBytes < 4 || !preadAll(fd, head, headBytes, 0)) return fail("the file is too short to be a movie");
    const int32_t w = loadLE32(head);
    int64_t count = 0, ring = 0, payloadEnd = size;
    if (w < 0) {
        uint8_t tail[8];
        if (size < 12 || !preadAll(fd, tail, 8, size - 8)) return fail("the movie file has no trailer");
        count = loadLE32(tail);
        ring = loadLE32(tail + 4);
        payloadEnd = size - 8;
    } else {
        count = w;
    }
    // A recording that never finished: its last trailer may be half
    // overwritten by a frame that was being written, so the whole frames
    // on the disc are what it holds.
    unfinished_ = w <= kMveMagic && headBytes == sizeof head && int32_t(loadLE32(head + kMveFieldPosition)) == kMveUnfinishedField;
    // The header is taken for the frames only once a count says there are
    // any; an empty movie keeps the smallest format whatever it declares.
    ImageHeader h;
    MveLayout layout;
    if (ImageHeader u; unfinished_ && parseMveHeader(head + 4, headBytes - 4, u) && u.frameBytes() > 0 &&
                          u.frameBytes() <= kMaxMovieFrameBytes) {
        const int64_t whole = (size - 4 - u.headerLength) / u.frameBytes();
        const int64_t fits = (payloadEnd - 4 - u.headerLength) / u.frameBytes();
        if (count < 0 || count > fits || ring < 0 || ring > count) {
            count = std::min<int64_t>(whole, INT32_MAX / 2);
            ring = count;
            payloadEnd = size;  // no trailer to leave out
        }
    }
    // A count read from pixels instead of a trailer: the file was cut short.
    if (count < 0) return fail("the movie file is damaged (its trailer is unreadable: the file may be truncated)");
    if (count > 0) {
        if (!parseMveHeader(head + 4, headBytes - 4, h)) return fail("the movie file is damaged (bad frame header)");
        if (h.frameBytes() > kMaxMovieFrameBytes) {
            ::close(fd);
            return Status::failure(StatusCode::NoMemory, path + ": " +
                                                             strprintf("frames of %d x %d pixels are beyond what this program reads",
                                                                       h.width, h.rows));
        }
        if (w <= kMveMagic) {
            layout.firstPos = 4 + h.headerLength;
            layout.recordSize = h.frameBytes();
        } else {
            layout.perFrameHeaders = true;
            layout.firstPos = 4;
            layout.recordSize = h.headerLength + h.frameBytes();
            layout.pixelOffset = h.headerLength;
        }
        const int64_t fits = (payloadEnd - layout.firstPos) / layout.recordSize;
        if (fits < count) {
            return fail(strprintf("the movie file is damaged (truncated: it holds %lld of %lld frames)",
                                  (long long)std::max<int64_t>(fits, 0), (long long)count));
        }
    }
    if (ring < 0 || (count > 0 && ring > count) || (count == 0 && ring != 0))
        return fail("the movie file is damaged (ring start outside the frames)");
    storage_ = MovieStorage::movieFile(fd, path, layout, writable);
    fileName_ = path;
    count_ = 0;
    ringStart_ = int(ring);
    wrapped_ = w < 0 && count != ring;
    if (ring == count) ringStart_ = 0;
    if (count > 0) {
        format_.setInterlace(h.interlace);
        if (!createImages(int(count), h.width, format_.isField() ? h.rows * 2 : h.rows, h.colour).ok() ||
            format_.rows() != h.rows) {
            storage_ = MovieStorage::closed();
            return Status::failure(StatusCode::NoMemory, path + ": not enough memory for the frame table");
        }
    } else if (!createImages(0, std::max(h.width, 1), std::max(h.rows, 1), 0)) {
        storage_ = MovieStorage::closed();
        return Status::failure(StatusCode::NoMemory, path + ": not enough memory for the frame format");
    }
    count_ = int(count);
    current_.setInterlace(format_.interlace());
    current_.resize(format_.width(), format_.rows(), format_.bytesPerPixel());
    current_.setColour(format_.colour());
    rate_ = scale_ = 1;
    ownFile_ = true;
    modified_ = false;
    currentIndex_ = -1;
    GoTo(0);
    return Status::success();
}

Status CZVMovie::openAvi(const std::string& path) {
    auto r = AviReader::open(path);
    if (!r) return r.status();
    const AviReader& avi = *r.value();
    storage_ = MovieStorage::aviFile(std::move(r.value()));
    fileName_ = path;
    format_.setInterlace(CZVimage::kFrame);
    if (!createImages(avi.count(), avi.width(), avi.height(), CZVimage::kGrey)) {
        storage_ = MovieStorage::closed();
        return Status::failure(StatusCode::NoMemory, path + ": not enough memory for the frame table");
    }
    count_ = avi.count();
    rate_ = avi.rate();
    scale_ = avi.scale();
    ringStart_ = 0;
    wrapped_ = false;
    ownFile_ = true;
    modified_ = false;
    current_.resize(format_.width(), format_.rows(), 1);
    current_.setColour(CZVimage::kGrey);
    currentIndex_ = -1;
    GoTo(0);
    return Status::success();
}

std::string CZVMovie::readingNotice() const {
    if (const AviReader* avi = storage_->aviReader(); avi && !avi->truncation().empty()) return avi->truncation();
    if (unfinished_)
        return strprintf("the recording of this movie was not finished (the program stopped while recording); "
                         "it holds the %d frames captured before that",
                         count_);
    return {};
}

void CZVMovie::Close() {
    if (pass_.running()) pass_.abandon();
    // An unfinished movie file recording gets its trailer here.
    storage_->close(ring(), format_);
    if (modified_ && storage_->isOpen()) debugLog("closing modified movie!\n");
    unfinished_ = false;
    dicom_ = false;
    if (current_.aliased()) current_.own();
    storage_ = MovieStorage::closed();
    count_ = capacity_ = 0;
    table_.clear();
    damaged_.clear();
    outOfMemory_ = false;
    fileName_.clear();
    wrapped_ = false;
    ringStart_ = 0;
    currentIndex_ = 0;
    modified_ = false;
}
