#pragma once
// Functional capillary flow of a block of frames. Where blood flows the
// grey value of a pixel flickers from frame to frame as cells pass; where
// a capillary is empty it drifts at most. Per pixel of the union canvas of
// the frames' offsets (movement-corrected frames line up) the block gives
// sd(I), the temporal standard deviation of the grey value, and sd(d), that
// of the frame-to-frame difference; their ratio, where sd(I) reaches the
// threshold, is the flow image.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "base/Result.h"

class CZVimage;
class CZVMovie;

namespace ordavia {

struct FcfBlock {
    int width = 0, height = 0;  // canvas, in stored rows
    int originX = 0, originY = 0;  // the smallest offsets of the block
    ZRect common;               // canvas part that every frame of the block covers
    std::vector<double> sdD, sdI;
};

// The statistics of frames [first, last) (first < 0 is 0, last < 0 the
// count) on their canvas: for each pixel the first frame that covers it
// seeds it, the later ones add I and d = I - previous; with m of them,
// sd = sqrt((sum x^2 - (sum x)^2 / m) / m), 0 where m is 0. Colour frames
// count by their first byte.
Status fcfBlockStatistics(CZVMovie& movie, int first, int last, FcfBlock& out);

// ratio = 0 where sd(I) < threshold, else sd(d) / sd(I). With ignoreDrift
// the flicker alone, sd(d) / sqrt(2), is held against the threshold: for
// changes from frame to frame it equals sd(I), but slow changes of the
// light (lamp drift, automatic gain) that lift sd(I) everywhere leave it
// at the noise.
void fcfRatio(const std::vector<double>& sdD, const std::vector<double>& sdI, double threshold,
              std::vector<double>& ratio, bool ignoreDrift = false);
// An 8-bit grey picture of width x height: ratio x gain truncated, limited
// to 0..255.
bool fcfPicture(const std::vector<double>& ratio, int width, int height, double gain, CZVimage& out);

// The measures of a region (clipped to the arrays; the whole array when
// empty), in pixels: FCF = mean ratio, FCD = share of pixels with ratio > 0
// in percent, flux = mean sd(d), conc = mean sd(I).
struct FcfMeasures {
    int width = 0, height = 0;
    double fcf = 0, fcd = 0, flux = 0, conc = 0;
};
FcfMeasures fcfMeasure(const std::vector<double>& ratio, const std::vector<double>& sdD,
                       const std::vector<double>& sdI, int width, int height, const ZRect& region);

}  // namespace ordavia
