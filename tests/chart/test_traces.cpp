// Traces and ".zv1" charts: hand-written files with every trace class load
// and come back byte for byte; older layouts at their version gates; ring
// arithmetic; the binary export header. Row operations of two-dimensional
// traces: correlograms of rows around a wrapped ring range, per-row velocity
// scales, spectra into rows, row peaks of empty rows, block-mean reduction
// and row normalisation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "base/Archive.h"
#include "chart/ZchartDoc.h"
#include "support/ChartBytes.h"
#include "support/LineScanFeed.h"

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

// A ring of 12 scan lines of 64 points, head 7, whose cells move 2.5
// points per line (in ring order from the head), with a little noise.
std::unique_ptr<C2DTrace> movingScan() {
    auto p = std::make_unique<C2DTrace>(16, 12, 64);
    C2DTrace& t = *p;
    const linescantest::MovingTexture tex;
    t.ring = 1, t.head = 7, t.xInterval = 0.01, t.yScale = 2.0;
    t.name = "scan", t.xUnits = "s", t.yUnits = "um";
    uint32_t s = 3;
    for (uint32_t p = 0; p < 12; ++p) {
        const uint32_t row = (7 + p) % 12;
        const std::vector<double> line = tex.sample(64, 2.5, p);
        for (uint32_t i = 0; i < 64; ++i) {
            s = s * 1664525u + 1013904223u;
            t.data->setAt(row, i, line[i] + double(s >> 28) - 8.0);
        }
        t.extent->setAt(row, 64.0);
    }
    return p;
}

int peakShift(const C2DTrace& t, uint32_t row) {
    CdoubleVect value, index;
    EXPECT_TRUE(value.resize(1) && index.resize(1));
    t.peakOfRow(row, &value, 0, &index, 0, 0.0);
    return static_cast<int>(index.valueAt(0));
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
    auto* s = dynamic_cast<const C2DTrace*>(doc.trace(1));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->width(), 2u);
    EXPECT_FALSE(s->paletteReversed);
    EXPECT_EQ(s->intensityOffset, 0.5);
    EXPECT_NE(dynamic_cast<const CDopTrace*>(doc.trace(2)), nullptr);
    EXPECT_TRUE(dynamic_cast<const C2DTrace*>(doc.trace(2))->paletteReversed);
    ASSERT_EQ(doc.markers().size(), 2u);
    EXPECT_EQ(doc.markers()[0].attribute, 7u);
    EXPECT_EQ(static_cast<const CImageMarker&>(doc.markers()[1]).fileName, "a");
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
        list.add(std::move(k));
    }
    CMarkerList same;
    for (const CMarker& k : list) same.add(k.Clone());
    EXPECT_FALSE(list.Merge(same));
    EXPECT_EQ(same.size(), 3u);
    same[0].attribute = 1;
    EXPECT_TRUE(list.Merge(same)) << "the attribute word makes them differ";
    EXPECT_EQ(list.size(), 4u);
}

TEST(TraceRows, CorrelogramOfWrappedRangeFindsTheRowShift) {
    const auto owned = movingScan();
    C2DTrace& scan = *owned;
    scan.extent->setAt(1, 0.0);  // walk position 4: never filled
    C2DTrace a, b;
    // (9, 4) walks 9, 10, 11, 0 .. 3 without passing the head; (4, 9)
    // would pass it and is turned round to the same walk.
    ASSERT_TRUE(scan.correlogramInto(a, 9, 4, 2));
    ASSERT_TRUE(scan.correlogramInto(b, 4, 9, 2));
    ASSERT_EQ(a.sampleCount(), 7u);
    ASSERT_EQ(a.width(), 32u);
    ASSERT_EQ(a.data->byteCount(), b.data->byteCount());
    EXPECT_EQ(0, std::memcmp(a.data->rawData(), b.data->rawData(), a.data->byteCount()));
    // The first two rows have no partner two rows back; row 4 was never
    // filled and is row 6's partner.
    for (uint32_t w : {0u, 1u, 4u, 6u}) {
        EXPECT_EQ(a.extentAt(w), 0.0) << w;
        EXPECT_EQ(a.data->valueAt(w, 5), 0.0f) << w;
    }
    for (uint32_t w : {2u, 3u, 5u}) {
        EXPECT_EQ(a.extentAt(w), 64.0);
        EXPECT_EQ(peakShift(a, w), 5) << "2.5 points per line over 2 lines, row " << w;
    }
    CdoubleVect value, index;
    ASSERT_TRUE(value.resize(1) && index.resize(1));
    a.localPeakOfRow(6, &value, 0, &index, 0, 0.0);
    EXPECT_EQ(value.valueAt(0), -1.0);
    EXPECT_EQ(index.valueAt(0), -1.0);
    EXPECT_EQ(a.yUnits, "um/s");
    EXPECT_DOUBLE_EQ(a.yScale, 2.0 / 0.01 / 2);
    EXPECT_FALSE(scan.correlogramInto(scan, 0, 0, 1));
    C2DTrace noRows(16, 0, 8);
    EXPECT_FALSE(noRows.correlogramInto(a, 0, 0, 1));
    EXPECT_FALSE(noRows.rowOperation(0, 0, scan, 1.0));
    CTrace plain(8, 4);
    EXPECT_FALSE(scan.correlogramInto(plain, 0, 0, 1)) << "a one-dimensional target is refused";
}

