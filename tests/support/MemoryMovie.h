#pragma once
// A memory movie built from a formula, for tests of passes and statistics.
#include <gtest/gtest.h>

#include "image/CZVimage.h"
#include "video/CZVMovie.h"

namespace testsupport {

// n frames w x h whose pixel (x, y) of frame k is f(k, x, y).
template <class F>
void memoryMovie(CZVMovie& m, int n, int w, int h, F f) {
    ASSERT_TRUE(m.Record("", n, w, h, 0));
    CZVimage img(w, h, 0, 0, 0);
    for (int k = 0; k < n; ++k) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) img.row(y)[x] = uint8_t(f(k, x, y));
        img.setTag(2 * k);
        m.AddFrame(img, true);
    }
    m.stopRecording();
}

}  // namespace testsupport
