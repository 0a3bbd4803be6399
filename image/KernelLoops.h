#pragma once
// The bodies behind KernelSet, included once per instruction set by
// KernelsBaseline.cpp and KernelsAvx2.cpp, each inside its own namespace.
// Plain flat loops over fixed-length blocks that the compiler turns into
// vector code for the target; the apex sums use the 16-bit multiply-add
// directly. Every loop computes exactly what the scalar formula does.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <immintrin.h>
#include <vector>

#include "image/KernelSet.h"

namespace ordavia::ORDAVIA_KERNEL_ISA {

#if defined(__AVX2__)
constexpr int kLanes = 32;  // bytes per vector register
// A block of kBlock pixels: 16-bit lanes in one register, floats in two.
constexpr int kBlock = 16;
using VF = __m256;
using VI = __m256i;
inline VF loadF(const float* p) { return _mm256_loadu_ps(p); }
inline VF set1F(float v) { return _mm256_set1_ps(v); }
inline VF addF(VF a, VF b) { return _mm256_add_ps(a, b); }
inline VF mulF(VF a, VF b) { return _mm256_mul_ps(a, b); }
inline VF clampF(VF v) { return _mm256_min_ps(_mm256_max_ps(v, _mm256_setzero_ps()), _mm256_set1_ps(255.0f)); }
inline VI loadBytes16(const uint8_t* p) { return _mm256_cvtepu8_epi16(_mm_loadu_si128((const __m128i*)p)); }
inline VI set1I16(int16_t v) { return _mm256_set1_epi16(v); }
inline VI loadU16(const uint16_t* p) { return _mm256_loadu_si256((const __m256i*)p); }
inline void storeU16(uint16_t* p, VI v) { _mm256_storeu_si256((__m256i*)p, v); }
inline VI addI16(VI a, VI b) { return _mm256_add_epi16(a, b); }
inline VI mulI16(VI a, VI b) { return _mm256_mullo_epi16(a, b); }
inline VF lowF(VI v) { return _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm256_castsi256_si128(v))); }
inline VF highF(VI v) { return _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm256_extracti128_si256(v, 1))); }
// Two registers of floats in 0..255 to kBlock bytes, truncated.
inline void storeBytes(VF a, VF b, uint8_t* out) {
    const __m256i w = _mm256_permute4x64_epi64(_mm256_packs_epi32(_mm256_cvttps_epi32(a), _mm256_cvttps_epi32(b)), 0xD8);
    _mm_storeu_si128((__m128i*)out, _mm_packus_epi16(_mm256_castsi256_si128(w), _mm256_extracti128_si256(w, 1)));
}
// Four registers of floats in 0..255 to 2 x kBlock bytes, truncated.
inline void storeBytes4(VF a, VF b, VF c, VF d, uint8_t* out) {
    const __m256i ab = _mm256_packs_epi32(_mm256_cvttps_epi32(a), _mm256_cvttps_epi32(b));
    const __m256i cd = _mm256_packs_epi32(_mm256_cvttps_epi32(c), _mm256_cvttps_epi32(d));
    const __m256i bytes = _mm256_packus_epi16(ab, cd);  // groups of four: a b c d of each half
    _mm256_storeu_si256((__m256i*)out, _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
}
// Running sums of 32-bit lanes: lane i of the result is carry + d[0] + ...
// + d[i]; carry becomes the last lane in every lane.
constexpr int kSumLanes = 8;
inline VI loadU16as32(const uint16_t* p) { return _mm256_cvtepu16_epi32(_mm_loadu_si128((const __m128i*)p)); }
inline VI runningSums(VI d, VI& carry) {
    d = _mm256_add_epi32(d, _mm256_slli_si256(d, 4));
    d = _mm256_add_epi32(d, _mm256_slli_si256(d, 8));
    const VI last = _mm256_shuffle_epi32(d, 0xFF);
    d = _mm256_add_epi32(d, _mm256_permute2x128_si256(last, last, 0x08));
    d = _mm256_add_epi32(d, carry);
    carry = _mm256_permutevar8x32_epi32(d, _mm256_set1_epi32(7));
    return d;
}
inline VI sub32(VI a, VI b) { return _mm256_sub_epi32(a, b); }
inline VI set1I32(int32_t v) { return _mm256_set1_epi32(v); }
inline void storeI32(int32_t* p, VI v) { _mm256_storeu_si256((__m256i*)p, v); }
#else
constexpr int kLanes = 16;
constexpr int kBlock = 8;
using VF = __m128;
using VI = __m128i;
inline VF loadF(const float* p) { return _mm_loadu_ps(p); }
inline VF set1F(float v) { return _mm_set1_ps(v); }
inline VF addF(VF a, VF b) { return _mm_add_ps(a, b); }
inline VF mulF(VF a, VF b) { return _mm_mul_ps(a, b); }
inline VF clampF(VF v) { return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f)); }
inline VI loadBytes16(const uint8_t* p) { return _mm_cvtepu8_epi16(_mm_loadl_epi64((const __m128i*)p)); }
inline VI set1I16(int16_t v) { return _mm_set1_epi16(v); }
inline VI loadU16(const uint16_t* p) { return _mm_loadu_si128((const __m128i*)p); }
inline void storeU16(uint16_t* p, VI v) { _mm_storeu_si128((__m128i*)p, v); }
inline VI addI16(VI a, VI b) { return _mm_add_epi16(a, b); }
inline VI mulI16(VI a, VI b) { return _mm_mullo_epi16(a, b); }
inline VF lowF(VI v) { return _mm_cvtepi32_ps(_mm_cvtepi16_epi32(v)); }
inline VF highF(VI v) { return _mm_cvtepi32_ps(_mm_cvtepi16_epi32(_mm_srli_si128(v, 8))); }
inline void storeBytes(VF a, VF b, uint8_t* out) {
    const __m128i w = _mm_packs_epi32(_mm_cvttps_epi32(a), _mm_cvttps_epi32(b));
    _mm_storel_epi64((__m128i*)out, _mm_packus_epi16(w, w));
}
inline void storeBytes4(VF a, VF b, VF c, VF d, uint8_t* out) {
    const __m128i ab = _mm_packs_epi32(_mm_cvttps_epi32(a), _mm_cvttps_epi32(b));
    const __m128i cd = _mm_packs_epi32(_mm_cvttps_epi32(c), _mm_cvttps_epi32(d));
    _mm_storeu_si128((__m128i*)out, _mm_packus_epi16(ab, cd));
}
constexpr int kSumLanes = 4;
inline VI loadU16as32(const uint16_t* p) { return _mm_cvtepu16_epi32(_mm_loadl_epi64((const __m128i*)p)); }
inline VI runningSums(VI d, VI& carry) {
    d = _mm_add_epi32(d, _mm_slli_si128(d, 4));
    d = _mm_add_epi32(d, _mm_slli_si128(d, 8));
    d = _mm_add_epi32(d, carry);
    carry = _mm_shuffle_epi32(d, 0xFF);
    return d;
}
inline VI sub32(VI a, VI b) { return _mm_sub_epi32(a, b); }
inline VI set1I32(int32_t v) { return _mm_set1_epi32(v); }
inline void storeI32(int32_t* p, VI v) { _mm_storeu_si128((__m128i*)p, v); }
#endif
constexpr int kHalf = kBlock / 2;  // floats per register

