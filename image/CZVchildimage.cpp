#include "image/CZVchildimage.h"

#include "settings/DebugLog.h"

using namespace ordavia;

CZVchildimage::CZVchildimage() { ownsPixels_ = false; }

// The pixels belong to the parent; the base destructor frees only what the
// image owns.
CZVchildimage::~CZVchildimage() = default;

int CZVchildimage::resize(int width, int rows, int bytesPerPixel) {
    if (width < 0 || rows < 0 || bytesPerPixel < 1 || int64_t(width) * bytesPerPixel > stride_) {
        debugLog("fail CZVchildimage::resizedata! from %i,%i to %i,%i\n", width_, rows_, width, rows);
        return 0;
    }
    width_ = width;
    rows_ = rows;
    bpp_ = bytesPerPixel;
    rowBytes_ = width * bytesPerPixel;
    header_.clear();
    return 1;
}

void CZVchildimage::attach(const CZVimage& image) {
    releasePixels();
    ownsPixels_ = false;
    tag_ = image.tag_;
    interlace_ = image.interlace_;
    width_ = image.width_;
    rows_ = image.rows_;
    originX_ = image.originX_;
    originY_ = image.originY_;
    colour_ = image.colour_;
    bpp_ = image.bpp_;
    rowBytes_ = image.rowBytes_;
    pixels_ = image.pixels_;
    stride_ = image.stride_;
    header_.clear();
}

void CZVchildimage::attachRegion(const CZVimage& parent, const ZRect& c) {
    attach(parent);
    pixels_ = parent.pixels_ + ptrdiff_t(c.top) * parent.stride_ + ptrdiff_t(c.left) * parent.bpp_;
    width_ = c.width();
    rows_ = c.height();
    rowBytes_ = width_ * bpp_;
    originX_ = parent.originX_ + c.left;
    originY_ = parent.originY_ + c.top;
}
