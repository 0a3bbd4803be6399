#pragma once
// Velocity by Hough transform: every bright point of a line scan votes for
// the straight lines through it (256 angles between the slowest streak
// "houghmin" allows and a standing one), the strongest lines are found as
// dark spots of the inverted vote image, and each becomes a velocity slope
// on the scan.
#include <cstdint>
#include <vector>

#include "linescan/ZlineScanBaseDoc.h"

namespace ordavia {

struct HoughInput {
    const CdataVect* data = nullptr;  // M samples (time) of R components (rows)
    const CdoubleVect* extent = nullptr;  // per-column scale, 0 = no data (may be null)
    uint32_t columns = 0, rows = 0;
    uint32_t current = 0;      // the ring's current column (oldest first)
    double dx = 1.0;           // seconds per column
    double yScale = 1.0;       // length per row
    uint32_t visibleFrom = 0, visibleTo = 0;  // threshold statistics range (equal: all)
};

struct HoughResult {
    uint32_t distances = 0;       // D = whole part of sqrt(M² + R²)
    double thetaMin = 0;          // radians
    double angleStep = 0;         // radians per angle row
    int threshold = 0;            // T of the voting
    std::vector<float> votes;     // D x 256, distance-major: votes[c * 256 + row]
    std::vector<VelocitySlope> slopes;
};

HoughResult houghTransform(const HoughInput& in, const CbvParams& p);

}  // namespace ordavia
