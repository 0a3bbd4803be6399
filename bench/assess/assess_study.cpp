// The accuracy study of the capillaroscopy assessment: seeded synthetic
// pictures of every kind of row (density 1 to 12 per mm, giants, dilated,
// ramified and bizarre loops, haemorrhages, avascular gaps) under the
// clean, typical and hard conditions, and whole examinations of each
// pattern. Prints, per condition: density MAE, median apical-diameter
// error, giants found and false giants, haemorrhages found, and how often
// the Fast Track pattern equals the truth, for pictures and examinations.
//
//   assess_study [--cases N] [--seed S] [--condition clean|typical|hard] [--verbose]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/AssessScore.h"
#include "synth/SyntheticNailfoldDraw.h"

using namespace ordavia;
using namespace ordavia::test;

namespace {

struct Table {
    double densityErr = 0;
    int pictures = 0, patternsRight = 0;
    std::vector<double> apexErr;
    int giants = 0, giantsFound = 0, falseGiants = 0, capillaries = 0;
    int haem = 0, haemFound = 0, falseHaem = 0;
    void add(const AssessScore& s) {
        ++pictures;
        densityErr += std::abs(s.found.densityPerMm - s.truth.densityPerMm);
        patternsRight += s.found.scleroderma == s.truth.scleroderma ? 1 : 0;
        apexErr.insert(apexErr.end(), s.apexErrorsUm.begin(), s.apexErrorsUm.end());
        giants += s.truthGiants;
        giantsFound += s.giantsFound;
        falseGiants += s.falseGiants;
        capillaries += s.capillaries;
        haem += s.truthHaem;
        haemFound += s.haemFound;
        falseHaem += s.falseHaem;
    }
    void print(const char* name) const {
        std::printf("%-9s %4d pictures: density MAE %.2f /mm, apex error median %.1f um, giants found %.0f %%, "
                    "false giants %.1f %% of capillaries, haemorrhages found %.0f %% (%d false), pattern right %.0f %%\n",
                    name, pictures, densityErr / std::max(1, pictures), medianOf(apexErr),
                    giants ? 100.0 * giantsFound / giants : 100.0, capillaries ? 100.0 * falseGiants / capillaries : 0.0,
                    haem ? 100.0 * haemFound / haem : 100.0, falseHaem, 100.0 * patternsRight / std::max(1, pictures));
    }
};

// The mix of rows a study draws, by case number.
SynthFindings rowFor(uint64_t i) {
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

}  // namespace

int main(int argc, char** argv) {
    int cases = 24;
    uint64_t seed = 1;
    bool verbose = false;
    std::vector<std::string> conditions = {"clean", "typical", "hard"};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--cases") && i + 1 < argc) cases = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) seed = uint64_t(std::atoll(argv[++i]));
        else if (!std::strcmp(argv[i], "--condition") && i + 1 < argc) conditions = {argv[++i]};
        else if (!std::strcmp(argv[i], "--verbose")) verbose = true;
        else {
            std::fprintf(stderr, "usage: assess_study [--cases N] [--seed S] [--condition clean|typical|hard] [--verbose]\n");
            return 2;
        }
    }
    for (const std::string& c : conditions) {
        Table t;
        for (int i = 0; i < cases; ++i) {
            const SynthFindings f = rowFor(seed * 1000 + static_cast<uint64_t>(i));
            const AssessScore s = scoreAssessment(c, seed * 1000 + static_cast<uint64_t>(i), f);
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
        }
        t.print(c.c_str());
    }
    return 0;
}
