#pragma once
// A stored Doppler spectrum of 64 bins with a known edge per row: row i has
// power 1000 in bins 1 .. edges[i] and nothing above, bin 0 the DC power
// 5000; each row's extent is 64 x 0.5 Hz, so that bin k is k x 0.5 Hz.
#include <cstdint>
#include <memory>
#include <vector>

#include "chart/CTrace.h"

namespace ordavia::test {

inline std::unique_ptr<CDopTrace> dopplerSpectrum(const std::vector<uint32_t>& edges) {
    constexpr uint32_t n = 64;
    constexpr double binHz = 0.5, power = 1000.0, dc = 5000.0;
    auto t = std::make_unique<CDopTrace>(16, static_cast<uint32_t>(edges.size()), n);
    if (!t->hasData()) return t;
    t->extent->fill(n * binHz);
    t->yScale = binHz;
    t->xInterval = 0.01;
    t->name = "Doppler spectrum";
    t->yUnits = "mm/s";
    for (uint32_t i = 0; i < edges.size(); ++i) {
        t->data->setAt(i, 0u, dc);
        for (uint32_t k = 1; k < n; ++k) t->data->setAt(i, k, k <= edges[i] ? power : 0.0);
    }
    return t;
}

// Edges of a pulse: `beats` beats of `period` rows, rising in a straight
// line from `low` to `high` over the first quarter and falling back over
// the rest.
inline std::vector<uint32_t> pulseEdges(uint32_t beats, uint32_t period, uint32_t low, uint32_t high) {
    std::vector<uint32_t> e;
    const uint32_t rise = period / 4;
    for (uint32_t b = 0; b < beats; ++b)
        for (uint32_t i = 0; i < period; ++i)
            e.push_back(i <= rise ? low + (high - low) * i / rise
                                  : high - (high - low) * (i - rise) / (period - rise));
    return e;
}

}  // namespace ordavia::test
