#pragma once
// What a scan of one line of a video runs with: the calculation parameters
// of the profile (the keys and defaults of "CBV calculation parameters"),
// and from the video document its frame rate, its calibration along the
// line and its selected frames (the offsets of movement correction travel
// with the frames). The workstation's scans and ordavia-cli both build
// their runs here, so that one file and one line give one velocity.
#include <cstdint>
#include <string>

#include "linescan/CbvParams.h"

class CDim;
class CMotivaDoc;

namespace ordavia {

class AppServices;

struct LineScanSettings {
    CbvParams params;
    double framesPerSecond = 25.0;
    double lengthPerPoint = 1.0;  // calibrated distance between neighbouring line points
    std::string units;            // of lengthPerPoint ("pixel" when uncalibrated)
    uint32_t points = 0;          // along the line
    int first = 0, last = 0;      // the frames [first, last) a whole run scans
};

// Without services (or without a profile) the parameters are the defaults.
LineScanSettings lineScanSettings(const CMotivaDoc& video, const CDim& line, const AppServices* services);

}  // namespace ordavia
