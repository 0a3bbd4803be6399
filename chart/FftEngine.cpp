#include "chart/FftEngine.h"

#include <cmath>
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

int FftEngine::sizeCheck(int n) {
    switch (n) {
        case 4: return 1;
        case 16: return 2;
        case 64: return 3;
        case 256: return 4;
        case 1024: return 5;
        case 4096: return 6;
        default: break;
    }
    if (n > 4096) return -3;
    if (n < 4) return -1;
    return -2;
}

// The butterflies run over separate real and imaginary arrays, so the
// compiler vectorises them; where the processor has AVX2 a second copy
// does four at a time (chosen once, when the program loads). FMA stays
// off in both, so both give the same bits.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define ORDAVIA_FFT_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define ORDAVIA_FFT_CLONES
#endif

namespace {

// One radix-4 butterfly group of a stage: four quarter-rows of m points and
// their twiddles. Parameters, not locals, carry the no-alias promise the
// vectoriser needs.
inline __attribute__((always_inline)) void butterflies(int m, double* __restrict r0, double* __restrict i0,
                                                       double* __restrict r1, double* __restrict i1,
                                                       double* __restrict r2, double* __restrict i2,
                                                       double* __restrict r3, double* __restrict i3,
                                                       const double* __restrict w1r, const double* __restrict w1i,
                                                       const double* __restrict w2r, const double* __restrict w2i,
                                                       const double* __restrict w3r, const double* __restrict w3i) {
    for (int j = 0; j < m; ++j) {
        const double x0r = r0[j], x0i = i0[j];
        const double x1r = r1[j] * w1r[j] - i1[j] * w1i[j], x1i = r1[j] * w1i[j] + i1[j] * w1r[j];
        const double x2r = r2[j] * w2r[j] - i2[j] * w2i[j], x2i = r2[j] * w2i[j] + i2[j] * w2r[j];
        const double x3r = r3[j] * w3r[j] - i3[j] * w3i[j], x3i = r3[j] * w3i[j] + i3[j] * w3r[j];
        const double ar = x0r + x2r, ai = x0i + x2i, br = x0r - x2r, bi = x0i - x2i;
        const double cr = x1r + x3r, ci = x1i + x3i, dr = x1r - x3r, di = x1i - x3i;
        r0[j] = ar + cr;
        i0[j] = ai + ci;
        r2[j] = ar - cr;
        i2[j] = ai - ci;
        r1[j] = br + di;
        i1[j] = bi - dr;
        r3[j] = br - di;
        i3[j] = bi + dr;
    }
}

// Rotation recurrence: one cosine and one square root per table. The step
// is taken in double precision; a single-precision step (as older builds
// used) is off by about 3e-8 of the angle, which shows as 1e-7 relative
// error in every spectrum.
void rotationTable(double step, int n, std::vector<double>& c, std::vector<double>& s) {
    c.assign(static_cast<size_t>(n), 0.0);
    s.assign(static_cast<size_t>(n), 0.0);
    const double c1 = std::cos(step);
    const double s1 = -std::sqrt(1.0 - c1 * c1);
    c[0] = 1.0;
    s[0] = 0.0;
    if (n > 1) {
        c[1] = c1;
        s[1] = s1;
    }
    for (int k = 1; k + 1 < n; ++k) {
        c[k + 1] = c1 * c[k] - s1 * s[k];
        s[k + 1] = c1 * s[k] + s1 * c[k];
    }
}
// The digit reversal and the first stage in one pass for the real
// spectrum. The group of the reordered array at g = rev(r), r < n/4, holds
// the samples r + q n/4 (q = 0..3), so each butterfly reads four
// contiguous quarter-rows of the interleaved samples and writes four
// neighbours: the same sums as the first stage over the gathered array.
// A butterfly whose twiddles are all 1 (the first stage's), its outputs
// at re/im[g .. g + 3].
inline __attribute__((always_inline)) void unitButterfly(double x0r, double x0i, double x1r, double x1i, double x2r,
                                                         double x2i, double x3r, double x3i, double* re, double* im,
                                                         size_t g) {
    const double ar = x0r + x2r, ai = x0i + x2i, br = x0r - x2r, bi = x0i - x2i;
    const double cr = x1r + x3r, ci = x1i + x3i, dr = x1r - x3r, di = x1i - x3i;
    re[g] = ar + cr;
    im[g] = ai + ci;
    re[g + 2] = ar - cr;
    im[g + 2] = ai - ci;
    re[g + 1] = br + di;
    im[g + 1] = bi - dr;
    re[g + 3] = br - di;
    im[g + 3] = bi + dr;
}

inline void firstStageOf(const double* x, int r, double* re, double* im, uint32_t g, int q) {
    const double* p0 = x + 2 * size_t(r);
    const double* p1 = p0 + 2 * size_t(q);
    const double* p2 = p1 + 2 * size_t(q);
    const double* p3 = p2 + 2 * size_t(q);
    unitButterfly(p0[0], p0[1], p1[0], p1[1], p2[0], p2[1], p3[0], p3[1], re, im, g);
}

void gatherFirstStagePlain(const double* x, const uint32_t* rev, int n, double* re, double* im) {
    const int q = n / 4;
    for (int r = 0; r < q; ++r) firstStageOf(x, r, re, im, rev[r], q);
}

#if defined(__GNUC__) && defined(__x86_64__)
// Four butterflies at a time: the quarter-rows are split into real and
// imaginary lanes (in the lane order r, r + 2, r + 1, r + 3), and the four
// outputs of each butterfly are turned back into rows of four.
__attribute__((target("avx2"), always_inline)) inline void butterflyRows(double* out, const uint32_t* rev, __m256d o0,
                                                                           __m256d o1, __m256d o2, __m256d o3) {
    const __m256d t0 = _mm256_unpacklo_pd(o0, o1), t1 = _mm256_unpackhi_pd(o0, o1);
    const __m256d t2 = _mm256_unpacklo_pd(o2, o3), t3 = _mm256_unpackhi_pd(o2, o3);
    _mm256_storeu_pd(out + rev[0], _mm256_permute2f128_pd(t0, t2, 0x20));
    _mm256_storeu_pd(out + rev[2], _mm256_permute2f128_pd(t1, t3, 0x20));
    _mm256_storeu_pd(out + rev[1], _mm256_permute2f128_pd(t0, t2, 0x31));
    _mm256_storeu_pd(out + rev[3], _mm256_permute2f128_pd(t1, t3, 0x31));
}

__attribute__((target("avx2"))) void gatherFirstStageAvx2(const double* x, const uint32_t* rev, int n, double* re,
                                                           double* im) {
    const int q = n / 4;
    int r = 0;
    for (; r + 4 <= q; r += 4) {
        __m256d xr[4], xi[4];
        for (int k = 0; k < 4; ++k) {
            const double* p = x + 2 * (size_t(r) + size_t(k) * size_t(q));
            const __m256d a = _mm256_loadu_pd(p), b = _mm256_loadu_pd(p + 4);
            xr[k] = _mm256_unpacklo_pd(a, b);
            xi[k] = _mm256_unpackhi_pd(a, b);
        }
        const __m256d ar = _mm256_add_pd(xr[0], xr[2]), ai = _mm256_add_pd(xi[0], xi[2]);
        const __m256d br = _mm256_sub_pd(xr[0], xr[2]), bi = _mm256_sub_pd(xi[0], xi[2]);
        const __m256d cr = _mm256_add_pd(xr[1], xr[3]), ci = _mm256_add_pd(xi[1], xi[3]);
        const __m256d dr = _mm256_sub_pd(xr[1], xr[3]), di = _mm256_sub_pd(xi[1], xi[3]);
        butterflyRows(re, rev + r, _mm256_add_pd(ar, cr), _mm256_add_pd(br, di), _mm256_sub_pd(ar, cr),
                      _mm256_sub_pd(br, di));
        butterflyRows(im, rev + r, _mm256_add_pd(ai, ci), _mm256_sub_pd(bi, dr), _mm256_sub_pd(ai, ci),
                      _mm256_add_pd(bi, dr));
    }
    for (; r < q; ++r) firstStageOf(x, r, re, im, rev[r], q);
}

bool fftHasAvx2() {
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return avx2;
}
#endif

void gatherFirstStage(const double* x, const uint32_t* rev, int n, double* re, double* im) {
#if defined(__GNUC__) && defined(__x86_64__)
    if (fftHasAvx2()) {
        gatherFirstStageAvx2(x, rev, n, re, im);
        return;
    }
#endif
    gatherFirstStagePlain(x, rev, n, re, im);
}

}  // namespace

