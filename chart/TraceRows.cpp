// The row operations of two-dimensional traces: correlograms of rows,
// spectra into rows, row normalisation, per-row velocity scales, row peaks
// and row reduction. The arithmetic is the data vectors'; the trace orders
// the ring range and keeps extents, names, units and display ranges.
#include <cmath>
#include <vector>

#include "chart/CTrace.h"
#include "chart/TraceAlgorithms.h"

namespace {

// Correlograms and spectra share one display range: coefficients run to
// 1000, and the contrast commands may stretch a weak one.
void setRowDisplayRange(C2DTrace& t) {
    t.intensityRange = 1000.0;
    t.rangeStep = 1.25;
    t.rangeMin = 10.0;
    t.rangeMax = 65535.0;
}

// A range whose ends meet is the whole ring, walked from its oldest row.
// False for a trace without samples.
bool orderedRange(const CTrace& t, uint32_t& from, uint32_t& to) {
    const uint32_t c = t.sampleCount();
    if (c == 0) return false;
    t.orderRange(from, to);
    from %= c;
    to %= c;
    if (from == to) from = to = t.head % c;
    return true;
}

// The one-dimensional samples of a ring range, in walk order.
std::vector<double> ringSamples(const CdataVect& d, uint32_t from, uint32_t to) {
    std::vector<double> out(from < to ? to - from : d.count - from + to);
    const uint32_t first = from < to ? to - from : d.count - from;
    d.readBlock(out.data(), from, first, 1);
    if (first < out.size()) d.readBlock(out.data() + first, 0, to, 1);
    return out;
}

}  // namespace

bool C2DTrace::correlogramInto(CTrace& targetTrace, uint32_t from, uint32_t to, uint32_t rowLag) const {
    auto* target = dynamic_cast<C2DTrace*>(&targetTrace);
    if (!target || target == this || !hasData() || rowLag == 0 || !orderedRange(*this, from, to)) return false;
    // Built aside, so that a refused or failed computation leaves the target as it was.
    std::unique_ptr<CdataVect> out = target->data && target->data->twoD() ? target->data->makeEmpty() : ordavia::makeDataVect(12);
    if (!data->correlogramOfRows(*out, from, to, rowLag)) return false;
    const std::vector<uint32_t> walk = ordavia::ringIndices(sampleCount(), from, to);
    auto ext = std::make_unique<CdoubleVect>();
    if (!ext->resize(static_cast<uint32_t>(walk.size()))) return false;
    for (size_t w = 0; w < walk.size(); ++w) {
        // A row compared with nothing, or with a row never filled, has no
        // correlogram; its extent says so.
        const bool paired = w >= rowLag && extentAt(walk[w - rowLag]) != 0.0;
        ext->setD(w, paired ? extentAt(walk[w]) : 0.0);
    }
    target->data = std::move(out);
    target->extent = std::move(ext);
    target->zeroEmptyRows();
    // Target row 0 is the range's first row: the target starts there.
    target->head = 0;
    target->xInterval = xInterval;
    target->setXStart(sampleX(from));
    const double perX = xInterval != 0.0 ? yScale / xInterval : yScale;
    target->yScale = target->displayYScale = perX / rowLag;
    target->name = "correlogram of " + name;
    target->yUnits = yUnits + "/" + xUnits;
    target->xUnits = xUnits;
    setRowDisplayRange(*target);
    return true;
}

