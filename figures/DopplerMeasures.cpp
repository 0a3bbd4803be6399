// The Doppler velocity of a recording over its beats: the mean, the peaks
// and the minima, and the pulsatility and resistance indexes. Without
// beats the peaks, minima and indexes are missing, never 0.
#include "figures/MeasureCatalogue.h"

namespace ordavia {

// The Doppler rows go to the chart's results table, one per figure.
constexpr uint8_t kNoTable = kInAll & ~kInTable;

const MeasureSet& dopplerMeasures() {
    static const MeasureSet set{
        "doppler",
        "mean {mean}  systolic {systolic}  diastolic {diastolic}  PI {pi}  RI {ri}",
        {
            {"mean", "mean velocity", "mm/s", 4, "Mean of every velocity of the recording.", nullptr, kNoTable},
            {"systolic", "systolic velocity", "mm/s", 4, "Mean of the velocity peaks of the beats.", nullptr, kNoTable},
            {"diastolic", "diastolic velocity", "mm/s", 4, "Mean of the velocity minima between the beats.", nullptr, kNoTable},
            {"pi", "PI", "", 4, "Pulsatility index: (systolic - diastolic) / mean.", nullptr, kNoTable},
            {"ri", "RI", "", 4, "Resistance index: (systolic - diastolic) / systolic.", nullptr, kNoTable},
        },
    };
    return set;
}

}  // namespace ordavia
