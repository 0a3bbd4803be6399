// Synthetic line scans at recording conditions: cells move the stated way
// at the stated mean speed, the picture has the contrast and noise asked
// for, the same seed gives the same values, bad parameters nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "synth/SyntheticLineScan.h"

using namespace ordavia;
using SLS = SyntheticLineScan;

namespace {
// The whole shift that best matches each frame to the next over the run.
int bestShift(const SLS::Scan& s) {
    const int n = int(s.points);
    std::pair<double, int> best{1e300, 0};
    for (int d = -n / 3; d <= n / 3; ++d) {
        double e = 0;
        for (uint32_t t = 0; t + 1 < s.frames; ++t)
            for (int i = std::max(0, -d); i < n && i + d < n; ++i)
                e += std::pow(s.values[t * n + i] - s.values[(t + 1) * n + i + d], 2) / (n - std::abs(d));
        best = std::min(best, {e, d});
    }
    return best.second;
}
}  // namespace

TEST(SyntheticLineScan, CellsMoveTheStatedWayAtTheMeanSpeed) {
    for (const auto& [speed, pulsatility] : {std::pair{300.0, 0.25}, std::pair{-700.0, 0.0}}) {
        SLS::Params p;
        p.speedUmS = speed, p.fps = 50, p.frames = 150, p.pulsatility = pulsatility;
        // The still texture of the tissue would pull a plain match towards no shift.
        p.motion = 0, p.texture = 0;
        const SLS::Scan s = SLS::generate(p);
        ASSERT_EQ(s.points, 78u);
        ASSERT_EQ(s.values.size(), 78u * 150u);
        // Three seconds hold about three heart beats.
        EXPECT_NEAR(s.meanSpeedUmS, speed, std::fabs(speed) * 0.08);
        EXPECT_NEAR(s.pxPerFrame, s.meanSpeedUmS / 50.0 / 0.77, 1e-9);
        EXPECT_NEAR(bestShift(s), s.pxPerFrame, 1.0) << speed;
    }
}

TEST(SyntheticLineScan, ContrastNoiseAndCellsAreWhatWasAskedFor) {
    SLS::Params p;
    p.motion = 0, p.flicker = 0, p.texture = 0, p.blurUm = 0.3, p.exposure = 0, p.noise = 0;
    p.contrast = 0.15, p.level = 120;
    const SLS::Scan clean = SLS::generate(p);
    const auto [lo, hi] = std::minmax_element(clean.values.begin(), clean.values.end());
    // Plasma shows the background; a cell darkens it by the contrast,
    // overlapping ones by up to about half as much again.
    EXPECT_NEAR(*hi, 120.0, 1.0);
    EXPECT_LT(*lo, 120.0 * (1 - 0.15 * 0.9));
    EXPECT_GT(*lo, 120.0 * (1 - 0.15 * 1.7));
    EXPECT_GT(clean.cellCover, 0.2);
    EXPECT_LT(clean.cellCover, 0.9);
    p.cellsPerTrain = 1, p.plasmaGapUm = 40;
    EXPECT_LT(SLS::generate(p).cellCover, clean.cellCover * 0.6);
    // Without cells, what is left is the noise at the background level.
    p.contrast = 0, p.noise = 4;
    const std::vector<double> v = SLS::generate(p).values;
    double m = 0, m2 = 0;
    for (double x : v) m += x, m2 += x * x;
    m /= double(v.size());
    EXPECT_NEAR(std::sqrt(m2 / double(v.size()) - m * m), 4.0, 0.3);
}

TEST(SyntheticLineScan, TheSameSeedGivesTheSameScanAndBadParametersNone) {
    SLS::Params p;
    p.frames = 40;
    const SLS::Scan a = SLS::generate(p);
    EXPECT_EQ(SLS::generate(p).values, a.values);
    p.seed = 2;
    EXPECT_NE(SLS::generate(p).values, a.values);
    EXPECT_EQ(SLS::recordingLike(9).speedUmS, SLS::recordingLike(9).speedUmS);
    for (auto bad : {+[](SLS::Params& q) { q.fps = 0; }, +[](SLS::Params& q) { q.lineUm = 1; },
                     +[](SLS::Params& q) { q.contrast = NAN; }, +[](SLS::Params& q) { q.shear = 1; }}) {
        SLS::Params q;
        bad(q);
        EXPECT_FALSE(q.validate());
        EXPECT_TRUE(SLS::generate(q).values.empty());
    }
}
