#include "linescan/VelocityTrust.h"

#include <algorithm>
#include <cmath>

namespace ordavia {

std::string rangeAdvice(const VelocityTrust& t, bool hough) {
    if (t.inRange) return {};
    std::string text = "velocity outside the range of this method: try ";
    if (hough)
        return text + (t.limit == RangeLimit::TooSlow ? "a lower minimum velocity or the correlation method"
                                                      : "the correlation method");
    return text + (t.limit == RangeLimit::TooFast ? "a smaller gap or a longer line" : "a larger gap");
}

// The share of the columns' peaks within a fifth of `shift` (at least a
// row either side), and what peaks spread evenly over the rows a peak can
// take (1 .. window - 2) would give.
void agreementWith(const ShiftEvidence& e, double shift, VelocityTrust& t) {
    if (e.peaks.empty()) return;
    const double band = std::max(1.0, 0.2 * std::fabs(shift));
    const size_t near = size_t(std::count_if(e.peaks.begin(), e.peaks.end(),
                                             [&](double p) { return std::fabs(p - shift) <= band; }));
    t.agreement = double(near) / double(e.peaks.size());
    t.chance = e.window > 3 ? std::min(1.0, (2.0 * band + 1.0) / double(e.window - 2)) : 1.0;
    t.quality = t.chance < 1.0 ? std::clamp((t.agreement - t.chance) / (1.0 - t.chance), 0.0, 1.0) : 0.0;
}

VelocityTrust correlationTrust(const ShiftEvidence& e, double percentGood, double meanCorrelation) {
    VelocityTrust t;
    // Velocities without their correlogram (a file that kept only the
    // results) cannot be judged by shift: they stand as they are.
    if (e.shifts.empty()) {
        t.quality = std::clamp(percentGood * 0.01 * meanCorrelation, 0.0, 1.0);
        t.inRange = percentGood > 0;
        return t;
    }
    if (e.window < 4) {
        t.limit = RangeLimit::TooFast;
        return t;
    }
    std::vector<double> s = e.shifts;
    std::sort(s.begin(), s.end());
    const double median = s[s.size() / 2];
    agreementWith(e, median, t);
    // A peak at shift 1 stands for anything from half a point to one and a
    // half; without the sub-point peak it is no measurement. Columns that
    // match best unshifted mean the cells moved less than a point.
    const double slowest = e.subpixel ? 1.0 : 2.0;
    if (e.zeroBest * 2 > e.shifts.size() || median < slowest) {
        t.limit = RangeLimit::TooSlow;
        return t;
    }
    // Cells that leave the window between the two columns leave peaks at
    // chance shifts: most columns then disagree with the median.
    const double band = std::max(1.0, 0.25 * median);
    const size_t near = size_t(std::count_if(s.begin(), s.end(), [&](double x) { return std::fabs(x - median) <= band; }));
    if (median > double(e.window) - 2.0 || near * 2 < s.size()) {
        t.limit = RangeLimit::TooFast;
        return t;
    }
    t.inRange = true;
    return t;
}

VelocityTrust houghTrust(double rowsPerColumn, double angleStep, uint32_t rows, double agreement) {
    VelocityTrust t;
    t.quality = std::clamp(agreement, 0.0, 1.0);
    const double v = std::fabs(rowsPerColumn);
    if (!(angleStep > 0) || rows == 0 || !std::isfinite(v)) {
        t.limit = RangeLimit::TooFast;
        return t;
    }
    // The streak's normal is theta = atan(1 / v) from the time axis; the
    // angle rows run from 0 to 255 steps. Within three steps of the last
    // the transform was stopped by its own minimum velocity.
    const double theta = std::atan2(1.0, v);
    if (theta > 252.0 * angleStep) {
        t.limit = RangeLimit::TooSlow;
        return t;
    }
    // Steep streaks: one angle step is more than a tenth of the velocity,
    // or the streak crosses the whole line within three columns.
    if (theta < 10.0 * angleStep || v * 3.0 > double(rows)) {
        t.limit = RangeLimit::TooFast;
        return t;
    }
    t.inRange = true;
    return t;
}

}  // namespace ordavia
