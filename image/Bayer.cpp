// Bayer mosaics: demosaicing to blue-green-red pixels in 2 x 2 blocks, and
// the in-place conversion to grey that keeps the green sites.
#include <cstring>
#if defined(__SSE4_1__)
#include <smmintrin.h>
#endif
#include <vector>

#include "image/CZVimage.h"

namespace {

void interleave(const uint8_t* __restrict b, const uint8_t* __restrict g, const uint8_t* __restrict r,
                uint8_t* __restrict out, int n) {
    for (int i = 0; i < n; ++i) {
        out[3 * i] = b[i];
        out[3 * i + 1] = g[i];
        out[3 * i + 2] = r[i];
    }
}

// One pass over the mosaic. The block at odd (x, y) holds blue at (x, y),
// green at (x + 1, y) and (x, y + 1), red at (x + 1, y + 1); neighbours are
// averaged with shifts of the integer sums. Each pair of rows is worked out
// into separate blue, green and red rows first and then interleaved: both
// loops are flat and run as vector code.
void demosaicBlocks(const uint8_t* src, ptrdiff_t sstride, uint8_t* dst, ptrdiff_t dstride, int w, int rows) {
    const int nb = w >= 3 ? (w - 2) / 2 : 0;  // blocks at x = 1, 3, ... < w - 2
    if (nb <= 0) return;
    std::vector<uint8_t> planes(size_t(6) * size_t(2 * nb));
    uint8_t* tb = planes.data();
    uint8_t* tg = tb + 2 * nb;
    uint8_t* tr = tg + 2 * nb;
    uint8_t* bb = tr + 2 * nb;
    uint8_t* bg = bb + 2 * nb;
    uint8_t* br = bg + 2 * nb;
    for (int y = 1; y < rows - 2; y += 2) {
        const uint8_t* __restrict up = src + (y - 1) * sstride;
        const uint8_t* __restrict r0 = src + y * sstride;
        const uint8_t* __restrict r1 = r0 + sstride;
        const uint8_t* __restrict dn = r1 + sstride;
        int i = 0;
#if defined(__SSE4_1__)
        // Eight blocks at a time in 16-bit lanes: a load of 16 bytes from an
        // even x splits into the even (low byte) and odd (high byte) sites.
        const __m128i lowByte = _mm_set1_epi16(0x00FF);
        auto split = [&](const uint8_t* r, __m128i& e, __m128i& o, __m128i& e2, __m128i& o2) {
            const __m128i v = _mm_loadu_si128((const __m128i*)r);
            const __m128i v2 = _mm_loadu_si128((const __m128i*)(r + 2));
            e = _mm_and_si128(v, lowByte);
            o = _mm_srli_epi16(v, 8);
            e2 = _mm_and_si128(v2, lowByte);
            o2 = _mm_srli_epi16(v2, 8);
        };
        auto add = [](__m128i a, __m128i b) { return _mm_add_epi16(a, b); };
        auto join = [&](__m128i a, __m128i b) { return _mm_or_si128(a, _mm_slli_epi16(b, 8)); };
        auto store = [](uint8_t* p, __m128i v) { _mm_storeu_si128((__m128i*)p, v); };
        for (; 2 * i + 18 <= w; i += 8) {
            // E = x - 1, O = x, E2 = x + 1, O2 = x + 2 for the blocks at x = 2i + 1 ...
            __m128i uE, uO, uE2, uO2, aE, aO, aE2, aO2, bE, bO, bE2, bO2, dE, dO, dE2, dO2;
            split(up + 2 * i, uE, uO, uE2, uO2);
            split(r0 + 2 * i, aE, aO, aE2, aO2);
            split(r1 + 2 * i, bE, bO, bE2, bO2);
            split(dn + 2 * i, dE, dO, dE2, dO2);
            (void)uO2;
            (void)dE;
            store(tb + 2 * i, join(aO, _mm_srli_epi16(add(aO, aO2), 1)));
            store(tg + 2 * i, join(_mm_srli_epi16(add(add(bO, aE), add(aE2, uO)), 2), aE2));
            store(tr + 2 * i, join(_mm_srli_epi16(add(add(bE, bE2), add(uE2, uE)), 2), _mm_srli_epi16(add(bE2, uE2), 1)));
            store(bb + 2 * i, join(_mm_srli_epi16(add(dO, aO), 1), _mm_srli_epi16(add(add(dO, dO2), add(aO2, aO)), 2)));
            store(bg + 2 * i, join(bO, _mm_srli_epi16(add(add(dE2, bO), add(bO2, aE2)), 2)));
            store(br + 2 * i, join(_mm_srli_epi16(add(bE, bE2), 1), bE2));
        }
#endif
        for (; i < nb; ++i) {
            const int x = 2 * i + 1;
            tb[2 * i] = r0[x];
            tg[2 * i] = static_cast<uint8_t>((r1[x] + r0[x - 1] + r0[x + 1] + up[x]) >> 2);
            tr[2 * i] = static_cast<uint8_t>((r1[x - 1] + r1[x + 1] + up[x + 1] + up[x - 1]) >> 2);
            tb[2 * i + 1] = static_cast<uint8_t>((r0[x] + r0[x + 2]) >> 1);
            tg[2 * i + 1] = r0[x + 1];
            tr[2 * i + 1] = static_cast<uint8_t>((r1[x + 1] + up[x + 1]) >> 1);
            bb[2 * i] = static_cast<uint8_t>((dn[x] + r0[x]) >> 1);
            bg[2 * i] = r1[x];
            br[2 * i] = static_cast<uint8_t>((r1[x - 1] + r1[x + 1]) >> 1);
            bb[2 * i + 1] = static_cast<uint8_t>((dn[x] + dn[x + 2] + r0[x + 2] + r0[x]) >> 2);
            bg[2 * i + 1] = static_cast<uint8_t>((dn[x + 1] + r1[x] + r1[x + 2] + r0[x + 1]) >> 2);
            br[2 * i + 1] = r1[x + 1];
        }
        interleave(tb, tg, tr, dst + y * dstride + 3, 2 * nb);
        interleave(bb, bg, br, dst + (y + 1) * dstride + 3, 2 * nb);
    }
}

}  // namespace

