#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "doppler/PulseAnalysis.h"

using namespace ordavia;

TEST(PulseAnalysis, WindowClassifiesOnlyFullWindowsAndAFlatSeriesIsAllPeaks) {
    const std::vector<double> v = {5, 1, 2, 9, 3, 1, 4, 0.5, 6, 2};
    const PulseMarks m = classifyPulses(v, 2);
    // The first and last two values are never judged, however extreme.
    EXPECT_EQ(m.systolic[0], 0);
    EXPECT_EQ(m.diastolic[1], 0);
    EXPECT_EQ(m.systolic[3], 9);
    EXPECT_EQ(m.diastolic[5], 0);  // 0.5 two places on is smaller
    EXPECT_EQ(m.diastolic[7], 0.5);
    EXPECT_EQ(m.systolic[8], 0);  // within the last two
    const PulseMarks flat = classifyPulses(std::vector<double>(9, 3.0), 2);
    for (size_t i = 2; i < 7; ++i) EXPECT_EQ(flat.systolic[i], 3.0);
    for (double d : flat.diastolic) EXPECT_EQ(d, 0.0);
    // Peaks carry forward, minima backward; ends without a mark stay 0.
    PulseMarks g{{0, 8, 0, 6, 0}, {0, 2, 0, 0, 0}};
    fillPulseGaps(g);
    EXPECT_EQ(g.systolic, (std::vector<double>{0, 8, 8, 6, 6}));
    EXPECT_EQ(g.diastolic, (std::vector<double>{2, 2, 0, 0, 0}));
}

TEST(PulseAnalysis, SummaryOfAKnownPulseTrain) {
    // Beats of 50 samples: 1 + sin^2 shape between 1 and 3, mean 2.
    std::vector<double> v;
    for (int i = 0; i < 1000; ++i) v.push_back(1.0 + 2.0 * std::pow(std::sin(M_PI * (i % 50) / 50.0), 2));
    const PulseSummary s = summarisePulses(v, 15);
    EXPECT_NEAR(s.mean, 2.0, 0.01);
    EXPECT_NEAR(s.systolic, 3.0, 1e-9);
    EXPECT_NEAR(s.diastolic, 1.0, 1e-9);
    EXPECT_NEAR(s.pi, 1.0, 0.01);
    EXPECT_NEAR(s.ri, 2.0 / 3.0, 0.01);
    EXPECT_GE(s.peaks, 19u);
}
