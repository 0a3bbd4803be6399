#pragma once
// The synthetic nailfold video that the video benchmarks share: 300 grey
// frames of 640 x 480 with some jitter, made once and kept in memory. The
// search costs the same whatever the picture, but the low pass and the
// renewals see real content.
#include <cstdlib>

#include "image/CZVimage.h"
#include "synth/SyntheticVideo.h"
#include "video/CZVMovie.h"

namespace benchsupport {

constexpr int kMovieWidth = 640, kMovieHeight = 480, kMovieFrames = 300;

inline CZVMovie& jitteredMovie() {
    static CZVMovie m;
    static bool made = false;
    if (!made) {
        ordavia::SyntheticVideo gen;
        ordavia::SyntheticVideo::Params p;
        p.frames = kMovieFrames;
        p.jitter = 4;
        if (!gen.prepare(p) || !m.Record("", kMovieFrames, kMovieWidth, kMovieHeight, CZVimage::kGrey)) std::abort();
        CZVimage f;
        for (int k = 0; k < kMovieFrames; ++k) {
            gen.frame(k, f);
            m.AddFrame(f, true);
        }
        m.stopRecording();
        made = true;
    }
    return m;
}

}  // namespace benchsupport
