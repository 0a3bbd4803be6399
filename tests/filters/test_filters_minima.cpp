// Minima finders, 8-regions and the capillary trace.
#include <gtest/gtest.h>

#include <algorithm>

#include "FilterTestSupport.h"
#include "image/CapillaryTrace.h"
#include "image/MinimaFinder.h"

using namespace ordavia;

TEST(MinimaInWindow, DarkestInTheirWindowAndBelowTheThreshold) {
    CZVimage img = greyImage(40, 30, 200);
    img.row(5)[5] = 10;
    img.row(5)[8] = 20;    // within 3 of the darker (5,5): not a minimum
    img.row(20)[20] = 30;  // alone
    img.row(20)[30] = 150; // alone but not below 128
    MinimaSettings s;
    s.windowWidth = 7;
    s.windowHeight = 7;
    const MinimaResult r = findMinimaInWindow(img, {}, s);
    ASSERT_EQ(r.marks.size(), 2u);
    EXPECT_EQ(r.marks[0], (MinimumMark{5, 5, 10}));
    EXPECT_EQ(r.marks[1], (MinimumMark{20, 20, 30}));

    // Window 6 wide is 7 wide (2 (6 / 2) + 1); with width 5 the pixel at
    // (8,5) is three away from (5,5) and becomes a minimum of its own.
    s.windowWidth = 5;
    EXPECT_EQ(findMinimaInWindow(img, {}, s).marks.size(), 3u);
    s.windowWidth = 6;
    EXPECT_EQ(findMinimaInWindow(img, {}, s).marks.size(), 2u);
}

TEST(MinimaInWindow, WindowReachesBeyondTheRegionIntoTheImage) {
    CZVimage img = greyImage(30, 30, 200);
    img.row(10)[10] = 50;
    img.row(10)[12] = 40;  // outside the region but inside the window
    MinimaSettings s;
    s.windowWidth = 5;
    s.windowHeight = 5;
    img.setOrigin(100, 200);
    const MinimaResult r = findMinimaInWindow(img, {105, 205, 112, 215}, s);  // columns 5..11
    EXPECT_TRUE(r.marks.empty());
    EXPECT_EQ(r.marker.width(), 7);
    const MinimaResult all = findMinimaInWindow(img, {}, s);
    ASSERT_EQ(all.marks.size(), 1u);
    EXPECT_EQ(all.marks[0], (MinimumMark{112, 210, 40}));  // parent coordinates
}

TEST(MinimaWithinTolerance, DipsSeparatedByRidgesHigherThanTheTolerance) {
    // Two dips on one row: 10 and 30, with a ridge of 60 between them, in a
    // sea of 200 (above the threshold).
    CZVimage img = greyImage(20, 3, 200);
    const int row[] = {200, 50, 30, 40, 60, 45, 10, 20, 50, 200, 200, 200, 200, 90, 90, 90, 200, 200, 200, 200};
    for (int x = 0; x < 20; ++x) img.row(1)[x] = static_cast<uint8_t>(row[x]);
    MinimaSettings s;
    s.tolerance = 20;  // 30 may climb to 50: the ridge of 60 stops it
    MinimaResult r = findMinimaWithinTolerance(img, {}, s);
    ASSERT_EQ(r.marks.size(), 3u);
    EXPECT_EQ(r.marks[0], (MinimumMark{6, 1, 10}));
    EXPECT_EQ(r.marks[1], (MinimumMark{2, 1, 30}));
    EXPECT_EQ(r.marks[2], (MinimumMark{13, 1, 90}));  // a flat dip counts once
    s.tolerance = 35;  // 30 may climb to 65: over the ridge to the 10
    r = findMinimaWithinTolerance(img, {}, s);
    ASSERT_EQ(r.marks.size(), 2u);
    EXPECT_EQ(r.marks[1].value, 90);
    s.threshold = 60;  // the ridge is no longer below the threshold
    r = findMinimaWithinTolerance(img, {}, s);
    EXPECT_EQ(r.marks.size(), 2u);
}

TEST(EightRegions, LabelsInteriorSeedsAndCountsEqualGrey) {
    // A diagonal line of 50s joins 8-connected; the 100 block is separate.
    CZVimage img = greyImage(8, 8, 0);
    for (int i = 1; i < 7; ++i) img.row(i)[i] = 50;
    img.row(6)[1] = 100;
    img.row(6)[2] = 100;
    const EightRegionsResult r = findEightRegions(img, {});
    ASSERT_EQ(r.labels.width(), 8);
    for (int v : pixelsOf(r.labels)) ASSERT_TRUE(v == 0 || v == 128);
    for (auto [value, count] : {std::pair{50, 6}, {100, 2}}) {
        auto it = std::find_if(r.regions.begin(), r.regions.end(), [v = value](const EightRegion& g) { return g.value == v; });
        ASSERT_NE(it, r.regions.end()) << value;
        EXPECT_EQ(it->count, count) << value;
    }
    // The border ring of 0s joins the inner 0s, so every pixel is labelled.
    EXPECT_EQ(px(r.labels, 0, 0), 128);

    // A border pixel of its own grey is never a seed.
    CZVimage b = greyImage(5, 5, 7);
    b.row(0)[4] = 9;
    const EightRegionsResult rb = findEightRegions(b, {});
    EXPECT_EQ(px(rb.labels, 4, 0), 0);
    EXPECT_EQ(rb.regions.size(), 1u);
}

TEST(TraceCapillary, BlackensTheDarkPathAndRestoresTheRest) {
    CZVimage img = greyImage(60, 40, 200);
    // A dark hairpin: down column 20, across row 30, up column 35.
    for (int y = 5; y <= 30; ++y) img.row(y)[20] = 40, img.row(y)[35] = 50;
    for (int x = 20; x <= 35; ++x) img.row(30)[x] = 45;
    img.row(10)[50] = 30;  // dark, but not connected
    CZVimage before = copyOf(img);
    const int64_t n = traceCapillary(img, {}, {20, 5}, 100);
    EXPECT_EQ(n, 26 + 26 + 14);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const bool path = ((x == 20 || x == 35) && y >= 5 && y <= 30) || (y == 30 && x >= 20 && x <= 35);
            ASSERT_EQ(px(img, x, y), path ? 0 : px(before, x, y)) << x << "," << y;
        }
}

TEST(TraceCapillary, LongSerpentineWithoutRecursionAndSeedChecks) {
    // A serpentine of about 60000 dark pixels: deep enough to overflow any
    // call stack a recursive growth would use.
    CZVimage img = greyImage(400, 300, 220);
    int64_t dark = 0;
    for (int y = 0; y < 300; y += 2) {
        for (int x = 0; x < 400; ++x) img.row(y)[x] = 30, ++dark;
        if (y + 1 < 300) img.row(y + 1)[(y / 2) % 2 ? 0 : 399] = 30, ++dark;
    }
    CZVimage copy = copyOf(img);
    EXPECT_EQ(traceCapillary(img, {}, {0, 0}, 100), dark);
    // Seeds outside the region change nothing.
    EXPECT_EQ(traceCapillary(copy, {0, 0, 10, 10}, {51, 51}, 100), 0);
    EXPECT_EQ(px(copy, 51, 51), 220);
    CZVimage colour(10, 10, -1, CZVimage::kFrame, CZVimage::kColour);
    EXPECT_EQ(traceCapillary(colour, {}, {1, 1}, 100), 0);
}
