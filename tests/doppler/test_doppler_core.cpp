// The Doppler shift detector and its methods, the pulse analysis, the
// simulated board and the monitor document stepped by the test's timers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "doppler/DopplerDetector.h"
#include "doppler/PulseAnalysis.h"
#include "doppler/SavedDopplerSummary.h"
#include "settings/StartupSettings.h"
#include "support/DopplerMonitor.h"

using namespace ordavia;

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


// The shared monitor, its spectra taken through a Hann window.
struct Monitor : ordavia::test::DopplerMonitor {
    Monitor() { ts.settings.FFTwindow = 2; }
};

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

TEST(Trv2Board, PlaysRawBinWrappingAndLeavesAStrayByteOut) {
    testsupport::ScratchDir dir("trv2board");
    Trv2Board board;
    board.setProgramFolder(dir.dir.string());
    // Five samples and a stray odd byte, which is not a sample.
    testsupport::writeRawSamples(dir / "raw.bin", {0, 1, -2, 3, 32767});
    { std::ofstream(dir / "raw.bin", std::ios::app | std::ios::binary).put('\x7f'); }
    board.initialise(1);
    ASSERT_TRUE(board.present());
    ASSERT_EQ(board.sampleCount(), 5u);
    EXPECT_TRUE(board.strayByte());
    int16_t buf[8] = {};
    ASSERT_TRUE(board.readBlock(buf, 3));
    EXPECT_EQ(buf[2], -2);
    ASSERT_TRUE(board.readBlock(buf, 3));  // two left: from the start again
    EXPECT_EQ(buf[0], 0);
    ASSERT_TRUE(board.readBlock(buf, 7));  // longer than the file
    EXPECT_EQ(buf[4], 32767);
    EXPECT_EQ(buf[5], 0);
    EXPECT_EQ(board.setSamplingRate(100.0), 40000.0);  // divider past 65535
}

TEST(Ctrv2Doc, TimerStepsBlocksWhoseShiftFindsTheSpectrumEdge) {
    Monitor m;
    m.doc.run(true);
    ASSERT_TRUE(m.doc.running());
    m.ts.timers.advance(1000);
    // 40000 samples in whole blocks of 100.
    EXPECT_EQ(m.doc.blocks(), 400u);
    EXPECT_NEAR(m.doc.elapsed(), 1.0, 1e-9);
    const CTrace* cbv = m.doc.cbvTrace();
    ASSERT_NE(cbv, nullptr);
    std::vector<double> hz = m.doc.orderedValues(*cbv);
    ASSERT_EQ(hz.size(), 400u);
    for (double& v : hz) v /= cbv->yScale;  // mm/s back to Hz
    std::sort(hz.begin() + 10, hz.end());
    EXPECT_NEAR(hz[205], 3000.0, 3 * 78.125);
    EXPECT_EQ(m.doc.orderedValues(*m.doc.findTrace("raw")).size(), 40000u);

    m.doc.run(false);
    m.ts.timers.advance(1000);
    EXPECT_EQ(m.doc.blocks(), 400u);

    // A sweep of 20 blocks, then the run ends by itself.
    ASSERT_TRUE(m.doc.setInput(20 * 100 / 40000.0, 1.0, 64));
    m.doc.setStopAtSweepEnd(true);
    m.doc.run(true);
    m.ts.timers.advance(500);
    EXPECT_FALSE(m.doc.running());
    EXPECT_EQ(m.doc.blocks(), 20u);
}

// A recording saves as a chart of what was recorded, with its Doppler
// spectrum; one without beats, or pinned to the top of the band, has no
// figures and says why; a chart without a Doppler recording has none.
TEST(Ctrv2Doc, RecordingSavesAsAChartWhoseSummaryGivesFiguresOnlyForBeats) {
    for (double edge : {3000.0, 19900.0}) {
        ordavia::test::DopplerMonitor m(edge);  // a rectangular window: the top of the band saturates
        for (int i = 0; i < 100; ++i) ASSERT_TRUE(m.doc.processBlock(100));
        const std::string path = m.dir / "rec.zv1";
        ASSERT_TRUE(m.doc.OnSaveDocument(path));
        ZchartDoc back;
        m.ts.adopt(back);
        ASSERT_TRUE(back.OnOpenDocument(path));
        const CTrace* cbv = back.findTrace("CBV");
        const CTrace* sp = back.findTrace("Doppler spectrum");
        ASSERT_TRUE(cbv && sp);
        EXPECT_NE(dynamic_cast<const CDopTrace*>(sp), nullptr);
        EXPECT_EQ(cbv->yUnits, "mm/s");
        // Only what was recorded, oldest first; the monitor's rings stay whole.
        EXPECT_EQ(cbv->sampleCount(), 100u);
        EXPECT_EQ(cbv->head, 0u);
        EXPECT_EQ(back.findTrace("raw")->sampleCount(), 10000u);
        EXPECT_EQ(cbv->data->getD(99), m.doc.cbvTrace()->data->getD(99));
        EXPECT_EQ(m.doc.cbvTrace()->sampleCount(), 24000u);
        EXPECT_EQ(m.doc.cbvTrace()->head, 100u);

        const auto s = ordavia::summariseSavedDoppler(back);
        ASSERT_TRUE(s) << edge;
        EXPECT_EQ(s->velocities, 100u);
        EXPECT_EQ(s->saturated, edge > 10000) << edge;
        EXPECT_FALSE(s->measured());
        EXPECT_EQ(s->why().rfind(edge > 10000 ? "saturated" : "not measured", 0), 0u) << s->why();
        for (const char* k : {"mean", "systolic", "diastolic", "pi", "ri"}) EXPECT_FALSE(s->figures().value(k)) << k;
    }
    ZchartDoc empty;
    EXPECT_FALSE(ordavia::summariseSavedDoppler(empty));
}

TEST(Ctrv2Doc, UnitsAndBandwidthSteps) {
    Monitor m;
    const CTrace* cbv = m.doc.cbvTrace();
    const double shown = cbv->displayYScale;
    ASSERT_TRUE(m.doc.swapUnits());
    EXPECT_EQ(cbv->yUnits, "kHz");
    EXPECT_EQ(cbv->yScale, 0.001);
    EXPECT_NEAR(cbv->displayYScale, shown * 0.001 / ZcommonTRVDoc::kDefaultVelocityFactor, 1e-12);
    m.doc.undoStack().undo();
    EXPECT_EQ(cbv->yUnits, "mm/s");
    EXPECT_EQ(cbv->displayYScale, shown);
    m.doc.undoStack().redo();
    EXPECT_EQ(cbv->yUnits, "kHz");

    EXPECT_EQ(m.doc.statusText(), "BW=20.00kHz");
    // From the board's 20 kHz up to the next bandwidth, then down past it.
    EXPECT_TRUE(m.doc.stepBandwidth(true));
    EXPECT_EQ(m.doc.statusText(), "BW=25.00kHz");
    EXPECT_TRUE(m.doc.stepBandwidth(false));
    EXPECT_EQ(m.doc.samplingRate(), 25000.0);
    EXPECT_EQ(m.board.samplingRate(), 25000.0);
    EXPECT_TRUE(m.doc.stepBandwidth(false));
    EXPECT_FALSE(m.doc.stepBandwidth(false)) << "already the narrowest";
}
