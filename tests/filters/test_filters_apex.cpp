// The apex template and filter against a direct sum over the cut template.
#include <gtest/gtest.h>

#include <cmath>

#include "FilterTestSupport.h"
#include "image/ApexFilter.h"
#include "image/ProcessingArgs.h"

using namespace ordavia;

namespace {

// The template comes from makeApexTemplate (its levels are tested on
// their own); the sums are taken directly over the cut template.
CZVimage naiveApex(const CZVimage& src, const ProcessingArgs& a) {
    CZVimage out = copyOf(src);
    const ApexTemplate tmpl = makeApexTemplate(a);
    const int h = tmpl.half;
    const int w = src.width(), H = src.rows();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < w; ++x) {
            long long S = 0, N = 0;
            for (int dy = -h; dy <= h; ++dy)
                for (int dx = -h; dx <= h; ++dx) {
                    if (x + dx < 0 || x + dx >= w || y + dy < 0 || y + dy >= H) continue;
                    const long long t = tmpl.at(dx, dy);
                    S += t * px(src, x + dx, y + dy);
                    N += t;
                }
            const double v = std::trunc(double(S) * (a.apexfactor / double(N)) + a.apexoffset);
            out.row(y)[x] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
        }
    return out;
}

}  // namespace

TEST(ApexTemplate, DefaultIs29WideAndDegenerateShapesAreRefused) {
    ProcessingArgs a;
    const ApexTemplate t = makeApexTemplate(a);
    EXPECT_EQ(t.half, 14);
    EXPECT_EQ(t.size(), 29);
    EXPECT_EQ(t.taps.size(), 29u * 29u);
    EXPECT_EQ(t.at(0, 0), -1000);  // gpeak - ggain
    // Corner: spread 0.7079664 x 14 = 9.91153, exp(-392 / (2 x 9.91153^2))
    // = 0.135994: 1000 - 271.988 -> 728.
    EXPECT_EQ(t.at(14, 14), 728);
    EXPECT_EQ(t.at(-14, 14), 728);
    EXPECT_EQ(t.at(3, -5), t.at(-5, 3));
    a.apexw = 1;
    EXPECT_TRUE(makeApexTemplate(a).taps.empty());
    a.apexw = 9;
    a.stddev = 0.0;
    EXPECT_TRUE(makeApexTemplate(a).taps.empty());
    a.stddev = 0.7;
    a.apexw = 5000;
    EXPECT_TRUE(makeApexTemplate(a).taps.empty());
    CZVimage img = randomImage(20, 20, 2);
    const auto before = pixelsOf(img);
    EXPECT_FALSE(apexFilter(img, {}, a));
    EXPECT_EQ(pixelsOf(img), before);
}

TEST(ApexFilter, MatchesDirectSumsWithTheTemplateCutAtTheEdges) {
    ProcessingArgs a;
    for (int apexw : {5, 9, 29}) {
        a.apexw = apexw;
        const CZVimage src = randomImage(41, 33, uint32_t(apexw));
        CZVimage img = copyOf(src);
        ASSERT_TRUE(apexFilter(img, {}, a));
        EXPECT_EQ(pixelsOf(img), pixelsOf(naiveApex(src, a))) << "apexw " << apexw;
    }
    for (const ZRect& region : {ZRect{}, ZRect{3, 2, 90, 69}, ZRect{5, 6, 30, 25}}) {
        const CZVimage src = randomImage(97, 71, 8);
        CZVimage img, part;
        img.Copy(src);
        part.copyRect(src, region.isEmpty() ? ZRect{0, 0, 97, 71} : region);
        ASSERT_TRUE(apexFilter(img, region, ProcessingArgs{}));
        const CZVimage want = naiveApex(part, ProcessingArgs{});
        const ZRect c = src.clip(region);
        for (int y = 0; y < 71; ++y)
            for (int x = 0; x < 97; ++x) {
                const bool in = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                ASSERT_EQ(px(img, x, y), in ? px(want, x - c.left, y - c.top) : px(src, x, y)) << x << "," << y;
            }
    }
    // Levels that overflow 32-bit sums.
    a.apexw = 15;
    a.gpeak = 3e6;
    a.ggain = 5e6;
    a.apexfactor = 40.0;
    const CZVimage src = randomImage(30, 26, 77);
    CZVimage img = copyOf(src);
    ASSERT_TRUE(apexFilter(img, {}, a));
    EXPECT_EQ(pixelsOf(img), pixelsOf(naiveApex(src, a)));
}

TEST(ApexFilter, TemplateSummingToZeroGivesTheOffset) {
    ProcessingArgs a;
    a.apexw = 5;
    a.gpeak = 0;
    a.ggain = 0;
    a.apexoffset = 77;
    CZVimage img = randomImage(12, 12, 3);
    ASSERT_TRUE(apexFilter(img, {}, a));
    for (int v : pixelsOf(img)) ASSERT_EQ(v, 77);
}

// With the default levels the template sums to a negative N, so a flat
// grey p maps to p x apexfactor + apexoffset and a dark spot under the
// bowl's bottom comes out darker than its surroundings.
TEST(ApexFilter, DarkRoundSpotStaysDarkForEveryWidth) {
    // Below 11 pixels the bowl's level used to outweigh the bowl: the
    // template summed to a positive N and a dark apex came out bright.
    for (int apexw = 3; apexw <= 41; apexw += 2) {
        ProcessingArgs a;
        a.apexw = apexw;
        const int h = apexw / 2;
        for (double c : {40.0, 0.0}) {  // in the middle, and cut by the corner
            CZVimage img = greyImage(81, 81, 200);
            const double cx = c > 0 ? c : 1.0;
            disc(img, cx, cx, std::max(1.0, h / 2.0), 150);
            ASSERT_TRUE(apexFilter(img, {}, a));
            const int flat = px(img, 80 - 1, 40 > cx + apexw ? 40 : 79);
            EXPECT_EQ(flat, 200 / 2 + 128) << apexw;
            EXPECT_LT(px(img, int(cx), int(cx)), flat - 10) << "apexw " << apexw << " at " << cx;
            EXPECT_GT(px(img, int(cx), int(cx)), 0) << "apexw " << apexw << " saturates at " << cx;
        }
    }
}
