// Chart document operations and trace import: the documented edge cases,
// the clipboard bytes between two charts, the settings file, and the edits
// a chart view asks of its document: each checks the value, changes nothing
// when it is refused, and otherwise marks the chart modified and tells every
// view.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "chart/DataFileFormat.h"
#include "chart/ZchartDoc.h"
#include "support/ChartAccess.h"
#include "support/HintRecorder.h"
#include "support/MveBytes.h"
#include "support/TestServices.h"

using namespace ordavia;

namespace {
std::vector<uint8_t> bytesOf(const std::string& s) { return {s.begin(), s.end()}; }

struct EditFixture : ::testing::Test {
    ZchartDoc doc;
    test::HintRecorder views{doc};
    const CTrace* line = nullptr;
    const C2DTrace* spectra = nullptr;
    void SetUp() override {
        auto l = std::make_unique<CTrace>(8, 100);
        l->xStart = 133099096;  // a start that seconds do not carry exactly
        line = doc.addTrace(std::move(l), true);
        auto s = std::make_unique<C2DTrace>(12, 10, 16);
        s->rangeMin = 10;
        s->rangeMax = 1000;
        s->intensityRange = 500;
        spectra = static_cast<const C2DTrace*>(doc.addTrace(std::move(s), true));
        doc.SetModifiedFlag(false);
        views.hints.clear();
    }
    bool untouched() const { return !doc.IsModified() && views.hints.empty(); }
};

}  // namespace

TEST(Import, BinaryPlanSwapAndBlocks) {
    DataFileFormat f{.binary = true, .inputType = 2, .headerBytes = 8, .blockSize = 4, .blockSkip = 2};
    EXPECT_EQ(f.availablePoints(1000), 500);
    ASSERT_TRUE(f.planBinary(1000, 500));
    EXPECT_EQ(f.blocks, 99);
    EXPECT_EQ(f.count, 396);

    DataFileFormat g{.binary = true, .inputType = 2, .outputType = 2, .count = 1, .blocks = 1};
    const std::vector<uint8_t> two = {0x01, 0x02};
    EXPECT_EQ(TraceImporter(two, g).next()->data->valueAt(0), 513);
    g.count = 1;
    g.swapBytes = true;
    EXPECT_EQ(TraceImporter(two, g).next()->data->valueAt(0), 258);

    // Blocks with gaps, converted to double; a short file leaves zeros.
    DataFileFormat h{.binary = true, .inputType = 0, .outputType = 7, .blockSize = 2, .blockSkip = 1};
    ASSERT_TRUE(h.planBinary(9, 100));
    EXPECT_EQ(h.count, 6);
    const std::vector<uint8_t> bs = {1, 0xFF, 9, 2, 3, 9, 4, 5, 9};
    TraceImporter in(bs, h);
    auto t = in.next();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->data->valueAt(1), -1);
    EXPECT_EQ(t->data->valueAt(5), 5);
    EXPECT_FALSE(in.next()) << "one trace per binary import";
    DataFileFormat zero{.blockSize = 0};
    EXPECT_FALSE(zero.planBinary(100, 10));
}

TEST(Import, TextColumnsAndHeadingsAndRowsStayAlignedWithNothingMadeUp) {
    DataFileFormat f{.outputType = 6, .count = 2, .columns = 3};
    const auto text = bytesOf("\"a\",\"b\",\"c\"\n1,2,3\n4,5,6\n");
    ZchartDoc doc;
    EXPECT_EQ(doc.importTraces(text, f), 3);
    ASSERT_EQ(doc.traceCount(), 3);
    EXPECT_EQ(doc.trace(2)->name, "col3");
    EXPECT_EQ(doc.trace(2)->data->valueAt(1), 6);
    EXPECT_EQ(doc.trace(0)->sampleCount(), 2u);

    // An unquoted heading line with a time column reads as headings, not zeros.
    DataFileFormat d{.outputType = 6, .count = 10, .columns = 2};
    ZchartDoc ld;
    EXPECT_EQ(ld.importTraces(bytesOf("Time (s),Flux (PU)\r\n0.00,12.5\r\n0.01,13.0\r\n"), d), 2);
    EXPECT_FLOAT_EQ(ld.trace(1)->data->valueAt(0), 12.5f);
    // A short row, an empty cell and "NA" leave gaps in their own column.
    DataFileFormat gaps{.outputType = 6, .count = 10, .columns = 3};
    ZchartDoc aligned;
    ordavia::Status why;
    EXPECT_EQ(aligned.importTraces(bytesOf("1,10,100\r\n2\r\n3,,300\r\n4,40,NA\r\n"), gaps, &why), 3);
    ASSERT_EQ(aligned.trace(1)->sampleCount(), 4u);
    EXPECT_TRUE(std::isnan(aligned.trace(1)->data->valueAt(1)) && std::isnan(aligned.trace(1)->data->valueAt(2)));
    EXPECT_FLOAT_EQ(aligned.trace(1)->data->valueAt(3), 40.0f);
    EXPECT_EQ(aligned.trace(2)->sampleCount(), 3u);
    // Integer traces cannot hold a gap; "1.5;2" is not a number (only the
    // comma separates); random bytes are no numbers: each file refused.
    for (const std::string& bad : {std::string("1,10\n2\n3,30\n"), std::string("1.5;2;3\n"), std::string("\x01\x93,\xff\n", 5)}) {
        DataFileFormat g{.outputType = bad[1] == ',' ? 2 : 6, .count = 10, .columns = 2};
        ZchartDoc none;
        EXPECT_EQ(none.importTraces(bytesOf(bad), g, &why), 0);
        EXPECT_EQ(why.code(), StatusCode::BadFormat) << bad;
    }
}

