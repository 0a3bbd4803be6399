#include "image/GaussianBlur.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "image/CZVimage.h"
#include "image/GreyRegion.h"
#include "image/KernelSet.h"

namespace ordavia {

GaussianKernel makeGaussianKernel(double sigma, int maxTaps) {
    GaussianKernel k;
    if (!(sigma > 0.0) || !std::isfinite(sigma)) return k;
    const double len = std::trunc(std::ceil(3.0 * sigma) + 1.0);
    if (!(len <= double(maxTaps))) return k;
    const int m = static_cast<int>(len);
    const float s = static_cast<float>(sigma);
    std::vector<float>& g = k.g;
    g.resize(size_t(m));
    for (int i = 0; i < m; ++i) g[size_t(i)] = std::exp(-float(i * i) / (2.0f * s * s));

    // Taper: walk in from the tip while sqrt(g) / (m - i) keeps falling;
    // beyond the point where it stops, the tail becomes (m - j)^2 r*^2,
    // which reaches zero one tap past the end instead of stopping short.
    if (m > 3) {
        float rmin = 0.0f;
        bool have = false;
        int i = m - 1;
        for (; i > m / 2; --i) {
            const float r = std::sqrt(g[size_t(i)]) / float(m - i);
            if (have && !(r < rmin)) break;
            rmin = r;
            have = true;
        }
        for (int j = i + 2; j < m; ++j) g[size_t(j)] = float(m - j) * float(m - j) * rmin * rmin;
    }

    float sum = g[0];
    for (int i = 1; i < m; ++i) sum += 2.0f * g[size_t(i)];
    for (float& v : g) v /= sum;

    k.e.resize(size_t(m));
    float acc = 0.0f;
    const float half = (g[0] + 1.0f) / 2.0f;
    for (int i = 0; i < m; ++i) {
        acc += g[size_t(i)];
        k.e[size_t(i)] = half - acc;
    }
    return k;
}

void blurLines(const GaussianKernel& k, const float* s, float* out, int len, int lanes) {
    const int m = k.taps();
    const float* g = k.g.data();
    const size_t L = size_t(lanes);
    const size_t n = size_t(len) * L;
    for (size_t i = 0; i < n; ++i) out[i] = g[0] * s[i];
    // Tap by tap over the whole line: each output still adds its terms in
    // the order of the formula (centre, then j = 1, 2, ...), and the inner
    // loops run flat over contiguous floats.
    for (int j = 1; j < m; ++j) {
        const float gj = g[j];
        const size_t off = size_t(j) * L;
        // i < j: only the sample after i lies inside the line.
        for (size_t i = 0; i < off; ++i) out[i] += gj * s[i + off];
        // Both samples inside.
        for (size_t i = off; i + off < n; ++i) out[i] += gj * (s[i + off] + s[i - off]);
        // i >= len - j: only the sample before i lies inside.
        for (size_t i = n - off; i < n; ++i) out[i] += gj * s[i - off];
    }
    // The weight that fell outside goes to the end samples.
    for (int i = 0; i < m - 1; ++i) {
        const float ei = k.e[size_t(i)];
        float* o = out + size_t(i) * L;
        float* oe = out + size_t(len - 1 - i) * L;
        const float* first = s;
        const float* last = s + size_t(len - 1) * L;
        for (size_t l = 0; l < L; ++l) {
            o[l] += ei * first[l];
            oe[l] += ei * last[l];
        }
    }
}

bool gaussianBlur(const GreyRegion& r, double sigma) {
    if (r.empty()) return false;
    const int longest = std::max(r.width, r.height);
    const GaussianKernel k = makeGaussianKernel(sigma, longest);
    if (k.g.empty()) return false;
    kernelSet().blur(r.data, r.stride, r.width, r.height, k.g.data(), k.e.data(), k.taps());
    return true;
}

bool gaussianBlur(CZVimage& img, const ZRect& region, double sigma) {
    return gaussianBlur(greyRegion(img, region), sigma);
}

double parseSigma(const std::string& text) { return std::atof(text.c_str()); }

}  // namespace ordavia
