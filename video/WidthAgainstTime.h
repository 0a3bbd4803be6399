#pragma once
// "Capillary Width vs. time": the width across every dimension line of a
// video, frame by frame, as one trace per line in a new chart document
// (x in seconds). Frames are taken as playback shows them, placed at their
// movement offsets, so a corrected video follows the same vessel.
#include <functional>
#include <memory>

#include "base/Result.h"

class CMotivaDoc;
class ZchartDoc;

namespace ordavia {

inline constexpr const char* kWidthVsTime = "Capillary Width vs. time";

// progress(frame) returning false cancels (Cancelled, frame 0 shown
// again). Lines where no capillary is found on a frame get -1 there.
Result<std::unique_ptr<ZchartDoc>> widthAgainstTime(CMotivaDoc& video, const std::function<bool(int)>& progress = {});

}  // namespace ordavia
