// Data vectors: conversions, block reads, ring statistics, derivative,
// resizing, and the archive layout byte by byte.
#include <gtest/gtest.h>

#include "base/Archive.h"
#include "chart/CdataVect.h"
#include "support/ChartBytes.h"

using namespace ordavia;

using charttest::Bytes;

namespace {
template <class V>
std::unique_ptr<V> filled(std::initializer_list<double> xs) {
    auto v = std::make_unique<V>();
    EXPECT_TRUE(v->resize(static_cast<uint32_t>(xs.size())));
    uint32_t i = 0;
    for (double x : xs) v->setAt(i++, x);
    return v;
}
}  // namespace

TEST(DataVect, ConversionsTruncateAndWrap) {
    Cubyte1Vect u8;
    ASSERT_TRUE(u8.resize(3));
    u8.setAt(0, 255.9);
    u8.setAt(1, -1.5);
    u8.setAt(2, 300.7);
    EXPECT_EQ(u8.data()[0], 255);
    EXPECT_EQ(u8.data()[1], 255);
    EXPECT_EQ(u8.data()[2], 44);
    Cbyte2Vect s16;
    ASSERT_TRUE(s16.resize(1));
    s16.setAt(0, int32_t(70000));
    EXPECT_EQ(s16.data()[0], int16_t(70000 - 65536));
    uint8_t b = 0;
    s16.getAt(0, b);
    EXPECT_EQ(b, uint8_t(70000 & 0xFF));
    CfloatVect f;
    ASSERT_TRUE(f.resize(1));
    f.setAt(0, -2.75);
    int16_t i16 = 0;
    f.getAt(0, i16);
    EXPECT_EQ(i16, -2);
}

TEST(DataVect, ReadBlockClipsAndConverts) {
    auto v = filled<Cbyte4Vect>({0, 10, 20, 30, 40, 50, 60, 70, 80, 90});
    double out[5] = {};
    EXPECT_EQ(v->readBlock(out, 0, 5, 3), 4u);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[3], 90);
    EXPECT_EQ(v->readBlock(out, 10, 2, 1), 0u);
    int32_t same[3];
    EXPECT_EQ(v->readBlock(same, 8, 3, 1), 2u);
    EXPECT_EQ(same[1], 90);
}

TEST(DataVect, RingStatisticsAndStartValues) {
    auto v = filled<CfloatVect>({5, -1, 7, 2, 3});
    double m = 0, lo = 99, hi = 99;
    EXPECT_EQ(v->statistics(m, lo, hi, 0, 0), 5u);
    EXPECT_DOUBLE_EQ(m, 16.0 / 5);
    EXPECT_EQ(v->statistics(m, lo, hi, 3, 1), 3u) << "3, 4, 0";
    EXPECT_DOUBLE_EQ(m, 10.0 / 3);
    EXPECT_EQ(lo, 2);
    EXPECT_EQ(hi, 5);
    auto neg = filled<Cbyte1Vect>({-5, -3, -9});
    neg->statistics(m, lo, hi, 0, 0);
    EXPECT_EQ(hi, -3) << "a true maximum of negative values";
    auto negf = filled<CfloatVect>({-5, -3, -9});
    EXPECT_EQ(negf->maximum(), -3);
    double dev = 0;
    auto d = filled<CdoubleVect>({2, 4, 4, 4, 5, 5, 7, 9});
    d->meanAndDeviation(m, lo, hi, dev, 0, 0);
    EXPECT_DOUBLE_EQ(dev, 2.0);
}

TEST(DataVect, DerivativeAndResizeKeepingOrResettingTheCursor) {
    auto a = filled<CdoubleVect>({0, 1, 2, 3, 4});
    a->derivative();
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(a->valueAt(i), 1);
    auto b = filled<CdoubleVect>({0, 0, 4, 0, 0});
    b->derivative();
    const double want[] = {0, 2, -1, -0.5, 0};
    for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(b->valueAt(i), want[i]);
    auto c = filled<Cbyte2Vect>({0, 0, 4, 0, 0});
    c->derivative();
    EXPECT_EQ(c->valueAt(3), 0) << "integers halve toward zero";
    auto s = filled<CdoubleVect>({1, 5});
    s->derivative();
    EXPECT_EQ(s->valueAt(1), 5);
    auto v = filled<Cubyte2Vect>({1, 2, 3, 4});
    v->cursor = 3;
    EXPECT_TRUE(v->resize(4));
    EXPECT_EQ(v->cursor, 3u);
    EXPECT_TRUE(v->resize(6));
    EXPECT_EQ(v->valueAt(5), 0) << "growth is zero-filled";
    EXPECT_EQ(v->valueAt(3), 4);
    EXPECT_TRUE(v->resize(2));
    EXPECT_EQ(v->cursor, 0u);
    v->fillRange(1, 0, 9);  // from 1 up to (not incl.) 0 wraps over 1 only
    EXPECT_EQ(v->valueAt(1), 9);
    EXPECT_EQ(v->valueAt(0), 1);
}

TEST(DataVect, ArchiveLayoutAndAnImpossibleCount) {
    auto v = filled<Cbyte2Vect>({-2, 258});
    v->stride = 0x10003;
    v->cursor = 1;
    Archive out;
    out.writeObject(v.get());
    Bytes want;
    want.newClass("Cbyte2Vect").u32(2).u16(3).u32(1).u16(0xFFFE).u16(258);
    EXPECT_EQ(out.bytes(), want.b) << "the stride's low word";

    // A count the file cannot hold is refused before any allocation.
    registerDataVectClasses();
    Bytes huge;
    huge.newClass("CdoubleVect").u32(0x40000000).u16(1).u32(0);
    Archive h(huge.b);
    EXPECT_THROW(h.readObject<CdataVect>(), ArchiveError);
}