// ---- box filter ------------------------------------------------------------

// q = a / b for 0 <= a < 2^24, 1 <= b and a quotient of at most 255: the
// float estimate is within one of the truth, the remainder puts it right.
inline int exactQuotient(int a, int b, float inv) {
    int q = int(float(a) * inv);
    const int r = a - q * b;
    q += (r >= b) ? 1 : 0;
    q -= (r < 0) ? 1 : 0;
    return q;
}

// The same for divisors up to 4096 with inv rounded up: the estimate never
// falls below the quotient and overshoots by less than 1e-4, while a
// quotient short of the next whole number is short by at least 1 / 4096.
inline int smallQuotient(int a, float invUp) { return int(float(a) * invUp); }

template <class Sum>
void boxOutput(const Sum* __restrict s, const int* __restrict cnt, const float* __restrict inv,
               const uint8_t* __restrict p, uint8_t* __restrict out, int w, bool high, bool small) {
    if (small) {
        if (!high) {
            for (int x = 0; x < w; ++x) out[x] = uint8_t(smallQuotient(int(s[x]), inv[x]));
        } else {
            for (int x = 0; x < w; ++x) {
                const int q = smallQuotient(int(s[x]) - int(p[x]), inv[x]);
                int v = int(p[x]) - q + 128;
                v = v < 0 ? 0 : v;
                v = v > 255 ? 255 : v;
                out[x] = uint8_t(v);
            }
        }
        return;
    }
    if (!high) {
        for (int x = 0; x < w; ++x) out[x] = uint8_t(exactQuotient(int(s[x]), cnt[x], inv[x]));
    } else {
        // cnt and inv hold count - 1 here.
        for (int x = 0; x < w; ++x) {
            const int q = exactQuotient(int(s[x]) - int(p[x]), cnt[x], inv[x]);
            int v = int(p[x]) - q + 128;
            v = v < 0 ? 0 : v;
            v = v > 255 ? 255 : v;
            out[x] = uint8_t(v);
        }
    }
}

