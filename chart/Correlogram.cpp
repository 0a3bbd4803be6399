#include "chart/Correlogram.h"

#include <cmath>
#include <limits>

namespace ordavia {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// r² x 1000 from the five sums; NaN when either window is flat.
inline double coefficient(double n, double sx, double sxx, double sy, double syy, double sxy) {
    const double cov = n * sxy - sx * sy;
    const double vx = n * sxx - sx * sx;
    const double vy = n * syy - sy * sy;
    const double den = vx * vy;
    // Rounding can leave a flat window a hair above zero; such a window has
    // no shape to match.
    if (!(den > 0.0) || vx <= 1e-12 * (sxx * n + 1.0) || vy <= 1e-12 * (syy * n + 1.0)) return kNaN;
    const double v = cov * cov * 1000.0 / den;
    return v > 1000.0 ? 1000.0 : v;
}

inline double dot(const double* a, const double* b, uint32_t n) {
    // Four partial sums let the compiler keep the loop in vector registers.
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += a[i] * b[i];
        s1 += a[i + 1] * b[i + 1];
        s2 += a[i + 2] * b[i + 2];
        s3 += a[i + 3] * b[i + 3];
    }
    for (; i < n; ++i) s0 += a[i] * b[i];
    return (s0 + s1) + (s2 + s3);
}

}  // namespace

void correlogramSliding(const double* a, const double* b, uint32_t n, uint32_t shifts, double* out) {
    if (n == 0) return;
    double sx = 0, sxx = 0, sy = 0, syy = 0;
    for (uint32_t i = 0; i < n; ++i) {
        sx += a[i];
        sxx += a[i] * a[i];
        sy += b[i];
        syy += b[i] * b[i];
    }
    const double dn = n;
    for (uint32_t s = 0; s < shifts; ++s) {
        if (s > 0) {
            const double leave = b[s - 1], enter = b[s + n - 1];
            sy += enter - leave;
            syy += enter * enter - leave * leave;
        }
        out[s] = coefficient(dn, sx, sxx, sy, syy, dot(a, b + s, n));
    }
}

void correlogramColumn(const double* a, const double* b, uint32_t N, double* out) {
    const uint32_t n = N / 2;
    if (n == 0) return;
    // Shifts reach row 2n - 2 < N: the wrap never happens for the window
    // of half the column, so b is read straight.
    correlogramSliding(a, b, n, n, out);
}

}  // namespace ordavia
