#include <gtest/gtest.h>

#include <cmath>

#include "chart/TraceAlgorithms.h"
#include "doppler/ReviewAlgorithms.h"
#include "support/DopplerSpectrum.h"

using namespace ordavia;

namespace {

// The highest bin above 500, trimming the bins above it as "cutDopTop" does.
double edgeAndTrim(double* p, uint32_t n) {
    const uint32_t e = levelEdge(p, n, 500.0);
    for (uint32_t k = e + 1; k < n; ++k) p[k] = 0.0;
    return e;
}

}  // namespace

TEST(ReviewVelocity, EveryRowOfARingRangeTakesItsEdgeTimesTheRowScale) {
    auto s = test::dopplerSpectrum({10, 20, 30, 40, 50});
    s->extent->setD(2, 0.0);  // a row that was never filled
    CTrace cbv(8, 5);
    cbv.data->fill(-1.0);
    // From row 3 around the ring to row 1: rows 3, 4, 0.
    EXPECT_EQ(velocityFromSpectrum(*s, 3, 1, edgeAndTrim, cbv), 3u);
    const double want[] = {10 * 0.5, -1, -1, 40 * 0.5, 50 * 0.5};
    for (uint32_t i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(cbv.data->getD(i), want[i]) << i;
    EXPECT_EQ(velocityFromSpectrum(*s, 0, 0, edgeAndTrim, cbv), 5u);
    EXPECT_EQ(cbv.data->getD(2), 0.0);
    // A target shorter than the spectrum, or a plain trace as spectrum, is refused.
    CTrace shortTarget(8, 4);
    EXPECT_EQ(velocityFromSpectrum(*s, 0, 0, edgeAndTrim, shortTarget), 0u);
}

TEST(ReviewVelocity, RejectedValuesKeepTheLastOneAndTheSpectrumKeepsItsTrim) {
    auto s = test::dopplerSpectrum({10, 11, 60, 12, 13});
    s->data->setAt(0, 20u, 400.0);  // below the level: trimmed away
    CTrace cbv(8, 5);
    ArtifactFilter f;
    f.upperMode = ArtifactFilter::Reject;
    f.upper = 20.0;
    ASSERT_EQ(velocityFromSpectrum(*s, 0, 0, edgeAndTrim, cbv, &f), 5u);
    EXPECT_DOUBLE_EQ(cbv.data->getD(2), 11 * 0.5);
    EXPECT_DOUBLE_EQ(cbv.data->getD(3), 12 * 0.5);
    EXPECT_EQ(s->data->valueAt(0, 20), 0.0f);
    EXPECT_EQ(s->data->valueAt(0, 5), 1000.0f);
}

TEST(ReviewSignal, StrengthLeavesBinZeroOutAndBeatMeansFollowThePeaks) {
    auto s = test::dopplerSpectrum({3, 0});
    CTrace power(8, 2);
    ASSERT_EQ(signalStrengthInto(*s, 0, 0, power), 2u);
    EXPECT_DOUBLE_EQ(power.data->getD(0), 3000.0);
    EXPECT_DOUBLE_EQ(power.data->getD(1), 0.0);

    // A pulse on a level of 7: the mean of each whole beat is the level,
    // whatever the phase the range starts at.
    std::vector<double> v;
    for (int i = 0; i < 100; ++i) v.push_back(7.0 + 3.0 * std::sin(2 * M_PI * (i - 5) / 20.0));
    const std::vector<double> m = beatMeans(v, {10, 30, 50, 70, 90});
    for (double x : m) EXPECT_NEAR(x, 7.0, 1e-9);
    const std::vector<double> one = beatMeans({1, 2, 6}, {1});
    for (double x : one) EXPECT_DOUBLE_EQ(x, 3.0);
}
