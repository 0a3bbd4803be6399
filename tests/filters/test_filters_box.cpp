// Box low and high pass against a direct sum over each window.
#include <gtest/gtest.h>

#include <algorithm>

#include "FilterTestSupport.h"
#include "image/BoxFilter.h"
#include "tests/support/ThreadCounts.h"

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

// Every kind of region on a small picture; windows that do not fit are
// refused and leave the picture as it was.
TEST(BoxFilter, MatchesDirectSumsForWindowsAndRegions) {
    const CZVimage src = randomImage(37, 29, 37);
    const ZRect regions[] = {{}, {0, 0, 37, 29}, {5, 3, 30, 20}, {20, 10, 37, 29}, {-5, -5, 12, 40}, {30, 2, 1, 27}};
    for (const ZRect& region : regions)
        for (int n : {2, 3, 4, 5, 8, 11, 15})
            for (BoxMode mode : {BoxMode::LowPass, BoxMode::HighPass}) {
                CZVimage img = copyOf(src);
                const ZRect c = img.clip(region);
                const bool expectRun = n < std::min(c.width(), c.height());
                EXPECT_EQ(boxFilter(img, region, n, mode), expectRun);
                EXPECT_EQ(pixelsOf(img), expectRun ? pixelsOf(naiveBox(src, region, n, mode)) : pixelsOf(src))
                    << "n=" << n << " mode=" << int(mode) << " region " << region.left << "," << region.top;
            }
}

// Widths that leave vector tails, windows on both sides of the short and
// long sum paths, and a window large enough for the 64-bit sums.
TEST(BoxFilter, MatchesDirectSumsOnWidePictures) {
    for (auto [w, h] : {std::pair{131, 67}, std::pair{70, 99}}) {
        const CZVimage src = randomImage(w, h, uint32_t(w));
        for (const ZRect& region : {ZRect{}, ZRect{3, 1, w - 2, h - 5}})
            for (int n : {3, 7, 15, 17, 31, 33, 47})
                for (BoxMode mode : {BoxMode::LowPass, BoxMode::HighPass}) {
                    CZVimage img = copyOf(src);
                    ASSERT_TRUE(boxFilter(img, region, n, mode));
                    ASSERT_EQ(pixelsOf(img), pixelsOf(naiveBox(src, region, n, mode))) << w << " n=" << n;
                }
    }
    const CZVimage large = randomImage(300, 260, 11);
    CZVimage img = copyOf(large);
    ASSERT_TRUE(lowPassFilter(img, {}, 199));
    EXPECT_EQ(pixelsOf(img), pixelsOf(naiveBox(large, {}, 199, BoxMode::LowPass)));
}

TEST(BoxFilter, RefusesWindowsThatDoNotFit) {
    CZVimage img = randomImage(10, 8, 3);
    const auto before = pixelsOf(img);
    EXPECT_FALSE(lowPassFilter(img, {}, 0));
    EXPECT_FALSE(highPassFilter(img, {}, 1));   // one-pixel window: no neighbours to average
    EXPECT_FALSE(highPassFilter(img, {}, -5));
    EXPECT_EQ(pixelsOf(img), before);
    // Colour and empty images are left alone.
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

// Pictures large enough to be cut into bands of rows on several threads:
// the bands give the bytes of one thread, and of the direct sums.
TEST(BoxFilter, BandsOnSeveralThreadsGiveTheBytesOfOneThread) {
    const CZVimage src = randomImage(640, 480, 5);
    for (int n : {3, 25, 101, 199})
        for (BoxMode mode : {BoxMode::LowPass, BoxMode::HighPass}) {
            auto filtered = [&](int threads) {
                return testsupport::withThreads(threads, [&] {
                    CZVimage img = copyOf(src);
                    EXPECT_TRUE(boxFilter(img, ZRect{}, n, mode));
                    return pixelsOf(img);
                });
            };
            const auto one = filtered(1);
            ASSERT_EQ(filtered(4), one) << n;
            if (n == 3) {
                EXPECT_EQ(one, pixelsOf(naiveBox(src, {}, n, mode)));
            }
        }
}
