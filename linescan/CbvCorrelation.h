#pragma once
// The line-scan velocity around the correlation kernel (chart/Correlogram.h):
// the peak of a correlogram (whole shift or refined to a fraction) and the
// correlation of two traces. Plain functions over arrays so that the
// document, ordavia-cli and the benchmarks share them.
#include <cstdint>
#include <memory>
#include <vector>

#include "chart/Correlogram.h"

class CTrace;
class C2DTrace;

namespace ordavia {

struct CbvParams;

struct CorrelPeak {
    int index = 0;         // whole shift of the peak
    double value = 0;      // its correlogram value
    double position = 0;   // index, or refined to a fraction with subpixel
};

// Peak of a correlogram column of n values. zeroPeak: the largest value
// (the first of equal ones). Otherwise the highest local maximum over
// shifts 1 .. n - 2: higher than the value before, not lower than the one
// after; ties keep the first; none gives value 0 at index 0. NaN values
// never become peaks. `fine` holds the unrounded values used to refine
// the position (may be null: no refinement).
CorrelPeak findCorrelPeak(const double* column, uint32_t n, bool zeroPeak, const double* fine = nullptr);

// Vertex of the parabola through (-1, l), (0, c), (1, r), as an offset in
// [-0.5, 0.5]; 0 when the three points do not make a peak.
double parabolaOffset(double l, double c, double r);

// "correlate": n = min(len A, len B) / 2 coefficients of A's first n points
// against B shifted 0 .. n - 1 (wrapping at B's length).
std::vector<double> traceCorrelation(const CTrace& a, const CTrace& b);

// The chart review's "&Calculate velocity" on a stack of scan lines: the
// two-dimensional "correlation" trace (type 12, width components / 2 + 1)
// of every selected row against the previous one and the "cbv" trace
// (type 4, red) of the velocity per row, in the source's y units per x unit.
struct ReviewVelocity {
    std::unique_ptr<C2DTrace> correlation;
    std::unique_ptr<CTrace> cbv;
};
ReviewVelocity calculateReviewVelocity(const C2DTrace& source, uint32_t from, uint32_t to, const CbvParams& p);

}  // namespace ordavia
