#include "linescan/CbvCorrelation.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/CTrace.h"
#include "chart/TraceAlgorithms.h"
#include "linescan/CbvParams.h"

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

double parabolaOffset(double l, double c, double r) {
    const double den = l - 2.0 * c + r;
    if (!std::isfinite(l) || !std::isfinite(c) || !std::isfinite(r) || !(den < 0.0)) return 0.0;
    const double d = 0.5 * (l - r) / den;
    return std::clamp(d, -0.5, 0.5);
}

CorrelPeak findCorrelPeak(const double* col, uint32_t n, bool zeroPeak, const double* fine) {
    CorrelPeak p;
    if (n == 0) return p;
    if (zeroPeak) {
        double best = 0;
        int at = -1;
        for (uint32_t s = 0; s < n; ++s)
            if (col[s] == col[s] && (at < 0 || col[s] > best)) {
                best = col[s];
                at = static_cast<int>(s);
            }
        if (at < 0) return p;
        p.index = at;
        p.value = best;
    } else {
        // A local maximum needs a rise before it: shift 0 and the last
        // shift are never peaks.
        int at = -1;
        double best = 0;
        for (uint32_t s = 1; s + 1 < n; ++s) {
            const double v = col[s];
            if (v > col[s - 1] && !(v < col[s + 1]) && (at < 0 || v > best)) {
                best = v;
                at = static_cast<int>(s);
            }
        }
        if (at < 0) return p;
        p.index = at;
        p.value = best;
    }
    p.position = p.index;
    if (fine && p.index > 0 && static_cast<uint32_t>(p.index) + 1 < n)
        p.position += parabolaOffset(fine[p.index - 1], fine[p.index], fine[p.index + 1]);
    return p;
}

std::vector<double> traceCorrelation(const CTrace& a, const CTrace& b) {
    std::vector<double> out;
    if (!a.hasData() || !b.hasData()) return out;
    const uint32_t la = a.sampleCount(), lb = b.sampleCount();
    const uint32_t n = std::min(la, lb) / 2;
    if (n == 0) return out;
    std::vector<double> av(n), bv(size_t(n) * 2);
    for (uint32_t i = 0; i < n; ++i) av[i] = a.data->valueAt(i);
    for (uint32_t i = 0; i < 2 * n; ++i) bv[i] = b.data->valueAt(i % lb);
    out.resize(n);
    correlogramSliding(av.data(), bv.data(), n, n, out.data());
    for (double& v : out)
        if (v != v) v = 0.0;
    return out;
}

ReviewVelocity calculateReviewVelocity(const C2DTrace& source, uint32_t from, uint32_t to, const CbvParams& p) {
    ReviewVelocity r;
    if (!source.hasData() || source.width() < 4) return r;
    const uint32_t comps = source.width();
    const uint32_t count = source.sampleCount();
    const uint32_t width = comps / 2 + 1;
    r.correlation = std::make_unique<C2DTrace>(12, count, width);
    r.cbv = std::make_unique<CTrace>(4, count);
    if (!r.correlation->hasData() || !r.cbv->hasData()) return ReviewVelocity{};
    C2DTrace& c = *r.correlation;
    c.copyAttributes(source);
    c.name = "correlation";
    c.yScale = c.displayYScale = source.xInterval != 0 ? 1.0 / source.xInterval : 1.0;
    c.yUnits = source.yUnits + "/" + source.xUnits;
    c.xUnits = source.xUnits;
    c.intensityRange = 65535.0;
    c.rangeStep = 1.25;
    c.rangeMin = 10.0;
    c.rangeMax = 65535.0;
    CTrace& v = *r.cbv;
    v.copyAttributes(c);
    v.name = "cbv";
    v.colour = 0x0000FF;  // pure red in the 0x00BBGGRR order of the colour field
    std::vector<double> a(comps), b(comps), col(comps / 2);
    std::vector<int64_t> prevRow;
    const std::vector<uint32_t> rows = ringIndices(count, from, to);
    const auto& data = *source.data;
    bool havePrev = false;
    uint32_t prev = 0;
    for (const uint32_t i : rows) {
        const bool hasData = !source.extent || source.extent->getD(i) != 0.0;
        if (hasData && havePrev) {
            for (uint32_t k = 0; k < comps; ++k) {
                a[k] = data.getD(size_t(prev) * comps + k);
                b[k] = data.getD(size_t(i) * comps + k);
            }
            correlogramColumn(a.data(), b.data(), comps, col.data());
            for (uint32_t k = 0; k < col.size(); ++k)
                c.data->setD(size_t(i) * width + k, col[k] == col[k] ? std::trunc(col[k]) : 0.0);
            const CorrelPeak pk = findCorrelPeak(col.data(), static_cast<uint32_t>(col.size()), p.zeroPeak,
                                                 p.subpixel ? col.data() : nullptr);
            v.data->setD(i, pk.value > p.coefLimit * 1000.0 ? pk.index : 0.0);
            c.extent->setD(i, source.extent ? source.extent->getD(i) : comps);
        }
        if (hasData) {
            prev = i;
            havePrev = true;
        }
    }
    return r;
}

}  // namespace ordavia
