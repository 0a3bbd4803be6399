#pragma once
// A synthetic nailfold video recorded into a memory movie; the generator
// keeps the truth.
#include <gtest/gtest.h>

#include "image/CZVimage.h"
#include "video/CZVMovie.h"
#include "synth/SyntheticVideo.h"

namespace testsupport {

inline void recordSynthetic(ordavia::SyntheticVideo& gen, const ordavia::SyntheticVideo::Params& p, CZVMovie& m) {
    EXPECT_EQ(gen.prepare(p).reason(), "");
    EXPECT_TRUE(m.Record("", p.frames, p.width, p.height, CZVimage::kGrey));
    CZVimage f;
    for (int k = 0; k < p.frames; ++k) {
        gen.frame(k, f);
        m.AddFrame(f, true);
    }
    m.stopRecording();
}

}  // namespace testsupport
