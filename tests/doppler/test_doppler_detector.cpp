#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "doppler/DopplerDetector.h"
#include "settings/StartupSettings.h"

using ordavia::DopplerDetector;
using ordavia::StartupSettings;

namespace {

// A spectrum of n bins at `floor`, with [lo, hi] at `level`.
std::vector<double> band(int n, int lo, int hi, double level, double floor = 0.0) {
    std::vector<double> p(size_t(n), floor);
    for (int i = lo; i <= hi; ++i) p[size_t(i)] = level;
    return p;
}

StartupSettings method(int m) {
    StartupSettings s;
    s.cbvMethod = m;
    return s;
}

double find(std::vector<double>& p, StartupSettings s, int32_t t = 200) {
    DopplerDetector d;
    return d.FindDopplerShift(p.data(), int(p.size()), t, s);
}

}  // namespace

TEST(DopplerDetector, EdgeNeedsARunOfNOverThreshAndPeakLooksDownToHalfTheEdge) {
    // A run of exactly four bins at the top is the edge; three are not.
    auto p = band(64, 10, 40, 500);
    for (int i = 60; i <= 63; ++i) p[size_t(i)] = 300;
    EXPECT_EQ(find(p, method(0)), 63);
    p[60] = 100;
    EXPECT_EQ(find(p, method(0)), 40);
    // Equal to the threshold is not above it.
    auto q = band(64, 10, 40, 200);
    EXPECT_EQ(find(q, method(0)), 0);
    // Method 1: the largest bin from the edge down to edge/2 + 1, the
    // highest of equal ones; a bin at edge/2 is out of reach.
    auto r = band(64, 5, 40, 500);
    r[30] = r[25] = 900;
    r[20] = 5000;
    EXPECT_EQ(find(r, method(1)), 30);
    // Trimming zeroes everything above the result, all of it without one.
    StartupSettings cut = method(0);
    cut.cutDopTop = 1;
    auto t = band(64, 10, 40, 500, 50);
    EXPECT_EQ(find(t, cut), 40);
    EXPECT_EQ(t[40], 500);
    EXPECT_EQ(t[41], 0);
    EXPECT_EQ(t[63], 0);
    EXPECT_EQ(t[9], 50);
    auto z = band(64, 10, 40, 100, 50);
    EXPECT_EQ(find(z, cut), 0);
    EXPECT_EQ(z[1], 0);
}

TEST(DopplerDetector, PowerShareAndAverageRefuseWeakSpectra) {
    std::vector<double> zero(64, 0.0);
    EXPECT_EQ(find(zero, method(2)), 0);
    // Uniform power over bins 1..63: half of it lies below bin 32.
    std::vector<double> flat(64, 100.0);
    EXPECT_DOUBLE_EQ(find(flat, method(2), 50), 32.5);
    // Mean power not above minThreshold: nothing.
    std::vector<double> weak(64, 50.0);
    EXPECT_EQ(find(weak, method(2), 50), 0);
    // Average: the centroid of bins 1..n-1, only when P / n > T.
    auto b = band(64, 20, 30, 1000);
    EXPECT_DOUBLE_EQ(find(b, method(3), 170), 25.0);  // P / n = 171.9
    EXPECT_EQ(find(b, method(3), 172), 0);
}

TEST(DopplerDetector, AutomaticWeighsBelowTheEdgeOnACopyWhenKeepDop) {
    auto p = band(64, 1, 40, 1000);
    const auto before = p;
    StartupSettings s = method(4);
    DopplerDetector d;
    int32_t t = 200;
    // The third quarter's weights pass 1 (2.31 at bin 29 of an edge at 40),
    // above the unweighted top quarter.
    EXPECT_EQ(d.FindDopplerShift(p.data(), 64, t, s), 29);
    EXPECT_EQ(p, before);
    // Without keepDop the weights land in the caller's spectrum.
    s.keepDop = 0;
    auto w = band(64, 1, 40, 1000);
    EXPECT_EQ(d.FindDopplerShift(w.data(), 64, t, s), 29);
    EXPECT_NEAR(w[5], 1000 * 5 * 10 * 0.04 / 40, 1e-9);
    EXPECT_NEAR(w[15], 1000 * (15 * 60 * 0.04 / 40 + (10 - 60) * 0.01), 1e-9);
    EXPECT_EQ(w[41], 0);
    // Nothing above T: no edge, no result.
    auto none = band(64, 1, 40, 150);
    EXPECT_EQ(d.FindDopplerShift(none.data(), 64, t, s), 0);
}

TEST(DopplerDetector, NoiseFloorIsSmoothedPerDetectorAndSetsTheThreshold) {
    StartupSettings s = method(0);
    s.autonoise = true;
    s.threshOfAv2 = 100;
    // The top 16 bins alternate 90 and 110: mean 100, sd sqrt(16*100/15).
    std::vector<double> p(64, 0.0);
    for (int i = 48; i < 64; ++i) p[size_t(i)] = i % 2 ? 110 : 90;
    const double estimate = 100 + std::sqrt(1600.0 / 15);
    DopplerDetector a, b;
    int32_t t = 200;
    a.FindDopplerShift(p.data(), 64, t, s);
    EXPECT_NEAR(a.noiseFloor(), estimate, 1e-9);
    EXPECT_EQ(t, int32_t(estimate));
    s.noisefloorRC = 10;
    a.FindDopplerShift(p.data(), 64, t, s);
    EXPECT_NEAR(a.noiseFloor(), estimate, 1e-9);  // already there
    int32_t tb = 200;
    b.FindDopplerShift(p.data(), 64, tb, s);
    EXPECT_NEAR(b.noiseFloor(), estimate / 10, 1e-9);  // its own floor, from 0
}
