// One finger of an examination's assessment: the figures of its pictures
// taken together (a finger assessed twice counts each picture once). The
// examination summary, "db assess", the Examinations window and the report
// all read the finger grid through this set.
#include "figures/MeasureCatalogue.h"

namespace ordavia {

const MeasureSet& fingerMeasures() {
    static const MeasureSet set{
        "fingers",
        "{density_per_mm}, {giants:v} giant, {haemorrhages:v} haemorrhages, {abnormal_shapes:v} abnormal shapes, "
        "avascular {avascular}",
        {
            {"pictures", "pictures", "", 0, "Pictures assessed for the finger.", nullptr, kInAll, -1, 8, 3},
            {"density_per_mm", "density", "per mm", 1,
             "Distal-row capillaries per millimetre, the mean of the finger's pictures.", nullptr, kInAll, 2, 8, 6},
            {"giants", "giant", "", 0, "Giant capillaries (apical diameter 50 um or more).", nullptr, kInAll, -1, 6, 3},
            {"dilated", "dilated", "", 0, "Dilated capillaries (apical diameter 20 to 50 um).", nullptr, kInAll, -1, 7, 3},
            {"haemorrhages", "haemorrhages", "", 0, "Haemorrhages found or marked.", nullptr, kInAll, -1, 12, 3},
            {"abnormal_shapes", "abnormal shapes", "", 0, "Capillaries of abnormal shape (ramified, bushy, bizarre).",
             nullptr, kInAll, -1, 8, 3},
            {"longest_gap_um", "longest gap", "um", 0, "Longest gap between neighbouring distal-row capillaries.",
             nullptr, kInAll, 1, 8, 6},
            {"avascular", "avascular", "", 0, "An avascular area (a gap over 500 um) in any picture.", nullptr, kInAll,
             -1, 9, 3, true},
        },
    };
    return set;
}

}  // namespace ordavia
