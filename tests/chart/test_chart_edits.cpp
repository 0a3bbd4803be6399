// The edits a chart view asks of its document: each checks the value,
// changes nothing when it is refused, and otherwise marks the chart
// modified and tells every view.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "chart/ZchartDoc.h"
#include "support/HintRecorder.h"

using namespace ordavia;

namespace {

struct EditFixture : ::testing::Test {
    ZchartDoc doc;
    test::HintRecorder views{doc};
    CTrace* line = nullptr;
    C2DTrace* spectra = nullptr;
    void SetUp() override {
        line = doc.newTrace(8, 100, true);
        spectra = doc.new2DTrace(12, 10, 16, true);
        spectra->rangeMin = 10;
        spectra->rangeMax = 1000;
        spectra->intensityRange = 500;
        doc.SetModifiedFlag(false);
        views.hints.clear();
    }
    bool untouched() const { return !doc.IsModified() && views.hints.empty(); }
};

}  // namespace

TEST_F(EditFixture, TracePropertiesAreCheckedThenMarkedAndAnnounced) {
    const std::vector<std::function<void(TraceProperties&)>> spoilers = {
        [](TraceProperties& q) { q.xInterval = 0; },
        [](TraceProperties& q) { q.size = 51; },
        [](TraceProperties& q) { q.displayYScale = -1; },
        [](TraceProperties& q) { q.yScale = std::numeric_limits<double>::quiet_NaN(); },
    };
    for (const auto& spoil : spoilers) {
        TraceProperties q = doc.traceProperties(0);
        spoil(q);
        EXPECT_FALSE(doc.setTraceProperties(0, q));
    }
    EXPECT_FALSE(doc.setTraceProperties(7, doc.traceProperties(0))) << "no such trace";
    EXPECT_TRUE(untouched());
    EXPECT_EQ(line->yScale, 1.0);

    TraceProperties p = doc.traceProperties(0);
    p.name = "flux";
    p.xInterval = 0.01;
    p.start = 2.5;
    ASSERT_TRUE(doc.setTraceProperties(0, p));
    EXPECT_EQ(line->name, "flux");
    EXPECT_EQ(line->xStart, 2500);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(views.hints, std::vector<long>{ZchartDoc::kHintData});

    // Seconds and back lose a millisecond on some starts: OK on an unchanged
    // dialog must not move the trace.
    line->xStart = 133099096;
    ASSERT_TRUE(doc.setTraceProperties(0, doc.traceProperties(0)));
    EXPECT_EQ(line->xStart, 133099096);
}

TEST_F(EditFixture, DisplayEditsOfTheActiveTrace) {
    EXPECT_EQ(doc.setIntensityRange(0, 100), -1.0) << "a plain trace has no intensity";
    EXPECT_FALSE(doc.invertPalette(0));
    EXPECT_TRUE(untouched());
    EXPECT_EQ(doc.setIntensityRange(1, 5000), 1000.0) << "held inside the trace's limits";
    EXPECT_EQ(doc.setIntensityRange(1, 1), 10.0);
    EXPECT_TRUE(doc.invertPalette(1));
    EXPECT_TRUE(spectra->paletteReversed);
    ASSERT_TRUE(doc.setTraceColour(0, 0));
    EXPECT_EQ(line->colour, 0x010101u) << "black stays black, not the view's choice";
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(views.hints.size(), 4u);
}

TEST_F(EditFixture, MarkersAreEditedAndRemovedThroughTheDocument) {
    CMarker* m = doc.AddMarker(std::make_unique<CMarker>(), 0.5, "a");
    CMarker foreign;
    EXPECT_EQ(doc.markerIndex(&foreign), -1);
    ASSERT_EQ(doc.markerIndex(m), 0);
    doc.SetModifiedFlag(false);
    views.hints.clear();
    MarkerProperties p{"much longer", "note", m->width, 1, 3};
    p.pole = 256;
    EXPECT_FALSE(doc.editMarker(0, p));
    EXPECT_TRUE(untouched());
    p.pole = 4;
    ASSERT_TRUE(doc.editMarker(0, p));
    EXPECT_EQ(m->width, 11) << "a new label sizes its box";
    p.width = 3;
    ASSERT_TRUE(doc.editMarker(0, p));
    EXPECT_EQ(m->width, 3) << "unless the width was typed";
    EXPECT_EQ(m->pole, 4);
    EXPECT_TRUE(doc.removeMarker(0));
    EXPECT_FALSE(doc.removeMarker(0));
    EXPECT_EQ(doc.markers().size(), 0u);
    EXPECT_EQ(views.hints, std::vector<long>(3, ZchartDoc::kHintMarker));
}
