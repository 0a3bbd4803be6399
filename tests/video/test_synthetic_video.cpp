// The synthetic video: deterministic, with the stated capillaries and
// shifts (its pixels against the truth: FcfAccuracy).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "image/CZVimage.h"
#include "synth/SyntheticVideo.h"

using ordavia::SyntheticVideo;

TEST(SyntheticVideo, DeterministicWithTruthThatMatchesThePixels) {
    SyntheticVideo::Params p;
    p.frames = 6;
    p.width = 320;
    p.height = 240;
    p.jitter = 0;
    p.noiseSigma = 0;
    p.stillCount = 2;
    SyntheticVideo a, b;
    ASSERT_EQ(a.prepare(p).reason(), "");
    ASSERT_TRUE(b.prepare(p));
    CZVimage fa, fb;
    a.frame(3, fa);
    b.frame(3, fb);
    ASSERT_EQ(std::memcmp(fa.data(), fb.data(), fa.byteCount()), 0);
    EXPECT_EQ(a.truth().json(), b.truth().json());

    const auto& caps = a.truth().capillaries;
    ASSERT_GE(caps.size(), 3u);
    int still = 0, slow = 0, fast = 0;
    for (const auto& c : caps) {
        still += !c.flows;
        if (c.flows && c.velocityUmPerS < 150) ++slow;
        if (c.velocityUmPerS >= 2000) ++fast;
        EXPECT_GT(c.centreLine.size(), 10u);
    }
    EXPECT_EQ(still, 2);
    EXPECT_GE(slow, 1);
    EXPECT_GE(fast, 1);
    // Shifts: every third frame whole pixels, others sub-pixel, within the jitter.
    p.jitter = 2;
    SyntheticVideo s;
    ASSERT_TRUE(s.prepare(p));
    bool subPixel = false;
    for (size_t k = 0; k < s.truth().shifts.size(); ++k) {
        const auto d = s.truth().shifts[k];
        EXPECT_LE(std::abs(d.x), 2.0);
        if (k % 3 == 0) {
            EXPECT_EQ(d.x, std::round(d.x));
        } else {
            subPixel = subPixel || d.x != std::round(d.x);
        }
    }
    EXPECT_TRUE(subPixel);
    p.width = 322;
    EXPECT_FALSE(s.prepare(p));
}
