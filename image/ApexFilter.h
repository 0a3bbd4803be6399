#pragma once
// The apex filter: a matched filter for the dark round tips of capillary
// loops. The template is an inverted Gaussian bowl in integers,
// T(dx, dy) = trunc(gpeak - ggain x exp(-(dx^2 + dy^2) / (2 (stddev h)^2)))
// for |dx|, |dy| <= h = apexw / 2. At each pixel the template is laid over
// the region and cut to the part inside; with S = sum T x p and N = sum T
// over that part the output is trunc(S x (apexfactor / N) + apexoffset),
// clamped to 0..255.
#include <vector>

#include "base/Geometry.h"

class CZVimage;

namespace ordavia {

struct GreyRegion;
struct ProcessingArgs;

struct ApexTemplate {
    int half = 0;            // h
    std::vector<int> taps;   // (2h + 1)^2 values, row by row from (-h, -h)
    int size() const { return 2 * half + 1; }
    int at(int dx, int dy) const { return taps[size_t((dy + half) * size() + (dx + half))]; }
};

// Half-widths above this are refused (a template of 2049 pixels is far
// beyond any apex and would only make the filter crawl).
inline constexpr int kApexMaxHalf = 1024;

// Empty when apexw / 2 is below 1 or above kApexMaxHalf, or the spread is
// not a positive finite number (the bowl would be undefined). With
// maxHalf > 0 the taps are kept only out to that distance.
ApexTemplate makeApexTemplate(const ProcessingArgs& args, int maxHalf = 0);

bool apexFilter(CZVimage& img, const ZRect& region, const ProcessingArgs& args);
bool apexFilter(const GreyRegion& region, const ProcessingArgs& args);

}  // namespace ordavia
