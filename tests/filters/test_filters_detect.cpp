// Isodata threshold, region acceptance, circles, density and the whole
// detection run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>

#include "FilterTestSupport.h"
#include "image/CapillaryDetection.h"
#include "image/GreyRegion.h"
#include "image/ProcessingArgs.h"

using namespace ordavia;

namespace {

// A white window with black rectangles: (x, y, w, h).
CZVimage blocks(int w, int h, std::initializer_list<ZRect> rects) {
    CZVimage img = greyImage(w, h, 255);
    for (const ZRect& r : rects)
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) img.row(y)[x] = 0;
    return img;
}

}  // namespace

TEST(Isodata, BimodalSettlesBetweenTheModesFlatOrEmptyFallBackToTheMean) {
    int64_t hist[256] = {};
    // Unequal modes at 40 and 200 so that the mean (160) is a poor start.
    for (int d = -10; d <= 10; ++d) {
        hist[40 + d] += 100 - 4 * std::abs(d);
        hist[200 + d] += 300 - 12 * std::abs(d);
    }
    const int t = isodataThreshold(hist);
    EXPECT_GE(t, 115);
    EXPECT_LE(t, 125);
    std::fill(std::begin(hist), std::end(hist), 0);
    EXPECT_EQ(isodataThreshold(hist), 0);
    hist[90] = 1000;  // nothing above the mean to split against
    EXPECT_EQ(isodataThreshold(hist), 90);
    hist[255] = 10;  // mean 91: 90s below, 255s above -> 45 + 127 = 172 -> stays
    EXPECT_EQ(isodataThreshold(hist), 172);
}

TEST(Labelling, SmallBlobRejectedHoledBlobAcceptedWithItsHole) {
    // 10 x 15 = 150 pixels: below umin 200. 31 x 10 = 310 with a 5 x 2 hole:
    // 300 dark pixels, area 310 once the hole is filled.
    CZVimage img = blocks(80, 40, {{2, 2, 12, 17}, {40, 20, 71, 30}});
    for (int y = 24; y < 26; ++y)
        for (int x = 50; x < 55; ++x) img.row(y)[x] = 255;
    const ProcessingArgs a;
    const auto regions = labelCapillaries(greyRegion(img, {}), 128, a.umin, a.umax, 1);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].area, 310);
    EXPECT_DOUBLE_EQ(regions[0].cx, 55.0);
    EXPECT_DOUBLE_EQ(regions[0].cy, 24.5);
    // Accepted region black with its hole, everything else white.
    EXPECT_EQ(px(img, 52, 25), 0);
    EXPECT_EQ(px(img, 5, 5), 255);
    EXPECT_EQ(px(img, 40, 20), 0);
    EXPECT_EQ(px(img, 39, 20), 255);
}

TEST(Labelling, BoundsAreInclusiveAndFieldsCountDouble) {
    const CZVimage base = blocks(60, 30, {{1, 1, 21, 11}, {30, 5, 50, 20}});  // 200 and 300
    for (auto [umin, umax, expect] : {std::tuple{200, 300, 2}, std::tuple{201, 300, 1}, std::tuple{200, 299, 1},
                                      std::tuple{400, 600, 0}}) {
        CZVimage img = copyOf(base);
        EXPECT_EQ(labelCapillaries(greyRegion(img, {}), 128, umin, umax, 1).size(), size_t(expect));
    }
    // In a field every stored pixel stands for two frame pixels.
    CZVimage img = copyOf(base);
    const auto r = labelCapillaries(greyRegion(img, {}), 128, 400, 600, 2);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].area, 400);
    EXPECT_EQ(r[1].area, 600);
}

TEST(Labelling, DiagonalTouchDoesNotJoinRegionsButEnclosureFillsHoles) {
    // Two 15 x 15 squares touching only at a corner: two regions of 225.
    CZVimage img = blocks(50, 50, {{0, 0, 15, 15}, {15, 15, 30, 30}});
    auto r = labelCapillaries(greyRegion(img, {}), 128, 200, 5000, 1);
    EXPECT_EQ(r.size(), 2u);
    // A ring 20 x 20 with a dark island in its hole: the island is
    // swallowed by the hole filling, so one region of 400.
    CZVimage ring = blocks(40, 40, {{5, 5, 25, 7}, {5, 23, 25, 25}, {5, 7, 7, 23}, {23, 7, 25, 23}, {12, 12, 15, 15}});
    r = labelCapillaries(greyRegion(ring, {}), 128, 100, 5000, 1);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].area, 400);
}

