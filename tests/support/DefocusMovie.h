#pragma once
// A video whose sharpness is known: one textured picture (cells and fine
// grain) blurred by sigma = step x |k - sharpest| on frame k, so that
// every sharpness measure should rank the frames by their distance from
// the sharpest one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "image/CZVimage.h"
#include "image/GaussianBlur.h"
#include "video/CZVMovie.h"

namespace testsupport {

inline void defocusMovie(CZVMovie& m, int frames, int sharpest, double step, int w = 160, int h = 120) {
    ASSERT_TRUE(m.Record("", frames, w, h, CZVimage::kGrey));
    for (int k = 0; k < frames; ++k) {
        CZVimage f(w, h, 0, CZVimage::kFrame, CZVimage::kGrey);
        uint32_t s = 12345;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                s = s * 1664525u + 1013904223u;
                const double cells = 60.0 * std::sin(x * 0.31) * std::cos(y * 0.23);
                f.row(y)[x] = uint8_t(std::lround(108.0 + cells + double((s >> 24) % 40)));
            }
        const double sigma = step * std::abs(k - sharpest);
        if (sigma > 0) {
            ASSERT_TRUE(ordavia::gaussianBlur(f, ordavia::ZRect{}, sigma));
        }
        f.setTag(2 * k);
        m.AddFrame(f, true);
    }
    m.stopRecording();
}

}  // namespace testsupport
