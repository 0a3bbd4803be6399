#include "measure/DimMath.h"

namespace ordavia {

double DimMath::insideFraction(ZPoint a, ZPoint b, const ZRect& box) {
    const double x0 = a.x, y0 = a.y;
    const double dx = static_cast<double>(b.x) - a.x;
    const double dy = static_cast<double>(b.y) - a.y;
    double t0 = 0.0, t1 = 1.0;
    // Each edge as p * t <= q.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - box.left, box.right - x0, y0 - box.top, box.bottom - y0};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0.0) {
            if (q[k] < 0.0) return 0.0;  // parallel to this edge and outside it
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0.0) {
            if (t > t1) return 0.0;
            if (t > t0) t0 = t;
        } else {
            if (t < t0) return 0.0;
            if (t < t1) t1 = t;
        }
    }
    return t1 > t0 ? t1 - t0 : 0.0;
}

}  // namespace ordavia
