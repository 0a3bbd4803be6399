// Focus measures and the golden-section search of the autofocus.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "image/FocusMeasures.h"

using namespace ordavia;

namespace {

struct Picture {
    int w, h;
    std::vector<uint8_t> px;
    Picture(int w_, int h_, uint8_t v = 0) : w(w_), h(h_), px(size_t(w_) * h_, v) {}
    uint8_t& at(int x, int y) { return px[size_t(y) * w + x]; }
    GreyPixels view() const { return {px.data(), w, h, w}; }
};

}  // namespace

TEST(FocusMeasure, HandWorkedValuesAndReachRules) {
    // A vertical bright line at x = 40 in an 80 x 60 picture.
    Picture p(80, 60, 10);
    for (int y = 0; y < 60; ++y) p.at(40, y) = 110;
    const FocusRegion r{35, 20, 45, 30};  // 10 x 10, holds the line
    // Gradient energy: two steps of 100 per row, 10 rows, over 100 pixels.
    EXPECT_DOUBLE_EQ(focusGradientEnergy(p.view(), r), 2 * 10000.0 * 10 / 100);
    // Second difference with g = 5: v = +100 at x = 35 (x = 45 is outside the
    // region) and -200 on the line itself, which does not count.
    EXPECT_DOUBLE_EQ(focusSecondDifference(p.view(), r, 5, 2), 100.0 * 10 / 100);
    // Laplacian with g = 5: v = +100 at x = 35 only.
    EXPECT_DOUBLE_EQ(focusLaplacian(p.view(), r, 5, 2), 100.0 * 10 / 100);
    // A threshold above the value drops it.
    EXPECT_DOUBLE_EQ(focusLaplacian(p.view(), r, 5, 100), 0.0);
    // The highest set bit gives the result.
    EXPECT_DOUBLE_EQ(focusMeasure(p.view(), r, 1 | 2, 5, 2), focusSecondDifference(p.view(), r, 5, 2));
    EXPECT_DOUBLE_EQ(focusMeasure(p.view(), r, 7, 5, 2), focusLaplacian(p.view(), r, 5, 2));
    EXPECT_DOUBLE_EQ(focusMeasure(p.view(), r, 0, 5, 2), 0.0);

    // A region touching the left border, g = 30: the difference measures are 0.
    const FocusRegion left{0, 10, 45, 50};
    EXPECT_EQ(focusSecondDifference(p.view(), left, 30, 1), 0.0);
    EXPECT_EQ(focusLaplacian(p.view(), left, 30, 1), 0.0);
    EXPECT_GT(focusGradientEnergy(p.view(), left), 0.0);

    // Uniform pictures, empty regions and empty pictures give 0; a region
    // reaching past the picture is clipped, never read outside it.
    Picture flat(64, 64, 128);
    const FocusRegion mid = centralFocusRegion(64, 64, 0.5);
    for (int bit : {1, 2, 4}) EXPECT_EQ(focusMeasure(flat.view(), mid, bit, 4, 1), 0.0) << bit;
    EXPECT_EQ(focusGradientEnergy(p.view(), {50, 50, 50, 60}), 0.0);
    EXPECT_EQ(focusGradientEnergy(GreyPixels{}, {0, 0, 10, 10}), 0.0);
    EXPECT_DOUBLE_EQ(focusGradientEnergy(p.view(), {-100, -100, 1000, 1000}),
                     focusGradientEnergy(p.view(), {0, 0, 80, 60}));
}

TEST(FocusMeasure, CentralRegionIsTheMiddleFraction) {
    const FocusRegion r = centralFocusRegion(640, 480, 0.5);
    EXPECT_EQ((std::vector<int>{r.x0, r.y0, r.x1, r.y1}), (std::vector<int>{160, 120, 480, 360}));
    const FocusRegion tiny = centralFocusRegion(3, 3, 0.0);
    EXPECT_EQ(tiny.x1 - tiny.x0, 1);
}

TEST(FocusSearch, FindsThePeakOfAUnimodalCurveAndStopsAtTheBracketMidpoint) {
    const double peak = 2900.0;
    auto sharpness = [&](int x) { return 1000.0 / (1.0 + std::pow((x - peak) / 300.0, 2)); };
    FocusSearch s;
    s.start(0, 4096, 500);
    EXPECT_EQ(s.next(), 1564);  // 0 + 0.381966 x 4096, truncated
    int guard = 0;
    while (!s.finished() && guard++ < 100) s.report(sharpness(s.next()));
    ASSERT_TRUE(s.finished());
    EXPECT_LE(s.measurements(), 8);  // a handful
    EXPECT_LE(s.high() - s.low(), 500);
    EXPECT_EQ(s.next(), s.low() + (s.high() - s.low()) / 2);
    EXPECT_NEAR(s.next(), peak, 250);
}
