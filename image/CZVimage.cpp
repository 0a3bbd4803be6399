// Shape, pixel access, rectangles and copies of CZVimage. Point operations
// are in ImageOps.cpp, Bayer handling in Bayer.cpp, display in
// ImageDisplay.cpp and files in ImageFile.cpp.
#include "image/CZVimage.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

#include "image/CZVchildimage.h"
#include "settings/DebugLog.h"

using namespace ordavia;

namespace {
// Refuse sizes no picture of ours reaches, before asking the allocator:
// 4 GiB of pixels.
constexpr uint64_t kMaxImageBytes = uint64_t(1) << 32;
}  // namespace

CZVimage::CZVimage() = default;

CZVimage::CZVimage(int width, int height, int tag, int interlace, int colour) : tag_(tag), interlace_(interlace) {
    if (resize(width, isField() ? height / 2 : height, 1)) setColour(colour);
}

CZVimage::~CZVimage() { releasePixels(); }

CZVimage::CZVimage(CZVimage&& o) noexcept { *this = std::move(o); }

CZVimage& CZVimage::operator=(CZVimage&& o) noexcept {
    if (this == &o) return *this;
    releasePixels();
    header_ = std::move(o.header_);
    autoContrast_ = o.autoContrast_;
    tag_ = o.tag_;
    interlace_ = o.interlace_;
    width_ = o.width_;
    rows_ = o.rows_;
    originX_ = o.originX_;
    originY_ = o.originY_;
    pixels_ = o.pixels_;
    ownsPixels_ = o.ownsPixels_;
    stride_ = o.stride_;
    rowBytes_ = o.rowBytes_;
    paletteIndex_ = o.paletteIndex_;
    zeroAsBlack_ = o.zeroAsBlack_;
    aux_ = std::move(o.aux_);
    colour_ = o.colour_;
    bpp_ = o.bpp_;
    adjustSize_ = o.adjustSize_;
    o.pixels_ = nullptr;
    o.ownsPixels_ = true;
    o.width_ = o.rows_ = o.stride_ = o.rowBytes_ = 0;
    o.header_.clear();
    return *this;
}

void CZVimage::releasePixels() {
    if (ownsPixels_) delete[] pixels_;
    pixels_ = nullptr;
    ownsPixels_ = true;
}

void CZVimage::adoptData(CZVimage&& from) {
    releasePixels();
    pixels_ = from.pixels_;
    ownsPixels_ = from.ownsPixels_;
    from.pixels_ = nullptr;
    from.ownsPixels_ = true;
    tag_ = from.tag_;
    interlace_ = from.interlace_;
    width_ = from.width_;
    rows_ = from.rows_;
    originX_ = from.originX_;
    originY_ = from.originY_;
    stride_ = from.stride_;
    rowBytes_ = from.rowBytes_;
    colour_ = from.colour_;
    bpp_ = from.bpp_;
    header_.clear();
}

int CZVimage::resize(int width, int rows, int bytesPerPixel) {
    if (width < 0 || rows < 0 || bytesPerPixel < 1) {
        debugLog("image::resize fialed!\n");
        return 0;
    }
    const int64_t stride = (int64_t(width) + 3) / 4 * 4 * bytesPerPixel;
    const uint64_t newBytes = uint64_t(stride) * uint64_t(rows);
    if (stride > INT_MAX || newBytes > kMaxImageBytes) {
        debugLog("image::resize fialed!\n");
        return 0;
    }
    const uint64_t oldBytes = pixels_ ? uint64_t(stride_) * uint64_t(rows_) : 0;
    if (newBytes != oldBytes || (newBytes > 0 && !pixels_)) {
        uint8_t* fresh = nullptr;
        if (newBytes > 0) {
            fresh = new (std::nothrow) uint8_t[newBytes]();
            if (!fresh) {
                debugLog("image::resize fialed!\n");
                return 0;
            }
        }
        releasePixels();
        pixels_ = fresh;
    }
    width_ = width;
    rows_ = rows;
    bpp_ = bytesPerPixel;
    stride_ = static_cast<int>(stride);
    rowBytes_ = width * bytesPerPixel;
    header_.clear();
    return 1;
}

int CZVimage::resizeFrame(int width, int height) { return resize(width, isField() ? height / 2 : height, bpp_); }

