// Bayer mosaics: demosaicing to blue-green-red pixels in 2 x 2 blocks, and
// the in-place conversion to grey that keeps the green sites.
#include <cstring>

#include "image/CZVimage.h"

namespace {

// One pass over the mosaic. The block at odd (x, y) holds blue at (x, y),
// green at (x + 1, y) and (x, y + 1), red at (x + 1, y + 1); neighbours are
// averaged with shifts of the integer sums. Rows are separate pointers so
// that the inner loop stays flat.
void demosaicBlocks(const uint8_t* src, ptrdiff_t sstride, uint8_t* dst, ptrdiff_t dstride, int w, int rows) {
    for (int y = 1; y < rows - 2; y += 2) {
        const uint8_t* up = src + (y - 1) * sstride;
        const uint8_t* r0 = src + y * sstride;
        const uint8_t* r1 = r0 + sstride;
        const uint8_t* dn = r1 + sstride;
        uint8_t* d0 = dst + y * dstride;
        uint8_t* d1 = d0 + dstride;
        for (int x = 1; x < w - 2; x += 2) {
            uint8_t* a = d0 + 3 * x;
            a[0] = r0[x];
            a[1] = static_cast<uint8_t>((r1[x] + r0[x - 1] + r0[x + 1] + up[x]) >> 2);
            a[2] = static_cast<uint8_t>((r1[x - 1] + r1[x + 1] + up[x + 1] + up[x - 1]) >> 2);
            uint8_t* b = a + 3;
            b[0] = static_cast<uint8_t>((r0[x] + r0[x + 2]) >> 1);
            b[1] = r0[x + 1];
            b[2] = static_cast<uint8_t>((r1[x + 1] + up[x + 1]) >> 1);
            uint8_t* c = d1 + 3 * x;
            c[0] = static_cast<uint8_t>((dn[x] + r0[x]) >> 1);
            c[1] = r1[x];
            c[2] = static_cast<uint8_t>((r1[x - 1] + r1[x + 1]) >> 1);
            uint8_t* e = c + 3;
            e[0] = static_cast<uint8_t>((dn[x] + dn[x + 2] + r0[x + 2] + r0[x]) >> 2);
            e[1] = static_cast<uint8_t>((dn[x + 1] + r1[x] + r1[x + 2] + r0[x + 1]) >> 2);
            e[2] = r1[x + 1];
        }
    }
}

}  // namespace

int CZVimage::demosaic(uint8_t* out, int outStride) const {
    if (colour_ != kBayer || !out) return 0;
    const ptrdiff_t ds = outStride > 0 ? outStride : ptrdiff_t(width_) * 3;
    // Border pixels that no block reaches are black.
    for (int y = 0; y < rows_; ++y) std::memset(out + y * ds, 0, size_t(width_) * 3);
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
