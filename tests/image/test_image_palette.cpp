// Palette wrap, zero as black and auto contrast.
#include <gtest/gtest.h>

#include "image/CZVimage.h"
#include "image/Palette.h"
#include "tests/image/ImageTestUtil.h"

using namespace ordavia;
using namespace imgtest;

namespace {
struct Bgr {
    int b, g, r;
    friend bool operator==(const Bgr&, const Bgr&) = default;
};
Bgr entry(const uint8_t* pal, int i) { return {pal[4 * i], pal[4 * i + 1], pal[4 * i + 2]}; }
std::ostream& operator<<(std::ostream& o, const Bgr& c) { return o << "(" << c.b << "," << c.g << "," << c.r << ")"; }
}  // namespace

TEST(Palette, ZeroAsBlackIndexWrapAndReservedBytes) {
    uint8_t p[1024];
    fillPalette(5, p);
    EXPECT_EQ(entry(p, 64), entry(p, 0));
    EXPECT_EQ(entry(p, 255), entry(p, 63));
    fillPalette(9, p);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(p[4 * i + 3], 0);
    CZVimage img(4, 4, -1, 0, 0);
    img.setPalette(1);
    EXPECT_EQ(entry(img.displayPalette(), 0), (Bgr{0, 0, 0}));
    img.setZeroAsBlack(false);
    EXPECT_EQ(entry(img.displayPalette(), 0), (Bgr{255, 0, 0}));
    EXPECT_EQ(img.setPalette(10), 0);  // past the last palette: the first
}

TEST(Palette, AutoContrastBoundaries) {
    // 100 x 100, centre (40..60) spans 100..200; the rest is outside that.
    CZVimage img(100, 100, -1, 0, 0);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) img.row(y)[x] = 5;
    img.row(40)[40] = 100;
    img.row(59)[59] = 200;
    for (int y = 40; y < 60; ++y)
        for (int x = 40; x < 60; ++x)
            if (img.row(y)[x] == 5) img.row(y)[x] = 150;
    img.setPalette(1);
    img.setAutoContrast(true);
    const uint8_t* p = img.displayPalette();
    auto greys = [&](std::initializer_list<std::pair<int, int>> want) {
        for (auto [i, g] : want) EXPECT_EQ(entry(p, i), (Bgr{g, g, g})) << i;
    };
    greys({{74, 0}, {75, 0}, {76, 1}, {212, 137}, {213, 255}, {255, 255}});
    // Pixels outside the central fifth do not count.
    img.row(39)[50] = 0;
    img.row(60)[50] = 255;
    p = img.displayPalette();
    greys({{212, 137}, {213, 255}});
    // The stretch follows the pixels at the next display.
    img.row(50)[50] = 20;
    p = img.displayPalette();
    greys({{14, 0}, {15, 0}, {16, 1}});  // 15 = lo gives grey 0
    // Off again: the palette index is back.
    img.setAutoContrast(false);
    EXPECT_EQ(entry(img.displayPalette(), 128), (Bgr{0, 255, 0}));
    // A flat centre keeps the chosen palette.
    CZVimage flat(10, 10, -1, 0, 0);
    flat.setPalette(2);
    flat.setAutoContrast(true);
    EXPECT_EQ(entry(flat.displayPalette(), 50), (Bgr{0, 0, 50}));
}
