// Equalise, negative, 3 x 3 convolution, bin, subtract and dust marks.
#include <gtest/gtest.h>

#include <fstream>

#include "FilterTestSupport.h"
#include "image/CustomKernel.h"
#include "image/ImageFilters.h"
#include "settings/ProfileStore.h"
#include "tests/support/ScratchDir.h"

using namespace ordavia;

TEST(Equalise, StretchesTheRegionRangeAndLeavesFullOrFlatRangesAlone) {
    CZVimage img = greyImage(4, 1, {50, 100, 150, 120});
    ASSERT_TRUE(equalise(img, {}));
    EXPECT_EQ(pixelsOf(img), (std::vector<int>{0, 127, 255, 178}));  // (p - 50) x 2.55 truncated

    // 0..50: the formula in doubles lands the maximum on 254; it must be 255.
    CZVimage low = greyImage(3, 1, {0, 25, 50});
    ASSERT_TRUE(equalise(low, {}));
    EXPECT_EQ(pixelsOf(low), (std::vector<int>{0, 127, 255}));

    // Every range maps its ends onto 0 and 255.
    for (int lo = 0; lo < 255; lo += 7)
        for (int hi = lo + 1; hi < 256; hi += 5) {
            if (lo == 0 && hi == 255) continue;
            CZVimage r = greyImage(2, 1, {lo, hi});
            ASSERT_TRUE(equalise(r, {}));
            ASSERT_EQ(px(r, 0, 0), 0) << lo << ".." << hi;
            ASSERT_EQ(px(r, 1, 0), 255) << lo << ".." << hi;
        }
    // Full range, black and flat regions have nothing to stretch (gain would be 255 / 0).
    for (const std::vector<int>& values : {std::vector<int>{0, 255}, {0, 0, 0}, {90, 90, 90}}) {
        CZVimage img = greyImage(int(values.size()), 1, values);
        EXPECT_FALSE(equalise(img, {})) << values.back();
        EXPECT_EQ(pixelsOf(img), values);
    }
}

