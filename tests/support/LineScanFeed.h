#pragma once
// Line-scan samples with a known velocity: a random texture of red cells
// and plasma gaps that moves along the line by `v` points per sample
// (fractional shifts interpolated), for feeding ZlineScanDoc by hand.
#include <cmath>
#include <cstdint>
#include <vector>

namespace linescantest {

class MovingTexture {
public:
    explicit MovingTexture(uint32_t seed = 7, size_t length = 8192) : t_(length) {
        uint32_t s = seed;
        double smooth = 128;
        for (double& x : t_) {
            s = s * 1664525u + 1013904223u;
            // Cells a few points long: a smoothed random walk between dark and bright.
            const double target = ((s >> 8) & 1) ? 90.0 : 170.0;
            smooth += 0.45 * (target - smooth);
            x = smooth;
        }
    }
    // Sample s of a line of `points` points moving v points per sample.
    std::vector<double> sample(uint32_t points, double v, uint32_t s) const {
        std::vector<double> out(points);
        const double origin = 4000.0 - v * s;
        for (uint32_t i = 0; i < points; ++i) {
            const double p = origin + i;
            const double f = std::floor(p);
            const size_t k = static_cast<size_t>(f) % t_.size();
            const double w = p - f;
            out[i] = t_[k] * (1 - w) + t_[(k + 1) % t_.size()] * w;
        }
        return out;
    }

private:
    std::vector<double> t_;
};

// Grey frames (w x rows bytes) of a plain background with cells moving
// `speed` pixels per frame to the right along row `row`: a video whose
// velocity along that row is known.
inline std::vector<std::vector<uint8_t>> movingRowFrames(int w, int rows, int frames, int row, double speed) {
    const MovingTexture tex;
    std::vector<std::vector<uint8_t>> out;
    for (int k = 0; k < frames; ++k) {
        std::vector<uint8_t> f(size_t(w) * size_t(rows), 100);
        const std::vector<double> line = tex.sample(uint32_t(w), speed, uint32_t(k));
        for (int x = 0; x < w; ++x) f[size_t(row) * size_t(w) + size_t(x)] = uint8_t(std::lround(line[size_t(x)]));
        out.push_back(std::move(f));
    }
    return out;
}

}  // namespace linescantest
