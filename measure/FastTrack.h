#pragma once
// The Fast Track algorithm that tells a scleroderma pattern from a
// non-scleroderma pattern in one picture, and the phase suggested for a
// scleroderma pattern (early, active, late) from the published
// descriptions of the three phases. Kept apart so that every branch is
// tested on its own and the automatic assessment and hand corrections
// reach their pattern the same way.
#include "measure/CapillaryAssessment.h"

namespace ordavia {

struct FastTrackInput {
    double densityPerMm = 0;
    int giants = 0;
    int abnormalShapes = 0;
    int haemorrhages = 0;
    bool avascular = false;
};

struct FastTrackResult {
    // 1: density >= 7 per mm and no giants (non-scleroderma);
    // 2: giants, or density <= 3 per mm with abnormal shapes (scleroderma);
    // 3: everything else (non-scleroderma).
    int rule = 3;
    bool scleroderma = false;
    ScleroPhase phase = ScleroPhase::kNone;
};

inline constexpr double kFastTrackNormalDensity = 7;
inline constexpr double kFastTrackLowDensity = 3;

FastTrackResult fastTrack(const FastTrackInput& in);
// The phase suggested for a scleroderma pattern; kNone otherwise.
ScleroPhase suggestPhase(const FastTrackInput& in, bool scleroderma);

}  // namespace ordavia
