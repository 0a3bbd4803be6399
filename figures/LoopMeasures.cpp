// Nailfold loops: apex, loop and limb widths of each loop, and over the
// row of apexes their density, the straightness of the row (fit) and its
// length (cord). A width that was not found is missing, not 0.
#include "figures/MeasureCatalogue.h"

namespace ordavia {

const MeasureSet& loopMeasures() {
    static const MeasureSet set{
        "loops",
        "{line:v} loops, means: apex {apex width}, loop {loop width}, left {left width}, right {right width}",
        {
            {"line", "line", "", 0, "The apex line's number; loops measured on the summary row.", "line",
             kInAll, -1, 5, 5},
            {"apex width", "apex width", "{L}", 1, "Width of the loop across its apex.", "apex width", kInAll, -1, 10, 7},
            {"loop width", "loop width", "{L}", 1, "Distance between the outer edges of the two limbs.", "loop width",
             kInAll, -1, 10, 7},
            {"left width", "left width", "{L}", 1, "Width of the left limb.", "left width", kInAll, -1, 10, 7},
            {"right width", "right width", "{L}", 1, "Width of the right limb.", "right width", kInAll, -1, 10, 7},
            {"x", "x", "px", 2, "Apex position across the picture.", "x", kInTable | kInJson | kInCsv, -1, 8, 7},
            {"y", "y", "px", 2, "Apex position down the picture.", "y", kInTable | kInJson | kInCsv, -1, 8, 7},
            {"density", "density", "per 1000 {L}", 2, "Loops per 1000 units along the row of apexes.", "density",
             kInTable | kInJson | kInCsv | kInReport, -1, 8, 7},
            {"fit", "fit", "", 3, "Correlation of the apexes with a straight row.", "fit",
             kInTable | kInJson | kInCsv | kInReport, -1, 8, 7},
            {"cord", "cord", "{L}", 2, "Length of the row of apexes across the picture.", "cord",
             kInTable | kInJson | kInCsv | kInReport, -1, 8, 7},
        },
        "Nailfold Capillary loop measurements",
    };
    return set;
}

}  // namespace ordavia
