// What a line scan reports beyond its velocities: a summary whose range
// leaves outlying columns out and that says when it is doubtful, the
// columns without a velocity as empty cells of an export, a new scan in a
// document that keeps nothing of the last one, and velocities outside a
// method's band of speeds flagged as such.
#include <gtest/gtest.h>

#include <cmath>

#include "support/ChartAccess.h"
#include "linescan/LineScanRun.h"
#include "linescan/LineVelocityRun.h"
#include "ScanDocTest.h"
#include "synth/SyntheticKymograph.h"

using namespace ordavia;

namespace {

struct SummaryQuality : linescantest::ScanDocTest {
    void SetUp() override { start(60, {}, 100); }
    // Columns [0, good) at about `v` with correlation `corr` (0..1000), the rest without a velocity.
    void fill(uint32_t good, double v, double corr) {
        for (uint32_t i = 0; i < 100; ++i) {
            ordavia::test::ChartAccess::editable(doc, doc.cbvTrace())->data->setD(i, i < good ? v + double(i % 7) - 3 : -1.0);
            ordavia::test::ChartAccess::editable(doc, doc.correlationTrace())->data->setD(i, i < good ? corr : -1.0);
        }
    }
    // A whole scan of cells moving `v` points per sample, stopped.
    void scanAll(double v) {
        feed(60, v, 100);
        doc.stop();
    }
};

// A synthetic kymograph of 64 points moving `pointsPerLine` a line, measured.
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

TEST_F(SummaryQuality, OutlyingColumnsStayOutOfTheRangeAndAWeakSummaryIsDoubtful) {
    fill(100, 128.0, 800);
    ordavia::test::ChartAccess::editable(doc, doc.cbvTrace())->data->setD(40, 900.0);
    ordavia::test::ChartAccess::editable(doc, doc.cbvTrace())->data->setD(70, 27660.0);
    const CbvSummary s = doc.summary(0, 0);
    EXPECT_EQ(s.outliers, 2u);
    EXPECT_DOUBLE_EQ(s.low, 125.0);
    EXPECT_DOUBLE_EQ(s.high, 131.0);
    // The outliers stay out of the mean too.
    EXPECT_NEAR(s.mean, 128.0, 0.2);
    EXPECT_TRUE(summaryDoubt(s).empty());
    EXPECT_NE(summaryQuestion(s, 1).find("2 outlying columns left out of the range"), std::string::npos);

    // 27 % good columns at a correlation of 0.3: said, with both reasons.
    fill(27, 128.0, 300);
    const CbvSummary weak = doc.summary(0, 0);
    const std::string doubt = summaryDoubt(weak);
    EXPECT_NE(doubt.find("only 27.0 % of the columns"), std::string::npos) << doubt;
    EXPECT_NE(doubt.find("average correlation is 0.30"), std::string::npos) << doubt;
    EXPECT_NE(summaryQuestion(weak, 1).find(doubt), std::string::npos);
}

// The export writes a missing sample as an empty cell (TraceExport's test);
// which samples are missing is the document's word.
TEST_F(SummaryQuality, ColumnsWithoutAVelocityAreMissingSamples) {
    fill(3, 128.0, 800);
    EXPECT_FALSE(doc.isMissingSample(*doc.cbvTrace(), doc.cbvTrace()->data->getD(0)));
    EXPECT_TRUE(doc.isMissingSample(*doc.cbvTrace(), doc.cbvTrace()->data->getD(3)));
    EXPECT_TRUE(doc.isMissingSample(*doc.correlationTrace(), doc.correlationTrace()->data->getD(3)));
    EXPECT_FALSE(doc.isMissingSample(*doc.scanTrace(), -1.0));
}

TEST_F(SummaryQuality, ANewScanKeepsNothingOfTheLastOne) {
    scanAll(2.0);
    ASSERT_GE(doc.calculateHoughVelocities(), 0);
    ASSERT_NE(doc.houghTrace(), nullptr);
    doc.setColumnsToSample(100);
    ASSERT_TRUE(doc.startScan(&view, 60, 1, 0.02, 1.0, "um"));
    EXPECT_EQ(doc.traceIndex(ZlineScanBaseDoc::kHoughName), -1);
    for (uint32_t c = 0; c < doc.scanTrace()->sampleCount(); ++c) {
        EXPECT_EQ(doc.scanTrace()->extent->getD(c), 0.0) << c;
        EXPECT_EQ(doc.cbvTrace()->data->getD(c), -1.0) << c;
    }
}

TEST_F(SummaryQuality, FlowBelowAPointPerGapIsOutOfRangeInTheSummary) {
    scanAll(0.3);
    const CbvSummary s = doc.summary(0, 0);
    EXPECT_FALSE(s.trust.inRange);
    const std::string q = summaryQuestion(s, 2);
    EXPECT_EQ(q.rfind("velocity outside the range of this method: try a larger gap", 0), 0u) << q;
    EXPECT_NE(q.find("line 2 velocity = "), std::string::npos);
    EXPECT_FALSE(summaryDoubt(s).empty());
    // Shown, never asked for as if it were good.
    EXPECT_EQ(q.find("Accept this velocity?"), std::string::npos) << q;
    EXPECT_NE(q.find(kNotAcceptable), std::string::npos) << q;
}

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
    const LineScanOutcome wider = run(0.3, 0.04, VelocityMethod::Correlation, 10);
    EXPECT_TRUE(wider.trust.inRange);
    EXPECT_NEAR(wider.pxPerFrame, 0.3, 0.05);
    // 40 points per gap on a line of 64: the cells leave the window.
    const LineScanOutcome fast = run(40.0, 0.04, VelocityMethod::Correlation);
    EXPECT_FALSE(fast.trust.inRange);
    EXPECT_EQ(fast.trust.limit, RangeLimit::TooFast);
    EXPECT_LT(fast.trust.quality, 0.2);
}
