#include "measure/AssessmentFigures.h"

#include "figures/MeasureCatalogue.h"
#include "measure/CapillaryAssessment.h"

namespace ordavia {

MeasureValues assessmentFigures(const CapillaryAssessment& a) {
    MeasureValues v(assessmentMeasures());
    v.set("density_per_mm", a.densityPerMm);
    v.set("count", a.count);
    v.set("row_um", a.lineLengthUm);
    // Without a scale a loop's size in micrometres is a guess: no decision.
    if (a.calibrated) {
        v.set("giants", a.giants);
        v.set("dilated", a.dilated);
    }
    v.set("abnormal_shapes", a.abnormalShapes);
    v.set("haemorrhages", a.haemorrhageCount());
    v.set("longest_gap_um", a.longestGapUm);
    v.set("avascular", a.avascular ? 1 : 0);
    v.set("pattern", a.scleroderma ? 1 : 0);
    v.set("rule", a.rule);
    v.set("phase", static_cast<int>(a.phase));
    v.set("quality", a.quality.overall());
    v.set("by_hand", a.correctedByHand() ? 1 : 0);
    return v;
}

}  // namespace ordavia
