// The capillaroscopy assessment of one picture: the distal row's density,
// its capillaries by size and shape, haemorrhages, the longest gap and the
// Fast Track pattern with the rule that decided it. One row per picture.
#include "figures/MeasureCatalogue.h"

namespace ordavia {

namespace {
const char* const kPatternWords[] = {"non-scleroderma", "scleroderma"};
const char* const kPhaseWords[] = {nullptr, "early", "active", "late"};
}  // namespace

const MeasureSet& assessmentMeasures() {
    static const MeasureSet set{
        "assess",
        "{pattern} pattern (rule {rule}), {density_per_mm:v.1} per mm, giants {giants}, haemorrhages {haemorrhages}, "
        "quality {quality}",
        {
            {"density_per_mm", "density", "per mm", 1, "Distal-row capillaries per millimetre of row.", "per mm",
             kInAll, 2, 8, 6},
            {"count", "capillaries", "", 0, "Distal-row capillaries along the row.", "N", kInAll, -1, 5, 4},
            {"row_um", "row", "um", 0, "Length of the distal row the density is counted over.", "row um",
             kInTable | kInCsv | kInReport, -1, 8, 7},
            {"giants", "giants", "", 0, "Capillaries with an apical diameter of 50 um or more.", "giants", kInAll, -1,
             7, 4},
            {"dilated", "dilated", "", 0, "Capillaries with an apical diameter from 20 to 50 um.", "dilated", kInAll, -1,
             8, 4},
            {"abnormal_shapes", "abnormal shapes", "", 0, "Ramified (bushy) or bizarre capillaries.", "abnormal", kInAll,
             -1, 9, 4},
            {"haemorrhages", "haemorrhages", "", 0, "Haemorrhages found.", "haemorrhages", kInAll, -1, 8, 4},
            {"longest_gap_um", "longest gap", "um", 0, "Longest gap between neighbouring distal-row capillaries.",
             "gap um", kInAll, 1, 8, 7},
            {"avascular", "avascular", "", 0, "A gap longer than 500 um (loss of two or more capillaries).", "avascular",
             kInAll, -1, 9, 2, true},
            {"pattern", "pattern", "", 0, "Fast Track pattern.", "pattern", kInAll, -1, 16, 2, false, kPatternWords, 2},
            {"rule", "rule", "", 0, "The Fast Track rule that decided the pattern (1, 2 or 3).", "rule", kInAll, -1, 4,
             2},
            {"phase", "phase", "", 0, "Suggested phase of a scleroderma pattern (a suggestion only).", "phase", kInAll,
             -1, 7, 2, false, kPhaseWords, 4},
            {"quality", "quality", "", 2, "How far the pattern can be trusted, 0 to 1.", "quality", kInAll, 2, 7, 5},
            {"by_hand", "corrected by hand", "", 0, "Findings were added or changed by hand.", "by hand",
             kInTable | kInCsv | kInReport, -1, 7, 2, true},
        },
        "Capillaroscopy Assessment Results",
    };
    return set;
}

}  // namespace ordavia
