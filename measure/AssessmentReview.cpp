#include "measure/AssessmentReview.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "measure/StoredAssessmentOf.h"

namespace ordavia {

namespace {

// A click this far from a finding (micrometres) still hits it: about half
// the width of a normal loop.
constexpr double kHitUm = 25;
// A haemorrhage marked by hand: a disc of this radius (micrometres).
constexpr double kMarkedHaemorrhageUm = 30;
constexpr double kPi = 3.14159265358979323846;

double scaleOf(const CapillaryAssessment& a) { return a.umPerPixel > 0 ? a.umPerPixel : 1.0; }

bool inside(const std::vector<AssessPoint>& poly, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        const AssessPoint &a = poly[i], &b = poly[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

}  // namespace

AssessmentReview::AssessmentReview(CapillaryAssessment automatic)
    : automatic_(std::move(automatic)), current_(automatic_) {}

AssessmentReview::AssessmentReview(CapillaryAssessment automatic, const CapillaryAssessment& filed)
    : automatic_(std::move(automatic)), current_(filed) {
    recomputeAssessment(current_, current_.umPerPixel);
}

void AssessmentReview::setFinger(const std::string& finger) {
    current_.finger = finger;
    if (changed) changed();
}

double AssessmentReview::hitRadius() const { return std::max(4.0, kHitUm / scaleOf(current_)); }

AssessmentReview::Findings AssessmentReview::findings() const {
    return {current_.capillaries, current_.haemorrhages, current_.handRemoved};
}

void AssessmentReview::apply(const Findings& f) {
    current_.capillaries = f.capillaries;
    current_.haemorrhages = f.haemorrhages;
    current_.handRemoved = f.handRemoved;
    recomputeAssessment(current_, current_.umPerPixel);
    if (changed) changed();
}

void AssessmentReview::record(const std::string& text, Findings before) {
    Findings after = findings();
    // The change is made already: the step only records both states.
    undo_.pushApplied(std::make_unique<FunctionCommand>(
        text, [this, after] { apply(after); }, [this, before = std::move(before)] { apply(before); }));
    recomputeAssessment(current_, current_.umPerPixel);
    if (changed) changed();
}

int AssessmentReview::nearestCapillary(double x, double y) const {
    int best = -1;
    double bestD = hitRadius();
    for (size_t i = 0; i < current_.capillaries.size(); ++i) {
        const AssessPoint& p = current_.capillaries[i].apex;
        const double d = std::hypot(p.x - x, p.y - y);
        if (d <= bestD) best = static_cast<int>(i), bestD = d;
    }
    return best;
}

int AssessmentReview::haemorrhageAt(double x, double y) const {
    for (size_t i = 0; i < current_.haemorrhages.size(); ++i) {
        const Haemorrhage& h = current_.haemorrhages[i];
        if ((h.outline.size() >= 3 && inside(h.outline, x, y)) || std::hypot(h.centre.x - x, h.centre.y - y) <= hitRadius())
            return static_cast<int>(i);
    }
    return -1;
}

// Capillaries stay in their order along the row line, which the gaps
// between neighbours are measured in.
void AssessmentReview::insertAlongLine(AssessedCapillary c) {
    const double dx = current_.lineTo.x - current_.lineFrom.x, dy = current_.lineTo.y - current_.lineFrom.y;
    const auto along = [&](const AssessPoint& p) { return (p.x - current_.lineFrom.x) * dx + (p.y - current_.lineFrom.y) * dy; };
    auto& caps = current_.capillaries;
    const auto at = std::find_if(caps.begin(), caps.end(), [&](const AssessedCapillary& o) { return along(o.apex) > along(c.apex); });
    caps.insert(at, c);
}

bool AssessmentReview::click(ReviewTool tool, double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    Findings before = findings();
    const int cap = nearestCapillary(x, y);
    switch (tool) {
        case ReviewTool::kCapillary:
            if (cap >= 0) {
                current_.capillaries.erase(current_.capillaries.begin() + cap);
                current_.handRemoved = true;
                record("Remove capillary", std::move(before));
            } else {
                AssessedCapillary c;
                c.apex = {x, y};
                c.widthFrom = c.widthTo = c.apex;
                c.byHand = true;
                insertAlongLine(c);
                record("Add capillary", std::move(before));
            }
            return true;
        case ReviewTool::kGiant:
            if (cap < 0) return false;
            {
                AssessedCapillary& c = current_.capillaries[static_cast<size_t>(cap)];
                c.giant = !c.giant;
                if (c.giant) c.dilated = false;
                c.byHand = true;
                record(c.giant ? "Mark giant" : "Unmark giant", std::move(before));
            }
            return true;
        case ReviewTool::kAbnormal:
            if (cap < 0) return false;
            {
                AssessedCapillary& c = current_.capillaries[static_cast<size_t>(cap)];
                c.shape = isNormalShape(c.shape) ? CapillaryShape::kBizarre : CapillaryShape::kHairpin;
                c.byHand = true;
                record(isNormalShape(c.shape) ? "Mark normal shape" : "Mark abnormal shape", std::move(before));
            }
            return true;
        case ReviewTool::kHaemorrhage:
            if (const int hit = haemorrhageAt(x, y); hit >= 0) {
                current_.haemorrhages.erase(current_.haemorrhages.begin() + hit);
                current_.handRemoved = true;
                record("Unmark haemorrhage", std::move(before));
            } else {
                Haemorrhage h;
                h.centre = {x, y};
                const double r = kMarkedHaemorrhageUm / scaleOf(current_);
                for (int k = 0; k < 16; ++k)
                    h.outline.push_back({x + r * std::cos(k * kPi / 8), y + r * std::sin(k * kPi / 8)});
                h.areaUm2 = kPi * kMarkedHaemorrhageUm * kMarkedHaemorrhageUm;
                h.byHand = true;
                current_.haemorrhages.push_back(std::move(h));
                record("Mark haemorrhage", std::move(before));
            }
            return true;
    }
    return false;
}

std::vector<std::string> AssessmentReview::handCorrected() const { return handCorrectedFigures(automatic_, current_); }

}  // namespace ordavia
