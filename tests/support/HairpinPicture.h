#pragma once
// A grey picture of hairpin capillaries at known places, for the counting
// tests of the image library and of the image document.
#include <algorithm>
#include <cmath>

#include "image/CZVimage.h"

namespace ordavia::test {

// Six hairpins (limbs 4 px wide, 10 px apart, apex at y = 80) on a
// background that brightens from left to right; `depth` is how much the
// blood darkens it.
inline CZVimage hairpins(double depth, double gain) {
    CZVimage img(420, 300, -1, CZVimage::kFrame, CZVimage::kGrey);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 420; ++x) {
            double dark = 0;
            for (int k = 0; k < 6; ++k) {
                const double cx = 60 + 60 * k;
                // Distance to the hairpin's centre line: two limbs below the
                // apex, a half circle above.
                const double d = y >= 80 ? std::min(std::abs(x - (cx - 5)), std::abs(x - (cx + 5)))
                                         : std::abs(std::hypot(x - cx, y - 80) - 5);
                dark = std::max(dark, std::exp(-d * d / 4.0));
            }
            const double light = gain * (120 + 0.2 * x);
            img.row(y)[x] = static_cast<uint8_t>(std::lround(light * (1 - depth * dark)));
        }
    return img;
}

}  // namespace ordavia::test
