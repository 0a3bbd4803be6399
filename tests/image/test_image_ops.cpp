// Point operations, statistics, demosaicing against a direct transcription
// of its block formulas, and grey from Bayer on a case worked by hand.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "image/CZVimage.h"
#include "tests/image/ImageTestUtil.h"

using namespace ordavia;
using namespace imgtest;

namespace {
CZVimage greyRow(std::initializer_list<int> values) {
    CZVimage img(int(values.size()), 1, -1, 0, 0);
    int i = 0;
    for (int v : values) img.row(0)[i++] = uint8_t(v);
    return img;
}
}  // namespace

TEST(ImageOps, StatisticsMatchPlainSums) {
    // Rows long enough for the 16-byte path, with odd tails and offsets, a
    // single pixel, and padding that must never count.
    CZVimage img(83, 7, -1, 0, 0);
    uint32_t seed = 5;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 83; ++x) {
            seed = seed * 1664525u + 1013904223u;
            img.row(y)[x] = uint8_t(30 + (seed >> 24) % 200);
        }
    img.row(3)[80] = 2;     // minimum in a tail
    img.row(5)[17] = 254;   // maximum inside a block
    img.row(0)[83] = 255;   // padding
    for (const ZRect r : {ZRect{}, ZRect{1, 1, 82, 6}, ZRect{3, 0, 20, 7}, ZRect{64, 2, 83, 4}, ZRect{2, 1, 3, 2}}) {
        const ZRect c = img.clip(r);
        uint64_t sum = 0;
        int lo = 255, hi = 0;
        for (int y = c.top; y < c.bottom; ++y)
            for (int x = c.left; x < c.right; ++x) {
                sum += img.row(y)[x];
                lo = std::min<int>(lo, img.row(y)[x]);
                hi = std::max<int>(hi, img.row(y)[x]);
            }
        double mean;
        int mn, mx;
        img.statistics(r, &mean, &mn, &mx);
        EXPECT_DOUBLE_EQ(mean, double(sum) / (c.width() * c.height())) << r.left << "," << r.top;
        EXPECT_EQ(mn, lo) << r.left << "," << r.top;
        EXPECT_EQ(mx, hi) << r.left << "," << r.top;
    }
    // An area outside the image; the other results may be left out.
    double mean = -1;
    img.statistics(ZRect{100, 50, 110, 60}, &mean, nullptr, nullptr);
    EXPECT_EQ(mean, 0.0);
}

// Subtraction with an offset goes through the movie passes' tests and the
// subtract kernel's; squared differences here.
TEST(ImageOps, SquaredDifferenceClampsAndFollowsTheOrigins) {
    CZVimage out = greyRow({9, 9, 9, 9});
    ASSERT_EQ(out.squaredDifference(greyRow({1, 5, 10, 100}), greyRow({3, 5, 0, 0})), 1);
    EXPECT_EQ(out.row(0)[0], 4);
    EXPECT_EQ(out.row(0)[1], 0);
    EXPECT_EQ(out.row(0)[2], 100);
    EXPECT_EQ(out.row(0)[3], 255);
    // b shifted one column right: a pixel x meets b pixel x - 1, and the
    // first column has no partner and keeps its value.
    CZVimage pa = greyRow({1, 2, 3, 4});
    CZVimage pb = greyRow({0, 0, 0, 0});
    pb.setOriginX(1);
    pb.row(0)[0] = 4;
    CZVimage o2 = greyRow({9, 9, 9, 9});
    ASSERT_EQ(o2.squaredDifference(pa, pb), 1);
    EXPECT_EQ(o2.row(0)[0], 9);
    EXPECT_EQ(o2.row(0)[1], 4);  // (2 - 4)^2
    EXPECT_EQ(o2.row(0)[2], 9);
}

