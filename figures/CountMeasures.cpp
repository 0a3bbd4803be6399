// Capillaries crossing a line across the distal row. The row files the
// count's settings beside its figures, so that a row says how it was made.
#include "figures/MeasureCatalogue.h"

namespace ordavia {

const MeasureSet& countMeasures() {
    static const MeasureSet set{
        "count",
        "Capillaries: {count} along {length_um.0}, {per_mm.1}",
        {
            {"list", "list", "", 0, "The dimension list that holds the line.", "list", kInTable, -1, 5, 2},
            {"line", "line", "", 0, "The line's number in its list.", "line", kInTable, -1, 5, 3},
            {"count", "capillaries", "", 0, "Capillaries that cross the line.", "N", kInAll, -1, 4, 4},
            {"length_um", "length", "um", 1, "The line's length.", "length um", kInAll, 2, 10, 8},
            {"per_mm", "density", "per mm", 2, "Capillaries per millimetre of line.", "per mm", kInAll, 2, 8, 7},
            {"apex_um", "apex to apex", "um", 1, "Mean distance between neighbouring apexes.", "apex dist um",
             kInTable | kInCsv | kInReport, -1, 12, 8},
            {"limb_min_um", "limb min", "um", 1, "Narrowest limb counted (setting).", "limb min um", kInTable, -1, 11, 6},
            {"limb_max_um", "limb max", "um", 1, "Widest limb counted (setting).", "limb max um", kInTable, -1, 11, 6},
            {"band_um", "band", "um", 1, "Width of the band searched for apexes (setting).", "band um", kInTable, -1, 8, 6},
            {"spacing_um", "spacing", "um", 1, "Least spacing between two crossings (setting).", "spacing um", kInTable,
             -1, 10, 6},
            {"threshold", "threshold", "", 2, "Peak threshold (setting).", "threshold", kInTable, -1, 9, 6},
            {"quality", "quality", "", 1, "Median prominence of the counted peaks against the ridge background.",
             nullptr, kInText | kInJson | kInCsv | kInReport, 2},
        },
        "Capillary Count Results",
    };
    return set;
}

}  // namespace ordavia
