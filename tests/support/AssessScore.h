#pragma once
// Scoring the capillaroscopy assessment against synthetic truth: one
// picture drawn for a condition and findings, assessed at its known
// scale, its capillaries and haemorrhages matched to the truth. Shared by
// the accuracy tests and bench/assess/assess_study.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "image/CZVimage.h"
#include "measure/CapillaryAssessment.h"
#include "synth/SyntheticExamination.h"
#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia::test {

struct AssessScore {
    bool ok = false;
    AssessmentTruth truth;
    CapillaryAssessment found;
    std::vector<double> apexErrorsUm;  // matched capillaries
    // Every matched capillary: the true and the found apical diameter (NaN:
    // not measured) and whether each calls it giant.
    struct Pair {
        double truthUm, foundUm;
        bool truthGiant, foundGiant;
        AssessPoint at;  // the found apex
        bool truthAbnormal = false, foundAbnormal = false;  // shape
    };
    std::vector<Pair> pairs;
    int truthGiants = 0, giantsFound = 0, falseGiants = 0;
    int truthHaem = 0, haemFound = 0, falseHaem = 0;
    int capillaries = 0, matched = 0;
    // Abnormal shapes (ramified, bizarre) of the row: found, and called
    // abnormal where the truth is a normal shape or no loop.
    int truthShapes = 0, shapesFound = 0, falseShapes = 0;
    struct Spot {
        double x, y, r;  // pixels; r in micrometres
        bool found = false;
    };
    std::vector<Spot> truthHaemAt;
    // Abnormal loops of the row matched to no capillary found (picture pixels).
    std::vector<AssessPoint> shapesUnmatched;
    // Capillaries found that match no loop of the row: the nearest drawn
    // loop of any row (dx, dy in pixels, found less true; row -1: none).
    struct Stray {
        AssessPoint at;
        double dx = 0, dy = 0;
        int row = -1;
    };
    std::vector<Stray> strays;
};

// Draws the picture of one case; false when the findings cannot be drawn.
inline bool drawAssessCase(const std::string& condition, uint64_t seed, const SynthFindings& f, bool grey, CZVimage& img,
                           SyntheticNailfold::Truth& t) {
    SyntheticNailfold::Params p;
    CapillaroscopeLook look;
    if (!assessmentScene(condition, seed, f, p, look)) return false;
    look.colour = !grey;
    return static_cast<bool>(generateCapillaroscope(p, look, img, t));
}

