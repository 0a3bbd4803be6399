#pragma once
// Raw Doppler recordings for tests: little-endian signed 16-bit samples as
// the board plays them from raw.bin, and a band of equal tones that puts
// the Doppler spectrum's upper edge where a test wants it.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testsupport {

inline void writeRawSamples(const std::string& path, const std::vector<int16_t>& s) {
    std::ofstream out(path, std::ios::binary);
    for (int16_t v : s) {
        const uint16_t u = uint16_t(v);
        out.put(char(u & 0xFF)).put(char(u >> 8));
    }
}

// Tones every `step` Hz from lo to hi with scattered phases.
inline std::vector<int16_t> toneBand(double rate, double lo, double hi, size_t count, double amplitude,
                                     double step = 50.0) {
    std::vector<double> acc(count, 0.0);
    int k = 0;
    for (double f = lo; f <= hi; f += step, ++k) {
        const double phase = std::fmod(k * 2.399963, 6.283185307);
        for (size_t i = 0; i < count; ++i) acc[i] += std::sin(6.283185307 * f * double(i) / rate + phase);
    }
    std::vector<int16_t> out(count);
    const double g = amplitude / std::sqrt(std::max(k, 1) * 0.5);
    for (size_t i = 0; i < count; ++i) out[i] = int16_t(std::lround(std::clamp(acc[i] * g, -32768.0, 32767.0)));
    return out;
}

}  // namespace testsupport
