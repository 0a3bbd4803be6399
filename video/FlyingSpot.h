#pragma once
// The flying spot: a value per frame that the user types in while stepping
// through a video (the position of a bright spot riding the blood, say),
// kept in the video document, and its chart "<movie>-Flying-spot-velocity".
#include <memory>
#include <string>

#include "base/Result.h"

class CMotivaDoc;
class ZchartDoc;

namespace ordavia {

// The window's place: section "fspotdlg", keys "left" and "top".
inline constexpr const char* kFlyingSpotSection = "fspotdlg";
inline constexpr int kFlyingSpotLeft = 500, kFlyingSpotTop = 100;

// The calibrated length of the current dimension line x frames per second
// x 0.5, truncated: the length the spot covers per field period at one line
// per field. -1 when the current object is not a line.
long flyingSpotLengthPerField(const CMotivaDoc& video);

// The movie file name without folder and extension + " Flying spot
// velocity", every blank replaced by "-".
std::string flyingSpotChartTitle(const std::string& movieFileName);

// "Chart flying spot velocities": one trace "velocity" of the per-frame
// values, x in "secs" at 1 / frames per second, y in the video's unit +
// "/s".
Result<std::unique_ptr<ZchartDoc>> flyingSpotChart(CMotivaDoc& video);

}  // namespace ordavia
