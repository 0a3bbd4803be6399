#pragma once

class ProfileStore;

namespace ordavia {

// Tuning values of the curve-based tortuosity measure of a dimension line.
// The image document reads them from the profile when it starts and hands
// them to every tortuosity computation.

struct TortuosityParams {
    double minLength = 10.0;       // vertices closer than this to the anchor are skipped
    double minCurveLength = 20.0;  // shorter curves are not counted
    double minAngle = 5.0;         // degrees; smaller turns do not end a curve
    bool log = false;              // write each step to the debug log

    // Section "tortuosity": "minlength", "mincurvelength", "minangle", "log".
    static TortuosityParams fromProfile(const ProfileStore& store);
};

}  // namespace ordavia
