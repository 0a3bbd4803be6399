// Box low and high pass against a direct sum over each window.
#include <gtest/gtest.h>

#include <algorithm>

#include "FilterTestSupport.h"
#include "image/BoxFilter.h"

using namespace ordavia;

namespace {

// The filter as written: window cut to the region, integer arithmetic,
// computed pixel by pixel from an untouched copy.
CZVimage naiveBox(const CZVimage& src, const ZRect& region, int n, BoxMode mode) {
    CZVimage out = copyOf(src);
    const ZRect c = src.clip(region);
    const int k = n / 2;
    for (int y = c.top; y < c.bottom; ++y)
        for (int x = c.left; x < c.right; ++x) {
            long sum = 0, count = 0;
            for (int yy = std::max(c.top, y - k); yy <= std::min(c.bottom - 1, y + k); ++yy)
                for (int xx = std::max(c.left, x - k); xx <= std::min(c.right - 1, x + k); ++xx) {
                    sum += px(src, xx, yy);
                    ++count;
                }
            const long p = px(src, x, y);
            long v = mode == BoxMode::LowPass ? sum / count : p - (sum - p) / (count - 1) + 128;
            v = std::clamp(v, 0L, 255L);
            out.row(y)[x] = static_cast<uint8_t>(v);
        }
    return out;
}

}  // namespace

TEST(BoxFilter, MatchesDirectSumsForWindowsAndRegions) {
    // A small picture on every kind of region (windows that do not fit are
    // refused), then widths that leave vector tails, with windows on both
    // sides of the short and long sum paths.
    struct Case {
        int w, h;
        std::vector<int> windows;
        std::vector<ZRect> regions;
    };
    const Case cases[] = {
        {37, 29, {2, 3, 4, 5, 8, 11, 15}, {{}, {0, 0, 37, 29}, {5, 3, 30, 20}, {20, 10, 37, 29}, {-5, -5, 12, 40}, {30, 2, 1, 27}}},
        {131, 67, {3, 7, 15, 17, 31, 33, 47}, {{}, {3, 1, 129, 62}}},
        {70, 99, {3, 7, 15, 17, 31, 33, 47}, {{}, {3, 1, 68, 94}}},
    };
    for (const Case& k : cases) {
        const CZVimage src = randomImage(k.w, k.h, uint32_t(k.w));
        for (const ZRect& region : k.regions)
            for (int n : k.windows)
                for (BoxMode mode : {BoxMode::LowPass, BoxMode::HighPass}) {
                    CZVimage img = copyOf(src);
                    const ZRect c = img.clip(region);
                    const bool expectRun = n < std::min(c.width(), c.height());
                    EXPECT_EQ(boxFilter(img, region, n, mode), expectRun);
                    EXPECT_EQ(pixelsOf(img), expectRun ? pixelsOf(naiveBox(src, region, n, mode)) : pixelsOf(src))
                        << k.w << " n=" << n << " mode=" << int(mode) << " region " << region.left << "," << region.top;
                }
    }
    // Windows this large take the 64-bit sums.
    const CZVimage large = randomImage(300, 260, 11);
    CZVimage img = copyOf(large);
    ASSERT_TRUE(lowPassFilter(img, {}, 199));
    EXPECT_EQ(pixelsOf(img), pixelsOf(naiveBox(large, {}, 199, BoxMode::LowPass)));
}

TEST(BoxFilter, SizeFourWindowsAndHighPassArithmetic) {
    // A single bright pixel: its contribution shows exactly which pixels'
    // windows reach it and what count divides there.
    CZVimage img = greyImage(12, 12);
    img.row(0)[0] = 180;
    ASSERT_TRUE(lowPassFilter(img, {}, 4));
    EXPECT_EQ(px(img, 0, 0), 180 / 9);   // corner window 3 x 3
    EXPECT_EQ(px(img, 2, 2), 180 / 25);  // inside: 5 x 5 reaches back two pixels
    EXPECT_EQ(px(img, 3, 0), 0);         // three away: outside the window
    EXPECT_EQ(px(img, 2, 0), 180 / 15);  // top edge: 5 wide, 3 tall
    EXPECT_EQ(px(img, 1, 1), 180 / 16);  // 4 x 4
    // High pass of a uniform picture is mid grey; sums truncate towards zero.
    CZVimage flat = greyImage(20, 15, 77);
    ASSERT_TRUE(highPassFilter(flat, {}, 5));
    for (int v : pixelsOf(flat)) ASSERT_EQ(v, 128);

    // Dark pixel among 40s: 0 - (8 x 40) / 8 + 128 = 88; its neighbour at a
    // corner: 40 - (40 + 40 + 0) / 3 + 128 = 40 - 26 + 128 = 142 (80 / 3
    // truncated).
    CZVimage dark = greyImage(6, 6, 40);
    dark.row(1)[1] = 0;
    ASSERT_TRUE(highPassFilter(dark, {}, 3));
    EXPECT_EQ(px(dark, 1, 1), 88);
    EXPECT_EQ(px(dark, 0, 0), 142);
    // Bright spike clamps at 255.
    CZVimage spike = greyImage(6, 6, 0);
    spike.row(3)[3] = 255;
    ASSERT_TRUE(highPassFilter(spike, {}, 3));
    EXPECT_EQ(px(spike, 3, 3), 255);
}

TEST(BoxFilter, RefusesWindowsThatDoNotFit) {
    CZVimage img = randomImage(10, 8, 3);
    const auto before = pixelsOf(img);
    EXPECT_FALSE(lowPassFilter(img, {}, 0));
    EXPECT_FALSE(lowPassFilter(img, {}, 8));    // not below the smaller side
    EXPECT_FALSE(highPassFilter(img, {}, 1));   // one-pixel window: no neighbours to average
    EXPECT_FALSE(highPassFilter(img, {}, -5));
    EXPECT_FALSE(lowPassFilter(img, {2, 2, 6, 6}, 4));
    EXPECT_EQ(pixelsOf(img), before);
    EXPECT_TRUE(lowPassFilter(img, {}, 7));

    // Colour images are left alone.
    CZVimage colour(8, 8, -1, CZVimage::kFrame, CZVimage::kColour);
    EXPECT_FALSE(lowPassFilter(colour, {}, 3));
    CZVimage empty;
    EXPECT_FALSE(highPassFilter(empty, {}, 3));
}

TEST(BoxFilter, FieldImageFiltersStoredRowsOfTheRegion) {
    // A field: the region's y values are frame rows and are halved.
    CZVimage img(16, 20, -1, CZVimage::kField1, CZVimage::kGrey);
    ASSERT_EQ(img.rows(), 10);
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < 16; ++x) img.row(y)[x] = static_cast<uint8_t>((x * 13 + y * 7) % 256);
    CZVimage src = copyOf(img);
    ASSERT_TRUE(lowPassFilter(img, {0, 4, 16, 20}, 3));  // stored rows 2..9
    const CZVimage want = naiveBox(src, {0, 4, 16, 20}, 3, BoxMode::LowPass);
    EXPECT_EQ(pixelsOf(img), pixelsOf(want));
    EXPECT_EQ(px(img, 5, 1), px(src, 5, 1));
}
