#pragma once
// The Gaussian blur behind KernelSet: part of KernelLoops.h, which includes
// it once per instruction set after its vector helpers (VF, kBlock, ...).
#include <algorithm>
#include <vector>

namespace ordavia::ORDAVIA_KERNEL_ISA {

// ---- Gaussian blur -------------------------------------------------------------

inline uint8_t toByte(float v) {
    v = v > 0.0f ? v : 0.0f;
    v = v < 255.0f ? v : 255.0f;
    return uint8_t(int(v));
}

// One sample of a blurred line in the order of the formula: centre, then
// each tap j (one side only where the other falls off the line), then the
// weight beyond the ends. at(i) reads sample i.
template <class At>
float blurSample(const float* g, const float* e, int m, int len, int i, At at) {
    float o = g[0] * at(i);
    for (int j = 1; j < m; ++j) {
        if (i < j)
            o += g[j] * at(i + j);
        else if (i + j >= len)
            o += g[j] * at(i - j);
        else
            o += g[j] * (at(i + j) + at(i - j));
    }
    if (i < m - 1) o += e[i] * at(0);
    if (i >= len - m + 1) o += e[len - 1 - i] * at(len - 1);
    return o;
}

// The truncated bytes of a block, kept as floats (the row pass of the
// fused blur hands its rows on this way).
inline VF truncF(VF v) {
#if defined(__AVX2__)
    return _mm256_round_ps(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
#else
    return _mm_round_ps(v, _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
#endif
}
inline void storeF(float* p, VF v) {
#if defined(__AVX2__)
    _mm256_storeu_ps(p, v);
#else
    _mm_storeu_ps(p, v);
#endif
}

// Whole blocks of outputs x, x + kBlock, ... below `end` of one line: the
// centre, then tap by tap, into bytes p, or (ToFloat) into floats f as the
// bytes they would be. M is the kernel length when known at compile time
// (the usual sigmas), so that the taps stay in registers; 0 = m.
// The clamp to 0..255 where the sums can leave it (lim<false> is for
// kernels whose sums cannot, blurNeedsClamp).
template <bool C>
inline VF lim(VF v) {
    if constexpr (C) return clampF(v);
    else return v;
}

// Whether a line's sums can fall outside 0..255: not when every tap is at
// least 0 and they add up to 1, which the Gaussian kernel's do. Rounding
// adds at most a few units in the last place per term.
inline bool blurNeedsClamp(const float* g, int m) {
    double sum = g[0];
    bool negative = !(g[0] >= 0.0f);
    for (int j = 1; j < m; ++j) {
        sum += 2.0 * double(g[j]);
        negative = negative || !(g[j] >= 0.0f);
    }
    return negative || !(sum * 255.0 * (1.0 + 4.0 * m * 0x1p-24) < 256.0);
}

template <int M, bool ToFloat, bool C>
int rowBlocksFor(int m, const float* sp, uint8_t* p, float* f, int x, int end, const float* g) {
    const int mm = M ? M : m;
    VF gv[M ? M : 1];
    if constexpr (M > 0)
        for (int j = 0; j < M; ++j) gv[j] = set1F(g[j]);
    // Two blocks at a time where the taps stay in registers: four
    // independent sums and one store.
    if constexpr (M > 0)
        for (; x + 2 * kBlock <= end; x += 2 * kBlock) {
            const float* c = sp + x;
            VF a0 = mulF(gv[0], loadF(c)), a1 = mulF(gv[0], loadF(c + kHalf));
            VF a2 = mulF(gv[0], loadF(c + 2 * kHalf)), a3 = mulF(gv[0], loadF(c + 3 * kHalf));
            for (int j = 1; j < M; ++j) {
                a0 = addF(a0, mulF(gv[j], addF(loadF(c + j), loadF(c - j))));
                a1 = addF(a1, mulF(gv[j], addF(loadF(c + j + kHalf), loadF(c - j + kHalf))));
                a2 = addF(a2, mulF(gv[j], addF(loadF(c + j + 2 * kHalf), loadF(c - j + 2 * kHalf))));
                a3 = addF(a3, mulF(gv[j], addF(loadF(c + j + 3 * kHalf), loadF(c - j + 3 * kHalf))));
            }
            if constexpr (ToFloat) {
                storeF(f + x, truncF(lim<C>(a0)));
                storeF(f + x + kHalf, truncF(lim<C>(a1)));
                storeF(f + x + 2 * kHalf, truncF(lim<C>(a2)));
                storeF(f + x + 3 * kHalf, truncF(lim<C>(a3)));
            } else {
                storeBytes4(lim<C>(a0), lim<C>(a1), lim<C>(a2), lim<C>(a3), p + x);
            }
        }
    for (; x + kBlock <= end; x += kBlock) {
        const float* c = sp + x;
        const VF g0 = M ? gv[0] : set1F(g[0]);
        VF a0 = mulF(g0, loadF(c)), a1 = mulF(g0, loadF(c + kHalf));
        for (int j = 1; j < mm; ++j) {
            const VF gj = M ? gv[M ? j : 0] : set1F(g[j]);
            a0 = addF(a0, mulF(gj, addF(loadF(c + j), loadF(c - j))));
            a1 = addF(a1, mulF(gj, addF(loadF(c + j + kHalf), loadF(c - j + kHalf))));
        }
        if constexpr (ToFloat) {
            storeF(f + x, truncF(lim<C>(a0)));
            storeF(f + x + kHalf, truncF(lim<C>(a1)));
        } else {
            storeBytes(lim<C>(a0), lim<C>(a1), p + x);
        }
    }
    return x;
}

template <int M, bool C>
int columnBlocksFor(int m, const float* const* up, const float* const* dn, uint8_t* out, int x, int end,
                    const float* g) {
    const int mm = M ? M : m;
    VF gv[M ? M : 1];
    const float* U[M ? M : 1];
    const float* D[M ? M : 1];
    if constexpr (M > 0)
        for (int j = 0; j < M; ++j) {
            gv[j] = set1F(g[j]);
            U[j] = up[j];
            D[j] = dn[j];
        }
    if constexpr (M > 0)
        for (; x + 2 * kBlock <= end; x += 2 * kBlock) {
            const float* c = D[0] + x;
            VF a0 = mulF(gv[0], loadF(c)), a1 = mulF(gv[0], loadF(c + kHalf));
            VF a2 = mulF(gv[0], loadF(c + 2 * kHalf)), a3 = mulF(gv[0], loadF(c + 3 * kHalf));
            for (int j = 1; j < M; ++j) {
                const float* a = D[j] + x;
                const float* b = U[j] + x;
                a0 = addF(a0, mulF(gv[j], addF(loadF(a), loadF(b))));
                a1 = addF(a1, mulF(gv[j], addF(loadF(a + kHalf), loadF(b + kHalf))));
                a2 = addF(a2, mulF(gv[j], addF(loadF(a + 2 * kHalf), loadF(b + 2 * kHalf))));
                a3 = addF(a3, mulF(gv[j], addF(loadF(a + 3 * kHalf), loadF(b + 3 * kHalf))));
            }
            storeBytes4(lim<C>(a0), lim<C>(a1), lim<C>(a2), lim<C>(a3), out + x);
        }
    for (; x + kBlock <= end; x += kBlock) {
        const float* c = (M ? D[0] : dn[0]) + x;
        const VF g0 = M ? gv[0] : set1F(g[0]);
        VF a0 = mulF(g0, loadF(c)), a1 = mulF(g0, loadF(c + kHalf));
        for (int j = 1; j < mm; ++j) {
            const VF gj = M ? gv[M ? j : 0] : set1F(g[j]);
            const float* a = (M ? D[M ? j : 0] : dn[j]) + x;
            const float* b = (M ? U[M ? j : 0] : up[j]) + x;
            a0 = addF(a0, mulF(gj, addF(loadF(a), loadF(b))));
            a1 = addF(a1, mulF(gj, addF(loadF(a + kHalf), loadF(b + kHalf))));
        }
        storeBytes(lim<C>(a0), lim<C>(a1), out + x);
    }
    return x;
}

// All of the line from x to end that whole blocks cover, the part block at
// the end included: it runs again from kBlock before the end, giving the
// outputs it repeats the same values.
template <int M, bool ToFloat, bool C>
int rowBlocksAll(int m, const float* sp, uint8_t* p, float* f, int x, int end, const float* g) {
    const int x0 = x;
    x = rowBlocksFor<M, ToFloat, C>(m, sp, p, f, x, end, g);
    if (x < end && end - x0 >= kBlock) x = rowBlocksFor<M, ToFloat, C>(m, sp, p, f, end - kBlock, end, g);
    return x;
}

template <int M, bool C>
int columnBlocksAll(int m, const float* const* up, const float* const* dn, uint8_t* out, int end, const float* g) {
    int x = columnBlocksFor<M, C>(m, up, dn, out, 0, end, g);
    if (x < end && end >= kBlock) x = columnBlocksFor<M, C>(m, up, dn, out, end - kBlock, end, g);
    return x;
}

template <bool ToFloat, bool C>
int blurRowBlocks(int m, const float* sp, uint8_t* p, float* f, int x, int end, const float* g) {
    switch (m) {
        case 3: return rowBlocksAll<3, ToFloat, C>(m, sp, p, f, x, end, g);
        case 4: return rowBlocksAll<4, ToFloat, C>(m, sp, p, f, x, end, g);
        case 5: return rowBlocksAll<5, ToFloat, C>(m, sp, p, f, x, end, g);
        case 6: return rowBlocksAll<6, ToFloat, C>(m, sp, p, f, x, end, g);
        case 7: return rowBlocksAll<7, ToFloat, C>(m, sp, p, f, x, end, g);
        default: return rowBlocksAll<0, ToFloat, C>(m, sp, p, f, x, end, g);
    }
}

template <bool C>
int blurColumnBlocks(int m, const float* const* up, const float* const* dn, uint8_t* out, int end, const float* g) {
    switch (m) {
        case 3: return columnBlocksAll<3, C>(m, up, dn, out, end, g);
        case 4: return columnBlocksAll<4, C>(m, up, dn, out, end, g);
        case 5: return columnBlocksAll<5, C>(m, up, dn, out, end, g);
        case 6: return columnBlocksAll<6, C>(m, up, dn, out, end, g);
        case 7: return columnBlocksAll<7, C>(m, up, dn, out, end, g);
        default: return columnBlocksAll<0, C>(m, up, dn, out, end, g);
    }
}

// Whole blocks of one output row near the top or bottom of the columns
// (row y of h, rows r0.. in rp): the terms of blurSample in its order,
// which is the same for every pixel of the row.
inline int columnEdgeBlocks(int m, const float* const* rp, int r0, int y, int h, const float* g, const float* e,
                            uint8_t* out, int end) {
    auto row = [&](int i) { return rp[i - r0]; };
    int x = 0;
    for (; x + kBlock <= end; x += kBlock) {
        const VF g0 = set1F(g[0]);
        VF a0 = mulF(g0, loadF(row(y) + x)), a1 = mulF(g0, loadF(row(y) + x + kHalf));
        for (int j = 1; j < m; ++j) {
            const VF gj = set1F(g[j]);
            if (y < j) {
                a0 = addF(a0, mulF(gj, loadF(row(y + j) + x)));
                a1 = addF(a1, mulF(gj, loadF(row(y + j) + x + kHalf)));
            } else if (y + j >= h) {
                a0 = addF(a0, mulF(gj, loadF(row(y - j) + x)));
                a1 = addF(a1, mulF(gj, loadF(row(y - j) + x + kHalf)));
            } else {
                a0 = addF(a0, mulF(gj, addF(loadF(row(y + j) + x), loadF(row(y - j) + x))));
                a1 = addF(a1, mulF(gj, addF(loadF(row(y + j) + x + kHalf), loadF(row(y - j) + x + kHalf))));
            }
        }
        if (y < m - 1) {
            const VF ey = set1F(e[y]);
            a0 = addF(a0, mulF(ey, loadF(row(0) + x)));
            a1 = addF(a1, mulF(ey, loadF(row(0) + x + kHalf)));
        }
        if (y >= h - m + 1) {
            const VF ey = set1F(e[h - 1 - y]);
            a0 = addF(a0, mulF(ey, loadF(row(h - 1) + x)));
            a1 = addF(a1, mulF(ey, loadF(row(h - 1) + x + kHalf)));
        }
        storeBytes(clampF(a0), clampF(a1), out + x);
    }
    return x;
}

// Output row y of the column pass from the rows r0.. of the row pass (rp,
// as floats), into out: the inner rows with both samples of every tap, the
// rows near the ends term by term as blurSample orders them.
inline void blurColumnRow(const float* const* rp, int r0, int y, int h, int w, const float* g, const float* e, int m,
                          bool clamp, const float** up, const float** dn, uint8_t* out) {
    if (y >= m - 1 && y <= h - m) {
        for (int j = 0; j < m; ++j) {
            up[j] = rp[y - j - r0];
            dn[j] = rp[y + j - r0];
        }
        int x = clamp ? blurColumnBlocks<true>(m, up, dn, out, w, g) : blurColumnBlocks<false>(m, up, dn, out, w, g);
        for (; x < w; ++x) {
            float o = g[0] * dn[0][x];
            for (int j = 1; j < m; ++j) o += g[j] * (dn[j][x] + up[j][x]);
            out[x] = toByte(o);
        }
    } else {
        for (int x = columnEdgeBlocks(m, rp, r0, y, h, g, e, out, w); x < w; ++x)
            out[x] = toByte(blurSample(g, e, m, h, y, [&](int i) { return rp[i - r0][x]; }));
    }
}

// Two inner output rows at once (rows[k] is row y - M + 1 + k, k < 2M;
// outputs y and y + 1): the 2M rows are read once for both, each output
// adds its terms as columnBlocksFor does. Blocks from x below end.
template <int M, bool C>
int columnPairFor(const float* const* rows, uint8_t* o0, uint8_t* o1, int x, int end, const float* g) {
    VF gv[M];
    const float* R[2 * M];
    for (int j = 0; j < M; ++j) gv[j] = set1F(g[j]);
    for (int k = 0; k < 2 * M; ++k) R[k] = rows[k];
    for (; x + kBlock <= end; x += kBlock) {
        VF a[2], b[2];
        for (int h = 0; h < 2; ++h) {
            const int at = x + h * kHalf;
            VF L[2 * M];
            for (int k = 0; k < 2 * M; ++k) L[k] = loadF(R[k] + at);
            VF s0 = mulF(gv[0], L[M - 1]), s1 = mulF(gv[0], L[M]);
            for (int j = 1; j < M; ++j) {
                s0 = addF(s0, mulF(gv[j], addF(L[M - 1 + j], L[M - 1 - j])));
                s1 = addF(s1, mulF(gv[j], addF(L[M + j], L[M - j])));
            }
            a[h] = lim<C>(s0);
            b[h] = lim<C>(s1);
        }
        storeBytes(a[0], a[1], o0 + x);
        storeBytes(b[0], b[1], o1 + x);
    }
    return x;
}

// columnPairFor over the whole of [0, end), the part block at the end run
// again from kBlock before it; false where the kernel length has no pair
// code or the line is shorter than a block.
template <bool C>
bool blurColumnPair(int m, const float* const* rows, uint8_t* o0, uint8_t* o1, int end, const float* g) {
    if (end < kBlock) return false;
    auto run = [&](auto fn) {
        if (fn(rows, o0, o1, 0, end, g) < end) fn(rows, o0, o1, end - kBlock, end, g);
        return true;
    };
    switch (m) {
        case 3: return run(columnPairFor<3, C>);
        case 4: return run(columnPairFor<4, C>);
        case 5: return run(columnPairFor<5, C>);
        case 6: return run(columnPairFor<6, C>);
        case 7: return run(columnPairFor<7, C>);
        default: return false;
    }
}

// The m - 1 outputs at each end of a line, kHalf at a time, as blurSample
// gives them: the samples beyond the line read as zeros from the padding,
// and x + 0 = x, so that a one-sided tap is the same sum; the edge weight
// of a lane that has none is 0, which adds nothing. eLeft[i] and eRight[k]
// are the edge weights of outputs i and hi + k (0 where there is none).
// Fills them; false where the blocks do not fit the line (the caller then
// takes blurSample).
inline bool edgeWeights(const float* e, int m, int w, std::vector<float>& eLeft, std::vector<float>& eRight) {
    const int lo = m - 1, hi = w - m + 1;
    const int blocks = (lo + kHalf - 1) / kHalf;
    // The left blocks must end before the right edge starts.
    if (blocks * kHalf > hi) return false;
    eLeft.assign(size_t(blocks * kHalf), 0.0f);
    eRight.assign(size_t(blocks * kHalf), 0.0f);
    for (int i = 0; i < lo; ++i) eLeft[size_t(i)] = e[i];
    for (int i = hi; i < w; ++i) eRight[size_t(i - hi)] = e[w - 1 - i];
    return true;
}

inline void rowEdgeBlocks(const float* sp, float* f, int w, int m, const float* g, const float* eLeft,
                          const float* eRight) {
    const int lo = m - 1, hi = w - m + 1;
    auto block = [&](int b, const float* ev, float end) {
        VF a = mulF(set1F(g[0]), loadF(sp + b));
        for (int j = 1; j < m; ++j) a = addF(a, mulF(set1F(g[j]), addF(loadF(sp + b + j), loadF(sp + b - j))));
        a = addF(a, mulF(loadF(ev), set1F(end)));
        storeF(f + b, truncF(clampF(a)));
    };
    for (int b = 0; b < lo; b += kHalf) block(b, eLeft + b, sp[0]);
    for (int b = hi; b < w; b += kHalf) block(b, eRight + (b - hi), sp[w - 1]);
}

// Both passes in one sweep down the picture: each row is blurred along
// itself into a ring of rows, kept as the floats of the bytes the row pass
// gives, and each band of kBand output rows is made from the ring as soon
// as the rows below it are in, strip by strip so that the rows a strip
// reads stay in the first-level cache. The row pass's bytes never go back
// to memory, and the picture is read and written once. In place: row r is
// read before output row r - m + 1, the last to need it, is written.
inline void blurFused(uint8_t* data, ptrdiff_t stride, int w, int h, const float* g, const float* e, int m) {
    const bool clamp = blurNeedsClamp(g, m);
    constexpr int kBand = 8, kStrip = 256;
    // Whole rows where the rows one output row reads fit in that cache.
    const bool whole = size_t(2 * m - 1) * size_t(w) * sizeof(float) <= 40 * 1024;
    const int N = 2 * m - 1 + kBand;
    const size_t rs = size_t(w) + 16;
    // The line with zeros for m + kHalf samples on each side, for the
    // vector edges (rowEdgeBlocks).
    const int pad = m + kHalf;
    std::vector<float> ring(size_t(N) * rs), s(size_t(w) + 2 * size_t(pad), 0.0f);
    std::vector<float> eLeft, eRight;
    const bool edges = edgeWeights(e, m, w, eLeft, eRight);
    std::vector<const float*> up(static_cast<size_t>(m)), dn(static_cast<size_t>(m)), rowp(size_t(2 * m));
    const int lo = m - 1, hi = w - m + 1;
    auto slot = [&](int r) { return ring.data() + size_t(r % N) * rs; };
    int loaded = 0;
    for (int y0 = 0; y0 < h; y0 += kBand) {
        const int y1 = std::min(h, y0 + kBand);
        for (; loaded < h && loaded <= y1 + m - 2; ++loaded) {
            const uint8_t* p = data + ptrdiff_t(loaded) * stride;
            float* f = slot(loaded);
            float* sp = s.data() + pad;
            // The row after next is asked for while this one is read: the
            // sweep reads each row once, from wherever the picture lies.
            if (loaded + 2 < h)
                for (int x = 0; x < w; x += 64) _mm_prefetch(reinterpret_cast<const char*>(p + 2 * stride + x), _MM_HINT_T0);
            for (int x = 0; x < w; ++x) sp[x] = float(p[x]);
            auto at = [sp](int i) { return sp[i]; };
            int x = clamp ? blurRowBlocks<true, true>(m, sp, nullptr, f, lo, hi, g)
                          : blurRowBlocks<true, false>(m, sp, nullptr, f, lo, hi, g);
            for (; x < hi; ++x) f[x] = float(toByte(blurSample(g, e, m, w, x, at)));
            if (edges) {
                rowEdgeBlocks(sp, f, w, m, g, eLeft.data(), eRight.data());
            } else {
                for (int i = 0; i < lo; ++i) f[i] = float(toByte(blurSample(g, e, m, w, i, at)));
                for (int i = hi; i < w; ++i) f[i] = float(toByte(blurSample(g, e, m, w, i, at)));
            }
        }
        for (int x0 = 0; x0 < w;) {
            // No strip narrower than half of one: the last takes the rest.
            const int sw = whole || w - x0 <= kStrip + kStrip / 2 ? w - x0 : kStrip;
            for (int y = y0; y < y1; ++y) {
                if (y + 1 < y1 && y >= m - 1 && y + 1 <= h - m) {
                    for (int k = 0; k < 2 * m; ++k) rowp[size_t(k)] = slot(y - m + 1 + k) + x0;
                    uint8_t* o0 = data + ptrdiff_t(y) * stride + x0;
                    if (clamp ? blurColumnPair<true>(m, rowp.data(), o0, o0 + stride, sw, g)
                              : blurColumnPair<false>(m, rowp.data(), o0, o0 + stride, sw, g)) {
                        ++y;
                        continue;
                    }
                }
                const int r0 = std::max(0, y - m + 1), r1 = std::min(h - 1, y + m - 1);
                for (int i = r0; i <= r1; ++i) rowp[size_t(i - r0)] = slot(i) + x0;
                blurColumnRow(rowp.data(), r0, y, h, sw, g, e, m, clamp, up.data(), dn.data(),
                              data + ptrdiff_t(y) * stride + x0);
            }
            x0 += sw;
        }
    }
}

inline void blur(uint8_t* data, ptrdiff_t stride, int w, int h, const float* g, const float* e, int m) {
    if (w > 2 * m + 1 && h > 2 * m + 1) {
        blurFused(data, stride, w, h, g, e, m);
        return;
    }
    const bool clamp = blurNeedsClamp(g, m);
    if (w > 2 * m + 1) {
        std::vector<float> s(static_cast<size_t>(w));
        for (int y = 0; y < h; ++y) {
            uint8_t* p = data + ptrdiff_t(y) * stride;
            for (int x = 0; x < w; ++x) s[size_t(x)] = float(p[x]);
            const float* sp = s.data();
            auto at = [sp](int i) { return sp[i]; };
            // Outputs m - 1 .. w - m have both samples of every tap inside.
            const int lo = m - 1, hi = w - m + 1;
            int x = lo;
            x = clamp ? blurRowBlocks<false, true>(m, sp, p, nullptr, x, hi, g)
                      : blurRowBlocks<false, false>(m, sp, p, nullptr, x, hi, g);
            for (; x < hi; ++x) p[x] = toByte(blurSample(g, e, m, w, x, at));
            for (int i = 0; i < lo; ++i) p[i] = toByte(blurSample(g, e, m, w, i, at));
            for (int i = hi; i < w; ++i) p[i] = toByte(blurSample(g, e, m, w, i, at));
        }
    }
    if (h > 2 * m + 1) {
        // Columns in strips narrow enough that the last 2m - 1 rows of the
        // strip, as floats, stay in the first-level cache; row r of the
        // strip sits in slot r % R.
        const int R = 2 * m - 1;
        constexpr int kStrip = 256;
        std::vector<float> ring(size_t(R) * kStrip);
        std::vector<const float*> up(static_cast<size_t>(m)), dn(static_cast<size_t>(m)), rowp(size_t(2 * m));
        // slot of row r, kept as r % R moves on with r (no division per row).
        auto slotAt = [&](int s) { return ring.data() + size_t(s) * kStrip; };
        for (int x0 = 0; x0 < w; x0 += kStrip) {
            const int sw = std::min(kStrip, w - x0);
            int loaded = 0, loadSlot = 0, ySlot = 0;
            for (int y = 0; y < h; ++y, ySlot = ySlot + 1 == R ? 0 : ySlot + 1) {
                for (; loaded < h && loaded <= y + m - 1; ++loaded, loadSlot = loadSlot + 1 == R ? 0 : loadSlot + 1) {
                    const uint8_t* p = data + ptrdiff_t(loaded) * stride + x0;
                    float* d = slotAt(loadSlot);
                    for (int x = 0; x < sw; ++x) d[x] = float(p[x]);
                }
                auto slot = [&](int r) {  // r within m - 1 rows of y
                    int s = ySlot + (r - y);
                    s = s < 0 ? s + R : (s >= R ? s - R : s);
                    return slotAt(s);
                };
                uint8_t* out = data + ptrdiff_t(y) * stride + x0;
                if (y >= m - 1 && y <= h - m) {
                    for (int j = 0; j < m; ++j) {
                        up[size_t(j)] = slot(y - j);
                        dn[size_t(j)] = slot(y + j);
                    }
                    int x = clamp ? blurColumnBlocks<true>(m, up.data(), dn.data(), out, sw, g)
                                  : blurColumnBlocks<false>(m, up.data(), dn.data(), out, sw, g);
                    for (; x < sw; ++x) {
                        float o = g[0] * dn[0][x];
                        for (int j = 1; j < m; ++j) o += g[j] * (dn[size_t(j)][x] + up[size_t(j)][x]);
                        out[x] = toByte(o);
                    }
                } else {
                    const int r0 = std::max(0, y - m + 1), r1 = std::min(h - 1, y + m - 1);
                    for (int i = r0; i <= r1; ++i) rowp[size_t(i - r0)] = slot(i);
                    const float* const* rp = rowp.data();
                    for (int x = columnEdgeBlocks(m, rp, r0, y, h, g, e, out, sw); x < sw; ++x)
                        out[x] = toByte(blurSample(g, e, m, h, y, [&](int i) { return rp[i - r0][x]; }));
                }
            }
        }
    }
}

}  // namespace ordavia::ORDAVIA_KERNEL_ISA
