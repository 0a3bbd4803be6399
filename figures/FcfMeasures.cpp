// Functional capillary flow and density over a region of a video's frames.
// "flux" and "conc" here are grey-level statistics of the frames, not a
// blood flux: their unit says so.
#include "figures/MeasureCatalogue.h"

namespace ordavia {

const MeasureSet& fcfMeasures() {
    static const MeasureSet set{
        "fcf",
        "FCF {FCF:v} FCD {FCD (%):v}% flux {flux:v} conc {conc:v} threshold {threshold:v}",
        {
            {"width", "width", "{L}", 2, "Width of the region measured.", "width", kInAll, -1, 8, 7},
            {"height", "height", "{L}", 2, "Height of the region measured.", "height", kInAll, -1, 8, 7},
            {"area", "area", "{L}^2", 0, "Area of the region measured.", "area", kInAll, -1, 10, 7},
            {"FCF", "FCF", "", 3, "Mean flow ratio sd(d) / sd(I) over the region.", "FCF", kInAll, -1, 8, 7},
            {"FCD (%)", "FCD", "%", 3, "Share of the region's pixels with flow.", "FCD (%)", kInAll, -1, 8, 7},
            {"flux", "flux", "grey levels", 3, "Mean standard deviation of the frame-to-frame difference.", "flux",
             kInAll, -1, 8, 7},
            {"conc", "conc", "grey levels", 3, "Mean standard deviation of the grey value.", "conc", kInAll, -1, 8, 7},
            {"threshold", "threshold", "grey levels", 1, "The sd(I) a pixel needs to count.", "threshold", kInAll,
             -1, 8, 7},
        },
        "Functional Capillary Flow and Density Results",
    };
    return set;
}

}  // namespace ordavia