// Rows [y0, y1) of the box filter of the w x h picture src into dst. With
// src == dst (in place) the rows the output overwrote are kept in a ring
// until the column sums have taken them out; with a separate source the
// rows are read from it, so that bands of rows can run side by side.
inline void boxRows(const uint8_t* src, ptrdiff_t sstride, uint8_t* dst, ptrdiff_t dstride, int w, int h, int k,
                    bool high, int y0, int y1) {
    const bool inPlace = src == dst;
    const int L = 2 * k + 1;
    const int pw = w + 2 * k;
    // Column sums of the cut window (at most 255 x 255), zero-padded by k
    // on each side so that the row sums need no tests.
    std::vector<uint16_t> colp(size_t(pw) + kLanes, 0);
    uint16_t* col = colp.data() + k;
    // The original rows that the output has overwritten but the column
    // sums still have to take out again.
    std::vector<uint8_t> ring(inPlace ? size_t(k + 1) * size_t(w) : 0);
    std::vector<uint16_t> s16(L <= 15 ? size_t(w) + kLanes : 0);
    std::vector<int32_t> s32(L <= 15 ? 0 : size_t(w) + kLanes);
    std::vector<int> hcount(static_cast<size_t>(w)), cnt(static_cast<size_t>(w)), cntFull(static_cast<size_t>(w));
    std::vector<float> inv(static_cast<size_t>(w)), invFull(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) hcount[size_t(x)] = std::min(w - 1, x + k) - std::max(0, x - k) + 1;
    const int minus = high ? 1 : 0;
    const bool small = L * L <= 4096;
    auto inverse = [small](int c) { return small ? std::nextafter(1.0f / float(c), 2.0f) : 1.0f / float(c); };
    for (int x = 0; x < w; ++x) {
        cntFull[size_t(x)] = hcount[size_t(x)] * L - minus;
        invFull[size_t(x)] = inverse(cntFull[size_t(x)]);
    }
    for (int y = std::max(0, y0 - k); y <= std::min(y0 + k, h - 1); ++y) {
        const uint8_t* r = src + ptrdiff_t(y) * sstride;
        for (int x = 0; x < w; ++x) col[x] = uint16_t(col[x] + r[x]);
    }
    for (int y = y0; y < y1; ++y) {
        uint8_t* row = dst + ptrdiff_t(y) * dstride;
        if (y > y0) {
            if (y + k < h) {
                const uint8_t* r = src + ptrdiff_t(y + k) * sstride;
                for (int x = 0; x < w; ++x) col[x] = uint16_t(col[x] + r[x]);
            }
            if (y - k - 1 >= 0) {
                const uint8_t* r = inPlace ? ring.data() + size_t((y - k - 1) % (k + 1)) * size_t(w)
                                           : src + ptrdiff_t(y - k - 1) * sstride;
                for (int x = 0; x < w; ++x) col[x] = uint16_t(col[x] - r[x]);
            }
        }
        const uint8_t* saved = src + ptrdiff_t(y) * sstride;
        if (inPlace) {
            uint8_t* keep = ring.data() + size_t(y % (k + 1)) * size_t(w);
            std::memcpy(keep, row, size_t(w));
            saved = keep;
        }
        const int vcount = std::min(h - 1, y + k) - std::max(0, y - k) + 1;
        const int* c = cntFull.data();
        const float* iv = invFull.data();
        if (vcount != L) {
            for (int x = 0; x < w; ++x) {
                cnt[size_t(x)] = hcount[size_t(x)] * vcount - minus;
                inv[size_t(x)] = inverse(cnt[size_t(x)]);
            }
            c = cnt.data();
            iv = inv.data();
        }
        if (L <= 15) {
            // Short windows: the row sum is L shifted vector adds (fits 16 bits).
            uint16_t* __restrict s = s16.data();
            const uint16_t* cp = colp.data();
            int x = 0;
            for (; x + kBlock <= w; x += kBlock) {
                VI acc = loadU16(cp + x);
                for (int i = 1; i < L; ++i) acc = addI16(acc, loadU16(cp + x + i));
                storeU16(s + x, acc);
            }
            for (; x < w; ++x) {
                int acc = 0;
                for (int i = 0; i < L; ++i) acc += cp[x + i];
                s[x] = uint16_t(acc);
            }
            boxOutput(s, c, iv, saved, row, w, high, small);
        } else {
            // Long windows: a running sum along the row.
            int32_t* __restrict s = s32.data();
            const uint16_t* cp = colp.data();
            int32_t run = 0;
            for (int i = 0; i < L; ++i) run += cp[i];
            s[0] = run;
            // s[x] = s[x - 1] + cp[x + L - 1] - cp[x - 1], a block of
            // lanes at a time: whole numbers, so the same sums.
            int x = 1;
            VI carry = set1I32(run);
            for (; x + kSumLanes <= w; x += kSumLanes)
                storeI32(s + x, runningSums(sub32(loadU16as32(cp + x + L - 1), loadU16as32(cp + x - 1)), carry));
            run = s[x - 1];
            for (; x < w; ++x) {
                run += int32_t(cp[x + L - 1]) - int32_t(cp[x - 1]);
                s[x] = run;
            }
            boxOutput(s, c, iv, saved, row, w, high, small);
        }
    }
}

