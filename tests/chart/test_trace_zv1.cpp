// Traces and ".zv1" charts: hand-written files with every trace class load
// and come back byte for byte; older layouts at their version gates; ring
// arithmetic; the binary export header.
#include <gtest/gtest.h>

#include <cstring>

#include "base/Archive.h"
#include "chart/ZchartDoc.h"
#include "support/ChartBytes.h"

using namespace ordavia;

using charttest::Bytes;
using charttest::TraceFields;

namespace {

Bytes twoDTail(uint16_t windowColour, uint16_t reversedWord, uint16_t scheme, const Bytes& extentObject) {
    Bytes t;
    t.u32(4).u16(windowColour).u16(reversedWord).u16(scheme).f64(800).f64(1.25).f64(65535).f64(10);
    t.append(extentObject).f64(0.5);
    return t;
}

// Every class once, then markers: indexes as the archive counts them.
Bytes fullChart() {
    Bytes f;
    f.u32(0x5A5A).u16(32).u16(3);
    TraceFields a;
    Bytes d1;
    d1.newClass("Cbyte2Vect").append(charttest::vectorBody<int16_t>({1, -2, 300}));  // 3, 4
    f.newClass("CTrace").append(charttest::traceBody(a, d1));                           // 1, 2
    TraceFields b;
    b.name = "spectrum";
    b.ring = 1;
    b.head = 1;
    Bytes d2;
    d2.newClass("CArrayVect").u32(2).u16(1).u32(0).u16(2).u16(10).u16(20).u16(30).u16(40);  // 7, 8
    Bytes e2;
    e2.newClass("CdoubleVect").append(charttest::vectorBody<double>({0.5, 0}));  // 9, 10
    f.newClass("C2DTrace").append(charttest::traceBody(b, d2)).append(twoDTail(1, 220, 2, e2));  // 5, 6
    TraceFields c;
    c.name = "doppler";
    Bytes d3;
    d3.oldClass(7).u32(1).u16(1).u32(0).u16(2).u16(5).u16(6);  // 13
    Bytes e3;
    e3.oldClass(9).append(charttest::vectorBody<double>({2.0}));  // 14
    f.newClass("CDopTrace").append(charttest::traceBody(c, d3)).append(twoDTail(0, 0, 0, e3));  // 11, 12
    f.u32(2).f64(0.25).u16(2);
    f.newClass("CMarker").append(charttest::markerBody(1.5, "start", "12:00:00 06/12/26\r\n", 7));
    f.newClass("CImageMarker").append(charttest::markerBody(2.5, "img", "filename=a\r\n")).u16(1).str("a");
    return f;
}

}  // namespace

TEST(Zv1, EveryTraceClassRoundTripsByteForByte) {
    const Bytes f = fullChart();
    ZchartDoc doc;
    ASSERT_TRUE(doc.loadFromBytes(f.b).ok());
    ASSERT_EQ(doc.traceCount(), 3);
    const CTrace* t = doc.trace(0);
    EXPECT_EQ(t->name, "flux");
    EXPECT_EQ(t->data->valueAt(1), -2);
    EXPECT_EQ(t->xStart, 1500);
    EXPECT_TRUE(t->auxFlag);
    EXPECT_EQ(t->pointSize, 4);
    auto* s = dynamic_cast<const C2DTrace*>(doc.trace(1));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->width(), 2u);
    EXPECT_TRUE(s->windowColour);
    EXPECT_FALSE(s->paletteReversed);
    EXPECT_EQ(s->intensityRange, 800);
    EXPECT_EQ(s->intensityOffset, 0.5);
    EXPECT_NE(dynamic_cast<const CDopTrace*>(doc.trace(2)), nullptr);
    EXPECT_TRUE(dynamic_cast<const C2DTrace*>(doc.trace(2))->paletteReversed);
    ASSERT_EQ(doc.markers().size(), 2u);
    EXPECT_EQ(doc.markers().items[0]->attribute, 7u);
    EXPECT_EQ(static_cast<CImageMarker*>(doc.markers().items[1].get())->fileName, "a");
    EXPECT_EQ(doc.listValue(), 0.25);
    EXPECT_EQ(doc.saveToBytes(), f.b);
}

TEST(Zv1, WithoutMagicAndWithShortListBlock) {
    const Bytes f = fullChart();
    // Drop magic and version: the file starts with the trace array.
    std::vector<uint8_t> bare(f.b.begin() + 6, f.b.end());
    ZchartDoc doc;
    ASSERT_TRUE(doc.loadFromBytes(bare).ok());
    EXPECT_EQ(doc.traceCount(), 3);
    EXPECT_EQ(doc.markers().size(), 2u);

    // Cut right after listValue: loads without markers.
    Bytes one;
    one.u32(0x5A5A).u16(32).u16(0).u32(2).f64(1.0);
    ZchartDoc d2;
    ASSERT_TRUE(d2.loadFromBytes(one.b).ok());
    EXPECT_EQ(d2.markers().size(), 0u);
    EXPECT_EQ(d2.listValue(), 1.0);

    // Truncated anywhere inside the traces: an error, never a crash.
    for (size_t cut = 7; cut < 200; cut += 13) {
        std::vector<uint8_t> part(f.b.begin(), f.b.begin() + cut);
        ZchartDoc d3;
        EXPECT_FALSE(d3.loadFromBytes(part).ok()) << cut;
    }
}