bool FftEngine::Prepare(int n) {
    if (n_ != 0) return false;
    const int code = sizeCheck(n);
    if (code <= 0) return false;
    const size_t n2 = static_cast<size_t>(2 * n);
    imOffset_ = n2 + 72;
    work_.assign(imOffset_ + n2, 0.0);
    unRe_.assign(n2, 0.0);
    unIm_.assign(n2, 0.0);
    rotationTable(M_PI / (n / 2), n, cos_, sin_);

    // Unpacking twiddles e^(-i pi k / n): even k are the main table's k/2;
    // odd k need the half steps the main table does not hold (taking the
    // entry of k - 1 instead smears every odd bin by half a bin's phase).
    std::vector<double> hc, hs;
    rotationTable(M_PI / n, n, hc, hs);
    halfCos_.resize(static_cast<size_t>(n));
    halfSin_.resize(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        halfCos_[k] = (k & 1) ? hc[k] : cos_[k / 2];
        halfSin_[k] = (k & 1) ? hs[k] : sin_[k / 2];
    }

    stageTw_.clear();
    for (int m = 4; m < n; m *= 4) {
        const int t = n / (4 * m);
        for (int w = 1; w <= 3; ++w) {
            for (int j = 0; j < m; ++j) stageTw_.push_back(cos_[static_cast<size_t>(w * j * t)]);
            stageTw_.insert(stageTw_.end(), kTwPad, 0.0);
            for (int j = 0; j < m; ++j) stageTw_.push_back(sin_[static_cast<size_t>(w * j * t)]);
            stageTw_.insert(stageTw_.end(), kTwPad, 0.0);
        }
    }
    swaps_.clear();
    reversed_.assign(static_cast<size_t>(n), 0);
    for (int k = 1; k < n; ++k) {
        int j = 0, v = k;
        for (int d = 0; d < code; ++d) {
            j = (j << 2) | (v & 3);
            v >>= 2;
        }
        reversed_[static_cast<size_t>(k)] = static_cast<uint32_t>(j);
        if (j > k) {
            swaps_.push_back(static_cast<uint32_t>(k));
            swaps_.push_back(static_cast<uint32_t>(j));
        }
    }
    n_ = n;
    code_ = code;
    return true;
}