// Assesses a drawn picture at its known scale and scores it against its truth.
inline AssessScore scoreDrawn(const CZVimage& img, const SyntheticNailfold::Truth& t) {
    AssessScore s;
    AssessOptions o;
    o.umPerPixel = t.umPerPixelX;
    Result<CapillaryAssessment> r = assessPicture(img, o);
    if (!r) return s;
    s.ok = true;
    s.found = std::move(r.value());
    s.truth = assessmentTruth(t);
    const double px = t.umPerPixelX;
    std::vector<const SyntheticNailfold::Loop*> rowLoops;
    for (const auto& L : t.loops)
        if (L.row == 0) rowLoops.push_back(&L);
    std::vector<bool> used(s.found.capillaries.size(), false);
    s.capillaries = static_cast<int>(s.found.capillaries.size());
    for (const auto* L : rowLoops) {
        s.truthGiants += L->giant ? 1 : 0;
        int best = -1;
        double bestD = 45 / px;
        for (size_t i = 0; i < s.found.capillaries.size(); ++i) {
            if (used[i]) continue;
            const auto& c = s.found.capillaries[i];
            const double d = std::hypot(c.apex.x - L->apex.x, (c.apex.y - L->apex.y) * 0.6);
            if (d < bestD) bestD = d, best = static_cast<int>(i);
        }
        if (best < 0) {
            if (L->shape >= 3) s.shapesUnmatched.push_back({L->apex.x, L->apex.y});
            continue;
        }
        used[static_cast<size_t>(best)] = true;
        ++s.matched;
        const auto& c = s.found.capillaries[static_cast<size_t>(best)];
        if (std::isfinite(c.apexUm)) s.apexErrorsUm.push_back(std::abs(c.apexUm - L->apexWidthUm));
        const bool truthAbnormal = L->shape >= 3, foundAbnormal = !isNormalShape(c.shape);
        s.pairs.push_back({L->apexWidthUm, c.apexUm, L->giant, c.giant, c.apex, truthAbnormal, foundAbnormal});
        if (L->giant && c.giant) ++s.giantsFound;
        s.shapesFound += truthAbnormal && foundAbnormal ? 1 : 0;
        s.falseShapes += !truthAbnormal && foundAbnormal ? 1 : 0;
    }
    for (const auto* L : rowLoops) s.truthShapes += L->shape >= 3 ? 1 : 0;
    for (size_t i = 0; i < s.found.capillaries.size(); ++i) {
        if (used[i]) continue;
        AssessScore::Stray st;
        st.at = s.found.capillaries[i].apex;
        double best = 1e18;
        for (const auto& L : t.loops) {
            const double d = std::hypot(st.at.x - L.apex.x, st.at.y - L.apex.y);
            if (d < best) best = d, st.dx = st.at.x - L.apex.x, st.dy = st.at.y - L.apex.y, st.row = L.row;
        }
        s.strays.push_back(st);
    }
    for (size_t i = 0; i < s.found.capillaries.size(); ++i)
        s.falseShapes += !used[i] && !isNormalShape(s.found.capillaries[i].shape) ? 1 : 0;
    for (size_t i = 0; i < s.found.capillaries.size(); ++i) {
        const auto& c = s.found.capillaries[i];
        if (!c.giant) continue;
        bool real = false;
        for (const auto* L : rowLoops)
            if (L->giant && std::hypot(c.apex.x - L->apex.x, c.apex.y - L->apex.y) < 60 / px) real = true;
        s.falseGiants += real ? 0 : 1;
    }
    s.truthHaem = static_cast<int>(t.haemorrhages.size());
    std::vector<bool> hUsed(s.found.haemorrhages.size(), false);
    for (const auto& h : t.haemorrhages) {
        s.truthHaemAt.push_back({h.centre.x, h.centre.y, h.radiusUm});
        for (size_t i = 0; i < s.found.haemorrhages.size(); ++i) {
            const auto& d = s.found.haemorrhages[i];
            if (!hUsed[i] && std::hypot(d.centre.x - h.centre.x, d.centre.y - h.centre.y) < (h.radiusUm + 20) / px) {
                hUsed[i] = true;
                ++s.haemFound;
                s.truthHaemAt.back().found = true;
                break;
            }
        }
    }
    s.falseHaem = static_cast<int>(std::count(hUsed.begin(), hUsed.end(), false));
    return s;
}

inline AssessScore scoreAssessment(const std::string& condition, uint64_t seed, const SynthFindings& f,
                                   bool grey = false) {
    CZVimage img;
    SyntheticNailfold::Truth t;
    if (!drawAssessCase(condition, seed, f, grey, img, t)) return {};
    return scoreDrawn(img, t);
}

// The mix of rows the accuracy study draws, by case number: density 1 to
// 12 per mm with giants, dilated loops, haemorrhages, abnormal shapes or
// an avascular gap.
inline SynthFindings studyRow(uint64_t i) {
    SynthRandom r(i, 77);
    SynthFindings f;
    f.densityPerMm = 1 + 11 * r.uniform();
    switch (i % 6) {
        case 0: break;
        case 1: f.giants = 1 + r.below(4); break;
        case 2: f.dilated = 2 + r.below(4); f.haemorrhages = 1 + r.below(3); break;
        case 3: f.haemorrhages = 2 + r.below(4); break;
        case 4: f.ramified = 1 + r.below(2); f.bizarre = r.below(2); f.disorder = r.uniform(); break;
        default: f.avascularGaps = 1; f.disorder = 0.5 * r.uniform(); break;
    }
    if (f.densityPerMm < 3) f.giants = std::min(f.giants, 1);
    return f;
}

// A sparse row (1.5 to 3.5 per mm) of normal shapes only, as a healthy
// or non-specific finger's poorly filled picture: hairpins, tortuous and
// crossing loops, with dilated loops and deposits, an avascular gap or a
// disordered row by case number. An abnormal shape called on one of these,
// with its row read at 3 per mm or under, makes a false scleroderma pattern.
inline SynthFindings sparseNormalRow(uint64_t seed, int i) {
    SynthRandom r(seed, 91);
    SynthFindings f;
    f.densityPerMm = r.range(1.5, 3.5);
    f.tortuous = r.range(0.1, 0.6);
    switch (i % 5) {
        case 0: break;
        case 1: f.dilated = 1 + r.below(3); f.haemorrhages = 1 + r.below(2); break;
        case 2: f.haemorrhages = 1 + r.below(3); break;
        case 3: f.avascularGaps = 1; f.disorder = r.range(0.3, 1.0); break;
        default: f.disorder = r.range(0.5, 1.0); f.dilated = r.below(2); break;
    }
    return f;
}

