// Row operations of two-dimensional traces: correlograms of rows around a
// wrapped ring range, per-row velocity scales, spectra into rows, row peaks
// of empty rows, block-mean reduction and row normalisation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "chart/CTrace.h"
#include "support/LineScanFeed.h"

namespace {

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
