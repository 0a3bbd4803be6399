#include "measure/CapillaryAssessment.h"

#include <algorithm>
#include <cmath>

#include "measure/FastTrack.h"

namespace ordavia {

namespace {

const char* const kShapeNames[] = {"hairpin", "tortuous", "crossing", "ramified", "bizarre"};

// Position along the line, in pixels from its first point.
double along(const CapillaryAssessment& a, const AssessPoint& p) {
    const double dx = a.lineTo.x - a.lineFrom.x, dy = a.lineTo.y - a.lineFrom.y;
    const double len = std::hypot(dx, dy);
    if (len <= 0) return 0;
    return ((p.x - a.lineFrom.x) * dx + (p.y - a.lineFrom.y) * dy) / len;
}

bool hasWarning(const std::vector<std::string>& w, const std::string& text) {
    return std::find(w.begin(), w.end(), text) != w.end();
}

void addWarning(std::vector<std::string>& w, const std::string& text) {
    if (!hasWarning(w, text)) w.push_back(text);
}

// The quality of the apical diameters and of the shapes on a picture out
// of focus, at the most.
constexpr double kBlurredQuality = 0.4;

}  // namespace

const char* shapeName(CapillaryShape s) {
    const int i = static_cast<int>(s);
    return i >= 0 && i < 5 ? kShapeNames[i] : "hairpin";
}

std::optional<CapillaryShape> shapeFromName(const std::string& name) {
    for (int i = 0; i < 5; ++i)
        if (name == kShapeNames[i]) return static_cast<CapillaryShape>(i);
    return std::nullopt;
}

const char* phaseName(ScleroPhase p) {
    switch (p) {
        case ScleroPhase::kEarly: return "early";
        case ScleroPhase::kActive: return "active";
        case ScleroPhase::kLate: return "late";
        default: return nullptr;
    }
}

bool CapillaryAssessment::correctedByHand() const {
    for (const AssessedCapillary& c : capillaries)
        if (c.byHand) return true;
    for (const Haemorrhage& h : haemorrhages)
        if (h.byHand) return true;
    return handRemoved;
}

std::vector<AssessmentGap> assessmentGaps(const CapillaryAssessment& a) {
    const double scale = a.umPerPixel > 0 ? a.umPerPixel : 1;
    const double lengthPx = std::hypot(a.lineTo.x - a.lineFrom.x, a.lineTo.y - a.lineFrom.y);
    std::vector<AssessmentGap> gaps;
    const int n = static_cast<int>(a.capillaries.size());
    if (n == 0) {
        gaps.push_back({-1, lengthPx * scale});
        return gaps;
    }
    gaps.push_back({-1, std::max(0.0, along(a, a.capillaries.front().apex)) * scale});
    for (int i = 0; i + 1 < n; ++i) {
        const AssessPoint& p = a.capillaries[i].apex;
        const AssessPoint& q = a.capillaries[i + 1].apex;
        gaps.push_back({i, std::hypot(q.x - p.x, q.y - p.y) * scale});
    }
    gaps.push_back({n - 1, std::max(0.0, lengthPx - along(a, a.capillaries.back().apex)) * scale});
    return gaps;
}

void recomputeAssessment(CapillaryAssessment& a, double umPerPixel) {
    if (umPerPixel > 0) a.umPerPixel = umPerPixel;
    const double scale = a.umPerPixel > 0 ? a.umPerPixel : 1;
    std::stable_sort(a.capillaries.begin(), a.capillaries.end(),
                     [&](const AssessedCapillary& p, const AssessedCapillary& q) { return along(a, p.apex) < along(a, q.apex); });

    a.lineLengthUm = std::hypot(a.lineTo.x - a.lineFrom.x, a.lineTo.y - a.lineFrom.y) * scale;
    a.count = static_cast<int>(a.capillaries.size());
    a.densityPerMm = a.lineLengthUm > 0 ? a.count / (a.lineLengthUm / 1000.0) : 0;
    a.giants = a.dilated = a.abnormalShapes = 0;
    bool giantByHand = false, abnormalByHand = false;
    for (AssessedCapillary& c : a.capillaries) {
        abnormalByHand = abnormalByHand || (c.byHand && !isNormalShape(c.shape));
        if (!c.byHand) {
            // Without a scale the diameter in micrometres is a guess; no
            // loop is called dilated or giant on it.
            const bool known = a.calibrated && std::isfinite(c.apexUm);
            c.giant = known && c.apexUm >= kGiantApexUm;
            c.dilated = known && !c.giant && c.apexUm >= kDilatedApexUm;
        } else if (c.giant) {
            giantByHand = true;
        }
        a.giants += c.giant ? 1 : 0;
        a.dilated += c.dilated ? 1 : 0;
        a.abnormalShapes += isNormalShape(c.shape) ? 0 : 1;
    }
    a.longestGapUm = 0;
    for (const AssessmentGap& g : assessmentGaps(a)) a.longestGapUm = std::max(a.longestGapUm, g.lengthUm);
    a.avascular = a.longestGapUm > kAvascularGapUm;

    FastTrackInput in;
    in.densityPerMm = a.densityPerMm;
    in.giants = a.giants;
    in.abnormalShapes = a.abnormalShapes;
    in.haemorrhages = a.haemorrhageCount();
    in.avascular = a.avascular;
    const FastTrackResult ft = fastTrack(in);
    a.rule = ft.rule;
    a.scleroderma = ft.scleroderma;
    a.phase = ft.phase;

    // Qualities: the picture's evidence, lowered by what the figures lack.
    a.warnings = a.pictureWarnings;
    AssessmentQuality& q = a.quality;
    q = a.pictureQuality;
    const bool shortRow = a.lineLengthUm < kMinRowUm;
    if (shortRow) {
        addWarning(a.warnings, kAssessLineTooShort);
        q.density *= std::clamp(a.lineLengthUm / kMinRowUm, 0.0, 1.0);
    }
    // The giants rest on the loops' sizes as the picture could read them.
    // Out of focus a cap's diameter is read from the spread of its blood
    // alone, a few micrometres either way: not enough to tell an ordinary
    // loop from a dilated one; and buds and branches melt into their caps.
    q.giants = q.diameter;
    if (hasWarning(a.pictureWarnings, kAssessOutOfFocus)) {
        q.diameter = std::min(q.diameter, kBlurredQuality);
        q.shape = std::min(q.shape, kBlurredQuality);
    }
    if (!a.calibrated) {
        addWarning(a.warnings, kAssessUncalibrated);
        q.density = std::min(q.density, 0.3);
        q.diameter = 0;
        q.giants = 0;
    }
    // A giant or an abnormal shape marked by hand is the reviewer's finding.
    if (giantByHand) q.giants = 1;
    if (abnormalByHand) q.shape = 1;
    q.gaps = std::min(q.gaps, q.density);
    // That a row holds no giant rests on the search that weighs each
    // loop's blood (blur spreads a loop's darkness but keeps its sum), not
    // on how many apical diameters could be measured: on a calibrated
    // picture it is as sure as the row itself. Without a scale no loop is
    // sized at all, and only a giant marked by hand counts.
    if (a.giants == 0 && a.calibrated) q.giants = q.density;
    const double noGiants = q.giants;
    switch (a.rule) {
        case 1: q.pattern = std::min(q.density, noGiants); break;
        case 2:
            q.pattern = a.giants > 0 ? q.giants : std::min(q.density, q.shape);
            break;
        default:
            // Neither giants nor (low density and abnormal shapes): both
            // had to be ruled out. Above the density of rule 2 the shapes
            // could not have changed the answer.
            q.pattern = std::min({q.density, noGiants, a.densityPerMm <= kFastTrackLowDensity ? q.shape : 1.0});
            break;
    }
    a.patternTrusted = q.pattern >= kAssessTrustedQuality;
    if (!a.patternTrusted) addWarning(a.warnings, kAssessPatternUntrusted);
}

std::vector<FigureQuality> figureQualities(const CapillaryAssessment& a) {
    const AssessmentQuality& q = a.quality;
    return {{"density_per_mm", "density", q.density},
            {"apex_um", "apical diameters", q.diameter},
            {"giants", "giants", q.giants},
            {"abnormal_shapes", "abnormal shapes", q.shape},
            {"haemorrhages", "haemorrhages", q.haemorrhages},
            {"longest_gap_um", "longest gap", q.gaps}};
}

std::string untrustedFigures(const CapillaryAssessment& a) {
    std::string out;
    for (const FigureQuality& f : figureQualities(a))
        if (f.quality < kAssessTrustedQuality) out += (out.empty() ? "" : ", ") + std::string(f.words);
    return out;
}

std::string untrustedFiguresLine(const CapillaryAssessment& a) {
    const std::string words = untrustedFigures(a);
    return words.empty() ? std::string() : "Not trusted: " + words;
}

}  // namespace ordavia
