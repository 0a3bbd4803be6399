#include "measure/FastTrack.h"

namespace ordavia {

FastTrackResult fastTrack(const FastTrackInput& in) {
    FastTrackResult r;
    if (in.densityPerMm >= kFastTrackNormalDensity && in.giants == 0) {
        r.rule = 1;
    } else if (in.giants > 0 || (in.densityPerMm <= kFastTrackLowDensity && in.abnormalShapes > 0)) {
        r.rule = 2;
        r.scleroderma = true;
    }
    r.phase = suggestPhase(in, r.scleroderma);
    return r;
}

// The published phases, put as counts: early has few giants and few
// haemorrhages with the row preserved; active has many giants or
// haemorrhages, or a moderate loss of capillaries; late has severe loss,
// avascular areas and ramified or bizarre loops while giants have gone.
ScleroPhase suggestPhase(const FastTrackInput& in, bool scleroderma) {
    if (!scleroderma) return ScleroPhase::kNone;
    const bool severeLoss = in.densityPerMm < 4 || in.avascular;
    if (severeLoss && in.giants <= 1 && in.abnormalShapes > 0) return ScleroPhase::kLate;
    if (in.giants >= 4 || in.haemorrhages >= 4 || in.densityPerMm < 6 || in.avascular) return ScleroPhase::kActive;
    return ScleroPhase::kEarly;
}

}  // namespace ordavia
