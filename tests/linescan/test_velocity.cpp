// Column velocity by correlation (kernel, peak rules, gap, limit, two
// lines), the Hough transform and the velocity against the
// correlation limit, on scans with a known velocity.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/CTrace.h"
#include "linescan/CbvCorrelation.h"
#include "linescan/HoughVelocity.h"
#include "ScanDocTest.h"
#include "support/ChartAccess.h"

using VelocityTest = linescantest::ScanDocTest;

TEST(CorrelationKernel, ShiftedProfileFlatWindowsAndPeakRules) {
    linescantest::MovingTexture tex;
    const auto a = tex.sample(100, 0, 0), b = tex.sample(100, 7, 1);
    std::vector<double> c(50);
    ordavia::correlogramColumn(a.data(), b.data(), 100, c.data());
    const ordavia::CorrelPeak p = ordavia::findCorrelPeak(c.data(), 50, false);
    EXPECT_EQ(p.index, 7);
    EXPECT_NEAR(p.value, 1000.0, 1e-6);

    // Identical columns: the peak at shift 0 is found only with zero peak on.
    ordavia::correlogramColumn(a.data(), a.data(), 100, c.data());
    EXPECT_EQ(ordavia::findCorrelPeak(c.data(), 50, true).index, 0);
    EXPECT_NEAR(ordavia::findCorrelPeak(c.data(), 50, true).value, 1000.0, 1e-6);
    const ordavia::CorrelPeak off = ordavia::findCorrelPeak(c.data(), 50, false);
    EXPECT_NE(off.index, 0);
    EXPECT_LT(off.value, 1000.0);

    // A flat window has no coefficient and never becomes a peak.
    const std::vector<double> flat(100, 5.0);
    ordavia::correlogramColumn(flat.data(), b.data(), 100, c.data());
    EXPECT_TRUE(std::isnan(c[3]));
    const ordavia::CorrelPeak none = ordavia::findCorrelPeak(c.data(), 50, true);
    EXPECT_EQ(none.index, 0);
    EXPECT_EQ(none.value, 0.0);

    // Ties keep the first; the last shift is never a local maximum.
    const double col[] = {0, 5, 5, 3, 5, 2, 9};
    EXPECT_EQ(ordavia::findCorrelPeak(col, 7, false).index, 1);
    EXPECT_EQ(ordavia::findCorrelPeak(col, 7, true).index, 6);
    EXPECT_NEAR(ordavia::parabolaOffset(1, 3, 2), 0.5 * (1 - 2) / (1 - 6 + 2), 1e-12);
    EXPECT_EQ(ordavia::parabolaOffset(3, 1, 3), 0.0);
}

TEST_F(VelocityTest, GapLimitRingWrapAndTheEndOfTheRun) {
    ordavia::CbvParams p;
    p.gap = 2;
    p.filter = 1;
    start(60, p, 50);
    feed(60, 2.0, 130);  // wraps the ring of 50 columns twice
    // Gap 2 at column 0 correlates with column 48: 4 points apart.
    EXPECT_NEAR(doc.cbvUncutTrace()->data->getD(0) * 0.04, 2.0, 1e-9);
    EXPECT_GT(doc.correlationTrace()->data->getD(0), 900.0);
    EXPECT_EQ(doc.scanTrace()->head, 130u % 50u);
    // Gap 2: S = P / 2 x 0.5 / Δ; the correlogram keeps the scale.
    EXPECT_DOUBLE_EQ(doc.correlogramTrace()->extent->getD(7), 60.0 / 2 * 0.5 / 0.04);

    // A trace the user deletes in the chart is let go at once.
    doc.removeTrace(doc.traceIndex("difference"));
    EXPECT_EQ(doc.differenceTrace(), nullptr);
    feed(60, 2.0, 10, 130);
    EXPECT_NEAR(doc.cbvUncutTrace()->data->getD(135 % 50) * 0.04, 2.0, 1e-9);
    // A stopped scan takes no more samples.
    doc.stop();
    const uint32_t head = doc.scanTrace()->head;
    feed(60, 2.0, 10, 140);
    EXPECT_EQ(doc.scanTrace()->head, head);

    // A limit above every coefficient leaves "cbv" empty but "cbv-uncut" full.
    p.coefLimit = 1.0;
    doc.setParams(p, false);
    EXPECT_GT(doc.recalculate(), 40u);
    for (uint32_t i = 0; i < 50; ++i) EXPECT_EQ(doc.cbvTrace()->data->getD(i), -1.0);
    EXPECT_NE(doc.cbvUncutTrace()->data->getD(10), -1.0);
}

TEST_F(VelocityTest, SummaryAndVelocityAgainstLimit) {
    start(60, {}, 40);
    // The results of a run, set by hand.
    CTrace& corr = *ordavia::test::ChartAccess::editable(doc, doc.correlationTrace());
    CTrace& un = *ordavia::test::ChartAccess::editable(doc, doc.cbvUncutTrace());
    CTrace& cbv = *ordavia::test::ChartAccess::editable(doc, doc.cbvTrace());
    for (uint32_t i = 0; i < 40; ++i) {
        corr.data->setD(i, 500);
        un.data->setD(i, 10.0);
        cbv.data->setD(i, i < 30 ? 10.0 + i % 3 : -1.0);
    }
    corr.data->setD(0, 1000);  // c = 250: skipped with the log line
    corr.data->setD(1, 3);     // c = 0: no bin
    un.data->setD(2, -1.0);    // never counts
    un.data->setD(3, 20.0);
    const ordavia::CbvLimitCurves c = doc.averageCbvVsLimit();
    ASSERT_EQ(c.log.size(), 1u);
    EXPECT_EQ(c.log[0], "cbvvcoef cf[0]=250\n");
    EXPECT_EQ(c.n[0], 37.0);
    EXPECT_EQ(c.n[124], 37.0);
    EXPECT_EQ(c.n[125], 0.0);
    EXPECT_DOUBLE_EQ(c.max[0], 20.0);
    EXPECT_DOUBLE_EQ(c.average[0], (36 * 10.0 + 20.0) / 37);
    EXPECT_EQ(c.average[200], 0.0);

    const ordavia::CbvSummary s = doc.summary(0, 0);
    EXPECT_EQ(s.visited, 40u);
    EXPECT_EQ(s.good, 30u);
    EXPECT_DOUBLE_EQ(s.percentGood, 75.0);
}