inline void box(uint8_t* data, ptrdiff_t stride, int w, int h, int k, bool high) {
    boxRows(data, stride, data, stride, w, h, k, high, 0, h);
}

// ---- apex filter -------------------------------------------------------------

inline void apexRow(const uint8_t* src, ptrdiff_t stride, int w, int h, const int16_t* taps, int r, int y,
                    int16_t* fold, int32_t* sums) {
    const int fs = apexFoldStride(w, r);
    const int ts = 2 * r + 1;
    // fold[dy][r + x] = p(x, y - dy) + p(x, y + dy), zero outside.
    for (int dy = 0; dy <= r; ++dy) {
        int16_t* __restrict f = fold + size_t(dy) * size_t(fs);
        std::fill(f, f + fs, int16_t(0));
        const int ya = y - dy, yb = y + dy;
        const uint8_t* a = ya >= 0 ? src + ptrdiff_t(ya) * stride : nullptr;
        const uint8_t* b = (dy > 0 && yb < h) ? src + ptrdiff_t(yb) * stride : nullptr;
        int16_t* d = f + r;
        if (a && b)
            for (int x = 0; x < w; ++x) d[x] = int16_t(a[x] + b[x]);
        else if (a || b) {
            const uint8_t* s = a ? a : b;
            for (int x = 0; x < w; ++x) d[x] = int16_t(s[x]);
        }
    }
    // Even and odd outputs separately: lane l of a load at f + x0 + 2m (+1)
    // holds the pair of samples that taps 2m and 2m + 1 weigh for output
    // x0 + 2l (+1), so one multiply-add covers two taps.
    const int pairs = r + 1;
#if defined(__AVX2__)
    constexpr int step = 16;
    for (int x0 = 0; x0 < w; x0 += step) {
        __m256i ev = _mm256_setzero_si256(), od = _mm256_setzero_si256();
        for (int dy = 0; dy <= r; ++dy) {
            const int16_t* f = fold + size_t(dy) * size_t(fs) + x0;
            const int16_t* t = taps + size_t(r + dy) * size_t(ts);
            for (int m = 0; m < pairs; ++m) {
                const int16_t ta = t[2 * m], tb = 2 * m + 1 < ts ? t[2 * m + 1] : int16_t(0);
                const __m256i tp = _mm256_set1_epi32(int32_t(uint16_t(ta)) | int32_t(uint32_t(uint16_t(tb)) << 16));
                ev = _mm256_add_epi32(ev, _mm256_madd_epi16(_mm256_loadu_si256((const __m256i*)(f + 2 * m)), tp));
                od = _mm256_add_epi32(od, _mm256_madd_epi16(_mm256_loadu_si256((const __m256i*)(f + 2 * m + 1)), tp));
            }
        }
        const __m256i lo = _mm256_unpacklo_epi32(ev, od), hi = _mm256_unpackhi_epi32(ev, od);
        alignas(32) int32_t out[16];
        _mm256_store_si256((__m256i*)out, _mm256_permute2x128_si256(lo, hi, 0x20));
        _mm256_store_si256((__m256i*)(out + 8), _mm256_permute2x128_si256(lo, hi, 0x31));
        const int n = std::min(step, w - x0);
        std::memcpy(sums + x0, out, size_t(n) * sizeof(int32_t));
    }
#else
    constexpr int step = 8;
    for (int x0 = 0; x0 < w; x0 += step) {
        __m128i ev = _mm_setzero_si128(), od = _mm_setzero_si128();
        for (int dy = 0; dy <= r; ++dy) {
            const int16_t* f = fold + size_t(dy) * size_t(fs) + x0;
            const int16_t* t = taps + size_t(r + dy) * size_t(ts);
            for (int m = 0; m < pairs; ++m) {
                const int16_t ta = t[2 * m], tb = 2 * m + 1 < ts ? t[2 * m + 1] : int16_t(0);
                const __m128i tp = _mm_set1_epi32(int32_t(uint16_t(ta)) | int32_t(uint32_t(uint16_t(tb)) << 16));
                ev = _mm_add_epi32(ev, _mm_madd_epi16(_mm_loadu_si128((const __m128i*)(f + 2 * m)), tp));
                od = _mm_add_epi32(od, _mm_madd_epi16(_mm_loadu_si128((const __m128i*)(f + 2 * m + 1)), tp));
            }
        }
        alignas(16) int32_t out[8];
        _mm_store_si128((__m128i*)out, _mm_unpacklo_epi32(ev, od));
        _mm_store_si128((__m128i*)(out + 4), _mm_unpackhi_epi32(ev, od));
        const int n = std::min(step, w - x0);
        std::memcpy(sums + x0, out, size_t(n) * sizeof(int32_t));
    }
#endif
}

}  // namespace ordavia::ORDAVIA_KERNEL_ISA