int CZVimage::demosaic(uint8_t* out, int outStride) const {
    if (colour_ != kBayer || !out) return 0;
    const ptrdiff_t ds = outStride > 0 ? outStride : ptrdiff_t(width_) * 3;
    // Border pixels that no block reaches are black.
    const int nb = width_ >= 3 ? (width_ - 2) / 2 : 0;
    const int lastBlockRow = rows_ >= 4 ? 1 + 2 * ((rows_ - 4) / 2) + 1 : 0;  // bottom row of the last block pair
    for (int y = 0; y < rows_; ++y) {
        uint8_t* d = out + y * ds;
        if (!pixels_ || nb == 0 || y == 0 || y > lastBlockRow) {
            std::memset(d, 0, size_t(width_) * 3);
        } else {
            std::memset(d, 0, 3);
            std::memset(d + 3 * (1 + 2 * nb), 0, size_t(width_ - 1 - 2 * nb) * 3);
        }
    }
    if (!pixels_) return 1;
    demosaicBlocks(pixels_, stride_, out, ds, width_, rows_);
    return 1;
}

int CZVimage::demosaicTo(CZVimage& img) const {
    if (colour_ != kBayer || &img == this) return 0;
    CZVimage tmp;
    if (!tmp.resize(width_, rows_, 3)) return 0;
    tmp.colour_ = kColour;
    tmp.tag_ = tag_;
    tmp.interlace_ = interlace_;
    tmp.originX_ = originX_;
    tmp.originY_ = originY_;
    if (!demosaic(tmp.pixels_, tmp.stride_)) return 0;
    img.adoptData(std::move(tmp));
    return 1;
}

void CZVimage::bayerToGrey() {
    if (colour_ != kBayer || !pixels_ || width_ <= 0 || rows_ <= 0) return;
    const int w = width_;
    // Row 0: the odd sites between two even ones, and the last one from its
    // left neighbour.
    {
        uint8_t* p = row(0);
        int x = 0;
        for (; x < w - 2; x += 2) p[x + 1] = static_cast<uint8_t>((p[x] + p[x + 2]) >> 1);
        if (x + 1 < w) p[x + 1] = p[x];
    }
    // Last row: the even sites.
    {
        uint8_t* p = row(rows_ - 1);
        if (w >= 2) p[0] = p[1];
        for (int x = 1; x < w - 2; x += 2) p[x + 1] = static_cast<uint8_t>((p[x] + p[x + 2]) >> 1);
    }
    for (int y = 1; y < rows_ - 2; y += 2) {
        const uint8_t* up = row(y - 1);
        uint8_t* r0 = row(y);
        uint8_t* r1 = row(y + 1);
        const uint8_t* dn = row(y + 2);
        if (w >= 2) r0[0] = static_cast<uint8_t>((up[0] + r1[0] + r0[1]) / 3);
        for (int x = 1; x < w - 2; x += 2)
            r0[x + 1] = static_cast<uint8_t>((up[x + 1] + r1[x + 1] + r0[x] + r0[x + 2]) >> 2);
        for (int x = 1; x < w - 2; x += 2)
            r1[x] = static_cast<uint8_t>((r0[x] + dn[x] + r1[x - 1] + r1[x + 1]) >> 2);
    }
    colour_ = kGrey;
    header_.clear();
}
