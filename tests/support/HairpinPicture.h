#pragma once
// A grey picture of hairpin capillaries at known places, for the counting
// tests of the image library and of the image document.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

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

namespace ordavia::test {

// A vessel drawn as a thick segment, in pixels.
struct VesselStroke {
    double x0, y0, x1, y1, radius;
};

// A grey picture of vessels drawn as strokes on an even background with a
// little noise (up to `jitter` grey levels either way); `depth` is how much
// the blood darkens it.
inline CZVimage drawnVessels(int w, int h, const std::vector<VesselStroke>& strokes, double depth = 0.4,
                             double jitter = 3) {
    CZVimage img(w, h, -1, CZVimage::kFrame, CZVimage::kGrey);
    uint32_t noise = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double cover = 0;
            for (const VesselStroke& s : strokes) {
                const double ex = s.x1 - s.x0, ey = s.y1 - s.y0, len2 = ex * ex + ey * ey;
                const double t = len2 > 0 ? std::clamp(((x - s.x0) * ex + (y - s.y0) * ey) / len2, 0.0, 1.0) : 0.0;
                const double d = std::hypot(x - s.x0 - t * ex, y - s.y0 - t * ey);
                cover = std::max(cover, std::clamp((s.radius + 0.75 - d) / 1.5, 0.0, 1.0));
            }
            noise = noise * 1664525u + 1013904223u;
            const double j = jitter * (static_cast<double>(noise >> 24) / 255.0 * 2 - 1);
            img.row(y)[x] = static_cast<uint8_t>(std::lround(180 * (1 - depth * cover) + j));
        }
    return img;
}

}  // namespace ordavia::test
