#pragma once
// Arithmetic helpers shared by the dimension classes. Vertex coordinates may
// come from a damaged file, so every conversion back to a 32-bit coordinate
// saturates instead of overflowing.
#include <climits>
#include <cmath>
#include <cstdint>

#include "base/Geometry.h"

namespace ordavia {

struct DimMath {
    static int clampToInt(int64_t v) {
        if (v > INT_MAX) return INT_MAX;
        if (v < INT_MIN) return INT_MIN;
        return static_cast<int>(v);
    }

    // Truncates towards zero, as the stored coordinates always were.
    static int truncToInt(double v) {
        if (std::isnan(v)) return 0;
        if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
        if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
        return static_cast<int>(v);
    }

    static int roundToInt(double v) { return truncToInt(std::round(v)); }

    static ZPoint offsetPoint(ZPoint p, int64_t dx, int64_t dy) {
        return {clampToInt(p.x + dx), clampToInt(p.y + dy)};
    }

    // Scaled length of the segment a-b.
    static double segmentLength(ZPoint a, ZPoint b, double xs, double ys) {
        const double dx = (static_cast<double>(b.x) - a.x) * xs;
        const double dy = (static_cast<double>(b.y) - a.y) * ys;
        if (dx == 0.0 && dy == 0.0) return 0.0;
        return std::sqrt(dx * dx + dy * dy);
    }

    // The fraction (0..1) of the segment a-b that lies inside the closed box
    // [left, right] x [top, bottom] (Liang-Barsky clipping).
    static double insideFraction(ZPoint a, ZPoint b, const ZRect& box);
};

}  // namespace ordavia
