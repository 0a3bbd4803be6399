#pragma once
// Statistics over a range of frames that read the movie without writing
// it: the average on the union canvas of the frames' offsets (so that
// movement-corrected frames line up), the temporal rms, and the intensity
// and frame-difference statistics behind "speed by rms" and the flow
// images.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/Result.h"

class CZVimage;
class CZVMovie;

namespace ordavia {

// Called before each frame with a text such as "processing image 5 of
// range 0 to 300" and once with "final calculation"; false cancels (the
// statistics then cover the frames read so far).
using MovieProgress = std::function<bool(const std::string& text)>;

// What one pass over a movie may hold in memory at once, whatever the
// file declares: beyond it a pass fails with NoMemory before allocating.
constexpr uint64_t kMaxPassBytes = uint64_t(1) << 30;
// Success when `bytes` fit the ceiling; otherwise NoMemory naming `what`.
Status passMemoryBudget(uint64_t bytes, const char* what);

// The average of [first, last) on the offset canvas: canvas size, origin
// at the smallest offsets, sum / cover count truncated, 0 where no frame
// lies. Grey or colour.
Status averageRange(CZVMovie& movie, int first, int last, CZVimage& out);
// The temporal standard deviation per pixel, offsets not applied.
Status rmsRange(CZVMovie& movie, int first, int last, CZVimage& out);

struct IntensityDiffStats {
    int width = 0, rows = 0;
    int64_t count = 0;  // frames in the sums plus the seeding frame
    std::vector<double> sumI, sumI2, sumD, sumD2;
    // sd(I) and sd(d) of pixel p over the m = count - 1 frames after the first.
    double sdIntensity(size_t p) const;
    double sdDifference(size_t p) const;
};
Status intensityDiffStats(CZVMovie& movie, int first, int last, IntensityDiffStats& st,
                          const MovieProgress& progress = {});
// 0 where sd(I) <= threshold, else min(255, trunc(sd(d) * gain / sd(I))).
Status speedByRms(CZVMovie& movie, int first, int last, double threshold, double gain, CZVimage& out,
                  const MovieProgress& progress = {});

}  // namespace ordavia
