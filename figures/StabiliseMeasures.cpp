// Movement correction of a video: how many frames were placed and how far
// the furthest had to move.
#include "figures/MeasureCatalogue.h"

namespace ordavia {

const MeasureSet& stabiliseMeasures() {
    static const MeasureSet set{
        "stabilise",
        "movement corrected, {frames} frames",
        {
            {"frames", "frames", "", 0, "Frames of the video, each placed at its offset.", nullptr,
             kInText | kInJson | kInCsv | kInReport},
            {"max_shift_px", "largest offset", "pixels", 1, "Distance of the furthest frame from its place.", nullptr,
             kInJson | kInCsv | kInReport, 2},
        },
    };
    return set;
}

}  // namespace ordavia
