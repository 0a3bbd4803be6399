// Velocities outside a method's band of speeds: red cells moving 10 points
// per line under a fast line period, where the Hough transform answers with
// about a hundredth of the truth, and flow below a point per gap, where the
// correlation answers with a shift it never measured. Each must come out
// flagged, and a sound measurement must not.
#include <gtest/gtest.h>

#include <cmath>

#include "linescan/LineScanRun.h"
#include "synth/SyntheticKymograph.h"

using namespace ordavia;

namespace {

LineScanOutcome run(double pointsPerLine, double lineSeconds, VelocityMethod method, int gap = 1) {
    SyntheticKymograph::Params kp;
    kp.pointsPerLine = pointsPerLine;
    kp.points = 64;
    const std::vector<double> k = SyntheticKymograph::generate(kp);
    CbvParams p;
    p.gap = gap;
    LineScanSetup setup;
    setup.frameSeconds = lineSeconds;
    return runLineScan(
        uint32_t(kp.lines), uint32_t(kp.points),
        [&](uint32_t s, std::vector<double>& o) {
            o.assign(k.begin() + long(s) * kp.points, k.begin() + long(s + 1) * kp.points);
        },
        p, method, setup);
}

}  // namespace

TEST(VelocityTrust, TheHoughTransformsWrongAnswerForFastCellsIsFlagged) {
    // 10 points per 1 ms line: the transform's long noise lines outvote the
    // short steep streaks and it reports a slow flow the wrong way.
    const LineScanOutcome h = run(10.0, 0.001, VelocityMethod::Hough);
    ASSERT_TRUE(h.valid);
    EXPECT_LT(std::fabs(h.pxPerFrame), 0.5);
    EXPECT_FALSE(trusted(h.trust));
    EXPECT_LT(h.trust.quality, 0.2);
    // The correlation measures the same scan, and says it may be believed.
    const LineScanOutcome c = run(10.0, 0.001, VelocityMethod::Correlation);
    EXPECT_NEAR(c.pxPerFrame, 10.0, 0.3);
    EXPECT_TRUE(trusted(c.trust));
    EXPECT_GT(c.trust.quality, 0.7);
    // Streaks the transform can hold are trusted.
    const LineScanOutcome slow = run(0.3, 0.001, VelocityMethod::Hough);
    EXPECT_NEAR(slow.pxPerFrame, 0.3, 0.03);
    EXPECT_TRUE(trusted(slow.trust)) << slow.trust.quality;
}

TEST(VelocityTrust, TheCorrelationSaysWhenTheGapIsWrongForTheFlow) {
    // 0.3 points per gap: no shift is measured; a larger gap brings it in.
    const LineScanOutcome slow = run(0.3, 0.04, VelocityMethod::Correlation);
    EXPECT_FALSE(slow.trust.inRange);
    EXPECT_EQ(slow.trust.limit, RangeLimit::TooSlow);
    EXPECT_EQ(rangeAdvice(slow.trust, false), "velocity outside the range of this method: try a larger gap");
    const LineScanOutcome wider = run(0.3, 0.04, VelocityMethod::Correlation, 10);
    EXPECT_TRUE(wider.trust.inRange);
    EXPECT_NEAR(wider.pxPerFrame, 0.3, 0.05);
    // 40 points per gap on a line of 64: the cells leave the window.
    const LineScanOutcome fast = run(40.0, 0.04, VelocityMethod::Correlation);
    EXPECT_FALSE(fast.trust.inRange);
    EXPECT_EQ(fast.trust.limit, RangeLimit::TooFast);
    EXPECT_LT(fast.trust.quality, 0.2);
}
