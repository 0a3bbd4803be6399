#pragma once
// Whether a measured velocity can be believed. Each method sees only a
// band of speeds: the correlation of columns "gap" samples apart needs the
// cells to move at least a couple of points and less than its window
// (half the line) between them, the Hough transform only holds streaks
// between the slowest its angles reach ("houghmin") and ones so steep that
// they cross the line within a few columns. Outside its band a method
// still returns a number, and a confident one; the trust says so instead,
// with a quality figure (0..1) for how well the scan bears the number out.
//
// The correlation's quality is the share of the scan's columns whose own
// correlogram peak lies at the run's shift, beyond the share that peaks
// falling at random would reach: (agreeing - chance) / (1 - chance). On a
// scan whose cells show faintly through the noise most columns peak
// somewhere else, yet the few hundred that agree make the velocity sound;
// a wrong velocity is one that few columns more than chance support. Its
// threshold was chosen on thousands of synthetic scans at the conditions
// of real recordings (see bench/linescan/trust_study.cpp).
#include <cstdint>
#include <string>
#include <vector>

namespace ordavia {

enum class RangeLimit { None, TooSlow, TooFast };

struct VelocityTrust {
    bool inRange = false;
    double quality = 0.0;  // 0..1
    RangeLimit limit = RangeLimit::None;
    // The correlation's evidence behind the quality: the share of columns
    // whose peak agrees with the run's shift and the share that chance
    // alone would give (0 where the correlogram was not at hand).
    double agreement = 0.0, chance = 0.0;
};

// Below this quality a velocity is reported as doubtful even inside the
// method's range. On the synthetic study, 86 % of the correlation's
// velocities within 20 % of the truth reach it and 4.5 % of those more
// than 50 % off do.
inline constexpr double kTrustedQuality = 0.3;
inline bool trusted(const VelocityTrust& t) { return t.inRange && t.quality >= kTrustedQuality; }

// "velocity outside the range of this method: try a larger gap" and its
// kin; empty when the velocity is in range.
std::string rangeAdvice(const VelocityTrust& t, bool hough);

// What the correlation's columns say about the range: the peak shift (input
// rows between the two correlated columns) of every column with a velocity,
// how many of those correlated best without any shift, and the shift
// window (correlogram rows); and the peak shift of every visited column
// whose correlogram has a peak at all, kept or not.
struct ShiftEvidence {
    std::vector<double> shifts;
    uint32_t zeroBest = 0;
    uint32_t window = 0;
    bool subpixel = false;
    std::vector<double> peaks;
};
// The agreement of the evidence's peaks with `shift` (correlogram rows):
// sets the trust's agreement, chance and quality.
void agreementWith(const ShiftEvidence& e, double shift, VelocityTrust& t);
// Without shifts (no correlogram) the range is not judged and the quality
// is the share of good columns x their mean squared coefficient.
VelocityTrust correlationTrust(const ShiftEvidence& e, double percentGood, double meanCorrelation);

// The Hough transform's view of a velocity of `rowsPerColumn` (scan rows
// per column): the angle band of the transform (thetaMin radians, 256 rows
// of angleStep from a standing streak's normal), the rows of the scan, and
// the quality of the agreement of the scan's columns with that velocity
// (0..1: the share of columns that peak at its shift beyond chance; for
// shifts under a row, the mean squared coefficient of the correlogram
// there).
VelocityTrust houghTrust(double rowsPerColumn, double angleStep, uint32_t rows, double agreement);

}  // namespace ordavia
