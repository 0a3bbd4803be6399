// Pixels of a synthetic nailfold scene: background, blood columns, plexus,
// vignetting, optical blur and sensor noise, in that order, on a float
// canvas that is rounded to bytes once at the end.
#include <algorithm>
#include <cmath>

#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia {

namespace {

double lattice(uint64_t key, int64_t ix, int64_t iy) {
    const uint64_t h = synthMix(key ^ synthMix(static_cast<uint64_t>(ix) * 0x9E3779B97F4A7C15ull ^
                                               static_cast<uint64_t>(iy) * 0xC2B2AE3D27D4EB4Full));
    return static_cast<double>(h >> 11) * 0x1.0p-52 - 1.0;
}

// Lattice values of one noise layer over the picture, computed once: the
// per-pixel work is then the blend alone. Gives exactly synthNoise2.
class NoiseField {
public:
    NoiseField(uint64_t key, double maxX, double maxY)
        : cols_(static_cast<int64_t>(maxX) + 2), rows_(static_cast<int64_t>(maxY) + 2) {
        values_.resize(static_cast<size_t>(cols_ * rows_));
        for (int64_t y = 0; y < rows_; ++y)
            for (int64_t x = 0; x < cols_; ++x) values_[static_cast<size_t>(y * cols_ + x)] = lattice(key, x, y);
    }
    // x, y in lattice units, 0 <= x <= maxX, 0 <= y <= maxY.
    double at(double x, double y) const;

private:
    int64_t cols_, rows_;
    std::vector<double> values_;
};

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

double smoothstep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Separable Gaussian with replicated edges, in place. One line buffer; the
// kernel is short (3 sigma) so the direct sum is cheap enough here.
void gaussianBlur(std::vector<float>& img, int w, int h, double sigma) {
    if (sigma <= 0.05) return;
    const int radius = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
    std::vector<float> k(static_cast<size_t>(radius) + 1);
    double sum = 0;
    for (int i = 0; i <= radius; ++i) {
        k[i] = static_cast<float>(synthExp(-(i * i) / (2 * sigma * sigma)));
        sum += (i == 0 ? 1 : 2) * k[i];
    }
    for (float& v : k) v = static_cast<float>(v / sum);

    const int longest = std::max(w, h);
    std::vector<float> line(static_cast<size_t>(longest + 2 * radius));
    auto pass = [&](int len, int count, size_t step, size_t lineStep) {
        for (int c = 0; c < count; ++c) {
            float* base = img.data() + static_cast<size_t>(c) * lineStep;
            for (int i = -radius; i < len + radius; ++i)
                line[static_cast<size_t>(i + radius)] = base[static_cast<size_t>(std::clamp(i, 0, len - 1)) * step];
            for (int i = 0; i < len; ++i) {
                const float* s = line.data() + i + radius;
                float acc = k[0] * s[0];
                for (int j = 1; j <= radius; ++j) acc += k[j] * (s[j] + s[-j]);
                base[static_cast<size_t>(i) * step] = acc;
            }
        }
    };
    pass(w, h, 1, static_cast<size_t>(w));  // rows
    pass(h, w, static_cast<size_t>(w), 1);  // columns
}

double NoiseField::at(double x, double y) const {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
    const double tx = fade(x - fx), ty = fade(y - fy);
    const double* r0 = values_.data() + iy * cols_ + ix;
    const double* r1 = r0 + cols_;
    const double top = r0[0] + (r0[1] - r0[0]) * tx, bottom = r1[0] + (r1[1] - r1[0]) * tx;
    return top + (bottom - top) * ty;
}

}  // namespace

double synthExp(double x) {
    if (x < -700) return 0.0;
    if (x > 700) x = 700;
    // x = k ln2 + r with |r| <= ln2 / 2; e^r by its series, then scaled by 2^k
    // (ldexp is exact).
    const double k = std::floor(x * 1.4426950408889634 + 0.5);
    const double r = (x - k * 6.93147180369123816490e-01) - k * 1.90821492927058770002e-10;
    double sum = 1.0, term = 1.0;
    for (int n = 1; n <= 13; ++n) {
        term = term * r / n;
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(k));
}

