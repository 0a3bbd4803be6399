#pragma once
// Separable Gaussian blur of a region of an 8-bit grey image.
//
// The kernel is single precision, m = trunc(ceil(3 sigma) + 1) taps from
// the centre outwards, with its tail tapered to a parabola where the
// Gaussian stops falling fast enough, then normalised. Near the ends of a
// line the taps that fall outside are dropped and their weight is given to
// the end pixel instead. Rows are filtered first, then columns, in place;
// results are truncated towards zero. Lines of 2m + 1 pixels or fewer are
// left as they are.
#include <string>
#include <vector>

#include "base/Geometry.h"

class CZVimage;

namespace ordavia {

struct GreyRegion;

struct GaussianKernel {
    std::vector<float> g;  // g[0] centre .. g[m - 1], normalised
    std::vector<float> e;  // e[i]: kernel weight beyond the edge at distance i
    int taps() const { return static_cast<int>(g.size()); }
};

// The kernel for sigma; empty when sigma is not a positive finite number
// or the kernel would be longer than maxTaps.
GaussianKernel makeGaussianKernel(double sigma, int maxTaps = 1 << 20);

// Blurs one line in place: s holds len samples of `lanes` interleaved
// lines (sample i of lane l at s[i * lanes + l]); out receives the same
// layout. Needs len > 2m + 1.
void blurLines(const GaussianKernel& k, const float* s, float* out, int len, int lanes);

// Blurs the region (parent frame coordinates; empty = whole image).
// Returns false when nothing was done (bad sigma, not 8-bit grey, empty).
bool gaussianBlur(CZVimage& img, const ZRect& region, double sigma);
bool gaussianBlur(const GreyRegion& region, double sigma);

// The sigma setting ("blur"/"sigma", stored as text, default "1.0").
double parseSigma(const std::string& text);

}  // namespace ordavia
