// The line-scan document's own operations: each changes the document,
// marks it modified and tells its views, so that no view has to.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "support/ChartAccess.h"
#include "ScanDocTest.h"
#include "support/HintRecorder.h"

namespace {

using ordavia::test::HintRecorder;

long count(const HintRecorder& r, long hint) { return std::count(r.hints.begin(), r.hints.end(), hint); }

// A finished scan of 40 columns, 64 points moving 3 points per sample,
// unmodified, with a view listening.
struct LineScanOps : linescantest::ScanDocTest {
    std::unique_ptr<HintRecorder> hints;

    void SetUp() override {
        start(64, {}, 40);
        feed(64, 3.0, 40);
        doc.stop();
        hints = std::make_unique<HintRecorder>(doc);
        clean();
    }
    void clean() {
        hints->hints.clear();
        doc.SetModifiedFlag(false);
    }
    // Modified and told with `hint`, then clean again.
    void expectAnnounced(long hint) {
        EXPECT_TRUE(doc.IsModified());
        EXPECT_GE(count(*hints, hint), 1);
        clean();
    }
};

TEST_F(LineScanOps, SettingsAndCommandsMarkTheDocumentAndRefitItsViews) {
    // The time scale of the traces is saved with them.
    EXPECT_TRUE(doc.setSampleRate(3));
    EXPECT_DOUBLE_EQ(doc.scanTrace()->xInterval, doc.samplePeriod(0.02));
    expectAnnounced(ZchartDoc::kHintTraces);
    // So is the interlace setting.
    doc.toggleUseInterlace();
    expectAnnounced(ZchartDoc::kHintData);
    // New parameters measure the finished scan again.
    ordavia::CbvParams p = doc.params();
    p.gap = 2;
    ordavia::test::ChartAccess::editable(doc, doc.cbvTrace())->data->fill(-1.0);
    doc.applyParams(p);
    EXPECT_EQ(doc.params().gap, 2);
    EXPECT_GT(doc.summary(0, 0).good, 0u);
    expectAnnounced(ZchartDoc::kHintTraces);
    // Commands whose traces come and go refit the views on every path.
    doc.toggleCalculateCbv();
    EXPECT_EQ(doc.cbvTrace(), nullptr);
    EXPECT_GE(count(*hints, ZchartDoc::kHintTraces), 1);
    hints->hints.clear();
    (void)doc.calculateHoughVelocities();
    EXPECT_GE(count(*hints, ZchartDoc::kHintTraces), 1);
}

TEST_F(LineScanOps, SlopesBecomeAVelocityTraceAndPeaksBecomeSlopes) {
    // 10 um/s around 0.2 s, 30 um/s around 0.6 s: straight between, held outside.
    doc.setSlopes({{0.1, 0, 0.3, 2}, {0.5, 0, 0.7, 6}});
    clean();
    const CTrace* v = doc.interpolateSlopes("slope velocity");
    ASSERT_NE(v, nullptr);
    const double dt = doc.scanTrace()->xInterval;  // 0.04 s
    EXPECT_NEAR(v->data->valueAt(0), 10.0, 1e-9);
    EXPECT_NEAR(v->data->valueAt(uint32_t(std::lround(0.4 / dt))), 20.0, 1e-9);
    EXPECT_NEAR(v->data->valueAt(v->sampleCount() - 1), 30.0, 1e-9);
    expectAnnounced(ZchartDoc::kHintTraces);
    // The lines from the correlation peaks replace the slopes.
    EXPECT_GT(doc.drawVelocityLinesFromPeaks(), 2);
    expectAnnounced(ZchartDoc::kHintData);
}

TEST_F(LineScanOps, SlopeEditsUndoBackToTheSavedStateAndLeaveTheProfileAlone) {
    // Sizing a scan is a value of this document, not the user's setting.
    EXPECT_EQ(svc.profile.GetInt("linescan", "NoPtsToSample", -1), -1);

    doc.setSlopes({{0.1, 0, 0.3, 2}});
    clean();
    // A drag: press on the end, two moves, release. One step.
    ASSERT_EQ(doc.pickSlope(0.3, 2, 0.01, 0.01), 0);
    doc.moveSlopeEnd(0.4, 3);
    doc.moveSlopeEnd(0.5, 4);
    doc.finishSlope(0, 0);
    ASSERT_TRUE(doc.deleteSlope(0));
    EXPECT_TRUE(doc.IsModified());
    doc.undoStack().undo();
    ASSERT_EQ(doc.slopes().size(), 1u);
    EXPECT_EQ(doc.slopes()[0], (ordavia::VelocitySlope{0.1, 0, 0.5, 4}));
    doc.undoStack().undo();
    EXPECT_EQ(doc.slopes()[0], (ordavia::VelocitySlope{0.1, 0, 0.3, 2}));
    EXPECT_FALSE(doc.IsModified()) << "back at the saved state";
    doc.undoStack().redo();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.slopes()[0].x2, 0.5);
    // A press that moves nothing is no step.
    clean();
    ASSERT_EQ(doc.pickSlope(0.5, 4, 0.01, 0.01), 0);
    doc.finishSlope(0, 0);
    EXPECT_FALSE(doc.IsModified());
}

using LiveLineScanOps = linescantest::ScanDocTest;

TEST_F(LiveLineScanOps, ColumnsAreAnnouncedEveryFieldsPerSample) {
    open();
    (void)doc.setSampleRate(2);
    ASSERT_TRUE(doc.startScan(&view, 16, 1, 0.02, 1.0, "um"));
    HintRecorder hints(doc);
    for (uint32_t s = 0; s < 6; ++s) EXPECT_EQ(doc.addSample(s), s % 2 == 0);
    EXPECT_EQ(count(hints, ZlineScanBaseDoc::kHintLiveColumn), 3);
}

}  // namespace
