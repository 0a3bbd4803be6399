// The Doppler velocity of a recording over its beats: the mean, the peaks
// and the minima, and the pulsatility and resistance indexes. Without
// beats the peaks, minima and indexes are missing, never 0.
#include "figures/MeasureCatalogue.h"

namespace ordavia {

const MeasureSet& dopplerMeasures() {
    static const MeasureSet set{
        "doppler",
        "mean {mean}  systolic {systolic}  diastolic {diastolic}  PI {pi}  RI {ri}",
        {
            {"mean", "mean velocity", "mm/s", 4, "Mean of every velocity of the recording."},
            {"systolic", "systolic velocity", "mm/s", 4, "Mean of the velocity peaks of the beats."},
            {"diastolic", "diastolic velocity", "mm/s", 4, "Mean of the velocity minima between the beats."},
            {"pi", "PI", "", 4, "Pulsatility index: (systolic - diastolic) / mean."},
            {"ri", "RI", "", 4, "Resistance index: (systolic - diastolic) / systolic."},
        },
    };
    return set;
}

}  // namespace ordavia
