// How well counting along a line follows the truth on synthetic
// videocapillaroscopy frames, per condition, and how those frames compare
// with real 200x pictures.
#include <gtest/gtest.h>


#include "tests/synth/CountScoring.h"

namespace {

using ordavia::percentile;

// Real pictures: 27 lines on colour JPEGs, 1280 x 1024 at about 2.6 um per
// pixel, measured with the definitions of CapillaryCountStats.h.
struct RealFigure {
    const char* name;
    double p10, median, p90;
};
constexpr RealFigure kReal[] = {
    {"darkening D at a vessel", 0.010, 0.034, 0.107}, {"prominence of the dip", 0.021, 0.048, 0.129},
    {"dip width, px", 6, 18, 46},                     {"spacing, px", 21, 50, 117},
    {"noise, grey levels", 0.46, 0.61, 1.17},          {"uneven light", 0.10, 0.13, 0.21},
    {"mean green", 70, 94, 203},
};

std::vector<double> figure(const CountScore& s, size_t i) {
    switch (i) {
    case 0: return s.darkening;
    case 1: return s.prominence;
    case 2: return s.widthPx;
    case 3: return s.spacingPx;
    case 4: return s.noise;
    case 5: return s.uneven;
    default: return s.green;
    }
}

// The figures the method reaches, with a margin below what was measured on
// these seeds; a drop means the counting (or the generator) changed.
TEST(CountAccuracy, FollowsTheTruthOnTypicalAndHardFrames) {
    const std::vector<CountCondition> all = countConditions();
    struct Goal {
        size_t condition;
        double within1, mae;
    };
    for (const Goal& g : {Goal{0, 0.85, 0.6}, Goal{1, 0.6, 1.5}}) {
        const CountScore s = scoreCount(all[g.condition], 1, 8);
        SCOPED_TRACE(all[g.condition].name);
        EXPECT_EQ(s.lines, 24);
        EXPECT_GE(s.share(), g.within1);
        EXPECT_LE(s.mae(), g.mae);
        // On hard frames the side is found little better than by chance (the
        // count suffers less: the band reads both sides of a faint loop).
        EXPECT_LE(s.wrongSide, g.condition == 0 ? 1 : 13);
    }
}

// The typical condition sits in the middle of the real pictures and the
// hard one at their difficult end: a generator that drifts towards easy
// pictures would make every accuracy figure above flatter the method.
TEST(CountAccuracy, GeneratorMatchesRealPictures) {
    const std::vector<CountCondition> all = countConditions();
    const CountScore typical = scoreCount(all[0], 1, 4, {}, true);
    const CountScore hard = scoreCount(all[1], 1, 4, {}, true);
    // Typical: every median between the real 25th and 75th percentile,
    // taken here as halfway from the median to the 10th and 90th.
    for (size_t i = 0; i < std::size(kReal); ++i) {
        SCOPED_TRACE(kReal[i].name);
        const double m = percentile(figure(typical, i), 0.5);
        EXPECT_GE(m, (kReal[i].p10 + kReal[i].median) / 2);
        EXPECT_LE(m, (kReal[i].median + kReal[i].p90) / 2);
    }
    // Hard: fainter, darker and more unevenly lit than typical, at the
    // difficult end of the real pictures.
    EXPECT_LT(percentile(hard.darkening, 0.5), percentile(typical.darkening, 0.5));
    EXPECT_LT(percentile(hard.prominence, 0.5), percentile(typical.prominence, 0.5));
    EXPECT_GE(percentile(hard.uneven, 0.5), 0.18);
    EXPECT_LE(percentile(hard.green, 0.5), 80);
}

}  // namespace