namespace {

// The block formulas as written, for comparison.
std::vector<uint8_t> referenceDemosaic(const CZVimage& m) {
    const int w = m.width(), rows = m.rows();
    std::vector<uint8_t> out(size_t(w) * rows * 3, 0);
    auto P = [&](int x, int y) { return int(m.row(y)[x]); };
    auto set = [&](int x, int y, int b0, int b1, int b2) {
        uint8_t* o = &out[(size_t(y) * w + x) * 3];
        o[0] = uint8_t(b0);
        o[1] = uint8_t(b1);
        o[2] = uint8_t(b2);
    };
    for (int y = 1; y < rows - 2; y += 2)
        for (int x = 1; x < w - 2; x += 2) {
            set(x, y, P(x, y), (P(x, y + 1) + P(x - 1, y) + P(x + 1, y) + P(x, y - 1)) / 4,
                (P(x - 1, y + 1) + P(x + 1, y + 1) + P(x + 1, y - 1) + P(x - 1, y - 1)) / 4);
            set(x + 1, y, (P(x, y) + P(x + 2, y)) / 2, P(x + 1, y), (P(x + 1, y + 1) + P(x + 1, y - 1)) / 2);
            set(x, y + 1, (P(x, y + 2) + P(x, y)) / 2, P(x, y + 1), (P(x - 1, y + 1) + P(x + 1, y + 1)) / 2);
            set(x + 1, y + 1, (P(x, y + 2) + P(x + 2, y + 2) + P(x + 2, y) + P(x, y)) / 4,
                (P(x + 1, y + 2) + P(x, y + 1) + P(x + 2, y + 1) + P(x + 1, y)) / 4, P(x + 1, y + 1));
        }
    return out;
}

void randomFill(CZVimage& img, unsigned seed) {
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < img.rowBytes(); ++x) {
            seed = seed * 1103515245u + 12345u;
            img.row(y)[x] = uint8_t(seed >> 16);
        }
}

}  // namespace

TEST(ImageBayer, DemosaicMatchesFormulas) {
    for (auto [w, h] : {std::pair{8, 6}, {7, 5}, {9, 9}, {3, 3}, {2, 2}, {1, 1}, {77, 45}, {131, 67}, {200, 37}}) {
        CZVimage m(w, h, -1, 0, CZVimage::kBayer);
        randomFill(m, unsigned(w * 100 + h));
        const auto ref = referenceDemosaic(m);
        std::vector<uint8_t> out(ref.size() + 1, 0xAB);
        ASSERT_EQ(m.demosaic(out.data()), 1);
        EXPECT_EQ(out.back(), 0xAB) << "wrote past the packed size";
        out.pop_back();
        EXPECT_EQ(out, ref) << w << "x" << h;

        CZVimage colour(w, h, -1, 0, CZVimage::kColour);
        ASSERT_EQ(colour.convertFrom(m), 1);
        for (int y = 0; y < h; ++y)
            ASSERT_EQ(std::memcmp(colour.row(y), &ref[size_t(y) * w * 3], size_t(w) * 3), 0);
    }
    CZVimage grey(4, 4, -1, 0, 0);
    std::vector<uint8_t> out(48);
    EXPECT_EQ(grey.demosaic(out.data()), 0);
}

TEST(ImageBayer, BayerToGreyKnownCase) {
    // Worked by hand: even columns of row 0 and odd ones of the last row
    // average along the row (the last one repeats), the first column of an
    // inner row takes three neighbours, the other gaps four.
    CZVimage k(4, 4, -1, 0, CZVimage::kBayer);
    const uint8_t rows[4][4] = {{10, 0, 30, 0}, {0, 40, 0, 60}, {90, 0, 70, 0}, {0, 80, 0, 20}};
    for (int y = 0; y < 4; ++y) std::memcpy(k.row(y), rows[y], 4);
    k.bayerToGrey();
    EXPECT_EQ(k.colour(), CZVimage::kGrey);
    for (auto [x, y, v] : {std::tuple{1, 0, 20}, {3, 0, 30}, {0, 3, 80}, {2, 3, 50}, {0, 1, 46}, {2, 1, 50}, {1, 2, 70}})
        EXPECT_EQ(k.row(y)[x], v) << x << "," << y;
    // Grey images are left alone.
    CZVimage g = greyRow({1, 0, 3});
    g.bayerToGrey();
    EXPECT_EQ(g.row(0)[1], 0);
}
