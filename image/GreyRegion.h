#pragma once
// A view of the pixels of one clipped rectangle of an 8-bit image: the
// common currency of the filters and detectors. Works in stored rows, so a
// field image is filtered as the rows it holds.
#include <cstddef>
#include <cstdint>

#include "base/Geometry.h"
#include "image/CZVimage.h"

namespace ordavia {

struct GreyRegion {
    uint8_t* data = nullptr;  // top-left pixel of the region
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    ZRect rect;  // the clipped rectangle, stored rows, relative to the buffer

    bool empty() const { return data == nullptr || width <= 0 || height <= 0; }
    uint8_t* row(int y) const { return data + ptrdiff_t(y) * stride; }
    uint8_t& at(int x, int y) const { return data[ptrdiff_t(y) * stride + x]; }
};

// The region of `img` over a rectangle already clipped to its stored rows.
// Empty when the image has no pixels, is not one byte per pixel, or the
// rectangle is empty.
inline GreyRegion greyRegionOfClip(CZVimage& img, const ZRect& c) {
    GreyRegion g;
    if (img.isEmpty() || img.bytesPerPixel() != 1 || c.isEmpty()) return g;
    g.data = img.row(c.top) + c.left;
    g.stride = img.stride();
    g.width = c.width();
    g.height = c.height();
    g.rect = c;
    return g;
}

// The region of `img` for a rectangle in the image's parent frame
// coordinates (an empty rectangle is the whole image).
inline GreyRegion greyRegion(CZVimage& img, const ZRect& r) {
    return img.isEmpty() ? GreyRegion{} : greyRegionOfClip(img, img.clip(r));
}

// The same with the rectangle taken relative to the image itself (origin
// not applied), as the dust-mark interpolation wants it.
inline GreyRegion greyRegionNoOrigin(CZVimage& img, const ZRect& r) {
    return img.isEmpty() ? GreyRegion{} : greyRegionOfClip(img, img.clipNoOrigin(r));
}

}  // namespace ordavia
