#include "synth/SyntheticKymograph.h"

#include <algorithm>
#include <cmath>

#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia {

namespace {
enum : uint64_t { kKymoCells = 9000, kKymoWall = 9001, kKymoNoise = 9002 };
}  // namespace

ordavia::Status SyntheticKymograph::Params::validate() const {
    using ordavia::Status;
    using ordavia::StatusCode;
    if (lines < 2 || lines > 100000) return Status::failure(StatusCode::OutOfRange, "lines must be 2 .. 100000");
    if (points < 4 || points > 65535) return Status::failure(StatusCode::OutOfRange, "points must be 4 .. 65535");
    if (!std::isfinite(pointsPerLine) || std::fabs(pointsPerLine) > 1000)
        return Status::failure(StatusCode::OutOfRange, "the velocity must be within 1000 points per line");
    if (!(noiseSigma >= 0) || !(cellLength >= 1) || !std::isfinite(cellContrast) || !std::isfinite(wallContrast))
        return Status::failure(StatusCode::OutOfRange,
                               "noise, cell length and contrasts must be finite (cell length at least 1)");
    return {};
}

std::vector<double> SyntheticKymograph::generate(const Params& p) {
    std::vector<double> out;
    if (!p.validate()) return out;
    // The cell train covers every position the line sees over the run,
    // sampled four times per point so that fractional shifts interpolate.
    constexpr int kSub = 4;
    const double travel = std::fabs(p.pointsPerLine) * (p.lines - 1);
    const size_t span = size_t(std::ceil(travel + p.points + 2)) * kSub;
    std::vector<float> train(span, 0.0f);
    SynthRandom cells(p.seed, kKymoCells);
    for (double x = cells.range(0, p.cellLength); x < double(span) / kSub;) {
        const double len = p.cellLength * cells.range(0.6, 1.4);
        const double depth = cells.range(0.7, 1.0);
        // A cell is dark in the middle and soft at its rim.
        for (size_t s = size_t(x * kSub); s < std::min(span, size_t((x + len) * kSub)); ++s) {
            const double u = (double(s) / kSub - x) / len * 2.0 - 1.0;
            train[s] = std::max(train[s], float(depth * (1.0 - u * u)));
        }
        x += len + p.cellLength * cells.range(0.2, 1.6);  // plasma gap
    }
    std::vector<double> wall(size_t(p.points));
    SynthRandom w(p.seed, kKymoWall);
    const double f1 = w.range(1.0, 3.0), f2 = w.range(3.0, 7.0), ph = w.range(0, 6.283185307179586);
    for (int i = 0; i < p.points; ++i) {
        const double u = double(i) / p.points * 6.283185307179586;
        wall[size_t(i)] = p.wallContrast * (0.6 * synthSin(f1 * u + ph) + 0.4 * synthSin(f2 * u));
    }
    SynthRandom noise(p.seed, kKymoNoise);
    out.resize(size_t(p.lines) * size_t(p.points));
    const double last = double(span) / kSub - 1.0;
    for (int t = 0; t < p.lines; ++t) {
        // Moving forward, the train is seen further back along itself.
        const double origin = p.pointsPerLine >= 0 ? travel - p.pointsPerLine * t : -p.pointsPerLine * t;
        for (int i = 0; i < p.points; ++i) {
            const double pos = std::clamp(origin + i, 0.0, last) * kSub;
            const size_t k = size_t(pos);
            const double f = pos - double(k);
            const double cell = train[k] * (1 - f) + train[std::min(k + 1, span - 1)] * f;
            const double v = 170.0 + wall[size_t(i)] - p.cellContrast * cell + p.noiseSigma * noise.normal();
            out[size_t(t) * size_t(p.points) + size_t(i)] = std::clamp(v, 0.0, 255.0);
        }
    }
    return out;
}

}  // namespace ordavia
