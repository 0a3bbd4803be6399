// The accuracy study of the capillaroscopy assessment: seeded synthetic
// pictures of every kind of row (density 1 to 12 per mm, giants, dilated,
// ramified and bizarre loops, haemorrhages, avascular gaps) under the
// clean, typical and hard conditions, and whole examinations of each
// pattern. Prints, per condition: density MAE, median apical-diameter
// error, giants found and false giants, haemorrhages found, and how often
// the Fast Track pattern equals the truth, for pictures and examinations.
//
// With --counter, the capillary counter along a millimetre of the row
// instead: MAE, r, share within one, mean count by true count.
//
// With --cache DIR, drawn pictures and the truth the scoring needs are kept
// in DIR and read back on the next run (drawing takes most of the time).
//
//   assess_study [--cases N] [--exams N] [--seed S] [--condition clean|typical|hard] [--counter] [--verbose]
//                [--cache DIR] [--dump DIR] [--case N] [--pattern normal|nonspecific|early|active|late]
//
// With --pattern P, the examinations of that pattern alone (no rows); each
// finger whose pattern is wrong is counted by its cause: a giant missed, a
// false giant, the density on the wrong side of 3, an abnormal shape missed
// or a false one.
//
// With --sparse-normal N, N sparse rows of normal shapes alone (1.5 to 3.5
// per mm): the false shapes and false scleroderma patterns on them.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "image/CapillaryCount.h"
#include "image/ImageFormats.h"
#include "measure/AssessmentOverlay.h"
#include "support/AssessScore.h"
#include "measure/FastTrack.h"
#include "synth/SyntheticNailfoldDraw.h"

using namespace ordavia;
using namespace ordavia::test;

