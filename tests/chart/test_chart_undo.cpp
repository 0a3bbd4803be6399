// The chart's data operations, display edits, trace properties and markers
// on the undo stack: every operation undoes to the very bytes it started
// from and redoes to the very bytes it made, and undoing back to the saved
// chart leaves it unmodified.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "chart/DataFileFormat.h"
#include "chart/ZchartDoc.h"

using namespace ordavia;

namespace {

struct UndoFixture : ::testing::Test {
    ZchartDoc doc;
    const CTrace* line = nullptr;
    void SetUp() override {
        // A ring whose head is not at 0; spectra whose last two rows are empty.
        auto l = std::make_unique<CTrace>(8, 64);
        for (uint32_t i = 0; i < 64; ++i) l->data->setAt(i, 100 + 40 * std::sin(i * 0.7) + (i % 5));
        l->ring = 1;
        l->head = 9;
        line = doc.addTrace(std::move(l), true);
        auto s = std::make_unique<C2DTrace>(12, 10, 16);
        for (uint32_t r = 0; r < 10; ++r) {
            s->extent->setAt(r, r < 8 ? 50.0 + r : 0.0);
            for (uint32_t c = 0; c < 16; ++c) s->data->setAt(r, c, double((r * 7 + c * 13) % 40 + (c == 3 ? 900 : 0)));
        }
        doc.addTrace(std::move(s), true);
        doc.AddMarker(std::make_unique<CMarker>(), 20.0, "m");
        doc.SetModifiedFlag(false);
    }
};

struct Operation {
    const char* step;  // the Edit menu's name of the step
    std::function<bool(ZchartDoc&)> run;
};

// Two 16-bit samples; the reader keeps its place in the format, so each
// import starts from a fresh one.
DataFileFormat binaryPairs() { return {.binary = true, .inputType = 2, .outputType = 2, .count = 2, .blocks = 1}; }

const std::vector<Operation>& operations() {
    static const std::vector<Operation> ops = {
        // Edits of how a trace looks and what it is called, and of markers.
        {"Trace Properties",
         [](ZchartDoc& d) {
             TraceProperties p = d.traceProperties(0);
             p.name = "flux";
             p.start = 1.0;
             return d.setTraceProperties(0, p);
         }},
        {"Colour", [](ZchartDoc& d) { return d.setTraceColour(0, 0x00FF00); }},
        {"Intensity", [](ZchartDoc& d) { return d.setIntensityRange(1, 200) == 200.0; }},
        {"Inverse Colours", [](ZchartDoc& d) { return d.invertPalette(1); }},
        {"Linear intensity scale", [](ZchartDoc& d) { return d.toggleLinearIntensity(1); }},
        {"Marker Properties", [](ZchartDoc& d) { return d.editMarker(0, MarkerProperties{"longer", "note", 2, 1, 3}); }},
        {"Delete Marker", [](ZchartDoc& d) { return d.removeMarker(0); }},
        {"Smoothing", [](ZchartDoc& d) { return d.smooth(0, 12, 40, 2.0); }},
        {"FIR filter", [](ZchartDoc& d) { return d.fir(0, 0, 0, {0.25, 0.5, 0.25}); }},
        {"Normalise", [](ZchartDoc& d) { return d.normaliseToSelection(0, 10, 30); }},
        {"Cut to average", [](ZchartDoc& d) { return d.rowOperation(0, 50, 20, RowOp::CutToAverage); }},
        {"Cut pedestal", [](ZchartDoc& d) { return d.rowOperation(1, 0, 0, RowOp::CutPedestal); }},
        {"Cut PSD artifacts", [](ZchartDoc& d) { return d.rowOperation(1, 2, 9, RowOp::CutPsdArtifacts); }},
        {"DPS histogram", [](ZchartDoc& d) { return d.rowOperation(1, 0, 0, RowOp::DpsHistogram); }},
        {"Clear traces", [](ZchartDoc& d) { return d.clearTraces(); }},
        {"Delete data", [](ZchartDoc& d) { return d.deleteData(0, 60, 5); }},
        {"Halve no. of pts", [](ZchartDoc& d) { return d.halvePoints(1) != nullptr; }},
        {"Power Spectrum", [](ZchartDoc& d) { return d.powerSpectrum(0, 1.0) != nullptr; }},
        {"Differentiate trace", [](ZchartDoc& d) { return d.differentiate(0) != nullptr; }},
        {"Subtract trace", [](ZchartDoc& d) { return d.combine(0, 0, true) != nullptr; }},
        {"Square trace", [](ZchartDoc& d) { return d.squareTrace(0) != nullptr; }},
        {"PSD profile", [](ZchartDoc& d) { return d.rowProfile(1, 0, 0) != nullptr; }},
        {"Paste", [](ZchartDoc& d) { return d.pasteBytes(d.copyBytes(0, 0, 0), 3.0) != nullptr; }},
        {"Import",
         [](ZchartDoc& d) {
             DataFileFormat f = binaryPairs();
             return d.importTraces({1, 2, 3, 4}, f) == 1;
         }},
        // Last, so that a series keeps the other traces where they were.
        {"Delete trace", [](ZchartDoc& d) { return d.deleteData(0, 0, 0); }},
    };
    return ops;
}

}  // namespace

