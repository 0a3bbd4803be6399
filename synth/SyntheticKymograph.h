#pragma once
// SyntheticKymograph: the space-time picture of a line laid inside a
// capillary, with a known velocity. Red cells of random length and spacing
// drift along the line at a constant speed (points per line period); a
// fixed profile stands for the capillary wall and the skin behind it, and
// every sample gets sensor noise. The velocity methods are measured
// against it over speeds no video generator reaches cheaply: a fraction of
// a point per line up to tens of points.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"

namespace ordavia {

class SyntheticKymograph {
public:
    struct Params {
        uint64_t seed = 1;
        int lines = 300;          // time samples
        int points = 64;          // along the line
        double pointsPerLine = 5; // velocity, + from the first point towards the last
        double noiseSigma = 4.0;  // grey levels
        double cellLength = 4.0;  // points, mean
        double cellContrast = 60; // grey levels a cell darkens the plasma by
        double wallContrast = 25; // amplitude of the fixed profile
        ordavia::Status validate() const;
    };
    // values[t * points + i] for time t and point i, 8-bit grey range.
    static std::vector<double> generate(const Params& p);
};

}  // namespace ordavia