inline double medianOf(std::vector<double> v) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The found less the true apical diameter of the matched capillaries whose
// true diameter lies in [fromUm, toUm) and that were measured.
inline std::vector<double> apexErrorsIn(const std::vector<AssessScore::Pair>& pairs, double fromUm, double toUm) {
    std::vector<double> e;
    for (const auto& q : pairs)
        if (q.truthUm >= fromUm && q.truthUm < toUm && std::isfinite(q.foundUm)) e.push_back(q.foundUm - q.truthUm);
    return e;
}

// The scores of many pictures added up: the figures the accuracy goals
// are stated in. A figure counts as trusted where the product says so
// (kAssessTrustedQuality).
struct AssessTotals {
    int pictures = 0, patternsRight = 0;
    // Pictures whose pattern says it can be trusted, and of those the right.
    int trusted = 0, trustedRight = 0;
    // Pictures whose density is trusted, and of those the ones more than 2
    // per mm off; pictures said to be out of focus.
    int densityTrusted = 0, densityTrustedOff = 0, outOfFocus = 0;
    double densityErr = 0;
    std::vector<double> apexErr;
    // Pictures whose apical diameters are trusted, and the errors of the
    // ordinary and dilated caps (giants aside) there and elsewhere.
    int diameterTrusted = 0;
    std::vector<double> apexErrTrusted, apexErrUntrusted;
    // Pictures on which each figure is not trusted, in figureQualities' order.
    std::vector<std::pair<std::string, int>> untrusted;
    int giants = 0, giantsFound = 0, falseGiants = 0, capillaries = 0;
    int haem = 0, haemFound = 0, falseHaem = 0;
    int shapes = 0, shapesFound = 0, falseShapes = 0;
    // Normal (under 20 um) and dilated loops whose apical diameter was
    // measured, and how many of each read dilated or wider.
    int normalCaps = 0, normalReadDilated = 0, dilatedCaps = 0, dilatedReadDilated = 0;
    std::vector<AssessScore::Pair> pairs;  // every matched capillary
    void add(const AssessScore& s) {
        pairs.insert(pairs.end(), s.pairs.begin(), s.pairs.end());
        for (const auto& q : s.pairs) {
            if (!std::isfinite(q.foundUm) || q.truthGiant) continue;
            const bool wide = q.foundUm >= kDilatedApexUm;
            if (q.truthUm < kDilatedApexUm) ++normalCaps, normalReadDilated += wide ? 1 : 0;
            else ++dilatedCaps, dilatedReadDilated += wide ? 1 : 0;
        }
        shapes += s.truthShapes;
        shapesFound += s.shapesFound;
        falseShapes += s.falseShapes;
        ++pictures;
        densityErr += std::abs(s.found.densityPerMm - s.truth.densityPerMm);
        patternsRight += s.found.scleroderma == s.truth.scleroderma ? 1 : 0;
        trusted += s.found.patternTrusted ? 1 : 0;
        trustedRight += s.found.patternTrusted && s.found.scleroderma == s.truth.scleroderma ? 1 : 0;
        if (s.found.quality.density >= kAssessTrustedQuality) {
            ++densityTrusted;
            densityTrustedOff += std::abs(s.found.densityPerMm - s.truth.densityPerMm) > 2 ? 1 : 0;
        }
        for (const std::string& w : s.found.warnings) outOfFocus += w == kAssessOutOfFocus ? 1 : 0;
        apexErr.insert(apexErr.end(), s.apexErrorsUm.begin(), s.apexErrorsUm.end());
        const std::vector<FigureQuality> fq = figureQualities(s.found);
        if (untrusted.empty())
            for (const FigureQuality& f : fq) untrusted.emplace_back(f.words, 0);
        for (size_t i = 0; i < fq.size() && i < untrusted.size(); ++i)
            untrusted[i].second += fq[i].quality < kAssessTrustedQuality ? 1 : 0;
        const bool diameterSure = s.found.quality.diameter >= kAssessTrustedQuality;
        diameterTrusted += diameterSure ? 1 : 0;
        for (const auto& q : s.pairs)
            if (std::isfinite(q.foundUm) && !q.truthGiant)
                (diameterSure ? apexErrTrusted : apexErrUntrusted).push_back(std::abs(q.foundUm - q.truthUm));
        giants += s.truthGiants;
        giantsFound += s.giantsFound;
        falseGiants += s.falseGiants;
        capillaries += s.capillaries;
        haem += s.truthHaem;
        haemFound += s.haemFound;
        falseHaem += s.falseHaem;
    }
};

}  // namespace ordavia::test
