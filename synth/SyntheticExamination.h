#pragma once
// Synthetic truth for the capillaroscopy assessment: one picture with a
// chosen density and chosen findings, drawn the way a videocapillaroscope
// delivers it (the "typical" and "hard" conditions of the capillaroscope
// look, matched to real 200x pictures), the true figures of its distal row,
// and whole examinations of eight fingers whose pattern is known.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"
#include "measure/CapillaryAssessment.h"
#include "synth/SyntheticCapillaroscope.h"
#include "synth/SyntheticNailfold.h"

namespace ordavia {

struct SynthFindings {
    double densityPerMm = 8;  // of the distal row before gaps, 1..12
    int giants = 0;
    int dilated = 0;
    int ramified = 0;
    int bizarre = 0;
    int haemorrhages = 0;
    int avascularGaps = 0;
    double disorder = 0;  // 0..1
    double tortuous = 0.2;
};

// The parameters of a picture with these findings under a condition:
// "clean" (sharp, high contrast, grey-free colour), "typical" or "hard".
// OutOfRange for an unknown condition or findings that do not fit.
Status assessmentScene(const std::string& condition, uint64_t seed, const SynthFindings& f, SyntheticNailfold::Params& p,
                       CapillaroscopeLook& look);

// The true figures of a drawn picture's distal row, decided by the same
// Fast Track rules as the assessment.
struct AssessmentTruth {
    double densityPerMm = 0;
    int count = 0, giants = 0, dilated = 0, abnormalShapes = 0, haemorrhages = 0;
    double longestGapUm = 0;
    bool avascular = false;
    int rule = 3;
    bool scleroderma = false;
    ScleroPhase phase = ScleroPhase::kNone;
};
AssessmentTruth assessmentTruth(const SyntheticNailfold::Truth& t);

// The fingers of an examination in order (R2..R5, L2..L5).
extern const char* const kExamFingers[8];
// Findings for the eight fingers of an examination of a pattern:
// "normal", "nonspecific", "early", "active" or "late"; empty for another name.
std::vector<SynthFindings> examinationFindings(const std::string& pattern, uint64_t seed);

}  // namespace ordavia