TEST(Convolution, EdgeReplicationAtTheCornerAndInside) {
    // Distinct kernel taps and pixel values let each sum be checked by hand.
    CustomKernel k;
    for (int i = 0; i < 9; ++i) k.k[i] = i + 1;
    k.gain = 0.1;
    k.offset = 3;
    CZVimage img = greyImage(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    ASSERT_TRUE(convolve3x3(img, {}, k));
    // (0,0): (k0 + k1 + k3 + k4) p(0,0) + (k2 + k5) p(1,0) + (k6 + k7) p(0,1)
    //        + k8 p(1,1) = 12 x 1 + 9 x 2 + 15 x 4 + 9 x 5 = 135 -> 13.5 + 3.
    EXPECT_EQ(px(img, 0, 0), 16);
    // Centre: sum (i + 1) x (i + 1) = 285 -> 28.5 + 3.
    EXPECT_EQ(px(img, 1, 1), 31);
    // (2,2): k0 p(1,1) + (k1 + k2) p(2,1) + (k3 + k6) p(1,2)
    //        + (k4 + k5 + k7 + k8) p(2,2) = 5 + 30 + 88 + 252 = 375 -> 40.5.
    EXPECT_EQ(px(img, 2, 2), 40);
}

// Saving and loading back go through the filter command's tests; here the
// key names of a hand-written profile.
TEST(Convolution, CustomKernelReadsTheProfileKeys) {
    const testsupport::ScratchDir dir("custom-kernel");
    const std::string path = dir / "ordavia.ini";
    std::ofstream(path) << "[ProcessingArgs]\ncustom0=1\ncustom4=-2\ncustom8=3\ncustomfactor=0.25\ncustomoffset=7\n";
    CustomKernel k;
    k.load(ProfileStore(path));
    EXPECT_EQ(std::vector<int>(k.k, k.k + 9), (std::vector<int>{1, 0, 0, 0, -2, 0, 0, 0, 3}));
    EXPECT_DOUBLE_EQ(k.gain, 0.25);
    EXPECT_EQ(k.offset, 7);
}

TEST(Bin, HalvesBothSidesFromTheVerticalPairsAndSubtractNeedsTheSameSize) {
    CZVimage img = greyImage(5, 3, {10, 20, 30, 40, 50,  //
                                    11, 21, 31, 41, 51,  //
                                    99, 99, 99, 99, 99});
    img.setOrigin(8, 6);
    img.setTag(42);
    const CZVimage b = binImage(img);
    ASSERT_EQ(b.width(), 2);
    ASSERT_EQ(b.rows(), 1);
    // (p(2x, 2y) + p(2x, 2y + 1)) x 2 / 4.
    EXPECT_EQ(px(b, 0, 0), (10 + 11) * 2 / 4);
    EXPECT_EQ(px(b, 1, 0), (30 + 31) * 2 / 4);
    EXPECT_EQ(b.tag(), 42);
    EXPECT_EQ(b.originX(), 4);
    EXPECT_EQ(b.originY(), 3);

    EXPECT_TRUE(binImage(greyImage(1, 5)).isEmpty());
    EXPECT_TRUE(binImage(CZVimage()).isEmpty());
    // Subtraction needs the same size (its clamping is in the kernel tests).
    CZVimage c = greyImage(3, 2, 9);
    EXPECT_FALSE(subtractImage(c, greyImage(3, 1, {20, 100, 50})));
    EXPECT_EQ(px(c, 0, 0), 9);
}

TEST(DustMark, InterpolatesTheInsideFromTheBorderIgnoringTheOriginAndEmptyMarks) {
    // 5 x 4 rectangle at (1,1): l = 1, t = 1, r = 6, b = 5. Border columns
    // and rows are sources and stay.
    CZVimage img = greyImage(8, 7, 0);
    for (int x = 0; x < 8; ++x) {
        img.row(1)[x] = 100;  // top row t
        img.row(4)[x] = 200;  // bottom row b - 1
    }
    for (int y = 0; y < 7; ++y) {
        img.row(y)[1] = 40;  // left column l
        img.row(y)[5] = 80;  // right column r - 1
    }
    ASSERT_TRUE(removeDustMark(img, {1, 1, 6, 5}));
    // (x, y) = (2, 2): fy = 1/4, fx = 1/5; v = 200/4 + 100 x 3/4 = 125,
    // h = 80/5 + 40 x 4/5 = 48; (125 + 48) / 2 = 86.5 -> 86.
    EXPECT_EQ(px(img, 2, 2), 86);
    // (4, 3): fy = 2/4, fx = 3/5; v = 150, h = 48 + 16 = 64; 107.
    EXPECT_EQ(px(img, 4, 3), 107);
    EXPECT_EQ(px(img, 1, 2), 40);
    EXPECT_EQ(px(img, 2, 1), 100);
    EXPECT_EQ(px(img, 6, 2), 0);  // outside
    // Whole lists: the origin does not count.
    CZVimage marked = greyImage(6, 6, 0);
    marked.setOrigin(100, 100);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) marked.row(y)[x] = (x == 0 || y == 0 || x == 3 || y == 3) ? 90 : 7;
    CZVimage copy = copyOf(marked);
    // A mark with no extent must not stand for the whole image.
    EXPECT_EQ(applyDustFilter(marked, {{2, 2, 2, 2}, {0, 0, 4, 4}}), 1);
    EXPECT_EQ(px(marked, 1, 1), 90);
    EXPECT_EQ(px(marked, 2, 2), 90);
    EXPECT_EQ(px(marked, 4, 4), 7);  // beyond the mark

    CZVimage none = copyOf(copy);
    EXPECT_EQ(applyDustFilter(none, {}), 0);
    EXPECT_EQ(pixelsOf(none), pixelsOf(copy));
}

