#pragma once
// The point and neighbourhood filters of the image commands, on 8-bit grey
// images. Regions are rectangles in the image's parent frame coordinates;
// an empty rectangle is the whole image. The box filters and the blur have
// their own headers (BoxFilter.h, GaussianBlur.h).
#include <vector>

#include "base/Geometry.h"

class CZVimage;

namespace ordavia {

struct CustomKernel;
struct GreyRegion;

// Linear stretch of the region's grey range to 0..255. Nothing when the
// range is already 0..255, the maximum is 0, or the region is flat.
// Returns true when the image changed.
bool equalise(CZVimage& img, const ZRect& region);
// The same stretch on a bare region (the detector's preprocessing chain).
bool stretchRegion(const GreyRegion& region);

// p = 255 - p over the region.
bool negativeFilter(CZVimage& img, const ZRect& region);

// 3 x 3 convolution: value = sum of k[i] x neighbour i in integers, result
// trunc(value x gain + offset) clamped to 0..255. Missing neighbours at the
// borders of the region repeat the nearest pixel. Every pixel of the
// region is written.
bool convolve3x3(CZVimage& img, const ZRect& region, const CustomKernel& kernel);
bool laplacianFilter(CZVimage& img, const ZRect& region);

// The 2 x 2 reduction: width / 2 x stored rows / 2; each new pixel is
// (p(2x, 2y) + p(2x, 2y + 1)) x 2 / 4 in integers. The result keeps the
// tag, interlace and palette; its origin is halved; colour pictures are
// binned channel by channel. An empty image for one smaller than 2 x 2.
CZVimage binImage(const CZVimage& src);

// p = clamp(p - q) when the other image has the same width and height;
// false (and no change) otherwise.
bool subtractImage(CZVimage& img, const CZVimage& other);

// Interpolates over the inside of a dust mark from its border rows and
// columns. The rectangle is taken relative to the image itself (no origin
// move); an empty one means the whole image.
bool removeDustMark(CZVimage& img, const ZRect& mark);

// Applies removeDustMark to each rectangle in order. Degenerate (empty)
// marks are skipped: for a single mark an empty rectangle means the whole
// image, which a dust spot never does. Returns how many were applied.
int applyDustFilter(CZVimage& img, const std::vector<ZRect>& marks);

}  // namespace ordavia
