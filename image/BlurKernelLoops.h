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

// Whole blocks of outputs x, x + kBlock, ... below `end` of one line: the
// centre, then tap by tap. M is the kernel length when known at compile
// time (the usual sigmas), so that the taps stay in registers; 0 = m.
template <int M>
int rowBlocksFor(int m, const float* sp, uint8_t* p, int x, int end, const float* g) {
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
            storeBytes4(clampF(a0), clampF(a1), clampF(a2), clampF(a3), p + x);
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
        storeBytes(clampF(a0), clampF(a1), p + x);
    }
    return x;
}

template <int M>
int columnBlocksFor(int m, const float* const* up, const float* const* dn, uint8_t* out, int end, const float* g) {
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
    int x = 0;
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
            storeBytes4(clampF(a0), clampF(a1), clampF(a2), clampF(a3), out + x);
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
        storeBytes(clampF(a0), clampF(a1), out + x);
    }
    return x;
}

inline int blurRowBlocks(int m, const float* sp, uint8_t* p, int x, int end, const float* g) {
    switch (m) {
        case 3: return rowBlocksFor<3>(m, sp, p, x, end, g);
        case 4: return rowBlocksFor<4>(m, sp, p, x, end, g);
        case 5: return rowBlocksFor<5>(m, sp, p, x, end, g);
        case 6: return rowBlocksFor<6>(m, sp, p, x, end, g);
        case 7: return rowBlocksFor<7>(m, sp, p, x, end, g);
        default: return rowBlocksFor<0>(m, sp, p, x, end, g);
    }
}

inline int blurColumnBlocks(int m, const float* const* up, const float* const* dn, uint8_t* out, int end,
                            const float* g) {
    switch (m) {
        case 3: return columnBlocksFor<3>(m, up, dn, out, end, g);
        case 4: return columnBlocksFor<4>(m, up, dn, out, end, g);
        case 5: return columnBlocksFor<5>(m, up, dn, out, end, g);
        case 6: return columnBlocksFor<6>(m, up, dn, out, end, g);
        case 7: return columnBlocksFor<7>(m, up, dn, out, end, g);
        default: return columnBlocksFor<0>(m, up, dn, out, end, g);
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

inline void blur(uint8_t* data, ptrdiff_t stride, int w, int h, const float* g, const float* e, int m) {
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
            x = blurRowBlocks(m, sp, p, x, hi, g);
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
                    int x = blurColumnBlocks(m, up.data(), dn.data(), out, sw, g);
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