bool C2DTrace::spectrumOf(uint32_t from, uint32_t to, const CTrace& source, const CTrace* second, int window) {
    if (&source == this || !source.hasData() || source.data->twoD()) return false;
    if (second && (second == this || !second->hasData() || second->data->twoD() ||
                   second->sampleCount() != source.sampleCount()))
        return false;
    if (!orderedRange(source, from, to)) return false;
    // A trace without rows yet takes the monitor's 256 spectrum points.
    std::unique_ptr<CdataVect> out = data && data->twoD() ? data->makeEmpty() : ordavia::makeDataVect(16);
    if (out->components < 2 && !out->setWidth(256)) return false;
    const std::vector<double> re = ringSamples(*source.data, from, to);
    const std::vector<double> im = second ? ringSamples(*second->data, from, to) : std::vector<double>();
    const uint32_t rows = out->spectraOf(re.data(), second ? im.data() : nullptr, re.size(), window);
    if (rows == 0) return false;
    auto ext = std::make_unique<CdoubleVect>();
    if (!ext->resize(rows)) return false;
    const uint32_t w = out->components;
    ext->fill(w);
    data = std::move(out);
    extent = std::move(ext);
    // A row covers `per` samples; its bins are 1 / (per x interval) apart,
    // so the y calibration reads a component index as a frequency.
    const double per = second ? w : 2.0 * w;
    head = 0;
    xInterval = source.xInterval * per;
    setXStart(source.sampleX(from));
    yScale = source.xInterval != 0.0 ? 1.0 / (per * source.xInterval) : 1.0;
    yOffset = 0.0;
    name = "FFT of " + source.name;
    yUnits = "1/" + source.xUnits;
    xUnits = source.xUnits;
    setRowDisplayRange(*this);
    return true;
}

bool C2DTrace::rowOperation(uint32_t from, uint32_t to, const CTrace& other, double k) {
    if (!hasData() || !other.hasData() || !orderedRange(*this, from, to)) return false;
    return data->normaliseRows(from, to, *other.data, k);
}

namespace {

bool scaleOfRow(const C2DTrace& t, uint32_t i, uint32_t n, C2DTrace& target, uint32_t j) {
    if (!t.hasData() || i >= t.sampleCount() || !target.extent || j >= target.extent->count) return false;
    const double e = t.extentAt(i);
    const bool ok = e != 0.0 && n != 0 && t.xInterval != 0.0;
    target.extent->setD(j, ok ? e / n * 0.5 / t.xInterval : 0.0);
    return ok && target.data;
}

}  // namespace

bool C2DTrace::rowExtentFrom(uint32_t i, uint32_t n, C2DTrace& target, uint32_t j) const {
    return scaleOfRow(*this, i, n, target, j) && data->correlateRow(i, n, *target.data, j, 1);
}

bool C2DTrace::rowExtentFromStepped(uint32_t i, uint32_t n, C2DTrace& target, uint32_t j, uint32_t shiftStep) const {
    return scaleOfRow(*this, i, n, target, j) && data->correlateRow(i, n, *target.data, j, shiftStep);
}

namespace {

template <class Search>
void rowPeak(const C2DTrace& t, uint32_t i, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
             Search search) {
    if (values && a >= values->count) values = nullptr;
    if (indices && b >= indices->count) indices = nullptr;
    if (t.extentAt(i) == 0.0 || !t.hasData() || i >= t.sampleCount()) {
        if (values) values->setAt(a, -1.0);
        if (indices) indices->setAt(b, -1.0);
        return;
    }
    search(values, indices);
}

}  // namespace

void C2DTrace::peakOfRow(uint32_t i, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                         double threshold) const {
    rowPeak(*this, i, values, a, indices, b,
            [&](CdataVect* v, CdataVect* x) { data->findMaximum(i, v, a, x, b, threshold); });
}

void C2DTrace::localPeakOfRow(uint32_t i, CdataVect* values, uint32_t a, CdataVect* indices, uint32_t b,
                              double threshold) const {
    rowPeak(*this, i, values, a, indices, b,
            [&](CdataVect* v, CdataVect* x) { data->findPeak(i, v, a, x, b, threshold); });
}

void C2DTrace::copyRowReduced(uint32_t i, C2DTrace& target, uint32_t k) const {
    if (!target.extent || i >= target.extent->count || !target.data || i >= target.data->count) return;
    const double e = extentAt(i);
    target.extent->setD(i, e);
    if (e == 0.0 || k == 0 || !hasData() || i >= sampleCount()) return;
    // A window onto the row for reading only.
    const std::unique_ptr<CdataVect> row = std::experimental::get_underlying(data)->viewFrom(i);
    // The block mean fills the row at the target's cursor.
    const uint32_t saved = target.data->cursor;
    target.data->cursor = i;
    target.data->blockMeanFrom(*row, k);
    target.data->cursor = saved;
}
