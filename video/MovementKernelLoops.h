#pragma once
// The body behind MovementKernels, included once per instruction set by
// MovementKernelsBaseline.cpp and MovementKernelsAvx2.cpp.
//
// For one vertical shift, every horizontal shift of the run is a lane: the
// reference value of a sample is broadcast and compared with the bytes of
// the frame that lie one lane apart. Two samples are interleaved so that
// one 16-bit multiply-add squares and adds both into 32-bit lanes; the
// lanes come back in a fixed permuted order that flush() undoes.
#include <immintrin.h>

#include <algorithm>
#include <cstdint>

#include "video/MovementKernels.h"

namespace ordavia::ORDAVIA_MOVEMENT_ISA {

#if defined(__AVX2__)
constexpr int kBlock = 16;  // shifts per register of 16-bit lanes
using VI = __m256i;
inline VI load16(const uint8_t* p) { return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))); }
inline VI bcast(int16_t v) { return _mm256_set1_epi16(v); }
inline VI zero() { return _mm256_setzero_si256(); }
inline VI sub16(VI a, VI b) { return _mm256_sub_epi16(a, b); }
inline VI add32(VI a, VI b) { return _mm256_add_epi32(a, b); }
inline VI lo16(VI a, VI b) { return _mm256_unpacklo_epi16(a, b); }
inline VI hi16(VI a, VI b) { return _mm256_unpackhi_epi16(a, b); }
inline VI madd(VI a) { return _mm256_madd_epi16(a, a); }
inline void store(int32_t* p, VI v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
// Lane k of (lo, hi) stored one after the other holds shift kOrder[k]:
// the unpacks work inside each 128-bit half.
constexpr int kOrder[16] = {0, 1, 2, 3, 8, 9, 10, 11, 4, 5, 6, 7, 12, 13, 14, 15};
#else
constexpr int kBlock = 8;
using VI = __m128i;
inline VI load16(const uint8_t* p) { return _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))); }
inline VI bcast(int16_t v) { return _mm_set1_epi16(v); }
inline VI zero() { return _mm_setzero_si128(); }
inline VI sub16(VI a, VI b) { return _mm_sub_epi16(a, b); }
inline VI add32(VI a, VI b) { return _mm_add_epi32(a, b); }
inline VI lo16(VI a, VI b) { return _mm_unpacklo_epi16(a, b); }
inline VI hi16(VI a, VI b) { return _mm_unpackhi_epi16(a, b); }
inline VI madd(VI a) { return _mm_madd_epi16(a, a); }
inline void store(int32_t* p, VI v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
constexpr int kOrder[8] = {0, 1, 2, 3, 4, 5, 6, 7};
#endif

// A pair adds at most 2 x 255^2 to a lane: 16000 pairs stay below 2^31.
constexpr int kChunk = 32000;

inline void flush(VI lo, VI hi, uint64_t* out, int from) {
    alignas(32) int32_t t[kBlock];
    store(t, lo);
    store(t + kBlock / 2, hi);
    for (int k = 0; k < kBlock; ++k)
        if (kOrder[k] >= from) out[kOrder[k]] += uint32_t(t[k]);
}

// Two blocks of shifts at once (base b and b + kBlock), samples [s0, s1).
inline void twoBlocks(const int16_t* ref, const int32_t* off, int s0, int s1, const uint8_t* img, uint64_t* out) {
    VI a0 = zero(), a1 = zero(), b0 = zero(), b1 = zero();
    int s = s0;
    for (; s + 1 < s1; s += 2) {
        const VI f = bcast(ref[s]), g = bcast(ref[s + 1]);
        const uint8_t* p = img + off[s];
        const uint8_t* q = img + off[s + 1];
        const VI d0 = sub16(load16(p), f), e0 = sub16(load16(q), g);
        const VI d1 = sub16(load16(p + kBlock), f), e1 = sub16(load16(q + kBlock), g);
        a0 = add32(a0, madd(lo16(d0, e0)));
        a1 = add32(a1, madd(hi16(d0, e0)));
        b0 = add32(b0, madd(lo16(d1, e1)));
        b1 = add32(b1, madd(hi16(d1, e1)));
    }
    if (s < s1) {  // an odd sample pairs with nothing
        const VI f = bcast(ref[s]);
        const uint8_t* p = img + off[s];
        const VI d0 = sub16(load16(p), f), d1 = sub16(load16(p + kBlock), f);
        a0 = add32(a0, madd(lo16(d0, zero())));
        a1 = add32(a1, madd(hi16(d0, zero())));
        b0 = add32(b0, madd(lo16(d1, zero())));
        b1 = add32(b1, madd(hi16(d1, zero())));
    }
    flush(a0, a1, out, 0);
    flush(b0, b1, out + kBlock, 0);
}

// One block at base b whose first `from` shifts were done already.
inline void oneBlock(const int16_t* ref, const int32_t* off, int s0, int s1, const uint8_t* img, uint64_t* out, int from) {
    VI a0 = zero(), a1 = zero();
    int s = s0;
    for (; s + 1 < s1; s += 2) {
        const VI d = sub16(load16(img + off[s]), bcast(ref[s]));
        const VI e = sub16(load16(img + off[s + 1]), bcast(ref[s + 1]));
        a0 = add32(a0, madd(lo16(d, e)));
        a1 = add32(a1, madd(hi16(d, e)));
    }
    if (s < s1) {
        const VI d = sub16(load16(img + off[s]), bcast(ref[s]));
        a0 = add32(a0, madd(lo16(d, zero())));
        a1 = add32(a1, madd(hi16(d, zero())));
    }
    flush(a0, a1, out, from);
}

inline void ssdRow(const int16_t* ref, const int32_t* off, int n, const uint8_t* img, int nx, uint64_t* out) {
    std::fill(out, out + nx, uint64_t(0));
    for (int s0 = 0; s0 < n; s0 += kChunk) {
        const int s1 = std::min(n, s0 + kChunk);
        int i = 0;
        for (; i + 2 * kBlock <= nx; i += 2 * kBlock) twoBlocks(ref, off, s0, s1, img + i, out + i);
        for (; i + kBlock <= nx; i += kBlock) oneBlock(ref, off, s0, s1, img + i, out + i, 0);
        if (i < nx) {
            if (nx >= kBlock) {
                // The last block overlaps the one before; only its new shifts count.
                const int b = nx - kBlock;
                oneBlock(ref, off, s0, s1, img + b, out + b, i - b);
            } else {
                for (int s = s0; s < s1; ++s) {
                    const uint8_t* p = img + off[s];
                    for (int k = i; k < nx; ++k) {
                        const int d = int(p[k]) - ref[s];
                        out[k] += uint64_t(d * d);
                    }
                }
            }
        }
    }
}

inline MovementKernels makeMovementKernels() { return MovementKernels{&ssdRow}; }

}  // namespace ordavia::ORDAVIA_MOVEMENT_ISA