namespace {

std::string cacheDir;
// With --dump DIR, each picture with its findings drawn in.
std::string dumpDir;
// With --all-shapes (and --verbose), every capillary matched on an
// examination finger, not only abnormal ones.
bool allShapes = false;

template <class T>
void put(std::ofstream& o, const T& v) {
    o.write(reinterpret_cast<const char*>(&v), sizeof v);
}
template <class T>
bool get(std::ifstream& i, T& v) {
    return static_cast<bool>(i.read(reinterpret_cast<char*>(&v), sizeof v));
}

// The picture and the part of its truth the scoring reads.
bool readCase(const std::string& path, CZVimage& img, SyntheticNailfold::Truth& t) {
    std::ifstream in(path, std::ios::binary);
    int w = 0, h = 0, colour = 0, loops = 0, haem = 0;
    if (!in || !get(in, w) || !get(in, h) || !get(in, colour)) return false;
    img = CZVimage(w, h, -1, 0, colour);
    in.read(reinterpret_cast<char*>(img.data()), static_cast<std::streamsize>(img.byteCount()));
    get(in, t.umPerPixelX), get(in, t.umPerPixelY), get(in, t.rowFromX), get(in, t.rowToX), get(in, loops);
    t.width = w;
    t.height = h;
    t.loops.resize(static_cast<size_t>(std::max(0, loops)));
    for (auto& L : t.loops)
        get(in, L.row), get(in, L.apex), get(in, L.giant), get(in, L.dilated), get(in, L.shape), get(in, L.apexWidthUm);
    get(in, haem);
    t.haemorrhages.resize(static_cast<size_t>(std::max(0, haem)));
    for (auto& hm : t.haemorrhages) get(in, hm.centre), get(in, hm.radiusUm);
    return static_cast<bool>(in);
}

void writeCase(const std::string& path, const CZVimage& img, const SyntheticNailfold::Truth& t) {
    std::ofstream o(path + ".part", std::ios::binary);
    put(o, img.width()), put(o, img.height()), put(o, img.colour());
    o.write(reinterpret_cast<const char*>(img.data()), static_cast<std::streamsize>(img.byteCount()));
    put(o, t.umPerPixelX), put(o, t.umPerPixelY), put(o, t.rowFromX), put(o, t.rowToX), put(o, static_cast<int>(t.loops.size()));
    for (const auto& L : t.loops) put(o, L.row), put(o, L.apex), put(o, L.giant), put(o, L.dilated), put(o, L.shape), put(o, L.apexWidthUm);
    put(o, static_cast<int>(t.haemorrhages.size()));
    for (const auto& hm : t.haemorrhages) put(o, hm.centre), put(o, hm.radiusUm);
    o.close();
    std::rename((path + ".part").c_str(), path.c_str());
}

AssessScore scoreCase(const std::string& condition, uint64_t seed, const SynthFindings& f) {
    CZVimage img;
    SyntheticNailfold::Truth t;
    std::string path;
    if (!cacheDir.empty()) {
        char key[256];
        std::snprintf(key, sizeof key, "/%s-%llu-%.4f-%d-%d-%d-%d-%d-%d-%.4f-%.4f.case", condition.c_str(),
                      static_cast<unsigned long long>(seed), f.densityPerMm, f.giants, f.dilated, f.ramified, f.bizarre,
                      f.haemorrhages, f.avascularGaps, f.disorder, f.tortuous);
        path = cacheDir + key;
        if (!readCase(path, img, t)) {
            if (!drawAssessCase(condition, seed, f, false, img, t)) return {};
            writeCase(path, img, t);
        }
    } else if (!drawAssessCase(condition, seed, f, false, img, t)) {
        return {};
    }
    AssessScore s = scoreDrawn(img, t);
    if (!dumpDir.empty() && s.ok) {
        CZVimage out;
        char name[128];
        std::snprintf(name, sizeof name, "/%s-%llu.png", condition.c_str(), static_cast<unsigned long long>(seed));
        if (drawAssessment(img, s.found, out)) {
            // The true distal-row apexes: white crosses (giants: blue,
            // ramified and bizarre loops: green).
            for (const auto& L : t.loops) {
                if (L.row != 0) continue;
                const int x = static_cast<int>(L.apex.x), y = static_cast<int>(L.apex.y);
                for (int d = -6; d <= 6; ++d)
                    for (const auto& [xx, yy] : {std::pair{x + d, y}, std::pair{x, y + d}}) {
                        if (xx < 0 || yy < 0 || xx >= out.width() || yy >= out.rows()) continue;
                        uint8_t* q = out.row(yy) + 3 * xx;
                        q[0] = L.shape >= 3 ? 0 : 255, q[1] = L.giant ? 0 : 255, q[2] = L.giant || L.shape >= 3 ? 0 : 255;
                    }
            }
            (void)savePicture(out, dumpDir + name);
            // And the picture alone, to look at the vessels themselves.
            std::string raw = name;
            raw.replace(raw.size() - 4, 4, "-raw.png");
            (void)savePicture(img, dumpDir + raw);
        }
    }
    return s;
}

// The apical-diameter error by the loop's true diameter: ordinary, wide,
// dilated and giant loops fail differently (a blurred wide cap reads small).
// Per band: loops measured of those matched, median absolute and signed error.
void printApexByDiameter(const char* name, const std::vector<AssessScore::Pair>& pairs) {
    struct Band {
        const char* label;
        double lo, hi;
    };
    const Band bands[] = {{"<12", 0, 12}, {"12-20", 12, 20}, {"20-30", 20, 30}, {"30-50", 30, 50}, {">=50", 50, 1e9}};
    std::printf("%-9s apex error by true diameter:", name);
    for (const Band& b : bands) {
        int matched = 0;
        for (const auto& q : pairs) matched += q.truthUm >= b.lo && q.truthUm < b.hi ? 1 : 0;
        const std::vector<double> signed_ = apexErrorsIn(pairs, b.lo, b.hi);
        std::vector<double> abs;
        for (double e : signed_) abs.push_back(std::abs(e));
        std::printf(" %s um: %zu/%d med %.1f (%+.1f);", b.label, abs.size(), matched, medianOf(abs), medianOf(signed_));
    }
    std::printf("\n");
}

struct Table : AssessTotals {
    void print(const char* name) const {
        std::printf("%-9s %4d pictures: density MAE %.2f /mm, apex error median %.1f um, giants found %.0f %%, "
                    "false giants %.1f %% of capillaries, haemorrhages found %.0f %% (%d false), abnormal shapes found %d of %d "
                    "(%d false), pattern right %.0f %%\n",
                    name, pictures, densityErr / std::max(1, pictures), medianOf(apexErr),
                    giants ? 100.0 * giantsFound / giants : 100.0, capillaries ? 100.0 * falseGiants / capillaries : 0.0,
                    haem ? 100.0 * haemFound / haem : 100.0, falseHaem, shapesFound, shapes, falseShapes, 100.0 * patternsRight / std::max(1, pictures));
        std::printf("%-9s pattern trusted on %d of %d pictures, right on %d of those; wrong and trusted %d\n", name, trusted,
                    pictures, trustedRight, trusted - trustedRight);
        std::printf("%-9s density trusted on %d of %d pictures, more than 2 per mm off on %d of those; out of focus %d\n", name,
                    densityTrusted, pictures, densityTrustedOff, outOfFocus);
        std::printf("%-9s diameter trusted on %d of %d pictures, apex error median %.1f um there, %.1f on the others (giants aside)\n",
                    name, diameterTrusted, pictures, medianOf(apexErrTrusted), medianOf(apexErrUntrusted));
        std::printf("%-9s not trusted:", name);
        for (const auto& [words, n] : untrusted) std::printf(" %s %d,", words.c_str(), n);
        std::printf(" of %d pictures\n", pictures);
        std::printf("%-9s normal caps read dilated %d of %d, dilated caps read dilated %d of %d\n", name, normalReadDilated, normalCaps,
                    dilatedReadDilated, dilatedCaps);
        printApexByDiameter(name, pairs);
    }
};

// Why a single finger's pattern is wrong, or empty when it is right.
// Scleroderma missed: its giant was missed, or (rule 2 by a sparse row)
// the row read over 3 per mm, its abnormal shapes were missed, or both.
// Scleroderma called falsely: a false giant, or a sparse row read 3 per
// mm or under with a false shape, a true row over 3 per mm, or both.
std::string wrongCause(const AssessScore& s) {
    const AssessmentTruth& t = s.truth;
    const CapillaryAssessment& f = s.found;
    if (f.scleroderma == t.scleroderma) return {};
    const double low = kFastTrackLowDensity;
    if (t.scleroderma) {
        if (t.giants > 0 && f.giants == 0 && !(t.densityPerMm <= low && t.abnormalShapes > 0)) return "giant missed";
        const bool dense = f.densityPerMm > low, noShape = f.abnormalShapes == 0;
        if (t.giants > 0 && f.giants == 0) return dense && noShape ? "giant missed, density over 3 and shape missed"
                                                  : dense ? "giant missed and density over 3" : "giant missed and shape missed";
        return dense && noShape ? "density over 3 and shape missed" : dense ? "density over 3" : "shape missed";
    }
    if (f.giants > 0) return "false giant";
    const bool dense = t.densityPerMm > low, falseShape = t.abnormalShapes == 0;
    return dense && falseShape ? "density 3 or under and false shape" : dense ? "density 3 or under" : "false shape";
}

// The counter along a millimetre of the distal row against the truth, for
// rows of 1 to 12 capillaries per mm, as on the real pictures: MAE, r and
// the share within one; and the mean count by true count (range
// compression shows as a flat line).
void counterStudy(const std::string& condition, int cases, uint64_t seed, const CountSettings& cs) {
    std::vector<double> truth, found;
    double byTruth[16] = {}, nBy[16] = {};
    for (int i = 0; i < cases; ++i) {
        SynthFindings f;
        f.densityPerMm = 1 + 11.0 * (i % 12) / 11.0;
        f.disorder = f.densityPerMm < 4 ? 0.8 : 0.1;
        SyntheticNailfold::Params p;
        CapillaroscopeLook look;
        if (!assessmentScene(condition, seed * 1000 + static_cast<uint64_t>(i), f, p, look)) continue;
        CZVimage img;
        SyntheticNailfold::Truth t;
        if (!generateCapillaroscope(p, look, img, t)) continue;
        const CountLineTruth line = distalRowLine(t, p.width / 2.0, 1000);
        const RidgeImage ri = ridgeImage(img, p.umPerPixelX, p.umPerPixelY, cs);
        const CountResult r = countAlongLine(ri, {line.a.x, line.a.y}, {line.b.x, line.b.y}, cs);
        truth.push_back(line.count);
        found.push_back(r.count);
        const int k = std::min(15, line.count);
        byTruth[k] += r.count;
        nBy[k] += 1;
    }
    double mae = 0, within = 0, mt = 0, mf = 0;
    const double n = static_cast<double>(truth.size());
    for (size_t i = 0; i < truth.size(); ++i) {
        mae += std::abs(found[i] - truth[i]);
        within += std::abs(found[i] - truth[i]) <= 1 ? 1 : 0;
        mt += truth[i];
        mf += found[i];
    }
    mt /= std::max(1.0, n);
    mf /= std::max(1.0, n);
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < truth.size(); ++i) {
        sxy += (truth[i] - mt) * (found[i] - mf);
        sxx += (truth[i] - mt) * (truth[i] - mt);
        syy += (found[i] - mf) * (found[i] - mf);
    }
    std::printf("counter   %-8s %3.0f lines: MAE %.2f, r %.2f, within +-1 %.0f %%\n  mean count by true count:", condition.c_str(),
                n, mae / std::max(1.0, n), sxy / std::sqrt(std::max(1e-9, sxx * syy)), 100 * within / std::max(1.0, n));
    for (int k = 0; k < 16; ++k)
        if (nBy[k] > 0) std::printf(" %d:%.1f", k, byTruth[k] / nBy[k]);
    std::printf("\n");
}

