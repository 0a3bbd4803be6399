// How sharp the frames of a video are: the sharpest frame and its measure
// (the per-frame series is a trace, not a figure).
#include "figures/MeasureCatalogue.h"

namespace ordavia {

const MeasureSet& focusMeasures() {
    static const MeasureSet set{
        "focus",
        "best {best}",
        {
            {"best", "sharpest frame", "", 0, "Index of the sharpest frame, from 0.", nullptr,
             kInText | kInJson | kInCsv | kInReport},
            {"best_focus", "focus of the sharpest frame", "", 6,
             "The focus measure of the sharpest frame (larger is sharper).", nullptr, kInJson | kInCsv | kInReport},
        },
    };
    return set;
}

}  // namespace ordavia
