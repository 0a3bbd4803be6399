#include "synth/SyntheticLineScan.h"

#include <algorithm>
#include <cmath>

#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia {

namespace {

enum : uint64_t { kScanCells = 9100, kScanTexture = 9101, kScanMotion = 9102, kScanNoise = 9103, kScanPulse = 9104, kScanConditions = 9105 };
constexpr double kTwoPi = 6.283185307179586;
constexpr double kFine = 0.1;  // micrometres per sample of the cell train and the texture

// Gaussian of `sigma` and box of `width` (both in fine samples) over v.
std::vector<float> blurred(const std::vector<float>& v, double sigma, double width) {
    const int half = int(std::ceil(3.0 * sigma + width * 0.5)) + 1;
    std::vector<double> k(size_t(2 * half + 1), 0.0);
    double sum = 0;
    // The box is the pixel's aperture, the Gaussian the optics: the kernel
    // is their convolution, built from the box's shifted Gaussians.
    const int steps = std::max(1, int(width));
    for (int b = 0; b < steps; ++b) {
        const double c = (b + 0.5) - steps * 0.5;
        for (int j = -half; j <= half; ++j) {
            const double d = (j - c) / std::max(sigma, 0.3);
            k[size_t(j + half)] += synthExp(-0.5 * d * d);
        }
    }
    for (double x : k) sum += x;
    std::vector<float> out(v.size(), 0.0f);
    const int n = int(v.size());
    for (int i = 0; i < n; ++i) {
        double s = 0;
        for (int j = -half; j <= half; ++j) s += k[size_t(j + half)] * v[size_t(std::clamp(i + j, 0, n - 1))];
        out[size_t(i)] = float(s / sum);
    }
    return out;
}

float at(const std::vector<float>& v, double pos) {
    const double f = std::clamp(pos, 0.0, double(v.size() - 1));
    const size_t k = size_t(f);
    const double w = f - double(k);
    return float(v[k] * (1.0 - w) + v[std::min(k + 1, v.size() - 1)] * w);
}

}  // namespace

ordavia::Status SyntheticLineScan::Params::validate() const {
    using ordavia::Status;
    using ordavia::StatusCode;
    const auto bad = [](const char* what) { return Status::failure(StatusCode::OutOfRange, what); };
    if (!(fps >= 1 && fps <= 10000)) return bad("the frame rate must be 1 .. 10000 per second");
    if (!(umPerPixel >= 0.1 && umPerPixel <= 20)) return bad("the pixel size must be 0.1 .. 20 um");
    if (!(lineUm >= 4 * umPerPixel && lineUm / umPerPixel <= 4096)) return bad("the line must hold 4 .. 4096 points");
    if (frames < 2 || frames > 20000) return bad("frames must be 2 .. 20000");
    if (!(std::fabs(speedUmS) <= 20000) || !(pulsatility >= 0 && pulsatility < 1) || !(heartHz >= 0 && heartHz < 10))
        return bad("speed within 20 mm/s, pulsatility 0 .. 1, heart rate under 10 Hz");
    if (!(cellUm >= 1 && cellUm <= 30) || !(cellsPerTrain >= 1 && cellsPerTrain <= 100) ||
        !(trainPitch >= 0.2 && trainPitch <= 3) || !(plasmaGapUm >= 0 && plasmaGapUm <= 1000) ||
        !(shear >= 0 && shear < 1))
        return bad("cells 1 .. 30 um, 1 .. 100 a train, pitch 0.2 .. 3, plasma gaps within 1000 um, shear 0 .. 1");
    if (!(level > 0 && level <= 255) || !(contrast >= 0 && contrast <= 1) || !(texture >= 0 && texture <= 1) ||
        !(blurUm >= 0 && blurUm <= 20) || !(exposure >= 0 && exposure <= 1))
        return bad("level 0 .. 255, contrast, texture and exposure 0 .. 1, blur within 20 um");
    if (!(noise >= 0 && noise <= 100) || !(flicker >= 0 && flicker <= 0.5) || !(motion >= 0 && motion <= 5))
        return bad("noise 0 .. 100 grey levels, flicker 0 .. 0.5, motion 0 .. 5");
    return {};
}

