// Equalise, the custom kernel's profile keys, bin and dust marks.
#include <gtest/gtest.h>

#include <fstream>

#include "FilterTestSupport.h"
#include "image/CustomKernel.h"
#include "image/ImageFilters.h"
#include "settings/ProfileStore.h"
#include "tests/support/ScratchDir.h"

using namespace ordavia;

// The stretch against its formula on random ranges is in the kernel tests.
TEST(Equalise, ZeroToFiftyReachesWhiteAndFullOrFlatRangesAreLeftAlone) {
    // 0..50: the formula in doubles lands the maximum on 254; it must be 255.
    CZVimage low = greyImage(3, 1, {0, 25, 50});
    ASSERT_TRUE(equalise(low, {}));
    EXPECT_EQ(pixelsOf(low), (std::vector<int>{0, 127, 255}));

    // Full range, black and flat regions have nothing to stretch (gain would be 255 / 0).
    for (const std::vector<int>& values : {std::vector<int>{0, 255}, {0, 0, 0}, {90, 90, 90}}) {
        CZVimage img = greyImage(int(values.size()), 1, values);
        EXPECT_FALSE(equalise(img, {})) << values.back();
        EXPECT_EQ(pixelsOf(img), values);
    }
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

// The pixels of a bin, and pictures too small to bin, go through the bin
// command's test; subtraction's size check through its command's.
TEST(Bin, HalvesTheOriginAndKeepsTheTag) {
    CZVimage img = greyImage(5, 3, 10);
    img.setOrigin(8, 6);
    img.setTag(42);
    const CZVimage b = binImage(img);
    ASSERT_EQ(b.width(), 2);
    ASSERT_EQ(b.rows(), 1);
    EXPECT_EQ(b.tag(), 42);
    EXPECT_EQ(b.originX(), 4);
    EXPECT_EQ(b.originY(), 3);
    EXPECT_TRUE(binImage(CZVimage()).isEmpty());
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

