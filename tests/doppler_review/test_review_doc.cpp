#include <gtest/gtest.h>

#include "chart/TraceAlgorithms.h"
#include "doppler/CReviewDoc.h"
#include "doppler/PulseAnalysis.h"
#include "doppler/ReviewAlgorithms.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "support/ChartAccess.h"
#include "support/DopplerSpectrum.h"
#include "support/TestServices.h"

using namespace ordavia;

namespace {

// The highest bin above 500, trimming the bins above it as "cutDopTop" does.
double edgeAndTrim(double* p, uint32_t n) {
    const uint32_t e = levelEdge(p, n, 500.0);
    for (uint32_t k = e + 1; k < n; ++k) p[k] = 0.0;
    return e;
}

// A review of five beats of 40 rows whose edge pulses between bins 10 and
// 50 (5 and 25 mm/s), with its "CBV" computed by the edge method.
struct PulseReview : ::testing::Test {
    test::TestServices svc;
    CReviewDoc doc;
    int spectrum = 0, cbv = 0;
    void SetUp() override {
        svc.adopt(doc);
        spectrum = doc.traceCount();
        doc.addTrace(test::dopplerSpectrum(test::pulseEdges(5, 40, 10, 50)));
        doc.setThreshold(500);
        doc.setVelocityFactor(1.0);
        ASSERT_NE(doc.calculateCbv(spectrum, 0, 0), nullptr);
        cbv = doc.traceIndex("CBV");
    }
    double at(const char* name, uint32_t i) { return doc.findTrace(name)->physical(i); }
};

}  // namespace

TEST_F(PulseReview, IndexesComeFromTheBeatsPeaksMinimaAndMean) {
    EXPECT_DOUBLE_EQ(at("CBV", 10), 25.0);
    ASSERT_NE(doc.pulsatilityIndex(cbv, 0, 0, 15), nullptr);
    ASSERT_NE(doc.resistanceIndex(cbv, 0, 0, 15), nullptr);
    // Inside the second beat: peak 25, minimum 5, beat mean of the shape.
    double mean = 0;
    for (uint32_t i = 50; i < 90; ++i) mean += at("CBV", i) / 40;
    EXPECT_DOUBLE_EQ(at("systolic peak", 60), 25.0);
    EXPECT_DOUBLE_EQ(at("diastolic min", 60), 5.0);
    EXPECT_NEAR(at("mean", 60), mean, 1e-9);
    EXPECT_NEAR(at("Pulsatility Index", 60), 20.0 / mean, 1e-6);
    EXPECT_NEAR(at("Resistance Index", 60), 0.8, 1e-6);
    // The averages filed are the command line's figures for the same values.
    std::vector<double> v;
    for (uint32_t i = 0; i < 200; ++i) v.push_back(at("CBV", i));
    const PulseSummary sum = summarisePulses(v, 15);
    const CResultDoc* table = svc.results.find(ResultTitles::kChart);
    ASSERT_TRUE(table && table->rowTotal() == 8u);
    EXPECT_EQ(table->cell(3, 1), "CBV Pulsatility Index");
    EXPECT_NEAR(std::stod(table->cell(1, 4)), sum.systolic, 0.005);
    EXPECT_NEAR(std::stod(table->cell(3, 4)), sum.pi, 0.005);
    EXPECT_NEAR(std::stod(table->cell(7, 4)), sum.ri, 0.005);
    // Removing the pulse leaves each beat at its mean.
    ASSERT_TRUE(doc.removePulse(cbv, 0, 0, 15));
    for (uint32_t i : {60u, 89u}) EXPECT_NEAR(at("CBV", i), mean, 1e-9);
}

TEST_F(PulseReview, ARecordingCoversTheRowsTheMonitorFilled) {
    // The monitor's ring, set by hand.
    auto* s = static_cast<C2DTrace*>(test::ChartAccess::editable(doc, spectrum));
    uint32_t from = 1, to = 1;
    ASSERT_TRUE(doc.recordedRange(spectrum, from, to));
    EXPECT_EQ(from, to) << "every row filled: the whole ring";
    // A ring whose head is at 150, filled from row 190 around to row 20.
    s->head = 150;
    for (uint32_t i = 21; i < 190; ++i) s->extent->setD(i, 0.0);
    ASSERT_TRUE(doc.recordedRange(spectrum, from, to));
    EXPECT_EQ(from, 190u);
    EXPECT_EQ(to, 21u);
    s->extent->fill(0.0);
    EXPECT_FALSE(doc.recordedRange(spectrum, from, to));
}