TEST(ChartDoc, SpectrumSmoothingFirAndDerivative) {
    ZchartDoc doc;
    auto t = std::make_unique<CTrace>(8, 1500);
    t->xInterval = 0.001;
    for (uint32_t i = 0; i < 1500; ++i) t->data->setAt(i, 100 * std::sin(2 * M_PI * 64 * i / 512.0));
    ASSERT_TRUE(doc.addTrace(std::move(t)));
    auto* psd = dynamic_cast<const C2DTrace*>(doc.powerSpectrum(0, 0.01));
    ASSERT_TRUE(psd);
    EXPECT_EQ(psd->sampleCount(), 2u);
    EXPECT_EQ(psd->width(), 256u);
    EXPECT_DOUBLE_EQ(psd->extent->valueAt(0), 500.0);
    std::vector<double> r(256);
    psd->data->readBlock(r.data(), 1, 1, 1);
    EXPECT_EQ(std::max_element(r.begin(), r.end()) - r.begin(), 64);

    auto squares = std::make_unique<CTrace>(8, 5);
    for (uint32_t i = 0; i < 5; ++i) squares->data->setAt(i, double(i * i));
    const CTrace* u = doc.addTrace(std::move(squares));
    ASSERT_TRUE(doc.smooth(2, 0, 4, 0.0));
    EXPECT_EQ(u->data->valueAt(3), 9) << "tau 0 leaves the selection";
    // Five taps at -2..2: the middle tap picks the sample itself.
    ASSERT_TRUE(doc.fir(2, 0, 0, readFirCoefficients("0 0 1 0 0\n")));
    EXPECT_EQ(u->data->valueAt(4), 16);
    ASSERT_TRUE(doc.fir(2, 2, 3, readFirCoefficients("1 0 0 0 0")));
    EXPECT_EQ(u->data->valueAt(2), 0) << "offset -2 from sample 2";
    ASSERT_TRUE(doc.differentiate(2));
    doc.setDocFlags(ZchartDoc::kNoDerived);
    EXPECT_FALSE(doc.differentiate(2));

    // The spectra's profile: the mean row, over the frequency axis; and the
    // same rows as a picture, low frequencies at the bottom.
    const CTrace* prof = doc.rowProfile(1, 0, 0);
    ASSERT_TRUE(prof);
    EXPECT_EQ(prof->sampleCount(), 256u);
    EXPECT_EQ(prof->xInterval, psd->yScale);
    EXPECT_EQ(prof->data->argMax(0, 256), 64u);
    EXPECT_FALSE(doc.rowProfile(2, 0, 0)) << "a plain trace has no rows";
    // A mapping past the limits the view's steps keep to.
    auto* mapped = static_cast<C2DTrace*>(test::ChartAccess::editable(doc, 1));
    mapped->intensityOffset = 0;
    mapped->intensityRange = r[64];
    const ZchartDoc::GreyPicture g = doc.pictureOf(1);
    ASSERT_EQ(g.width, 2);
    ASSERT_EQ(g.height, 256);
    EXPECT_GE(g.pixels[size_t(255 - 64) * 2 + 1], 254);
    EXPECT_NEAR(g.pixels[size_t(255 - 10) * 2 + 1], r[10] / r[64] * 255, 1.0);
    EXPECT_TRUE(doc.pictureOf(2).pixels.empty());
}