double synthSin(double x) {
    // Reduce to [-pi, pi] (two-part 2 pi for accuracy), then to
    // [-pi/2, pi/2] by symmetry, then the series.
    constexpr double kTwoPiHi = 6.28318530717958623200e+00, kTwoPiLo = 2.44929359829470635445e-16;
    constexpr double kPi = 3.14159265358979311600e+00, kHalfPi = 1.57079632679489655800e+00;
    const double k = std::floor(x / kTwoPiHi + 0.5);
    double r = (x - k * kTwoPiHi) - k * kTwoPiLo;
    if (r > kHalfPi) r = kPi - r;
    else if (r < -kHalfPi) r = -kPi - r;
    const double r2 = r * r;
    double sum = r, term = r;
    for (int n = 2; n <= 18; n += 2) {
        term = -term * r2 / (n * (n + 1));
        sum += term;
    }
    return sum;
}

double synthNoise1(uint64_t key, double t) {
    const double f = std::floor(t);
    const auto i = static_cast<int64_t>(f);
    const double a = lattice(key, i, 0), b = lattice(key, i + 1, 0);
    return a + (b - a) * fade(t - f);
}

double synthNoise2(uint64_t key, double x, double y) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
    const double tx = fade(x - fx), ty = fade(y - fy);
    const double a = lattice(key, ix, iy), b = lattice(key, ix + 1, iy);
    const double c = lattice(key, ix, iy + 1), d = lattice(key, ix + 1, iy + 1);
    const double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

void synthDrawTube(const SynthTube& tube, double sx, double sy, int width, int height, std::vector<float>& depth) {
    // Each pair of centre-line samples is a truncated cone; a pixel takes the
    // chord through the blood column at its nearest point on the segment.
    // Samples are about a micrometre apart, so the union is smooth.
    for (size_t i = 0; i + 1 < tube.size(); ++i) {
        const double u0 = tube.u[i], v0 = tube.v[i], u1 = tube.u[i + 1], v1 = tube.v[i + 1];
        const double r0 = tube.halfWidth[i], r1 = tube.halfWidth[i + 1];
        const double k0 = tube.absorption[i], k1 = tube.absorption[i + 1];
        const double rmax = std::max(r0, r1);
        const int x0 = std::max(0, static_cast<int>(std::floor((std::min(u0, u1) - rmax) / sx)));
        const int x1 = std::min(width - 1, static_cast<int>(std::ceil((std::max(u0, u1) + rmax) / sx)));
        const int y0 = std::max(0, static_cast<int>(std::floor((std::min(v0, v1) - rmax) / sy)));
        const int y1 = std::min(height - 1, static_cast<int>(std::ceil((std::max(v0, v1) + rmax) / sy)));
        if (x0 > x1 || y0 > y1) continue;
        const double du = u1 - u0, dv = v1 - v0;
        const double len2 = du * du + dv * dv;
        for (int y = y0; y <= y1; ++y) {
            const double pv = y * sy;
            float* row = depth.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
            for (int x = x0; x <= x1; ++x) {
                const double pu = x * sx;
                double t = len2 > 0 ? ((pu - u0) * du + (pv - v0) * dv) / len2 : 0.0;
                t = std::clamp(t, 0.0, 1.0);
                const double eu = pu - (u0 + t * du), ev = pv - (v0 + t * dv);
                const double d2 = eu * eu + ev * ev;
                const double r = r0 + t * (r1 - r0);
                if (d2 >= r * r) continue;
                const auto od = static_cast<float>((k0 + t * (k1 - k0)) * 2.0 * std::sqrt(r * r - d2));
                if (od > row[x]) row[x] = od;
            }
        }
    }
}