int CZVimage::setColour(int colour) {
    if (colour == colour_) return 1;
    const int bpp = colour == kColour ? 3 : 1;
    if (!resize(width_, rows_, bpp)) return 0;
    colour_ = colour;
    return 1;
}

// ---- Pixel access ---------------------------------------------------------

int CZVimage::getpixel(int x, int y) const {
    const int r = isField() ? y / 2 : y;
    return row(r)[static_cast<ptrdiff_t>(x) * bpp_];
}

int CZVimage::getParentPixel(int x, int y) const {
    if (!pixels_) return -1;
    if (x < originX_ || x >= originX_ + width_) return -1;
    int r;
    if (isField()) {
        if (y < 2 * originY_ || y >= 2 * (originY_ + rows_)) return -1;
        r = y / 2 - originY_;
    } else {
        if (y < originY_ || y >= originY_ + rows_) return -1;
        r = y - originY_;
    }
    return row(r)[static_cast<ptrdiff_t>(x - originX_) * bpp_];
}

void CZVimage::setParentPixel(int x, int y, int value) {
    const int r = isField() ? y / 2 - originY_ : y - originY_;
    row(r)[static_cast<ptrdiff_t>(x - originX_) * bpp_] = static_cast<uint8_t>(value);
}

// ---- Rectangles -----------------------------------------------------------

ZRect CZVimage::clip(const ZRect& r) const {
    ZRect n = r.normalized();
    if (n.isEmpty()) return ZRect{0, 0, width_, rows_};
    if (isField()) {
        n.top /= 2;
        n.bottom /= 2;
    }
    n = n.offset(-originX_, -originY_);
    return n.intersected(ZRect{0, 0, width_, rows_});
}

ZRect CZVimage::clipNoOrigin(const ZRect& r) const {
    ZRect n = r.normalized();
    if (n.isEmpty()) return ZRect{0, 0, width_, rows_};
    if (isField()) {
        n.top /= 2;
        n.bottom /= 2;
    }
    return n.intersected(ZRect{0, 0, width_, rows_});
}

ZRect CZVimage::clipForField(const ZRect& r, int field, bool* halved) const {
    ZRect c = clip(r);
    const bool h = !isField() && (field == kField1 || field == kField2);
    if (h) {
        c.top /= 2;
        c.bottom /= 2;
    }
    if (halved) *halved = h;
    return c;
}

// ---- Copies ---------------------------------------------------------------

int CZVimage::Copy(const CZVimage& src) {
    if (&src == this) return 1;
    if (!resize(src.width_, src.rows_, src.bpp_)) return 0;
    tag_ = src.tag_;
    interlace_ = src.interlace_;
    originX_ = src.originX_;
    originY_ = src.originY_;
    colour_ = src.colour_;
    paletteIndex_ = src.paletteIndex_;
    zeroAsBlack_ = src.zeroAsBlack_;
    header_.clear();
    if (!pixels_ || !src.pixels_) return 1;
    if (stride_ == src.stride_) {
        std::memcpy(pixels_, src.pixels_, byteCount());
    } else {
        for (int y = 0; y < rows_; ++y) std::memcpy(row(y), src.row(y), size_t(rowBytes_));
    }
    return 1;
}

int CZVimage::copyRect(const CZVimage& src, const ZRect& r) {
    if (r.normalized().isEmpty()) return Copy(src);
    if (&src == this) {
        // Copying a region of ourselves: go through a temporary so that the
        // resize cannot free the source rows.
        CZVimage tmp;
        if (!tmp.copyRect(src, r)) return 0;
        adoptData(std::move(tmp));
        return 1;
    }
    const ZRect c = src.clip(r);
    if (!resize(c.width(), c.height(), src.bpp_)) return 0;
    colour_ = src.colour_;
    tag_ = src.tag_;
    interlace_ = src.interlace_;
    paletteIndex_ = src.paletteIndex_;
    originX_ = originY_ = 0;
    const size_t n = size_t(rowBytes_);
    for (int y = 0; y < rows_; ++y)
        std::memcpy(row(y), src.row(c.top + y) + ptrdiff_t(c.left) * src.bpp_, n);
    return 1;
}

