// The synthetic video is deterministic; its truth is measured against its
// pixels by FcfAccuracy, MovementAccuracy, FocusSweep and the line-scan
// accuracy tests.
#include <gtest/gtest.h>

#include <cstring>

#include "image/CZVimage.h"
#include "synth/SyntheticVideo.h"

using ordavia::SyntheticVideo;

TEST(SyntheticVideo, DeterministicAndRefusesAWidthItCannotWrite) {
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

    // The width must be a multiple of 4.
    p.width = 322;
    EXPECT_FALSE(a.prepare(p));
}