TEST(Zv1, OlderTraceLayouts) {
    ZchartDoc::registerClasses();
    // Before the version word: first word is the colour, reals are floats,
    // the start is a double in seconds; ring defaults to 1.
    Bytes old;
    old.newClass("CTrace").u32(0xFF).u32(0).f32(1).f32(0.5f);
    old.newClass("CfloatVect").append(charttest::vectorBody<float>({1, 2}));
    old.f32(1).f32(0.25f).f64(2.0).u32(0).str("o").str("s").str("V");
    Archive a(old.b);
    auto t = a.readObject<CTrace>();
    ASSERT_TRUE(t);
    EXPECT_EQ(t->colour, 0xFFu);
    EXPECT_EQ(t->ring, 1u);
    EXPECT_EQ(t->xStart, 8000) << "2 s * 1000 / 0.25";
    EXPECT_EQ(t->xInterval, 0.5);
    EXPECT_EQ(a.remaining(), 0u);

    // A two-dimensional trace of version 2 gains an extent from column 0.
    Bytes v2;
    TraceFields f;
    Bytes d;
    d.newClass("CArrayVect").u32(2).u16(1).u32(0).u16(2).u16(11).u16(1).u16(22).u16(2);
    v2.newClass("C2DTrace").append(charttest::traceBody(f, d));
    v2.u32(2).u16(0).u16(220).u16(0).f64(500).f64(2).f64(1000).f64(1);
    Archive b(v2.b);
    auto s = b.readObject<C2DTrace>();
    ASSERT_TRUE(s && s->extent);
    EXPECT_EQ(s->extent->valueAt(0), 11);
    EXPECT_EQ(s->extent->valueAt(1), 22);
}

TEST(Trace, RingArithmeticCopyRangeAndBinaryHeader) {
    CTrace t(8, 10);
    for (uint32_t i = 0; i < 10; ++i) t.data->setAt(i, double(i));
    t.ring = 1;
    t.head = 7;
    t.xInterval = 0.5;
    t.xStart = 2000;
    EXPECT_DOUBLE_EQ(t.sampleX(7), 2.0);
    EXPECT_DOUBLE_EQ(t.sampleX(6), 9 * 0.5 + 2.0);
    EXPECT_EQ(t.advanceHead(8, 5), 3u);
    EXPECT_EQ(t.advanceHead(2, -5), 7u);

    t.head = 5;  // the walk 8 -> 3 does not pass the head
    CTrace c;
    ASSERT_TRUE(c.copyRange(t, 8, 3));
    ASSERT_EQ(c.sampleCount(), 5u);
    const double want[] = {8, 9, 0, 1, 2};
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(c.data->valueAt(i), want[i]);
    EXPECT_EQ(c.head, 0u);
    EXPECT_EQ(c.xStart, 0);

    CTrace plain(8, 10);
    plain.ring = 0;
    EXPECT_EQ(plain.advanceHead(8, 5), 9u) << "without ring it stops at the end";
    EXPECT_EQ(plain.advanceHead(2, -5), 0u);
    // The binary export's header.
    CTrace w(3, 4);
    for (uint32_t i = 0; i < 4; ++i) w.data->setAt(i, int16_t(i + 1));
    w.name = std::string(100, 'n');
    w.xInterval = 0.125;
    std::vector<uint8_t> out;
    EXPECT_FALSE(w.writeBinary(out, true, 2, 2).ok());
    ASSERT_TRUE(w.writeBinary(out, true, 3, 1).ok());
    ASSERT_EQ(out.size(), 128u + 2 * 2);
    uint32_t n;
    std::memcpy(&n, out.data(), 4);
    EXPECT_EQ(n, 2u) << "count - from + to";
    EXPECT_EQ(out[8], 2);
    EXPECT_EQ(out[10], 63);
    double xi;
    std::memcpy(&xi, out.data() + 12, 8);
    EXPECT_EQ(xi, 0.125);
    EXPECT_EQ(out[60 + 66], 'n');
    EXPECT_EQ(out[60 + 67], 0);
    EXPECT_EQ(out[128], 4);  // sample 3, then sample 0
    EXPECT_EQ(out[130], 1);
}

TEST(Markers, MergeAddsOnlyMarkersThatDiffer) {
    CMarkerList list;
    for (double x : {1.0, 2.0, 3.0}) {
        auto k = std::make_unique<CMarker>();
        k->x = x;
        list.items.push_back(std::move(k));
    }
    CMarkerList same;
    for (const auto& k : list.items) same.items.push_back(k->Clone());
    EXPECT_FALSE(list.Merge(same));
    EXPECT_EQ(same.size(), 3u);
    same.items[0]->attribute = 1;
    EXPECT_TRUE(list.Merge(same)) << "the attribute word makes them differ";
    EXPECT_EQ(list.size(), 4u);
}