TEST(Circles, HorizontalUnlessTooCloseToTheLeftOrTop) {
    // Area 314: r = 9.99747.
    CircleDiameter c = circleDiameterFor(314.0, 50.5, 40.7);
    EXPECT_EQ(c.a, (ZPoint{40, 40}));  // 40.5025
    EXPECT_EQ(c.b, (ZPoint{60, 40}));  // 40.5025 + 19.9949
    c = circleDiameterFor(314.0, 6.0, 40.0);  // cx < r: vertical
    EXPECT_EQ(c.a, (ZPoint{6, 30}));  // 30.0025
    EXPECT_EQ(c.b, (ZPoint{6, 49}));  // start + 2r = 49.9975, not cy + r
    c = circleDiameterFor(314.0, 6.0, 4.0);  // and r > cy: from the top edge
    EXPECT_EQ(c.a, (ZPoint{6, 0}));
    EXPECT_EQ(c.b, (ZPoint{6, 19}));
    const double r = std::sqrt(314.0 / M_PI);
    c = circleDiameterFor(314.0, r, 40.0);  // r = cx exactly: still horizontal
    EXPECT_EQ(c.a, (ZPoint{0, 40}));
    EXPECT_EQ(c.b.y, 40);
}

// The report's text and the objects counted in a region go through the
// find-capillaries command's test.
TEST(Density, AreaFromTheCalibrationAndNoDensityWithoutObjectsWidthOrScale) {
    const auto d = densityReport(3, 640, 480, 1.6, 1.6);
    ASSERT_TRUE(d);
    EXPECT_NEAR(d->area, 0.786432, 1e-9);
    for (auto [n, w, scale] : {std::tuple{0, 100, 1.0}, {5, 0, 1.0}, {5, 100, 0.0}, {5, 100, -1.0}})
        EXPECT_FALSE(densityReport(n, w, 100, scale, 1.0)) << n << " " << w << " " << scale;
}

TEST(Detection, FindsDarkDiscsOnABrightBackgroundAndNothingInEmptyOrColourImages) {
    CZVimage img = greyImage(320, 240, 0);
    // Gently shaded background with a little texture.
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) img.row(y)[x] = static_cast<uint8_t>(170 + x / 16 + ((x * 7 + y * 13) % 5));
    const std::vector<std::pair<int, int>> centres = {{60, 60}, {160, 70}, {250, 60}, {90, 170}, {220, 180}};
    for (auto [cx, cy] : centres) disc(img, cx, cy, 11, 60);
    const DetectionResult r = detectCapillaries(img, {}, ProcessingArgs());
    ASSERT_EQ(r.regions.size(), centres.size());
    ASSERT_EQ(r.circles.size(), centres.size());
    for (size_t i = 0; i < centres.size(); ++i) {
        bool found = false;
        for (const CapillaryRegion& reg : r.regions)
            found |= std::abs(reg.cx - centres[i].first) < 3 && std::abs(reg.cy - centres[i].second) < 3;
        EXPECT_TRUE(found) << "disc " << i;
    }
    CZVimage empty;
    EXPECT_TRUE(detectCapillaries(empty, {}, ProcessingArgs()).regions.empty());
    CZVimage colour(50, 50, -1, CZVimage::kFrame, CZVimage::kColour);
    EXPECT_TRUE(detectCapillaries(colour, {}, ProcessingArgs()).mask.isEmpty());
    EXPECT_TRUE(detectCapillaries(greyImage(40, 40, 100), {100, 100, 200, 200}, ProcessingArgs()).mask.isEmpty());
}

TEST(Detection, RegionCoordinatesAreThoseOfTheImage) {
    CZVimage img = greyImage(300, 200, 190);
    disc(img, 200, 120, 11, 50);
    disc(img, 40, 40, 11, 50);  // outside the region
    const DetectionResult r = detectCapillaries(img, {120, 50, 290, 195}, ProcessingArgs());
    ASSERT_EQ(r.regions.size(), 1u);
    EXPECT_NEAR(r.regions[0].cx, 200, 2);
    EXPECT_NEAR(r.regions[0].cy, 120, 2);
    EXPECT_EQ(r.windowWidth, 170);
    EXPECT_EQ(r.windowHeight, 145);
    EXPECT_EQ(r.mask.originX(), 120);
    EXPECT_EQ(r.mask.originY(), 50);
}