TEST_F(VelocityTest, TwoLinesGiveTheInverseTransitTime) {
    ordavia::CbvParams p;
    p.method = 2;
    p.points = 20;
    open(p, 100);
    EXPECT_FALSE(doc.startScan(&view, 40, 1, 0.02, 1.0, "um"));  // method 2 needs two lines
    ASSERT_TRUE(doc.startTwoLines(&view, 4, 25.0));
    // Line 2 sees what line 1 saw 5 samples earlier.
    std::vector<double> series(300);
    uint32_t st = 3;
    for (double& x : series) {
        st = st * 1664525u + 1013904223u;
        x = (st >> 16) % 200;
    }
    for (uint32_t s = 10; s < 90; ++s) {
        doc.sampleVector(0).assign(4, series[s]);
        doc.sampleVector(1).assign(4, series[s - 5]);
        (void)doc.addSample(s);
    }
    const uint32_t k = (doc.line1Trace()->head + 99) % 100;
    EXPECT_GT(doc.correlationTrace()->data->getD(k), 990.0);
    // Peak row 4 (line 1 leading by 5 samples): rows / (4 x T), T = 0.04 x 20.
    EXPECT_NEAR(doc.cbvTrace()->data->getD(k), 20.0 / (4 * 0.04 * 20), 1e-9);
}

TEST(Hough, SizesAnglesAndAStreakOfKnownSlope) {
    ordavia::CbvParams p;
    p.houghMin = 0;
    Cdouble2DVect big;
    ASSERT_TRUE(big.resize(300) && big.setWidth(400));
    ordavia::HoughInput in;
    in.data = &big;
    in.columns = 300;
    in.rows = 400;
    const ordavia::HoughResult empty = ordavia::houghTransform(in, p);
    EXPECT_EQ(empty.distances, 500u);  // the diagonal of 300 x 400
    EXPECT_TRUE(empty.slopes.empty());  // nothing above the threshold

    // Streaks of 1.5 rows per column in a 120 x 80 scan sampled every 0.01 s.
    const uint32_t M = 120, R = 80;
    Cdouble2DVect scan;
    ASSERT_TRUE(scan.resize(M) && scan.setWidth(R));
    for (uint32_t t = 0; t < M; ++t)
        for (uint32_t y = 0; y < R; ++y) {
            const double phase = std::fmod(y - 1.5 * t + 1000.0, 20.0);
            scan.setD(size_t(t) * R + y, phase < 3.0 ? 100.0 : 0.0);
        }
    in.data = &scan;
    in.columns = M;
    in.rows = R;
    in.dx = 0.01;
    in.yScale = 2.0;
    for (bool sub : {false, true}) {
        p.subpixel = sub;
        const ordavia::HoughResult r = ordavia::houghTransform(in, p);
        ASSERT_FALSE(r.slopes.empty()) << sub;
        // 1.5 rows per 0.01 s at 2 um per row: 300 um/s.
        EXPECT_NEAR(r.slopes[0].velocity(), 300.0, sub ? 6.0 : 15.0) << sub;
        EXPECT_DOUBLE_EQ(r.slopes[0].y2 - r.slopes[0].y1, 160.0);
    }
}

TEST_F(VelocityTest, FollowUpsAfterTheRunAndTheOtherCorrelations) {
    ordavia::CbvParams p;
    p.correl2velo = true;
    p.doHough = true;
    p.houghMin = 0;
    start(80, p, 100);
    feed(80, 2.0, 100);
    // "dohough" runs first, "correl2velo" then replaces its slopes: one line
    // per accepted column, with the column's velocity.
    doc.stop();
    ASSERT_NE(doc.houghTrace(), nullptr);
    ASSERT_GT(doc.slopes().size(), 50u);
    EXPECT_NEAR(doc.slopes()[10].velocity() * 0.04, 2.0, 1e-9);

    // "correlate": two copies of one trace, the second shifted by 3 points.
    auto a = std::make_unique<CTrace>(8, 64);
    auto b = std::make_unique<CTrace>(8, 64);
    const auto v = tex.sample(64, 0, 0);
    for (uint32_t i = 0; i < 64; ++i) {
        a->data->setD(i, v[i]);
        b->data->setD((i + 3) % 64, v[i]);
    }
    doc.addTrace(std::move(a), true);
    doc.addTrace(std::move(b), true);
    const CTrace* c = doc.correlateTraces(doc.traceCount() - 2, doc.traceCount() - 1);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->sampleCount(), 32u);
    EXPECT_EQ(c->data->argMax(0, 32), 3u);
    EXPECT_EQ(doc.correlateTraces(0, 99), nullptr);
}
