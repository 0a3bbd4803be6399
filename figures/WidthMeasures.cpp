// A capillary's width across one line. The workstation measures in the
// picture's unit; the command line gives every width measure in pixels and,
// on a calibrated picture, in micrometres.
#include "figures/MeasureCatalogue.h"

namespace ordavia {

const MeasureSet& widthMeasures() {
    static const MeasureSet set{
        "width",
        "{width}",
        {
            {"line", "line", "", 0, "The line's number in its list.", "line", kInTable | kInJson, -1, 5, 5},
            {"width", "width", "{L}", 1, "Width of the capillary across the line.", "width",
             kInAll, -1, 8, 7},
            {"width_px", "width", "px", 2, "Width across the line in pixels.", nullptr, kInJson},
            {"width_um", "width", "um", 2, "Width across the line in micrometres.", nullptr, kInJson},
        },
        "Diameter Calculation Results",
    };
    return set;
}

}  // namespace ordavia