TEST(TraceRows, RowExtentGivesTheVelocityScaleAndCorrelogram) {
    const auto owned = movingScan();
    const C2DTrace& scan = *owned;
    C2DTrace target(12, 12, 32);  // 16-bit rows, as the line-scan correlogram
    ASSERT_TRUE(scan.rowExtentFrom(11, 2, target, 3));  // row 11 is walk position 4
    EXPECT_DOUBLE_EQ(target.extentAt(3), 64.0 / 2 * 0.5 / 0.01);
    EXPECT_EQ(peakShift(target, 3), 5);
    // The unbinned variant takes every second shift: the peak comes at 5 / 2.
    ASSERT_TRUE(scan.rowExtentFromStepped(11, 2, target, 4, 2));
    const int half = peakShift(target, 4);
    EXPECT_TRUE(half == 2 || half == 3) << half;
    EXPECT_EQ(target.data->valueAt(4, 16), 0.0f) << "shifts past the window are left 0";
    const auto empty = movingScan();
    empty->extent->setAt(11, 0.0);
    EXPECT_FALSE(empty->rowExtentFrom(11, 2, target, 3));
    EXPECT_EQ(target.extentAt(3), 0.0);
}

TEST(TraceRows, SpectrumOfSampledSinePeaksAtItsBin) {
    const double dt = 0.001, f = 40.3 / (512 * dt);  // between bins 40 and 41 of a 512-sample row
    CTrace re(8, 4096), im(8, 4096);
    re.xInterval = im.xInterval = dt;
    re.name = "laser";
    re.xUnits = "s";
    for (uint32_t i = 0; i < 4096; ++i) {
        const double ph = 2 * M_PI * f * i * dt;
        re.data->setAt(i, 100 * std::cos(ph) + 3 * std::sin(i * 1.7));
        im.data->setAt(i, -100 * std::sin(ph));  // a negative frequency
    }
    C2DTrace s(16, 1, 256);
    ASSERT_TRUE(s.spectrumOf(0, 0, re, nullptr, 2));
    ASSERT_EQ(s.sampleCount(), 8u);
    EXPECT_EQ(s.name, "FFT of laser");
    EXPECT_EQ(s.yUnits, "1/s");
    for (uint32_t r = 0; r < 8; ++r) {
        EXPECT_EQ(s.extentAt(r), 256.0);
        EXPECT_EQ(peakShift(s, r), 40);
    }
    EXPECT_NEAR(40 * s.yScale, f, 1 / (512 * dt));
    // With the quadrature channel: 256 complex samples a row, the negative
    // frequency in the upper half.
    ASSERT_TRUE(s.spectrumOf(0, 0, re, &im, 2));
    ASSERT_EQ(s.sampleCount(), 16u);
    EXPECT_EQ(peakShift(s, 3), 256 - 20);
    C2DTrace odd(16, 1, 100);
    EXPECT_FALSE(odd.spectrumOf(0, 0, re, nullptr)) << "100 is no FFT size";
    EXPECT_EQ(odd.sampleCount(), 1u);
}

TEST(TraceRows, BlockMeanReductionAndRowNormalisation) {
    C2DTrace t(12, 3, 8), half(12, 3, 4);
    for (uint32_t r = 0; r < 3; ++r) {
        for (uint32_t c = 0; c < 8; ++c) t.data->setAt(r, c, double(r * 100 + c * 3));
        t.extent->setAt(r, r == 1 ? 0.0 : 8.0);
    }
    for (uint32_t r = 0; r < 3; ++r) t.copyRowReduced(r, half, 2);
    EXPECT_EQ(half.data->valueAt(2, 1), 200.0f + 7);  // (206 + 209) / 2, truncated
    EXPECT_EQ(half.data->valueAt(1, 0), 0.0f);
    EXPECT_EQ(half.extentAt(1), 0.0);
    CTrace divisor(8, 8);
    divisor.data->fill(1.0);
    divisor.data->setAt(2, 0.0);
    ASSERT_TRUE(t.rowOperation(2, 3, divisor, 400.0));  // row 2 only
    EXPECT_EQ(t.data->valueAt(2, 1), 65535.0f) << "81200 stays at the 16-bit top instead of wrapping";
    EXPECT_EQ(t.data->valueAt(2, 2), 0.0f) << "zero divisor";
    EXPECT_EQ(t.data->valueAt(0, 1), 3.0f) << "outside the range";
    CTrace wrong(8, 5);
    EXPECT_FALSE(t.rowOperation(0, 0, wrong, 1.0));
}
