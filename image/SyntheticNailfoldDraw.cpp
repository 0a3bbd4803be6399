// Pixels of a synthetic nailfold scene: background, blood columns, plexus,
// vignetting, optical blur and sensor noise, in that order, on a float
// canvas that is rounded to bytes once at the end.
#include <algorithm>
#include <cmath>

#include "image/SyntheticNailfoldDraw.h"

namespace {

double lattice(uint64_t key, int64_t ix, int64_t iy) {
    const uint64_t h = synthMix(key ^ synthMix(static_cast<uint64_t>(ix) * 0x9E3779B97F4A7C15ull ^
                                               static_cast<uint64_t>(iy) * 0xC2B2AE3D27D4EB4Full));
    return static_cast<double>(h >> 11) * 0x1.0p-52 - 1.0;
}

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
        k[i] = static_cast<float>(std::exp(-(i * i) / (2 * sigma * sigma)));
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

}  // namespace

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
    for (int y = 0; y < h; ++y) {
        const double v = y * sy;
        for (int x = 0; x < w; ++x) {
            const double u = x * sx;
            const double rel = v - scene.edgeV[static_cast<size_t>(x)];
            const double skin = scene.skinLevel * (1 + 0.10 * synthNoise2(key + 1, u / 260, v / 260) +
                                                   0.04 * synthNoise2(key + 2, u / 70, v / 70) +
                                                   0.012 * synthNoise2(key + 7, u / 22, v / 22)) +
                                3.0 * synthNoise2(key + 3, u / 6, v / 6) + 1.5 * synthNoise2(key + 4, u / 2.5, v / 2.5);
            const double nail = scene.skinLevel * scene.nailGain * (1 + 0.05 * synthNoise2(key + 5, u / 300, v / 300)) +
                                3.0 * synthNoise2(key + 6, u / 12, v / 400);
            const double t = smoothstep(-6, 6, rel);
            double val = nail + (skin - nail) * t;
            val *= 1 - 0.07 * std::exp(-(rel * rel) / 9) + 0.06 * std::exp(-((rel - 14) * (rel - 14)) / 49);
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
            const float trans = depth[i] > 0 ? kFloor + (1 - kFloor) * std::exp(-depth[i]) : 1.0f;
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