// Sparse rows of normal shapes only (sparseNormalRow): the false shapes
// and the false scleroderma patterns on them.
void sparseNormalStudy(const std::string& condition, int rows, uint64_t seed, bool verbose) {
    int drawn = 0, falseShapes = 0, rowsWithFalse = 0, falsePatterns = 0, judgedRows = 0, capillaries = 0;
    for (int i = 0; i < rows; ++i) {
        const uint64_t s = seed * 1000 + 500 + static_cast<uint64_t>(i);
        const SynthFindings f = sparseNormalRow(s, i);
        const AssessScore sc = scoreCase(condition, s, f);
        if (!sc.ok) continue;
        ++drawn;
        capillaries += sc.capillaries;
        falseShapes += sc.falseShapes;
        rowsWithFalse += sc.falseShapes > 0 ? 1 : 0;
        falsePatterns += sc.found.scleroderma && !sc.truth.scleroderma ? 1 : 0;
        judgedRows += sc.found.quality.shape > 0 ? 1 : 0;
        if (verbose)
            std::printf("  sparse row %d (seed %llu): density %.1f/%.1f false shapes %d scleroderma %d/%d\n", i,
                        static_cast<unsigned long long>(s), sc.found.densityPerMm, sc.truth.densityPerMm, sc.falseShapes,
                        sc.found.scleroderma, sc.truth.scleroderma);
    }
    std::printf("%-9s %4d sparse normal rows (%d capillaries, shapes judged on %d): false shapes %d on %d rows, "
                "false scleroderma %d\n",
                condition.c_str(), drawn, capillaries, judgedRows, falseShapes, rowsWithFalse, falsePatterns);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int cases = 24;
    uint64_t seed = 1;
    bool verbose = false;
    int exams = 0;
    int sparseRows = 0;  // --sparse-normal N: that many sparse rows of normal shapes alone
    int only = -1;  // --case N: that case alone
    std::string onlyPattern;  // --pattern P: examinations of that pattern alone
    bool counter = false;
    CountSettings cs;
    std::vector<std::string> conditions = {"clean", "typical", "hard"};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--cases") && i + 1 < argc) cases = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) seed = uint64_t(std::atoll(argv[++i]));
        else if (!std::strcmp(argv[i], "--condition") && i + 1 < argc) conditions = {argv[++i]};
        else if (!std::strcmp(argv[i], "--verbose")) verbose = true;
        else if (!std::strcmp(argv[i], "--counter")) counter = true;
        else if (!std::strcmp(argv[i], "--limb") && i + 2 < argc) cs.minLimbUm = std::atof(argv[++i]), cs.maxLimbUm = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--spacing") && i + 1 < argc) cs.minSpacingUm = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--threshold") && i + 1 < argc) cs.threshold = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--band") && i + 1 < argc) cs.bandUm = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--case") && i + 1 < argc) only = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--exams") && i + 1 < argc) exams = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--cache") && i + 1 < argc) cacheDir = argv[++i];
        else if (!std::strcmp(argv[i], "--dump") && i + 1 < argc) dumpDir = argv[++i];
        else if (!std::strcmp(argv[i], "--pattern") && i + 1 < argc) onlyPattern = argv[++i];
        else if (!std::strcmp(argv[i], "--all-shapes")) allShapes = true;
        else if (!std::strcmp(argv[i], "--sparse-normal") && i + 1 < argc) sparseRows = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: assess_study [--cases N] [--exams N] [--seed S] [--condition clean|typical|hard] [--counter] [--verbose]\n                    [--cache DIR] [--dump DIR] [--case N] [--pattern P] [--sparse-normal N]\n");
            return 2;
        }
    }
    for (const std::string& c : conditions) {
        if (counter) {
            counterStudy(c, cases, seed, cs);
            continue;
        }
        if (sparseRows > 0) {
            sparseNormalStudy(c, sparseRows, seed, verbose);
            continue;
        }
        Table t;
        for (int i = 0; i < cases && onlyPattern.empty(); ++i) {
            if (only >= 0 && i != only) continue;
            const SynthFindings f = studyRow(seed * 1000 + static_cast<uint64_t>(i));
            const AssessScore s = scoreCase(c, seed * 1000 + static_cast<uint64_t>(i), f);
            if (!s.ok) {
                if (verbose) std::printf("  case %d: not drawn\n", i);
                continue;
            }
            t.add(s);
            if (verbose)
                std::printf("  case %2d: density %.1f/%.1f count %d/%d giants %d/%d(+%d) haem %d/%d(+%d) shapes %d/%d "
                            "rule %d/%d apex med %.1f %s\n",
                            i, s.found.densityPerMm, s.truth.densityPerMm, s.found.count, s.truth.count, s.giantsFound,
                            s.truthGiants, s.falseGiants, s.haemFound, s.truthHaem, s.falseHaem, s.found.abnormalShapes,
                            s.truth.abnormalShapes, s.found.rule, s.truth.rule, medianOf(s.apexErrorsUm),
                            s.found.warnings.empty() ? "" : s.found.warnings.front().c_str());
            if (verbose) {
                // Where a density error comes from: loops of the row missed,
                // capillaries found off the row, or the line's length.
                const double lineMm = std::hypot(s.found.lineTo.x - s.found.lineFrom.x, s.found.lineTo.y - s.found.lineFrom.y) *
                                      s.found.umPerPixel / 1000;
                std::printf("      row: matched %d, off the row %d, missed %d, line %.2f mm of %.2f\n", s.matched,
                            s.capillaries - s.matched, s.truth.count - s.matched, lineMm,
                            s.truth.densityPerMm > 0 ? s.truth.count / s.truth.densityPerMm : 0.0);
            }
            if (verbose && s.haemFound < s.truthHaem) {
                std::printf("      haemorrhages missed of:");
                for (const auto& hm : s.truthHaemAt) std::printf(" (%.0f %.0f r %.0f)", hm.x, hm.y, hm.r);
                std::printf("\n");
            }
            if (verbose)
                for (const auto& q : s.pairs)
                    if (q.truthAbnormal || q.foundAbnormal)
                        std::printf("      shape truth %s found %s at %.0f %.0f\n", q.truthAbnormal ? "abnormal" : "normal",
                                    q.foundAbnormal ? "abnormal" : "normal", q.at.x, q.at.y);
            if (verbose)
                for (const auto& q : s.pairs)
                    if (q.truthGiant != q.foundGiant || q.truthUm >= 20 || std::abs(q.foundUm - q.truthUm) > 8 || std::isnan(q.foundUm))
                        std::printf("      apex truth %.1f%s found %.1f%s at %.0f %.0f\n", q.truthUm, q.truthGiant ? "G" : "", q.foundUm,
                                    q.foundGiant ? "G" : "", q.at.x, q.at.y);
        }
        if (onlyPattern.empty()) t.print(c.c_str());
        if (exams <= 0) continue;
        // Whole examinations: the examination's pattern is scleroderma when
        // any finger shows one.
        int examsRight = 0, examsDone = 0, healthy = 0, healthyCalledNormal = 0;
        Table fingers;
        std::map<std::string, int> causes;
        int wrongFingers = 0;
        for (const char* pattern : {"normal", "nonspecific", "early", "active", "late"}) {
            if (!onlyPattern.empty() && onlyPattern != pattern) continue;
            Table ofPattern;
            for (int e = 0; e < exams; ++e) {
                const uint64_t es = seed * 7919 + static_cast<uint64_t>(e) * 31;
                const std::vector<SynthFindings> f = examinationFindings(pattern, es);
                bool truthScl = false, foundScl = false;
                for (size_t k = 0; k < f.size(); ++k) {
                    const AssessScore s = scoreCase(c, es + k, f[k]);
                    if (!s.ok) continue;
                    fingers.add(s);
                    ofPattern.add(s);
                    const std::string cause = wrongCause(s);
                    if (!cause.empty()) ++causes[std::string(pattern) + ": " + cause], ++wrongFingers;
                    if (verbose && !cause.empty())
                        std::printf("    exam %s %d finger %zu wrong (truth %s): %s\n", pattern, e, k,
                                    s.truth.scleroderma ? "scleroderma" : "non-scleroderma", cause.c_str());
                    if (verbose) {
                        std::printf("    finger %zu: density %.1f/%.1f giants %d/%d(+%d) shapes %d/%d haem %d/%d(+%d) rule %d/%d\n", k,
                                    s.found.densityPerMm, s.truth.densityPerMm, s.giantsFound, s.truthGiants, s.falseGiants,
                                    s.found.abnormalShapes, s.truth.abnormalShapes, s.haemFound, s.truthHaem, s.falseHaem,
                                    s.found.rule, s.truth.rule);
                        // As for the rows: loops missed, tops off the row, the line's length.
                        const double lineMm = std::hypot(s.found.lineTo.x - s.found.lineFrom.x, s.found.lineTo.y - s.found.lineFrom.y) *
                                              s.found.umPerPixel / 1000;
                        std::printf("      row: matched %d, off the row %d, missed %d, line %.2f mm of %.2f\n", s.matched,
                                    s.capillaries - s.matched, s.truth.count - s.matched, lineMm,
                                    s.truth.densityPerMm > 0 ? s.truth.count / s.truth.densityPerMm : 0.0);
                        for (const auto& st : s.strays)
                            std::printf("      stray at %.0f %.0f: nearest loop of row %d at %+.0f %+.0f\n", st.at.x, st.at.y, st.row,
                                        st.dx, st.dy);
                        for (const auto& q : s.pairs)
                            if (q.truthAbnormal || q.foundAbnormal || allShapes)
                                std::printf("      shape truth %s found %s at %.0f %.0f\n", q.truthAbnormal ? "abnormal" : "normal",
                                            q.foundAbnormal ? "abnormal" : "normal", q.at.x, q.at.y);
                        if (s.haemFound < s.truthHaem) {
                            std::printf("      haemorrhages %d of %d found; missed:", s.haemFound, s.truthHaem);
                            for (const auto& hm : s.truthHaemAt)
                                if (!hm.found) std::printf(" (%.0f %.0f r %.0f)", hm.x, hm.y, hm.r);
                            std::printf("\n");
                        }
                        // Abnormal loops no capillary was matched to: the
                        // nearest capillary found, and whether its shape is normal.
                        for (const AssessPoint& u : s.shapesUnmatched) {
                            const AssessedCapillary* near = nullptr;
                            for (const auto& fc : s.found.capillaries)
                                if (!near || std::hypot(fc.apex.x - u.x, fc.apex.y - u.y) <
                                                 std::hypot(near->apex.x - u.x, near->apex.y - u.y))
                                    near = &fc;
                            if (near)
                                std::printf("      shape truth abnormal unmatched at %.0f %.0f, nearest capillary %+.0f %+.0f (%.1f um%s)\n",
                                            u.x, u.y, near->apex.x - u.x, near->apex.y - u.y, near->apexUm,
                                            isNormalShape(near->shape) ? "" : ", abnormal");
                            else
                                std::printf("      shape truth abnormal unmatched at %.0f %.0f, no capillary\n", u.x, u.y);
                        }
                        for (const auto& q : s.pairs)
                            if (q.truthGiant != q.foundGiant)
                                std::printf("      apex truth %.1f%s found %.1f%s at %.0f %.0f\n", q.truthUm, q.truthGiant ? "G" : "",
                                            q.foundUm, q.foundGiant ? "G" : "", q.at.x, q.at.y);
                        // Deposits found where the truth has none near.
                        const double px = s.found.umPerPixel > 0 ? s.found.umPerPixel : 1;
                        for (const auto& d : s.found.haemorrhages) {
                            bool real = false;
                            for (const auto& hm : s.truthHaemAt)
                                real = real || std::hypot(d.centre.x - hm.x, d.centre.y - hm.y) < (hm.r + 20) / px;
                            if (!real) std::printf("      haemorrhage false at %.0f %.0f, %.0f um2\n", d.centre.x, d.centre.y, d.areaUm2);
                        }
                    }
                    if (!std::strcmp(pattern, "normal")) {
                        ++healthy;
                        healthyCalledNormal += s.found.scleroderma ? 0 : 1;
                    }
                    truthScl = truthScl || s.truth.scleroderma;
                    foundScl = foundScl || s.found.scleroderma;
                }
                ++examsDone;
                examsRight += truthScl == foundScl ? 1 : 0;
                if (verbose) std::printf("  exam %s %d: truth %d found %d\n", pattern, e, truthScl, foundScl);
            }
            ofPattern.print((c + "/" + pattern).c_str());
        }
        fingers.print((c + "/exam").c_str());
        std::printf("%-9s wrong single fingers %d of %d:\n", c.c_str(), wrongFingers, fingers.pictures);
        for (const auto& [cause, n] : causes) std::printf("  %3d  %s\n", n, cause.c_str());
        std::printf("%-9s %4d examinations: pattern right %.0f %%; healthy fingers called non-scleroderma %d of %d\n",
                    c.c_str(), examsDone, 100.0 * examsRight / std::max(1, examsDone), healthyCalledNormal, healthy);
    }
    return 0;
}
