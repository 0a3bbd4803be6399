// Row work of the two-dimensional vectors: correlograms of rows against
// earlier rows, spectra of sample blocks into rows, row-wise normalisation.
// Rows are read into doubles once and handed to the shared kernels.
#include <algorithm>
#include <vector>

#include "chart/CdataVect.h"
#include "chart/Correlogram.h"
#include "chart/FftEngine.h"
#include "chart/SpectralWindow.h"
#include "chart/TraceAlgorithms.h"

namespace ordavia::rows {

namespace {

// Coefficients and powers are never negative and a correlogram's peak
// near 1000 must not come back as 232 from an 8-bit row: integer rows keep
// the nearest value they can hold. A shift without a coefficient is 0.
void store(CdataVect& v, size_t k, double x) {
    if (x != x) x = 0.0;
    if (!v.isFloating()) x = std::clamp(x, v.maxSearchStart(), v.minSearchStart());
    v.setD(k, x);
}

void readRow(const CdataVect& v, uint32_t r, std::vector<double>& out) {
    out.resize(v.components);
    v.readBlock(out.data(), r, 1, 1);
}

// Gives the target `rows` zero rows of `width` values, keeping its class.
bool shape(CdataVect& target, uint32_t rows, uint32_t width) {
    if (!target.twoD() || width == 0) return false;
    if (target.components != width && !target.setWidth(width)) return false;
    if (!target.resize(rows)) return false;
    target.zero();
    return true;
}

}  // namespace

bool correlogramOfRows(const CdataVect& v, CdataVect& target, uint32_t from, uint32_t to, uint32_t rowLag) {
    const uint32_t N = v.components, n = N / 2;
    if (!v.hasData() || !v.count || n == 0 || rowLag == 0) return false;
    const std::vector<uint32_t> walk = ringIndices(v.count, from, to);
    if (!shape(target, static_cast<uint32_t>(walk.size()), n)) return false;
    std::vector<double> a, b, out(n);
    for (size_t w = rowLag; w < walk.size(); ++w) {
        readRow(v, walk[w - rowLag], a);
        readRow(v, walk[w], b);
        correlogramColumn(a.data(), b.data(), N, out.data());
        const size_t base = w * n;
        for (uint32_t s = 0; s < n; ++s) store(target, base + s, out[s]);
    }
    return true;
}

bool correlateRow(const CdataVect& v, uint32_t i, uint32_t lag, CdataVect& target, uint32_t j, uint32_t shiftStep) {
    const uint32_t N = v.components, n = N / 2;
    if (!v.hasData() || i >= v.count || n == 0 || !target.twoD() || !target.hasData() || j >= target.count)
        return false;
    const uint32_t step = std::max<uint32_t>(shiftStep, 1);
    const uint32_t partner = static_cast<uint32_t>((uint64_t(i) + v.count - lag % v.count) % v.count);
    std::vector<double> a, b, out(n);
    readRow(v, partner, a);
    readRow(v, i, b);
    correlogramColumn(a.data(), b.data(), N, out.data());
    const size_t base = size_t(j) * target.components;
    for (uint32_t s = 0; s < target.components; ++s) {
        const uint64_t shift = uint64_t(s) * step;
        store(target, base + s, shift < n ? out[shift] : 0.0);
    }
    return true;
}

uint32_t spectraOf(CdataVect& v, const double* samples, const double* quadrature, size_t n, int window) {
    const uint32_t W = v.components;
    if (!v.twoD() || FftEngine::sizeCheck(static_cast<int>(W)) <= 0) return 0;
    const size_t per = quadrature ? W : size_t(2) * W;
    const size_t rows = n / per;
    if (rows == 0 || rows > UINT32_MAX || !v.resize(static_cast<uint32_t>(rows))) return 0;
    FftEngine fft;
    SpectralWindow shape;
    if (!fft.Prepare(static_cast<int>(W)) || !shape.Prepare(window, static_cast<int>(per))) return 0;
    std::vector<double> re(per), im(quadrature ? per : 0), scratch(W);
    // Double rows take the powers straight; others through the store rule.
    const bool direct = v.elemKind() == ElemKind::F64;
    for (size_t r = 0; r < rows; ++r) {
        double* power = direct ? reinterpret_cast<double*>(v.rawData()) + r * W : scratch.data();
        std::copy(samples + r * per, samples + (r + 1) * per, re.begin());
        shape.Apply(re.data());
        if (quadrature) {
            std::copy(quadrature + r * per, quadrature + (r + 1) * per, im.begin());
            shape.Apply(im.data());
            fft.complexPowerSpectrum(re.data(), im.data(), power);
        } else {
            fft.realPowerSpectrum(re.data(), power);
        }
        if (!direct)
            for (uint32_t k = 0; k < W; ++k) store(v, r * W + k, power[k]);
    }
    return static_cast<uint32_t>(rows);
}

bool normaliseRows(CdataVect& v, uint32_t from, uint32_t to, const CdataVect& other, double k) {
    const uint32_t W = v.components;
    if (!v.hasData() || !other.hasData() || !v.count) return false;
    const bool perRow = other.twoD() && other.count == v.count && other.components == W;
    if (!perRow && (other.twoD() || other.count != W)) return false;
    std::vector<double> row, divisor;
    if (!perRow) {
        divisor.resize(W);
        other.readBlock(divisor.data(), 0, W, 1);
    }
    for (uint32_t r : ringIndices(v.count, from, to)) {
        readRow(v, r, row);
        if (perRow) readRow(other, r, divisor);
        for (uint32_t c = 0; c < W; ++c) {
            double x = divisor[c] == 0 ? 0.0 : row[c] * k / divisor[c];
            // Double rows keep a normalised value a positive, finite number,
            // as the one-dimensional float rule does.
            if (v.isFloating()) x = x >= 1.7976931348623157e308 ? 1.7976931348623157e308
                                  : !(x >= 2.2250738585072014e-308) ? 2.2250738585072014e-308 : x;
            store(v, size_t(r) * W + c, x);
        }
    }
    return true;
}

}  // namespace ordavia::rows
