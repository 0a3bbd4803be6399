// What a line scan reports beyond its velocities: a summary whose range
// leaves outlying columns out and that says when it is doubtful, the
// columns without a velocity as empty cells of an export, and a new scan
// in a document that keeps nothing of the last one.
#include <gtest/gtest.h>

#include "chart/DataFileFormat.h"
#include "chart/TraceExport.h"
#include "linescan/LineVelocityRun.h"
#include "linescan/ZlineScanDoc.h"
#include "support/LineScanFeed.h"
#include "support/TestServices.h"

using namespace ordavia;

namespace {

struct SummaryQuality : ::testing::Test {
    test::TestServices svc;
    ZlineScanDoc doc;
    int view = 0;

    void SetUp() override {
        svc.adopt(doc);
        ASSERT_TRUE(doc.OnNewDocument());
        doc.setColumnsToSample(100);
        ASSERT_TRUE(doc.startScan(&view, 60, 1, 0.02, 1.0, "um"));
    }
    // Columns [0, good) at about `v` with correlation `corr` (0..1000), the rest without a velocity.
    void fill(uint32_t good, double v, double corr) {
        for (uint32_t i = 0; i < 100; ++i) {
            doc.cbvTrace()->data->setD(i, i < good ? v + double(i % 7) - 3 : -1.0);
            doc.correlationTrace()->data->setD(i, i < good ? corr : -1.0);
        }
    }
};

}  // namespace

TEST_F(SummaryQuality, OutlyingColumnsStayOutOfTheRangeAndAWeakSummaryIsDoubtful) {
    fill(100, 128.0, 800);
    doc.cbvTrace()->data->setD(40, 900.0);
    doc.cbvTrace()->data->setD(70, 27660.0);
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

TEST_F(SummaryQuality, ColumnsWithoutAVelocityExportAsEmptyCells) {
    fill(3, 128.0, 800);
    DataFileFormat f;
    f.xMode = 1;
    f.columnDelimiter = 1;
    f.rowDelimiter = 2;
    f.numberFormat = 1;
    const MissingSample missing = [this](const CTrace& t, double raw) { return doc.isMissingSample(t, raw); };
    const std::string text = exportTracesAsText({doc.cbvTrace(), doc.correlationTrace()}, f, 0, 4, missing);
    EXPECT_EQ(text, "0.000,125,800\n0.040,126,800\n0.080,127,800\n0.120,,\n");
    EXPECT_FALSE(doc.isMissingSample(*doc.scanTrace(), -1.0));
}

TEST_F(SummaryQuality, ANewScanKeepsNothingOfTheLastOne) {
    const linescantest::MovingTexture tex;
    for (uint32_t s = 0; s < 100; ++s) {
        doc.sampleVector(0) = tex.sample(60, 2.0, s);
        (void)doc.addSample(s);
    }
    doc.stop();
    ASSERT_GE(doc.calculateHoughVelocities(), 0);
    ASSERT_NE(doc.houghTrace(), nullptr);
    doc.setColumnsToSample(100);
    ASSERT_TRUE(doc.startScan(&view, 60, 1, 0.02, 1.0, "um"));
    EXPECT_EQ(doc.traces().indexOf(ZlineScanBaseDoc::kHoughName), -1);
    for (uint32_t c = 0; c < doc.scanTrace()->sampleCount(); ++c) {
        EXPECT_EQ(doc.scanTrace()->extent->getD(c), 0.0) << c;
        EXPECT_EQ(doc.cbvTrace()->data->getD(c), -1.0) << c;
    }
}

TEST_F(SummaryQuality, FlowBelowAPointPerGapIsOutOfRangeInTheSummary) {
    const linescantest::MovingTexture tex;
    for (uint32_t s = 0; s < 100; ++s) {
        doc.sampleVector(0) = tex.sample(60, 0.3, s);
        (void)doc.addSample(s);
    }
    doc.stop();
    const CbvSummary s = doc.summary(0, 0);
    EXPECT_FALSE(s.trust.inRange);
    const std::string q = summaryQuestion(s, 2);
    EXPECT_EQ(q.rfind("velocity outside the range of this method: try a larger gap", 0), 0u) << q;
    EXPECT_NE(q.find("line 2 velocity = "), std::string::npos);
    EXPECT_FALSE(summaryDoubt(s).empty());
}
