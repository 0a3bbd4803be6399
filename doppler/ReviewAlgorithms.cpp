#include "doppler/ReviewAlgorithms.h"

#include <numeric>

#include "chart/CTrace.h"
#include "chart/TraceAlgorithms.h"

namespace ordavia {

namespace {

bool fits(const C2DTrace& spectrum, const CTrace& target) {
    return spectrum.hasData() && spectrum.data->twoD() && spectrum.width() > 1 && target.hasData() &&
           !target.data->twoD() && target.sampleCount() >= spectrum.sampleCount();
}

}  // namespace

double rowFrequencyScale(const C2DTrace& spectrum, uint32_t row) { return spectrum.extentAt(row); }

uint32_t velocityFromSpectrum(C2DTrace& spectrum, uint32_t from, uint32_t to, const ShiftFinder& find,
                              CTrace& target, ArtifactFilter* filter) {
    if (!fits(spectrum, target)) return 0;
    const uint32_t n = spectrum.width();
    CdataVect& d = *spectrum.data;
    std::vector<double> row(n), before(n);
    if (filter) filter->restart();
    double last = 0.0;
    const std::vector<uint32_t> rows = ringIndices(spectrum.sampleCount(), from, to);
    for (uint32_t i : rows) {
        const double scale = rowFrequencyScale(spectrum, i);
        double v = 0.0;
        if (scale != 0.0) {
            const size_t at = size_t(i) * n;
            for (uint32_t c = 0; c < n; ++c) before[c] = row[c] = d.getD(at + c);
            v = find(row.data(), n) * scale / n;
            // Only a finder that trims touches the row; writing back only
            // the bins it changed keeps integer rows exact.
            for (uint32_t c = 0; c < n; ++c)
                if (row[c] != before[c]) d.setD(at + c, row[c]);
        }
        // The first value of a walk is always accepted: it seeds the filter.
        if (filter && !filter->accept(v)) v = last;
        last = v;
        target.data->setD(i, v);
    }
    return static_cast<uint32_t>(rows.size());
}

uint32_t levelEdge(const double* p, uint32_t n, double level) {
    for (uint32_t i = n; i-- > 1;)
        if (p[i] > level) return i;
    return 0;
}

uint32_t signalStrengthInto(const C2DTrace& spectrum, uint32_t from, uint32_t to, CTrace& target) {
    if (!fits(spectrum, target)) return 0;
    const uint32_t n = spectrum.width();
    const CdataVect& d = *spectrum.data;
    const std::vector<uint32_t> rows = ringIndices(spectrum.sampleCount(), from, to);
    for (uint32_t i : rows) {
        double sum = 0.0;
        if (spectrum.extentAt(i) != 0.0)
            for (uint32_t c = 1; c < n; ++c) sum += d.getD(size_t(i) * n + c);
        target.data->setD(i, sum);
    }
    return static_cast<uint32_t>(rows.size());
}

std::vector<double> beatMeans(const std::vector<double>& v, const std::vector<uint32_t>& peaks) {
    std::vector<double> out(v.size(), 0.0);
    if (v.empty()) return out;
    std::vector<uint32_t> p;
    for (uint32_t k : peaks)
        if (k < v.size() && (p.empty() || k > p.back())) p.push_back(k);
    auto meanOf = [&](size_t a, size_t b) {
        return std::accumulate(v.begin() + static_cast<long>(a), v.begin() + static_cast<long>(b), 0.0) /
               static_cast<double>(b - a);
    };
    if (p.size() < 2) {
        std::fill(out.begin(), out.end(), meanOf(0, v.size()));
        return out;
    }
    for (size_t b = 0; b + 1 < p.size(); ++b) {
        const double m = meanOf(p[b], p[b + 1]);
        const size_t start = b == 0 ? 0 : p[b];
        const size_t end = b + 2 == p.size() ? v.size() : p[b + 1];
        std::fill(out.begin() + static_cast<long>(start), out.begin() + static_cast<long>(end), m);
    }
    return out;
}

}  // namespace ordavia