int CZVimage::copyROI(const CZVimage& src, const ZRect& r) {
    if (src.interlace_ != interlace_ || src.colour_ != colour_) {
        debugLog("copyROI failed. different interlace or colour!\n");
        return 0;
    }
    if (!pixels_ || !src.pixels_) return 1;
    // Work in the parent's coordinates (stored rows): the rectangle, the
    // source and this image meet there, so every pixel keeps its place even
    // when the rectangle reaches past one image but not the other. An empty
    // rectangle stands for the whole source.
    const ZRect srcExt{src.originX_, src.originY_, src.originX_ + src.width_, src.originY_ + src.rows_};
    const ZRect dstExt{originX_, originY_, originX_ + width_, originY_ + rows_};
    ZRect want = r.normalized();
    if (want.isEmpty()) {
        want = srcExt;
    } else if (isField()) {
        want.top /= 2;
        want.bottom /= 2;
    }
    const ZRect c = want.intersected(srcExt).intersected(dstExt);
    if (c.isEmpty()) return 1;
    const size_t n = size_t(c.width()) * size_t(bpp_);
    for (int y = c.top; y < c.bottom; ++y)
        std::memmove(row(y - originY_) + ptrdiff_t(c.left - originX_) * bpp_,
                     src.row(y - src.originY_) + ptrdiff_t(c.left - src.originX_) * bpp_, n);
    return 1;
}

std::unique_ptr<CZVchildimage> CZVimage::childFor(const ZRect& r) {
    if (!pixels_) return nullptr;
    const ZRect c = clip(r);
    if (c.isEmpty()) return nullptr;
    auto child = std::make_unique<CZVchildimage>();
    child->attachRegion(*this, c);
    return child;
}

int CZVimage::extractfrom(const CZVimage& src, int field) {
    if (src.colour_ != colour_) {
        debugLog("CZVimage::extractfrom() colour missmatch!\n");
        return 0;
    }
    const int w = std::min(width_, src.width_);
    int start = 0, step = 1, n = std::min(rows_, src.rows_);
    if (!src.isField() && (field == kField1 || field == kField2)) {
        start = field - 1;
        step = 2;
        n = std::min(rows_, src.rows_ / 2);
    }
    if (pixels_ && src.pixels_ && w > 0) {
        const size_t bytes = size_t(w) * size_t(bpp_);
        for (int y = 0; y < n; ++y) std::memcpy(row(y), src.row(start + y * step), bytes);
    }
    originX_ = originY_ = 0;
    tag_ = src.tag_;
    interlace_ = field;
    header_.clear();
    return 1;
}

int CZVimage::convertFrom(const CZVimage& src) {
    if (&src == this) return 1;
    const int w = std::min(width_, src.width_);
    const int n = std::min(rows_, src.rows_);
    if (!pixels_ || !src.pixels_ || w <= 0 || n <= 0) return 1;
    header_.clear();
    if (colour_ == kColour && src.colour_ == kBayer) {
        if (src.width_ == width_ && src.rows_ == rows_) return src.demosaic(pixels_, stride_);
        // Different sizes: demosaic the whole mosaic, then take the overlap.
        CZVimage tmp;
        if (!src.demosaicTo(tmp)) return 0;
        for (int y = 0; y < n; ++y) std::memcpy(row(y), tmp.row(y), size_t(w) * 3);
        return 1;
    }
    if (colour_ == src.colour_ || bpp_ == src.bpp_) {
        // Same layout (grey, Bayer, or grey and Bayer between each other).
        for (int y = 0; y < n; ++y) std::memcpy(row(y), src.row(y), size_t(w) * size_t(bpp_));
        return 1;
    }
    if (bpp_ == 3) {
        for (int y = 0; y < n; ++y) {
            const uint8_t* s = src.row(y);
            uint8_t* d = row(y);
            for (int x = 0; x < w; ++x, d += 3) d[0] = d[1] = d[2] = s[x];
        }
        return 1;
    }
    // One byte from a colour pixel: its first (blue) byte.
    for (int y = 0; y < n; ++y) {
        const uint8_t* s = src.row(y);
        uint8_t* d = row(y);
        for (int x = 0; x < w; ++x) d[x] = s[ptrdiff_t(x) * src.bpp_];
    }
    return 1;
}

void CZVimage::flipVertical() {
    if (!pixels_) return;
    for (int i = 0; i < rows_ / 2; ++i) std::swap_ranges(row(i), row(i) + rowBytes_, row(rows_ - 1 - i));
    header_.clear();
}