#include "image/BlurKernelLoops.h"

namespace ordavia::ORDAVIA_KERNEL_ISA {

// ---- 3 x 3 correlation ------------------------------------------------------------

inline void conv3(const uint8_t* pad, int w, int h, const int32_t* k, float gain, float offset, uint8_t* dst,
                  ptrdiff_t dstride) {
    const int pw = w + 2;
    const int32_t k0 = k[0], k1 = k[1], k2 = k[2], k3 = k[3], k4 = k[4], k5 = k[5], k6 = k[6], k7 = k[7], k8 = k[8];
    int64_t absSum = 0;
    for (int i = 0; i < 9; ++i) absSum += k[i] < 0 ? -int64_t(k[i]) : int64_t(k[i]);
    // Sums within 16 bits: one multiply per weight for a whole block.
    const bool short16 = absSum * 255 <= 32767;
    VI kv[9];
    for (int i = 0; i < 9; ++i) kv[i] = set1I16(int16_t(short16 ? k[i] : 0));
    const VF gv = set1F(gain), ov = set1F(offset);
    for (int y = 0; y < h; ++y) {
        const uint8_t* __restrict a = pad + size_t(y) * size_t(pw);
        const uint8_t* __restrict b = a + pw;
        const uint8_t* __restrict c = b + pw;
        uint8_t* __restrict d = dst + ptrdiff_t(y) * dstride;
        int x = 0;
        if (short16)
            for (; x + kBlock <= w; x += kBlock) {
                VI v = mulI16(kv[0], loadBytes16(a + x));
                v = addI16(v, mulI16(kv[1], loadBytes16(a + x + 1)));
                v = addI16(v, mulI16(kv[2], loadBytes16(a + x + 2)));
                v = addI16(v, mulI16(kv[3], loadBytes16(b + x)));
                v = addI16(v, mulI16(kv[4], loadBytes16(b + x + 1)));
                v = addI16(v, mulI16(kv[5], loadBytes16(b + x + 2)));
                v = addI16(v, mulI16(kv[6], loadBytes16(c + x)));
                v = addI16(v, mulI16(kv[7], loadBytes16(c + x + 1)));
                v = addI16(v, mulI16(kv[8], loadBytes16(c + x + 2)));
                storeBytes(clampF(addF(mulF(lowF(v), gv), ov)), clampF(addF(mulF(highF(v), gv), ov)), d + x);
            }
        for (; x < w; ++x) {
            const int32_t v = k0 * a[x] + k1 * a[x + 1] + k2 * a[x + 2] + k3 * b[x] + k4 * b[x + 1] + k5 * b[x + 2] +
                              k6 * c[x] + k7 * c[x + 1] + k8 * c[x + 2];
            float t = float(v) * gain + offset;
            t = t > 0.0f ? t : 0.0f;
            t = t < 255.0f ? t : 255.0f;
            d[x] = uint8_t(int(t));
        }
    }
}

// ---- point operations -----------------------------------------------------------

inline void affine(uint8_t* p, size_t n, float gain, float offset) {
    uint8_t* __restrict q = p;
    const VF gv = set1F(gain), ov = set1F(offset);
    size_t i = 0;
    // The block is read whole before it is written, so in place is safe.
    for (; i + 2 * kBlock <= n; i += 2 * kBlock) {
        const VI v = loadBytes16(q + i), u = loadBytes16(q + i + kBlock);
        storeBytes4(clampF(addF(mulF(lowF(v), gv), ov)), clampF(addF(mulF(highF(v), gv), ov)),
                    clampF(addF(mulF(lowF(u), gv), ov)), clampF(addF(mulF(highF(u), gv), ov)), q + i);
    }
    for (; i + kBlock <= n; i += kBlock) {
        const VI v = loadBytes16(q + i);
        storeBytes(clampF(addF(mulF(lowF(v), gv), ov)), clampF(addF(mulF(highF(v), gv), ov)), q + i);
    }
    for (; i < n; ++i) {
        float t = float(q[i]) * gain + offset;
        t = t > 0.0f ? t : 0.0f;
        t = t < 255.0f ? t : 255.0f;
        q[i] = uint8_t(int(t));
    }
}

inline void fixedMap(uint8_t* p, size_t n, uint16_t a, uint16_t add, uint16_t sub, int shift) {
    uint8_t* __restrict q = p;
    size_t i = 0;
    // p x 256 is a byte unpacked above a zero byte.
#if defined(__AVX2__)
    const __m256i zero = _mm256_setzero_si256(), av = _mm256_set1_epi16(int16_t(a));
    const __m256i addv = _mm256_set1_epi16(int16_t(add)), subv = _mm256_set1_epi16(int16_t(sub));
    const __m256i top = _mm256_set1_epi16(255);
    const __m128i sh = _mm_cvtsi32_si128(shift);
    auto half = [&](__m256i v) {
        v = _mm256_subs_epu16(_mm256_adds_epu16(_mm256_mulhi_epu16(v, av), addv), subv);
        return _mm256_min_epu16(_mm256_srl_epi16(v, sh), top);
    };
    for (; i + 32 <= n; i += 32) {
        const __m256i v = _mm256_loadu_si256((const __m256i*)(q + i));
        const __m256i lo = half(_mm256_unpacklo_epi8(zero, v)), hi = half(_mm256_unpackhi_epi8(zero, v));
        _mm256_storeu_si256((__m256i*)(q + i), _mm256_packus_epi16(lo, hi));
    }
#else
    const __m128i zero = _mm_setzero_si128(), av = _mm_set1_epi16(int16_t(a));
    const __m128i addv = _mm_set1_epi16(int16_t(add)), subv = _mm_set1_epi16(int16_t(sub));
    const __m128i top = _mm_set1_epi16(255);
    const __m128i sh = _mm_cvtsi32_si128(shift);
    auto half = [&](__m128i v) {
        v = _mm_subs_epu16(_mm_adds_epu16(_mm_mulhi_epu16(v, av), addv), subv);
        return _mm_min_epu16(_mm_srl_epi16(v, sh), top);
    };
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128((const __m128i*)(q + i));
        const __m128i lo = half(_mm_unpacklo_epi8(zero, v)), hi = half(_mm_unpackhi_epi8(zero, v));
        _mm_storeu_si128((__m128i*)(q + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < n; ++i) q[i] = fixedByte(q[i], a, add, sub, shift);
}

inline void threshold(uint8_t* p, size_t n, uint8_t level, uint8_t below) {
    uint8_t* __restrict q = p;
    for (size_t i = 0; i < n; ++i) q[i] = q[i] > level ? 255 : below;
}

inline void invert(uint8_t* p, size_t n) {
    uint8_t* __restrict q = p;
    for (size_t i = 0; i < n; ++i) q[i] = uint8_t(255 - q[i]);
}

inline void subtract(uint8_t* p, const uint8_t* q, size_t n) {
    uint8_t* __restrict a = p;
    const uint8_t* __restrict b = q;
    for (size_t i = 0; i < n; ++i) a[i] = static_cast<uint8_t>(a[i] > b[i] ? a[i] - b[i] : 0);
}

inline KernelSet makeKernelSet() {
    return KernelSet{box, boxRows, apexRow, blur, conv3, affine, fixedMap, threshold, invert, subtract};
}

}  // namespace ordavia::ORDAVIA_KERNEL_ISA