void FftEngine::complexTransform(double* re, double* im, bool inverse) {
    const int n = n_;
    if (n == 0) return;
    passes(re, im, inverse);
    if (inverse) {
        for (int i = 0; i < n; ++i) im[i] = -im[i];
    } else {
        const double s = 1.0 / n;
        for (int i = 0; i < n; ++i) {
            re[i] *= s;
            im[i] *= s;
        }
    }
}

ORDAVIA_FFT_CLONES void FftEngine::passes(double* __restrict re, double* __restrict im, bool inverse, bool firstDone) {
    const int n = n_;
    for (size_t i = 0; !firstDone && i < swaps_.size(); i += 2) {
        const uint32_t k = swaps_[i], j = swaps_[i + 1];
        std::swap(re[k], re[j]);
        std::swap(im[k], im[j]);
    }
    if (inverse)
        for (int i = 0; i < n; ++i) im[i] = -im[i];

    // First stage: all twiddles are 1.
    for (int g = 0; !firstDone && g < n; g += 4)
        unitButterfly(re[g], im[g], re[g + 1], im[g + 1], re[g + 2], im[g + 2], re[g + 3], im[g + 3], re, im, size_t(g));
    const double* tw = stageTw_.data();
    for (int m = 4; m < n; m *= 4) {
        const int span = 4 * m;
        const int ts = m + kTwPad;
        const double* __restrict w1r = tw;
        const double* __restrict w1i = tw + ts;
        const double* __restrict w2r = tw + 2 * ts;
        const double* __restrict w2i = tw + 3 * ts;
        const double* __restrict w3r = tw + 4 * ts;
        const double* __restrict w3i = tw + 5 * ts;
        tw += 6 * ts;
        for (int g = 0; g < n; g += span)
            butterflies(m, re + g, im + g, re + g + m, im + g + m, re + g + 2 * m, im + g + 2 * m, re + g + 3 * m,
                        im + g + 3 * m, w1r, w1i, w2r, w2i, w3r, w3i);
    }
}

void FftEngine::unpackReal() {
    const int n = n_;
    constexpr double kEdge = 0.7071067623730956;
    constexpr double kInner = 0.3535533811865478;
    const double* re = work_.data();
    const double* im = work_.data() + imOffset_;
    double* ur = unRe_.data();
    double* ui = unIm_.data();
    ur[0] = (re[0] + im[0]) * kEdge;
    ui[0] = 0.0;
    ur[n] = (re[0] - im[0]) * kEdge;
    ui[n] = 0.0;
    for (int k = 1; k < n; ++k) {
        const double a = re[k], b = re[n - k], p = im[k], q = im[n - k];
        const double c = halfCos_[k], s = halfSin_[k];
        const double r = (a + b + (a - b) * s + (p + q) * c) * kInner;
        const double i = ((p + q) * s + (p - q) - (a - b) * c) * kInner;
        ur[k] = r;
        ui[k] = i;
        ur[2 * n - k] = r;
        ui[2 * n - k] = -i;
    }
}

ORDAVIA_FFT_CLONES void FftEngine::realPowerSpectrum(const double* samples, double* power) {
    const int n = n_;
    if (n == 0) return;
    double* re = work_.data();
    double* im = work_.data() + imOffset_;
    // Packed straight into digit-reversed order, through the first stage.
    gatherFirstStage(samples, reversed_.data(), n, re, im);
    // The forward 1/n scaling is folded into the unpacking factors, and the
    // powers are taken as the bins are unpacked: the same values as
    // complexTransform + unpackReal, with three passes over memory fewer.
    passes(re, im, false, true);
    const double edge = 0.7071067623730956 / n, inner = 0.3535533811865478 / n;
    const double e0 = (re[0] + im[0]) * edge;
    power[0] = e0 * e0;
    const double* hc = halfCos_.data();
    const double* hs = halfSin_.data();
    for (int k = 1; k < n; ++k) {
        const double a = re[k], b = re[n - k], p = im[k], q = im[n - k];
        const double c = hc[k], s = hs[k];
        const double r = (a + b + (a - b) * s + (p + q) * c) * inner;
        const double i = ((p + q) * s + (p - q) - (a - b) * c) * inner;
        power[k] = r * r + i * i;
    }
}

void FftEngine::complexPowerSpectrum(double* re, double* im, double* power) {
    if (n_ == 0) return;
    complexTransform(re, im, false);
    for (int k = 0; k < n_; ++k) power[k] = re[k] * re[k] + im[k] * im[k];
}