TEST(ChartDoc, ClipboardBetweenChartsCarriesMarkers) {
    ZchartDoc a, b;
    auto t = std::make_unique<CTrace>(7, 100);
    t->name = "flux";
    t->xInterval = 0.1;
    for (uint32_t i = 0; i < 100; ++i) t->data->setAt(i, float(i));
    a.addTrace(std::move(t));
    a.AddMarker(std::make_unique<CMarker>(), 2.5, "in");
    a.AddMarker(std::make_unique<CMarker>(), 7.0, "out");
    const auto bytes = a.copyBytes(0, 20, 40);
    ASSERT_FALSE(bytes.empty());
    const CTrace* p = b.pasteBytes(bytes, 1.0);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->sampleCount(), 20u);
    EXPECT_EQ(p->data->valueAt(0), 20);
    EXPECT_EQ(p->xStart, 1000);
    ASSERT_EQ(b.markers().size(), 1u);
    EXPECT_NEAR(b.markers()[0].x, 1.5, 1e-9);
    EXPECT_FALSE(b.pasteBytes({1, 2, 3}, 0));
}

TEST(ChartDoc, FlagsAndMarkerLabelsAreSharedByTheChartsOfOneRun) {
    ordavia::test::TestServices ts, other;
    ZchartDoc a, b, c;
    ts.adopt(a);
    ts.adopt(b);
    other.adopt(c);
    ASSERT_TRUE(a.linkYAxes());
    a.setEditNewMarks(true);
    a.setLinkYAxes(false);
    EXPECT_TRUE(b.editNewMarks());
    EXPECT_FALSE(b.linkYAxes());
    EXPECT_FALSE(c.editNewMarks()) << "another run keeps its own flags";
    a.AddMarker(std::make_unique<CMarker>(), 1.0);
    b.AddMarker(std::make_unique<CMarker>(), 1.0);
    c.AddMarker(std::make_unique<CMarker>(), 1.0);
    EXPECT_EQ(a.markers()[0].label, "0");
    EXPECT_EQ(b.markers()[0].label, "1");
    EXPECT_EQ(c.markers()[0].label, "0");
}

TEST(ChartDoc, SettingsFileRoundTrip) {
    const testsupport::ScratchDir dir("chartcfg");
    ordavia::test::TestServices ts;
    ts.services.programFolder = dir.dir.string();
    ZchartDoc a;
    ts.adopt(a);
    ASSERT_TRUE(a.setSmoothing(0, 5.0f));
    a.loadSettings();
    EXPECT_EQ(a.smoothTime(), 1.0f) << "no file: defaults";
    ASSERT_TRUE(a.setSmoothing(4, 2.5f));
    a.setSettingC(7.0);
    ASSERT_TRUE(a.saveSettings().ok());
    ZchartDoc b;
    ts.adopt(b);
    b.loadSettings();
    EXPECT_EQ(b.smoothChoice(), 4u);
    EXPECT_EQ(b.smoothTime(), 2.5f);
    EXPECT_EQ(b.settingC(), 7.0);
}

#include "chart/ZliveChartDoc.h"

TEST(LiveChart, FeedsReuseTheTraceAndRowsTakeTheYAxis) {
    ZliveChartDoc live;
    ZliveChartDoc* slot = &live;
    live.ownerSlot = &slot;
    uint32_t n = 256;
    CdataVect* a = ordavia::test::LiveFeed::samples(live, 1, n, 0.5, "mm", "profile", 2, "grey");
    ASSERT_TRUE(a);
    const uint8_t* storage = a->rawData();
    n = 256;
    CdataVect* b = ordavia::test::LiveFeed::samples(live, 1, n, 0.5, "mm", "profile", 2, "grey");
    EXPECT_EQ(live.traceCount(), 1);
    EXPECT_EQ(b->rawData(), storage) << "no reallocation for an equal feed";
    n = 300;
    EXPECT_EQ(ordavia::test::LiveFeed::samples(live, 1, n, 0.5, "mm", "profile", 2, "grey")->count, 300u);

    C2DTrace rows(12, 4, 128);
    rows.yUnits = "um";
    rows.yScale = 0.7;
    rows.displayYScale = 0.2;
    CdataVect* r = ordavia::test::LiveFeed::row(live, 2, "row", rows);
    ASSERT_TRUE(r);
    EXPECT_EQ(live.traceCount(), 1);
    EXPECT_EQ(live.liveTrace()->elementTypeCode(), 4);
    EXPECT_EQ(r->count, 128u);
    EXPECT_EQ(live.liveTrace()->xUnits, "um");
    EXPECT_EQ(live.liveTrace()->xInterval, 0.7);
    live.OnCloseDocument();
    EXPECT_EQ(slot, nullptr) << "the producer opens a new chart on its next feed";
}

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
    EXPECT_FALSE(doc.refillTrace(7, *line)) << "no such trace";
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
    doc.undoStack().undo();
    ASSERT_EQ(line->xStart, 133099096);
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
    const CMarker* m = doc.AddMarker(std::make_unique<CMarker>(), 0.5, "a");
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
