#include "synth/SyntheticExamination.h"

#include <algorithm>
#include <cmath>

#include "measure/FastTrack.h"
#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia {

const char* const kExamFingers[8] = {"R2", "R3", "R4", "R5", "L2", "L3", "L4", "L5"};

Status assessmentScene(const std::string& condition, uint64_t seed, const SynthFindings& f, SyntheticNailfold::Params& p,
                       CapillaroscopeLook& look) {
    if (!(f.densityPerMm >= 0.5 && f.densityPerMm <= 14))
        return Status::failure(StatusCode::OutOfRange, "the density must lie between 0.5 and 14 per mm");
    p = SyntheticNailfold::Params{};
    p.seed = seed;
    const std::string look_ = condition == "clean" ? "typical" : condition;
    if (!applyCapillaroscopeCondition(look_, p, look, true))
        return Status::failure(StatusCode::OutOfRange, "unknown condition '" + condition + "' (clean, typical or hard)");
    if (condition == "clean") {
        p.blurSigma = 1.2;
        p.darknessSpread = 0.2;
        look.contrast = 0.6;
        look.unevenness = 0.2;
        look.gradient = 0.15;
        look.glare = 0.2;
        look.dust = 0.2;
        look.jpegQuality = 92;
    }
    // Gaps take loops away; the row is laid out for the density before them.
    const double usableMm = (p.width * p.umPerPixelX - 16) / 1000;
    p.loops = std::max(2, static_cast<int>(std::lround(f.densityPerMm * usableMm)));
    p.giantLoops = f.giants;
    p.dilatedLoops = f.dilated;
    p.ramifiedLoops = f.ramified;
    p.bizarreLoops = f.bizarre;
    p.haemorrhages = f.haemorrhages;
    p.avascularGaps = f.avascularGaps;
    p.disorder = f.disorder;
    p.tortuousFraction = std::max(p.tortuousFraction * 0.5, f.tortuous);
    // A second row needs room in the gaps of the first.
    if (p.secondRow && f.densityPerMm > 7) p.secondRow = false;
    return p.validate();
}

AssessmentTruth assessmentTruth(const SyntheticNailfold::Truth& t) {
    AssessmentTruth a;
    std::vector<const SyntheticNailfold::Loop*> row;
    for (const SyntheticNailfold::Loop& L : t.loops)
        if (L.row == 0) row.push_back(&L);
    std::sort(row.begin(), row.end(), [](auto* x, auto* y) { return x->apex.x < y->apex.x; });
    a.count = static_cast<int>(row.size());
    a.densityPerMm = t.rowDensityPerMm();
    for (size_t i = 0; i < row.size(); ++i) {
        a.giants += row[i]->giant ? 1 : 0;
        a.dilated += row[i]->dilated ? 1 : 0;
        a.abnormalShapes += row[i]->shape >= 3 ? 1 : 0;
        if (i > 0) {
            const double dx = (row[i]->apex.x - row[i - 1]->apex.x) * t.umPerPixelX;
            const double dy = (row[i]->apex.y - row[i - 1]->apex.y) * t.umPerPixelY;
            a.longestGapUm = std::max(a.longestGapUm, std::sqrt(dx * dx + dy * dy));
        }
    }
    a.haemorrhages = static_cast<int>(t.haemorrhages.size());
    a.avascular = a.longestGapUm > kAvascularGapUm;
    const FastTrackResult ft = fastTrack({a.densityPerMm, a.giants, a.abnormalShapes, a.haemorrhages, a.avascular});
    a.rule = ft.rule;
    a.scleroderma = ft.scleroderma;
    a.phase = ft.phase;
    return a;
}

std::vector<SynthFindings> examinationFindings(const std::string& pattern, uint64_t seed) {
    SynthRandom r(seed, kSynthLayout + 500);
    std::vector<SynthFindings> out(8);
    for (size_t i = 0; i < out.size(); ++i) {
        SynthFindings& f = out[i];
        if (pattern == "normal") {
            f.densityPerMm = r.range(8, 11.5);
            f.dilated = r.below(2);
            f.tortuous = r.range(0.1, 0.4);
        } else if (pattern == "nonspecific") {
            f.densityPerMm = r.range(4.5, 6.5);
            f.dilated = 1 + r.below(4);
            f.tortuous = r.range(0.3, 0.6);
            f.haemorrhages = r.below(2);
            f.disorder = r.range(0, 0.3);
        } else if (pattern == "early") {
            // Few giants and haemorrhages, the row preserved; not every
            // finger shows a giant.
            f.densityPerMm = r.range(7.5, 10);
            f.giants = i % 2 == 0 ? 1 + r.below(3) : 0;
            f.dilated = 2 + r.below(3);
            f.haemorrhages = r.below(3);
        } else if (pattern == "active") {
            f.densityPerMm = r.range(4.5, 6.5);
            f.giants = 4 + r.below(3);
            f.dilated = 2 + r.below(3);
            f.haemorrhages = 3 + r.below(4);
            f.ramified = r.below(2);
            f.disorder = r.range(0.2, 0.5);
        } else if (pattern == "late") {
            f.densityPerMm = r.range(2.2, 3.4);
            f.giants = r.below(4) == 0 ? 1 : 0;
            f.ramified = 1 + r.below(2);
            f.bizarre = r.below(2);
            f.avascularGaps = 1;
            f.haemorrhages = r.below(2);
            f.disorder = r.range(0.5, 1.0);
        } else {
            return {};
        }
    }
    return out;
}

}  // namespace ordavia