void synthDraw(const SyntheticNailfold::Params& p, const SynthScene& scene, std::vector<uint8_t>& out) {
    const int w = p.width, h = p.height;
    const double sx = p.umPerPixelX, sy = p.umPerPixelY;
    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    const uint64_t key = scene.textureKey;

    // Light that reaches the camera without crossing blood: skin below the
    // edge, the brighter, finely ridged nail plate above it, and the cuticle
    // (a thin dark rim and a hazy bright band) along the edge itself.
    std::vector<float> light(n);
    std::vector<float> skinShare(n);
    const double wUm = (w - 1) * sx, hUm = (h - 1) * sy;
    struct Layer {
        double scaleU, scaleV;
        NoiseField field;
    };
    auto layer = [&](uint64_t k, double su, double sv) { return Layer{su, sv, NoiseField(key + k, wUm / su, hUm / sv)}; };
    const Layer lowL = layer(1, 260, 260), midL = layer(2, 70, 70), mottleL = layer(7, 22, 22);
    const Layer grainL = layer(3, 6, 6), fineL = layer(4, 2.5, 2.5);
    const Layer nailL = layer(5, 300, 300), ridgeL = layer(6, 12, 400);
    auto field = [](const Layer& l, double u, double v) { return l.field.at(u / l.scaleU, v / l.scaleV); };
    for (int y = 0; y < h; ++y) {
        const double v = y * sy;
        for (int x = 0; x < w; ++x) {
            const double u = x * sx;
            const double rel = v - scene.edgeV[static_cast<size_t>(x)];
            const double skin = scene.skinLevel * (1 + 0.10 * field(lowL, u, v) + 0.04 * field(midL, u, v) +
                                                   0.012 * field(mottleL, u, v)) +
                                3.0 * field(grainL, u, v) + 1.5 * field(fineL, u, v);
            const double nail = scene.skinLevel * scene.nailGain * (1 + 0.05 * field(nailL, u, v)) + 3.0 * field(ridgeL, u, v);
            const double t = smoothstep(-6, 6, rel);
            double val = nail + (skin - nail) * t;
            // The cuticle matters within a few tens of micrometres only.
            if (rel > -30 && rel < 60)
                val *= 1 - 0.07 * synthExp(-(rel * rel) / 9) + 0.06 * synthExp(-((rel - 14) * (rel - 14)) / 49);
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
            light[i] = static_cast<float>(val);
            skinShare[i] = static_cast<float>(t);
        }
    }

    // Optical depth of blood. The plexus lies deep and out of focus: it is
    // drawn apart and blurred hard before joining the sharp loops.
    std::vector<float> depth(n, 0.0f);
    if (!scene.plexus.empty()) {
        std::vector<float> deep(n, 0.0f);
        for (const SynthTube& t : scene.plexus) synthDrawTube(t, sx, sy, w, h, deep);
        gaussianBlur(deep, w, h, 14.0 / sx);
        for (size_t i = 0; i < n; ++i) depth[i] = deep[i] * skinShare[i];
    }
    {
        std::vector<float> sharp(n, 0.0f);
        for (const SynthTube& t : scene.loops) synthDrawTube(t, sx, sy, w, h, sharp);
        if (scene.haemorrhageInk)
            for (const SyntheticNailfold::Truth::Haemorrhage& hm : scene.haemorrhages) {
                const double reach = 1.6 * std::max(hm.radiusUm, hm.radiusVm);
                const int xa = std::max(0, static_cast<int>((hm.centre.x * sx - reach) / sx));
                const int xb = std::min(w - 1, static_cast<int>((hm.centre.x * sx + reach) / sx) + 1);
                const int ya = std::max(0, static_cast<int>((hm.centre.y * sy - reach) / sy));
                const int yb = std::min(h - 1, static_cast<int>((hm.centre.y * sy + reach) / sy) + 1);
                for (int y = ya; y <= yb; ++y)
                    for (int x = xa; x <= xb; ++x) {
                        float& d = sharp[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
                        d = std::max(d, static_cast<float>(hm.depthAt(x * sx, y * sy, sx, sy, 2.0)));
                    }
            }
        for (size_t i = 0; i < n; ++i) depth[i] += sharp[i];
    }

    // Blood never turns fully black: scattered light from around the vessel
    // keeps a floor of about 15 % of the background.
    constexpr float kFloor = 0.15f;
    const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0;
    const double vig = std::clamp(p.vignetting, 0.0, 0.9);
    for (int y = 0; y < h; ++y) {
        const double ry = cy > 0 ? (y - cy) / cy : 0;
        for (int x = 0; x < w; ++x) {
            const double rx = cx > 0 ? (x - cx) / cx : 0;
            const size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
            const double trans = depth[i] > 0 ? kFloor + (1 - kFloor) * synthExp(-double(depth[i])) : 1.0;
            const double r2 = (rx * rx + ry * ry) / 2;  // 1 in the corners
            light[i] *= static_cast<float>(trans * (1 - vig * r2 * (0.6 + 0.4 * r2)));
        }
    }

    gaussianBlur(light, w, h, p.blurSigma);

    SynthRandom noise(p.seed, kSynthNoise);
    out.resize(n);
    const double sigma = std::max(0.0, p.noiseSigma);
    for (size_t i = 0; i < n; ++i) {
        const double v = light[i] + (sigma > 0 ? sigma * noise.normal() : 0.0);
        out[i] = static_cast<uint8_t>(std::clamp(std::floor(v + 0.5), 0.0, 255.0));
    }
}

}  // namespace ordavia
