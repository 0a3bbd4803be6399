// Point operations of CZVimage: statistics, linear map, threshold, negative
// and the two-image operations. All run flat over rows through 256-entry
// look-up tables where the result depends on the byte alone.
#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/CZVimage.h"
#include "image/KernelSet.h"

using namespace ordavia;

namespace {

// Sum, minimum and maximum of n bytes. The statistics of whole frames run
// for every displayed auto-contrast picture and every focus measure, so the
// x86-64 path takes 16 bytes at a time (SSE2 is always there).
uint64_t rowStats(const uint8_t* p, int n, uint8_t& lo, uint8_t& hi) {
    uint64_t sum = 0;
    int x = 0;
#if defined(__SSE2__)
    if (n >= 16) {
        __m128i vsum = _mm_setzero_si128();
        __m128i vlo = _mm_set1_epi8(char(0xFF));
        __m128i vhi = _mm_setzero_si128();
        const __m128i zero = _mm_setzero_si128();
        for (; x + 16 <= n; x += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x));
            vsum = _mm_add_epi64(vsum, _mm_sad_epu8(v, zero));
            vlo = _mm_min_epu8(vlo, v);
            vhi = _mm_max_epu8(vhi, v);
        }
        alignas(16) uint8_t l[16], h[16];
        alignas(16) uint64_t s2[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(l), vlo);
        _mm_store_si128(reinterpret_cast<__m128i*>(h), vhi);
        _mm_store_si128(reinterpret_cast<__m128i*>(s2), vsum);
        sum = s2[0] + s2[1];
        for (int i = 0; i < 16; ++i) {
            lo = std::min(lo, l[i]);
            hi = std::max(hi, h[i]);
        }
    }
#endif
    for (; x < n; ++x) {
        sum += p[x];
        lo = std::min(lo, p[x]);
        hi = std::max(hi, p[x]);
    }
    return sum;
}

// Applies a byte map to every byte of the clipped rectangle (all three
// bytes of a colour pixel).
void applyMap(CZVimage& img, const ZRect& c, const ordavia::ByteMap& map) {
    if (img.isEmpty() || c.isEmpty()) return;
    const int bpp = img.bytesPerPixel();
    const ptrdiff_t begin = ptrdiff_t(c.left) * bpp;
    const size_t n = size_t(c.width()) * size_t(bpp);
    for (int y = c.top; y < c.bottom; ++y) ordavia::applyByteMap(map, img.row(y) + begin, n);
}

}  // namespace

void CZVimage::statistics(const ZRect& r, double* mean, int* min, int* max) const {
    const ZRect c = clip(r);
    uint64_t sum = 0;
    int lo = 255, hi = 0;
    const uint64_t count = c.isEmpty() || !pixels_ ? 0 : uint64_t(c.width()) * uint64_t(c.height());
    if (count > 0) {
        if (bpp_ == 1) {
            for (int y = c.top; y < c.bottom; ++y) {
                const uint8_t* p = row(y) + c.left;
                const int w = c.width();
                uint8_t rlo = 255, rhi = 0;
                sum += rowStats(p, w, rlo, rhi);
                lo = std::min<int>(lo, rlo);
                hi = std::max<int>(hi, rhi);
            }
        } else {
            for (int y = c.top; y < c.bottom; ++y) {
                const uint8_t* p = row(y) + ptrdiff_t(c.left) * bpp_;
                for (int x = 0; x < c.width(); ++x, p += bpp_) {
                    sum += *p;
                    lo = std::min<int>(lo, *p);
                    hi = std::max<int>(hi, *p);
                }
            }
        }
    } else {
        lo = hi = 0;
    }
    if (mean) *mean = count ? double(sum) / double(count) : 0.0;
    if (min) *min = lo;
    if (max) *max = hi;
}

void CZVimage::linearMap(const ZRect& r, double gain, double offset) {
    uint8_t lut[256];
    for (int p = 0; p < 256; ++p) {
        const double v = std::trunc(gain * p + offset);
        // The comparisons also send NaN to 0.
        lut[p] = !(v > 0.0) ? 0 : (v >= 255.0 ? 255 : static_cast<uint8_t>(v));
    }
    applyMap(*this, clip(r), ordavia::byteMap(lut, gain, offset));
    header_.clear();
}

