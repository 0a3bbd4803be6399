#include "measure/AssessmentMarks.h"

#include <algorithm>
#include <cmath>

namespace ordavia {

namespace {

// An apex ring of about half a normal loop's width (micrometres), never
// smaller than a few pixels.
constexpr double kRingUm = 12;

uint32_t sizeColour(const AssessedCapillary& c) {
    return c.giant ? kGiantColour : c.dilated ? kDilatedColour : kNormalColour;
}

// The point of the row line nearest to p.
AssessPoint onLine(const CapillaryAssessment& a, const AssessPoint& p) {
    const double dx = a.lineTo.x - a.lineFrom.x, dy = a.lineTo.y - a.lineFrom.y;
    const double len2 = dx * dx + dy * dy;
    const double t = len2 > 0 ? ((p.x - a.lineFrom.x) * dx + (p.y - a.lineFrom.y) * dy) / len2 : 0;
    return {a.lineFrom.x + t * dx, a.lineFrom.y + t * dy};
}

}  // namespace

std::vector<AssessmentMark> assessmentMarks(const CapillaryAssessment& a) {
    std::vector<AssessmentMark> marks;
    const double scale = a.umPerPixel > 0 ? a.umPerPixel : 1.0;
    const double ring = std::max(4.0, kRingUm / scale);
    marks.push_back({AssessmentMark::kPath, {a.lineFrom, a.lineTo}, 0, kRowLineColour, !a.lineAutomatic, false});
    // Avascular gaps first, so that the apexes are drawn over them.
    const auto& caps = a.capillaries;
    for (const AssessmentGap& g : assessmentGaps(a)) {
        if (g.lengthUm <= kAvascularGapUm) continue;
        const int n = static_cast<int>(caps.size());
        const AssessPoint from = g.from < 0 || g.from >= n ? a.lineFrom : onLine(a, caps[size_t(g.from)].apex);
        const AssessPoint to = g.from + 1 >= n ? a.lineTo : onLine(a, caps[size_t(g.from + 1)].apex);
        marks.push_back({AssessmentMark::kPath, {from, to}, 0, kGapColour, false, true});
    }
    for (const AssessedCapillary& c : caps) {
        marks.push_back({AssessmentMark::kRing, {c.apex}, ring, sizeColour(c), c.byHand, false});
        if (c.widthFrom.x != c.widthTo.x || c.widthFrom.y != c.widthTo.y)
            marks.push_back({AssessmentMark::kPath, {c.widthFrom, c.widthTo}, 0, sizeColour(c), c.byHand, false});
        if (!isNormalShape(c.shape))
            marks.push_back({AssessmentMark::kRing, {c.apex}, ring * 1.8, kAbnormalColour, c.byHand, false});
    }
    for (const Haemorrhage& h : a.haemorrhages) {
        if (h.outline.size() >= 3)
            marks.push_back({AssessmentMark::kOutline, h.outline, 0, kHaemorrhageColour, h.byHand, false});
        else
            marks.push_back({AssessmentMark::kRing, {h.centre}, ring, kHaemorrhageColour, h.byHand, false});
    }
    return marks;
}

}  // namespace ordavia