SyntheticLineScan::Scan SyntheticLineScan::generate(const Params& p) {
    Scan out;
    if (!p.validate()) return out;
    const uint32_t N = uint32_t(std::lround(p.lineUm / p.umPerPixel));
    const uint32_t F = uint32_t(p.frames);
    const double dt = 1.0 / p.fps;
    // Displacement of the blood and of the finger at every frame.
    SynthRandom pulse(p.seed, kScanPulse), mot(p.seed, kScanMotion);
    const double phase = pulse.range(0, kTwoPi), breathPhase = mot.range(0, kTwoPi), acrossPhase = mot.range(0, kTwoPi);
    const double breathHz = mot.range(0.15, 0.35);
    auto speed = [&](double t) { return p.speedUmS * (1.0 + p.pulsatility * synthSin(kTwoPi * p.heartHz * t + phase)); };
    std::vector<double> blood(F), finger(F), speedAt(F), across(F);
    double walk = 0;
    for (uint32_t f = 0; f < F; ++f) {
        const double t = f * dt;
        speedAt[f] = speed(t);
        blood[f] = f ? blood[f - 1] + 0.5 * (speedAt[f - 1] + speedAt[f]) * dt : 0.0;
        walk += mot.normal() * 0.6 * std::sqrt(dt);
        finger[f] = p.motion * (1.5 * synthSin(kTwoPi * breathHz * t + breathPhase) + walk + 0.15 * mot.normal());
        // Moving across the limb, the line leaves the middle of the column.
        across[f] = 1.0 - 0.35 * p.motion * (0.5 + 0.5 * synthSin(kTwoPi * 0.17 * t + acrossPhase));
    }
    out.points = N;
    out.frames = F;
    out.meanSpeedUmS = (blood[F - 1] - blood[0]) / ((F - 1) * dt);
    out.pxPerFrame = out.meanSpeedUmS * dt / p.umPerPixel;

    // The cell trains in the limb's own coordinate s, one for the faster
    // cells and one for the slower: a point x of the line sees
    // s = x - blood x (1 +- shear) - finger, at any instant of an exposure.
    const double lo0 = std::min(*std::min_element(blood.begin(), blood.end()), 0.0) * (1.0 + p.shear);
    const double hi0 = std::max(*std::max_element(blood.begin(), blood.end()), 0.0) * (1.0 + p.shear);
    const double margin = 6.0 * p.motion + 4.0 * p.blurUm + 2.0 * p.umPerPixel + std::fabs(p.speedUmS) * 2.0 * dt + 20.0;
    const double sLo = -hi0 - margin, sHi = p.lineUm - lo0 + margin;
    const size_t S = size_t((sHi - sLo) / kFine) + 2;
    std::vector<float> sum[2] = {std::vector<float>(S, 0.0f), std::vector<float>(S, 0.0f)};
    SynthRandom cells(p.seed, kScanCells);
    const double q = 1.0 - 1.0 / p.cellsPerTrain;  // geometric number of cells a train
    for (double x = sLo - cells.range(0, p.plasmaGapUm + p.cellUm); x < sHi;) {
        double len = p.cellUm;
        do {
            len = p.cellUm * cells.range(0.8, 1.25);
            const double depth = cells.range(0.75, 1.0);
            std::vector<float>& train = sum[p.shear > 0 && cells.uniform() < 0.5 ? 1 : 0];
            // A cell is darkest along its middle and thin at its rim.
            for (size_t k = size_t(std::max(0.0, (x - sLo) / kFine)); k < S; ++k) {
                const double u = (sLo + k * kFine - x) / len * 2.0 - 1.0;
                if (u > 1.0) break;
                if (u >= -1.0) train[k] += float(depth * std::sqrt(1.0 - u * u));
            }
            x += len * p.trainPitch * cells.range(0.8, 1.2);
        } while (cells.uniform() < q && x < sHi);
        const double u1 = cells.uniform(), u2 = cells.uniform();
        x += len * (1.0 - p.trainPitch) + p.plasmaGapUm * 1.5 * (u1 * u1 + u2 * u2);
    }
    // Overlapping cells absorb together: darker, but not twice as dark.
    const double one = 1.0 - synthExp(-1.0);
    size_t covered = 0;
    for (size_t k = 0; k < S; ++k) {
        sum[0][k] = float((1.0 - synthExp(-double(sum[0][k] + sum[1][k]))) / one);
        covered += sum[0][k] > 0.3f;
        if (p.shear > 0) sum[1][k] = float((1.0 - synthExp(-double(sum[1][k]))) / one);
    }
    out.cellCover = double(covered) / double(S);
    // Sheared, the first train holds the faster cells alone.
    if (p.shear > 0)
        for (size_t k = 0; k < S; ++k) sum[0][k] = std::max(0.0f, sum[0][k] - sum[1][k]);
    const std::vector<float> dark[2] = {blurred(sum[0], p.blurUm / kFine, p.umPerPixel / kFine),
                                        p.shear > 0 ? blurred(sum[1], p.blurUm / kFine, p.umPerPixel / kFine)
                                                    : std::vector<float>()};

    // The tissue's fixed texture, in the picture's coordinate.
    SynthRandom tex(p.seed, kScanTexture);
    const double tLo = -margin, tHi = p.lineUm + margin;
    std::vector<float> texture(size_t((tHi - tLo) / kFine) + 2, 0.0f);
    double a[4], fr[4], ph[4];
    for (int j = 0; j < 4; ++j) {
        a[j] = tex.range(0.3, 1.0);
        fr[j] = tex.range(1.0, 12.0) / 100.0;  // periods of 8 .. 100 um
        ph[j] = tex.range(0, kTwoPi);
    }
    for (size_t k = 0; k < texture.size(); ++k) {
        double v = 0;
        for (int j = 0; j < 4; ++j) v += a[j] * synthSin(kTwoPi * fr[j] * (tLo + k * kFine) + ph[j]);
        texture[k] = float(p.texture * 0.5 * v);
    }

    SynthRandom noise(p.seed, kScanNoise);
    out.values.resize(size_t(N) * F);
    const double texp = p.exposure * dt;
    for (uint32_t f = 0; f < F; ++f) {
        const double gain = 1.0 + p.flicker * noise.normal();
        const double travel = std::fabs(speedAt[f]) * (1.0 + p.shear) * texp;
        const int K = std::clamp(int(std::ceil(travel / 0.4)), 1, 24);
        for (uint32_t i = 0; i < N; ++i) {
            const double x = i * p.umPerPixel;
            double d = 0;
            for (int k = 0; k < K; ++k) {
                const double moved = blood[f] + speedAt[f] * texp * (k + 0.5) / K;
                d += at(dark[0], (x - moved * (1.0 + p.shear) - finger[f] - sLo) / kFine);
                if (p.shear > 0) d += at(dark[1], (x - moved * (1.0 - p.shear) - finger[f] - sLo) / kFine);
            }
            d /= K;
            const double bg = p.level * gain * (1.0 + at(texture, (x - finger[f] - tLo) / kFine));
            const double I = bg * (1.0 - p.contrast * across[f] * d);
            const double sigma = p.noise * std::sqrt(0.3 + 0.7 * std::max(I, 0.0) / p.level);
            out.values[size_t(f) * N + i] = std::clamp(std::round(I + sigma * noise.normal()), 0.0, 255.0);
        }
    }
    return out;
}