void CZVimage::threshold(const ZRect& r, int level) {
    // A compare per byte: no table, so it runs as vector code.
    const ZRect c = clip(r);
    if (isEmpty() || c.isEmpty()) return;
    const size_t n = size_t(c.width()) * size_t(bpp_);
    // Levels outside 0..254 make the picture all white or all black.
    const uint8_t lv = static_cast<uint8_t>(level < 0 ? 0 : (level > 255 ? 255 : level));
    const uint8_t below = level < 0 ? 255 : 0;
    const auto apply = ordavia::kernelSet().threshold;
    for (int y = c.top; y < c.bottom; ++y) apply(row(y) + ptrdiff_t(c.left) * bpp_, n, lv, below);
}

void CZVimage::negative(const ZRect& r) {
    const ZRect c = clip(r);
    if (isEmpty() || c.isEmpty()) return;
    const size_t n = size_t(c.width()) * size_t(bpp_);
    const auto apply = ordavia::kernelSet().invert;
    for (int y = c.top; y < c.bottom; ++y) apply(row(y) + ptrdiff_t(c.left) * bpp_, n);
}

int CZVimage::subtract(const CZVimage& other, int offset) {
    if (other.width_ != width_ || other.rows_ != rows_ || other.bpp_ != bpp_ || !pixels_ || !other.pixels_) return 0;
    const int n = rowBytes_;
    if (offset == 0) {
        // The plain difference is a saturating byte subtraction.
        const auto apply = ordavia::kernelSet().subtract;
        for (int y = 0; y < rows_; ++y) apply(row(y), other.row(y), size_t(n));
        return 1;
    }
    for (int y = 0; y < rows_; ++y) {
        uint8_t* __restrict p = row(y);
        const uint8_t* __restrict q = other.row(y);
        for (int x = 0; x < n; ++x) {
            const int v = int(p[x]) - int(q[x]) + offset;
            p[x] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
    return 1;
}

int CZVimage::mask(const CZVimage& other) {
    if (other.width_ != width_ || other.rows_ != rows_ || other.bpp_ != bpp_ || !pixels_ || !other.pixels_) return 0;
    const int n = rowBytes_;
    for (int y = 0; y < rows_; ++y) {
        uint8_t* __restrict p = row(y);
        const uint8_t* __restrict q = other.row(y);
        for (int x = 0; x < n; ++x) p[x] &= q[x];
    }
    return 1;
}

int CZVimage::squaredDifference(const CZVimage& a, const CZVimage& b) {
    if (a.width_ != width_ || b.width_ != width_ || a.rows_ != rows_ || b.rows_ != rows_) return 0;
    if (a.bpp_ != bpp_ || b.bpp_ != bpp_ || !pixels_ || !a.pixels_ || !b.pixels_) return 0;
    // Pixel (x, y) of a lies over pixel (x - dx, y - dy) of b.
    const int64_t dx = int64_t(b.originX_) - a.originX_;
    const int64_t dy = int64_t(b.originY_) - a.originY_;
    const int64_t x0 = std::max<int64_t>(0, dx), x1 = std::min<int64_t>(width_, width_ + dx);
    const int64_t y0 = std::max<int64_t>(0, dy), y1 = std::min<int64_t>(rows_, rows_ + dy);
    if (x0 >= x1 || y0 >= y1) return 1;
    uint8_t sq[256];
    for (int d = 0; d < 256; ++d) sq[d] = static_cast<uint8_t>(std::min(d * d, 255));
    for (int64_t y = y0; y < y1; ++y) {
        const uint8_t* pa = a.row(int(y));
        const uint8_t* pb = b.row(int(y - dy));
        uint8_t* d = row(int(y));
        for (int64_t i = x0 * bpp_; i < x1 * bpp_; ++i) {
            const int diff = int(pa[i]) - int(pb[i - dx * bpp_]);
            d[i] = sq[diff < 0 ? -diff : diff];
        }
    }
    return 1;
}