TEST_F(UndoFixture, EachOperationUndoesAndRedoesBitForBit) {
    const std::vector<uint8_t> saved = doc.saveToBytes();
    for (const Operation& op : operations()) {
        SCOPED_TRACE(op.step);
        ASSERT_TRUE(op.run(doc));
        EXPECT_EQ(doc.undoStack().undoText(), op.step);
        EXPECT_TRUE(doc.IsModified());
        const std::vector<uint8_t> done = doc.saveToBytes();
        ASSERT_NE(done, saved) << "the operation changed nothing";
        doc.undoStack().undo();
        EXPECT_EQ(doc.saveToBytes(), saved);
        EXPECT_FALSE(doc.IsModified()) << "back at the saved chart";
        EXPECT_EQ(doc.trace(0), line) << "the trace a view holds is the chart's again";
        doc.undoStack().redo();
        EXPECT_EQ(doc.saveToBytes(), done);
        doc.undoStack().undo();
    }
}

TEST_F(UndoFixture, ASeriesOfOperationsUndoesToTheSavedChartAndRedoesToTheEnd) {
    // Later steps work on traces that earlier ones moved, added or cut.
    const std::vector<uint8_t> saved = doc.saveToBytes();
    for (const Operation& op : operations()) ASSERT_TRUE(op.run(doc)) << op.step;
    const std::vector<uint8_t> end = doc.saveToBytes();
    for (size_t i = 0; i < operations().size(); ++i) doc.undoStack().undo();
    EXPECT_EQ(doc.saveToBytes(), saved);
    EXPECT_FALSE(doc.IsModified());
    while (doc.undoStack().canRedo()) doc.undoStack().redo();
    EXPECT_EQ(doc.saveToBytes(), end);

    // A recalculation is not a step: the steps before it no longer apply.
    ASSERT_TRUE(doc.refillTrace(0, *doc.trace(1)));
    EXPECT_FALSE(doc.undoStack().canUndo());
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(UndoFixture, InsertedMarkersUndoAndComeBackAsTheSameMarker) {
    const CMarker* m = doc.AddMarker(std::make_unique<CMarker>(), 1.5, "new", "note\r\n");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(doc.undoStack().undoText(), "Insert Marker");
    doc.undoStack().undo();
    EXPECT_EQ(doc.markerIndex(m), -1);
    EXPECT_FALSE(doc.IsModified());
    doc.undoStack().redo();
    EXPECT_EQ(doc.markerIndex(m), 1) << "an open marker dialog still finds its marker";
    const size_t steps = doc.undoStack().count();
    EXPECT_EQ(doc.AddMarker(nullptr, 2.0), nullptr);
    EXPECT_EQ(doc.undoStack().count(), steps) << "no marker, no step";
}