SyntheticLineScan::Params SyntheticLineScan::recordingLike(uint64_t seed, int maxFrames) {
    SynthRandom r(seed, kScanConditions);
    Params p;
    p.seed = seed;
    static const double kFps[] = {120, 120, 100, 60, 50, 30, 25};
    static const double kPixel[] = {0.77, 0.77, 1.0, 1.3, 1.6, 2.0};
    p.fps = kFps[r.below(7)];
    p.umPerPixel = kPixel[r.below(6)];
    p.lineUm = r.range(40, 120);
    p.frames = std::clamp(int(p.fps * r.range(2.0, 4.0)), 40, std::max(40, maxFrames));
    p.speedUmS = 100.0 * synthExp(r.uniform() * 2.70805020110221) * (r.uniform() < 0.5 ? -1 : 1);  // 100 .. 1500
    p.pulsatility = r.range(0, 0.3);
    p.heartHz = r.range(0.8, 1.6);
    p.cellUm = r.range(6.5, 9.5);
    p.cellsPerTrain = r.range(1, 5);
    p.trainPitch = r.range(0.6, 1.05);
    p.plasmaGapUm = r.range(3, 40);
    p.shear = r.range(0, 0.15);
    p.level = r.range(90, 170);
    p.contrast = r.range(0.05, 0.20);
    p.texture = r.range(0.03, 0.15);
    p.blurUm = r.range(0.6, 2.0);
    p.exposure = r.range(0.2, 1.0);
    // 2 to 5 grey levels at 25 frames per second, 4.4 to 11 at 120.
    p.noise = r.range(2.0, 5.0) * std::sqrt(p.fps / 25.0);
    p.flicker = r.range(0, 0.01);
    p.motion = r.range(0, 1);
    return p;
}

}  // namespace ordavia
