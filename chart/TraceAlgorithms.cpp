#include "chart/TraceAlgorithms.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "chart/CTrace.h"
#include "chart/FftEngine.h"
#include "chart/SpectralWindow.h"

namespace ordavia {

bool ArtifactFilter::accept(double x) {
    if (!enabled() || !havePrev_) {
        havePrev_ = true;
        prev_ = x;
        rejections_ = 0;
        return true;
    }
    bool bad = false;
    const double lo = lowerPercent ? prev_ * lower / 100.0 : lower;
    const double hi = upperPercent ? prev_ * upper / 100.0 : upper;
    if (lowerMode != Off && x < lo) bad = true;
    if (upperMode != Off && x > hi) bad = true;
    if (exactTest && x == exactValue) bad = true;
    if (bad && rejections_ < 2) {
        ++rejections_;
        return false;
    }
    rejections_ = 0;
    prev_ = x;
    return true;
}

std::vector<uint32_t> ringIndices(uint32_t count, uint32_t from, uint32_t to) {
    std::vector<uint32_t> out;
    if (!count) return out;
    from %= count;
    to %= count;
    uint32_t i = from;
    do {
        out.push_back(i);
        i = (i + 1 == count) ? 0 : i + 1;
    } while (i != to);
    return out;
}

std::vector<std::vector<double>> powerSpectrumRows(const CTrace& source, int window) {
    std::vector<std::vector<double>> rows;
    const uint32_t n = source.sampleCount();
    if (!source.hasData() || n < kMinSpectrumSamples) return rows;
    FftEngine fft;
    fft.Prepare(256);
    SpectralWindow w;
    const CdataVect& d = *source.data;
    std::vector<double> block(512);
    if (n < 512) {
        // A trace shorter than one block is one row: its samples, less their
        // mean, padded with zeros (a padded step would smear the mean over
        // the low bins). The powers are raised by (512 / n)^2 so that a
        // tone shows the height it would in a full block; bin 0 keeps the
        // power of the mean.
        w.Prepare(window, static_cast<int>(n));
        std::vector<double> x(n);
        double mean = 0;
        for (uint32_t k = 0; k < n; ++k) mean += x[k] = d.valueAt(static_cast<uint32_t>((uint64_t(source.head) + k) % n));
        mean /= n;
        for (double& v : x) v -= mean;
        w.Apply(x.data());
        std::fill(block.begin(), block.end(), 0.0);
        std::copy(x.begin(), x.end(), block.begin());
        std::vector<double> p(256);
        fft.realPowerSpectrum(block.data(), p.data());
        const double gain = (512.0 / n) * (512.0 / n);
        for (double& v : p) v *= gain;
        std::fill(block.begin(), block.end(), mean);
        std::vector<double> dc(256);
        fft.realPowerSpectrum(block.data(), dc.data());
        p[0] = dc[0];
        rows.push_back(std::move(p));
        return rows;
    }
    w.Prepare(window, 512);
    for (uint32_t r = 0; r < n / 512; ++r) {
        const uint64_t start = uint64_t(source.head) + 512ull * r;
        for (uint32_t k = 0; k < 512; ++k) block[k] = d.valueAt(static_cast<uint32_t>((start + k) % n));
        w.Apply(block.data());
        std::vector<double> p(256);
        fft.realPowerSpectrum(block.data(), p.data());
        rows.push_back(std::move(p));
    }
    return rows;
}

double psdPeakFrequency(const C2DTrace& psd) {
    const uint32_t bins = psd.width();
    const uint32_t rows = psd.sampleCount();
    if (!psd.hasData() || bins < 2 || !psd.extent) return -1.0;
    std::vector<double> mean(bins, 0.0);
    double nyquist = 0;
    for (uint32_t r = 0; r < rows; ++r) {
        const double e = psd.extent->getD(r);
        if (!(e > 0)) continue;
        nyquist = e;
        for (uint32_t k = 0; k < bins; ++k) mean[k] += psd.data->getD(size_t(r) * bins + k);
    }
    if (!(nyquist > 0)) return -1.0;
    uint32_t best = 0;
    for (uint32_t k = 1; k < bins; ++k)
        if (mean[k] > 0 && (best == 0 || mean[k] > mean[best])) best = k;
    return best ? nyquist * best / bins : -1.0;
}

std::unique_ptr<C2DTrace> powerSpectrumTrace(const CTrace& source, double viewXScale, int window) {
    const auto rows = powerSpectrumRows(source, window);
    if (rows.empty()) return nullptr;
    // Counts from a converter keep the 16-bit rows stored spectra have
    // always had; real-valued traces (physical units, often below 1) would
    // truncate to zero there, so their spectra keep doubles.
    const bool real = source.data->isFloating();
    auto t = std::make_unique<C2DTrace>(real ? 16 : 12, static_cast<uint32_t>(rows.size()), 256);
    if (!t->hasData()) return nullptr;
    std::vector<double> inner;
    for (uint32_t r = 0; r < rows.size(); ++r) {
        for (uint32_t k = 0; k < 256; ++k) t->data->setAt(r, k, rows[r][k]);
        t->extent->setAt(r, 1.0 / (2.0 * source.xInterval));
        inner.insert(inner.end(), rows[r].begin() + 1, rows[r].end());
    }
    if (real && !inner.empty()) {
        // Show the bulk of the spectrum (the DC bin aside) across the palette.
        const size_t at = inner.size() * 995 / 1000;
        std::nth_element(inner.begin(), inner.begin() + static_cast<std::ptrdiff_t>(at), inner.end());
        const double top = inner[at] > 0 ? inner[at] : 1.0;
        t->intensityRange = top;
        t->rangeMin = top / 1e4;
        t->rangeMax = top * 1e4;
        t->rangeStep = 1.5;
        // Dark peaks on a light ground, like a printed spectrogram.
        t->paletteReversed = true;
    }
    t->xInterval = source.xInterval * 512;
    t->displayXScale = viewXScale;
    t->name = "Calculated PSD";
    t->yUnits = "kHz";
    t->xUnits = source.xUnits;
    t->yScale = 0.001;
    t->displayYScale = 0.001 * (0.5 / source.xInterval) / 256;
    t->displayYOffset = source.displayYOffset;
    t->xStart = source.xStart;
    return t;
}

void smoothSelection(CTrace& t, uint32_t from, uint32_t to, double tau, ArtifactFilter* filter) {
    if (!t.hasData()) return;
    const double alpha = tau <= 0 ? 1.0 : 1.0 - std::exp(-t.xInterval / tau);
    const auto idx = ringIndices(t.sampleCount(), from, to);
    if (idx.empty()) return;
    CdataVect& d = *t.data;
    const uint32_t comps = d.twoD() ? d.components : 1;
    for (uint32_t c = 0; c < comps; ++c) {
        if (filter) filter->restart();
        auto at = [&](uint32_t i) { return size_t(i) * d.components + c; };
        double p = d.getD(at(idx[0]));
        if (filter) (void)filter->accept(p);
        for (size_t k = 1; k < idx.size(); ++k) {
            const double x = d.getD(at(idx[k]));
            if (!filter || filter->accept(x)) p = p + alpha * (x - p);
            d.setD(at(idx[k]), p);
        }
    }
}

std::vector<double> readFirCoefficients(const std::string& text) {
    std::vector<double> c;
    std::istringstream in(text);
    std::string tok;
    while (c.size() < 201 && in >> tok) {
        char* end = nullptr;
        const double v = std::strtod(tok.c_str(), &end);
        if (end == tok.c_str()) break;
        c.push_back(v);
    }
    return c;
}

void firFilter(CTrace& t, uint32_t from, uint32_t to, const std::vector<double>& c) {
    if (!t.hasData() || c.empty()) return;
    CdataVect& d = *t.data;
    const int64_t n = d.count;
    const auto idx = ringIndices(d.count, from, to);
    const int m = static_cast<int>(c.size());
    // The unfiltered values: every tap reads what was there before filtering.
    std::vector<double> x(static_cast<size_t>(n));
    for (int64_t i = 0; i < n; ++i) x[size_t(i)] = d.valueAt(static_cast<uint32_t>(i));
    for (uint32_t i : idx) {
        double s = 0;
        for (int j = 0; j < m; ++j) {
            const int64_t k = ((int64_t(i) + j - m / 2) % n + n) % n;
            s += c[size_t(j)] * x[size_t(k)];
        }
        d.setAt(i, s);
    }
}

SelectionAverage averageOfSelection(const CTrace& t, uint32_t from, uint32_t to, ArtifactFilter* filter) {
    SelectionAverage r;
    if (!t.hasData()) return r;
    if (filter) filter->restart();
    double sum = 0, mx = -1.7976931348623157e308, mn = 1.7976931348623157e308;
    for (uint32_t i : ringIndices(t.sampleCount(), from, to)) {
        const double x = t.data->valueAt(i);
        ++r.visited;
        if (filter && !filter->accept(x)) continue;
        ++r.accepted;
        sum += x;
        mx = std::max(mx, x);
        mn = std::min(mn, x);
    }
    if (!r.accepted) return r;
    const double s = t.yScale, o = t.yOffset;
    r.mean = s * sum / r.accepted + o;
    r.maximum = s * mx + o;
    r.minimum = s * mn + o;
    r.acceptedPercent = r.accepted * 100.0 / r.visited;
    r.total = s * sum + o;
    return r;
}

void rowOperation(std::vector<double>& v, RowOp op, const PedestalSettings& ped) {
    const int n = static_cast<int>(v.size());
    if (!n) return;
    switch (op) {
        case RowOp::CutToAverage: {
            double m = 0;
            for (double x : v) m += x;
            m /= n;
            for (double& x : v)
                if (x < m) x = 0;
            break;
        }
        case RowOp::CutPsdArtifacts: {
            if (n <= 3) break;
            const std::vector<double> old = v;
            for (int k = 2; k <= n - 2 && k + 1 < n; ++k) {
                const double a = old[k - 1], b = old[k], c = old[k + 1];
                if (a * 3.0 < b && c * 3.0 < b) v[k] = (a + c) / 2;
            }
            break;
        }
        case RowOp::CutPedestal: {
            int u = -1;
            const int K = std::max(1, ped.run);
            for (int top = n - 1; top >= K && u < 0; --top) {
                bool run = true;
                for (int j = 0; j < K && run; ++j) run = v[top - j] > ped.level;
                if (run) u = top;
            }
            if (u <= 0) {
                std::fill(v.begin(), v.end(), 0.0);
                break;
            }
            const double g = 0.04 / u;
            for (int i = 0; i < n; ++i) {
                if (i < u / 4.0) v[i] *= i * ped.p1 * g;
                else if (i < u / 2.0) v[i] *= i * ped.p2 * g + (ped.p1 - ped.p2) * 0.01;
                else if (i < 3.0 * u / 4.0) v[i] *= i * ped.p3 * g + (ped.p2 - ped.p3) * 0.01;
                else if (i > u) v[i] = 0;
            }
            break;
        }
        case RowOp::DpsHistogram: {
            double M = 0;
            for (int i = 1; i < n; ++i) M = std::max(M, v[i]);
            // No positive value: no histogram to make; the row stays.
            if (M <= 0) break;
            std::vector<double> h(static_cast<size_t>(n), 0.0);
            h[0] = v[0];
            for (int i = 1; i < n; ++i) {
                const int64_t b = std::clamp<int64_t>(static_cast<int64_t>(n * v[i] / M), 0, n - 1);
                h[size_t(b)] += 1;
            }
            v = std::move(h);
            break;
        }
    }
}

void rowOperation(C2DTrace& t, uint32_t from, uint32_t to, RowOp op, const PedestalSettings& ped) {
    if (!t.hasData()) return;
    CdataVect& d = *t.data;
    std::vector<double> row(d.components);
    for (uint32_t r : ringIndices(d.count, from, to)) {
        d.readBlock(row.data(), r, 1, 1);
        rowOperation(row, op, ped);
        for (uint32_t k = 0; k < d.components; ++k) d.setAt(r, k, row[k]);
    }
}

}  // namespace ordavia
