#pragma once
// Box low-pass and high-pass filters over a region of an 8-bit grey image.
//
// The window is n' = (n / 2) * 2 + 1 pixels square (n rounded up to odd)
// and is cut at the edges of the region (no padding): at a corner a 5 x 5
// window covers 9 pixels. Low pass gives sum / count; high pass gives
// p - (sum - p) / (count - 1) + 128, both in integers truncated towards
// zero and clamped to 0..255. Running column sums keep the cost per pixel
// independent of the window.
#include "base/Geometry.h"

class CZVimage;

namespace ordavia {

struct GreyRegion;

enum class BoxMode { LowPass, HighPass };

// Filters the region (parent frame coordinates; empty = whole image) of a
// grey image. Does nothing and returns false when n / 2 is 0 or n is not
// smaller than the region's smaller side, or when the image is not 8-bit.
bool boxFilter(CZVimage& img, const ZRect& region, int n, BoxMode mode);
bool boxFilter(const GreyRegion& region, int n, BoxMode mode);

inline bool lowPassFilter(CZVimage& img, const ZRect& region, int n) {
    return boxFilter(img, region, n, BoxMode::LowPass);
}
inline bool highPassFilter(CZVimage& img, const ZRect& region, int n) {
    return boxFilter(img, region, n, BoxMode::HighPass);
}

// A size from the chain settings: negative = low pass of the absolute
// size, positive = high pass, 0 = skipped.
bool signedBoxFilter(const GreyRegion& region, int signedSize);

// The window size the dialog accepts.
inline constexpr int kBoxWindowMin = 3;
inline constexpr int kBoxWindowMax = 199;

}  // namespace ordavia
