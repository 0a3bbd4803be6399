#pragma once
// What the review window and the report draw over a picture for its
// assessment, as geometry in picture pixels with a colour each: the row
// line, a ring at each apex (green normal, orange dilated, red giant; a
// magenta ring around an abnormal shape), the apical width bar, the
// haemorrhage outlines, and the avascular gaps along the row.
#include <cstdint>
#include <vector>

#include "measure/CapillaryAssessment.h"

namespace ordavia {

// The colours of the command line's overlay, so that both show a finding alike.
inline constexpr uint32_t kNormalColour = 0x20D040;       // green
inline constexpr uint32_t kDilatedColour = 0xFF9000;      // orange
inline constexpr uint32_t kGiantColour = 0xF02020;        // red
inline constexpr uint32_t kAbnormalColour = 0xF020F0;     // magenta
inline constexpr uint32_t kHaemorrhageColour = 0x20E0F0;  // cyan
inline constexpr uint32_t kRowLineColour = 0xF0E020;      // yellow
inline constexpr uint32_t kGapColour = 0x3060FF;          // blue

struct AssessmentMark {
    enum Kind { kPath, kOutline, kRing };
    Kind kind = kPath;
    // A path or outline through the points; a ring: its centre and radius.
    std::vector<AssessPoint> points;
    double radius = 0;
    uint32_t colour = 0;  // 0xRRGGBB
    bool byHand = false;  // drawn dashed: added or changed by the user
    bool bold = false;    // an avascular gap
};

std::vector<AssessmentMark> assessmentMarks(const CapillaryAssessment& a);

}  // namespace ordavia