TEST_F(PulseReview, PowerContoursKeepTheDetectionInForce) {
    doc.setMethod(3);
    doc.setThreshold(77);
    doc.detection().autonoise = true;
    EXPECT_EQ(doc.powerContours(spectrum, 0, 0), 10);
    EXPECT_EQ(doc.method(), 3);
    EXPECT_EQ(doc.threshold(), 77);
    EXPECT_TRUE(doc.detection().autonoise);
    // Row 0 has its power evenly in bins 1..10: more than half of it lies
    // at bin 6 and below.
    ASSERT_TRUE(doc.findTrace("95% contour") && doc.findTrace("50% contour"));
    EXPECT_DOUBLE_EQ(doc.findTrace("50% contour")->data->getD(0), 6.5 * 0.5);
    EXPECT_EQ(doc.levelContours(spectrum, 0, 0, 400, 2), 2);
    EXPECT_DOUBLE_EQ(doc.findTrace("800 contour")->data->getD(10), 50 * 0.5);
    // The signal strength leaves the DC power of bin 0 out.
    EXPECT_DOUBLE_EQ(doc.signalStrength(spectrum, 0, 0)->data->getD(0), 10 * 1000.0);
}

TEST(ReviewVelocity, RingRowsTakeTheirEdgeThroughTheFilterAndKeepTheirTrim) {
    auto s = test::dopplerSpectrum({10, 60, 30, 40, 50});
    s->extent->setD(4, 0.0);                // a row that was never filled
    s->data->setAt(0, 20u, 400.0);          // below the level: trimmed away
    CTrace cbv(8, 5);
    cbv.data->fill(-1.0);
    // From row 3 around the ring to row 1: rows 3, 4, 0.
    EXPECT_EQ(velocityFromSpectrum(*s, 3, 1, edgeAndTrim, cbv), 3u);
    const double want[] = {10 * 0.5, -1, -1, 40 * 0.5, 0};
    for (uint32_t i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(cbv.data->getD(i), want[i]) << i;
    EXPECT_EQ(s->data->valueAt(0, 20), 0.0f);
    EXPECT_EQ(s->data->valueAt(0, 5), 1000.0f);

    // A jump the chart's filter rejects keeps the value before it.
    ArtifactFilter f;
    f.upperMode = ArtifactFilter::Reject;
    f.upper = 20.0;
    ASSERT_EQ(velocityFromSpectrum(*s, 0, 0, edgeAndTrim, cbv, &f), 5u);
    EXPECT_DOUBLE_EQ(cbv.data->getD(1), 10 * 0.5);
    EXPECT_DOUBLE_EQ(cbv.data->getD(2), 30 * 0.5);

    // A target shorter than the spectrum is refused.
    CTrace shortTarget(8, 4);
    EXPECT_EQ(velocityFromSpectrum(*s, 0, 0, edgeAndTrim, shortTarget), 0u);
}

TEST_F(PulseReview, TheAnalysesUndoToTheSavedReviewAndRedoToTheSameTraces) {
    doc.SetModifiedFlag(false);
    const size_t before = doc.undoStack().count();
    const std::vector<uint8_t> saved = doc.saveToBytes();
    ASSERT_NE(doc.pulsatilityIndex(cbv, 0, 0, 15), nullptr);
    ASSERT_TRUE(doc.removePulse(cbv, 0, 0, 15));
    ASSERT_TRUE(doc.recalculateDopplerShift());
    ASSERT_EQ(doc.powerContours(spectrum, 0, 0), 10);
    ASSERT_NE(doc.signalStrength(spectrum, 0, 0), nullptr);
    ASSERT_EQ(doc.undoStack().count(), before + 5) << "one step per command";
    const std::vector<uint8_t> end = doc.saveToBytes();
    for (int i = 0; i < 5; ++i) doc.undoStack().undo();
    EXPECT_EQ(doc.saveToBytes(), saved);
    EXPECT_FALSE(doc.IsModified());
    while (doc.undoStack().canRedo()) doc.undoStack().redo();
    EXPECT_EQ(doc.saveToBytes(), end);
}
