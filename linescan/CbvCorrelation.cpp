#include "linescan/CbvCorrelation.h"

#include <algorithm>
#include <cmath>

#include "chart/CTrace.h"
#include "chart/TraceAlgorithms.h"
#include "linescan/CbvParams.h"

namespace ordavia {

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
