#include "image/ImageFilters.h"

#include <cmath>
#include <cstring>

#include "image/CZVimage.h"
#include "image/CustomKernel.h"
#include "image/GreyRegion.h"
#include "image/KernelSet.h"

namespace ordavia {

bool stretchRegion(const GreyRegion& r) {
    if (r.empty()) return false;
    uint8_t lo8 = 255, hi8 = 0;
    for (int y = 0; y < r.height; ++y) {
        const uint8_t* __restrict p = r.row(y);
        uint8_t l = 255, h = 0;
        for (int x = 0; x < r.width; ++x) {
            l = p[x] < l ? p[x] : l;
            h = p[x] > h ? p[x] : h;
        }
        lo8 = l < lo8 ? l : lo8;
        hi8 = h > hi8 ? h : hi8;
    }
    const int lo = lo8, hi = hi8;
    if ((lo == 0 && hi == 255) || hi == 0 || hi == lo) return false;
    // gain = 255 / (max - min), offset = -min x gain, i.e. (p - min) x 255
    // / (max - min). Worked in integers, so the maximum lands on 255
    // exactly; the same sum in doubles gives 254 for ranges such as 0..50.
    uint8_t lut[256];
    const int range = hi - lo;
    for (int v = 0; v < 256; ++v) {
        const int s = (v - lo) * 255;
        const int q = s / range;  // truncation towards zero, as the map does
        lut[v] = static_cast<uint8_t>(q < 0 ? 0 : (q > 255 ? 255 : q));
    }
    // The same map as arithmetic: (p - min) x (255 / range), checked
    // against the table before use.
    const ByteMap map = byteMap(lut, 255.0 / range, -double(lo) * 255.0 / range);
    for (int y = 0; y < r.height; ++y) applyByteMap(map, r.row(y), size_t(r.width));
    return true;
}

namespace {

// Whether the vector kernel's 32-bit sums and float scaling give the
// double result for every sum the kernel can produce. Tried when the range
// of sums is small enough to check one by one (every kernel with small
// weights, the Laplacian among them).
bool conv3InFloat(const CustomKernel& kern) {
    int64_t lo = 0, hi = 0;
    for (int v : kern.k) (v < 0 ? lo : hi) += int64_t(v) * 255;
    if (hi - lo > (1 << 16) || hi >= (1 << 24) || lo <= -(1 << 24)) return false;
    const float gf = float(kern.gain), of = float(kern.offset);
    for (int64_t v = lo; v <= hi; ++v) {
        const double t = std::trunc(double(v) * kern.gain + kern.offset);
        const uint8_t want = !(t > 0.0) ? 0 : (t >= 255.0 ? 255 : static_cast<uint8_t>(t));
        float f = float(v) * gf + of;
        f = f > 0.0f ? f : 0.0f;
        f = f < 255.0f ? f : 255.0f;
        if (uint8_t(int(f)) != want) return false;
    }
    return true;
}

}  // namespace

bool equalise(CZVimage& img, const ZRect& region) {
    if (!stretchRegion(greyRegion(img, region))) return false;
    img.dropDisplayHeader();
    return true;
}

bool negativeFilter(CZVimage& img, const ZRect& region) {
    const GreyRegion r = greyRegion(img, region);
    if (r.empty()) return false;
    const auto apply = kernelSet().invert;
    for (int y = 0; y < r.height; ++y) apply(r.row(y), size_t(r.width));
    img.dropDisplayHeader();
    return true;
}

bool convolve3x3(CZVimage& img, const ZRect& region, const CustomKernel& kern) {
    const GreyRegion r = greyRegion(img, region);
    if (r.empty() || !std::isfinite(kern.gain)) return false;
    const int w = r.width, h = r.height;
    // A copy with one replicated pixel all round makes the border the same
    // as the inside: p(-1, y) is p(0, y), the corners repeat the corners.
    const int pw = w + 2;
    std::vector<uint8_t> pad(size_t(pw) * size_t(h + 2));
    for (int y = -1; y <= h; ++y) {
        const uint8_t* s = r.row(y < 0 ? 0 : (y >= h ? h - 1 : y));
        uint8_t* d = pad.data() + size_t(y + 1) * size_t(pw);
        d[0] = s[0];
        std::memcpy(d + 1, s, size_t(w));
        d[w + 1] = s[w - 1];
    }
    int64_t k[9];
    for (int i = 0; i < 9; ++i) k[i] = kern.k[i];
    const double gain = kern.gain, off = kern.offset;
    if (conv3InFloat(kern)) {
        int32_t k32[9];
        for (int i = 0; i < 9; ++i) k32[i] = kern.k[i];
        kernelSet().conv3(pad.data(), w, h, k32, float(gain), float(off), r.data, r.stride);
        img.dropDisplayHeader();
        return true;
    }
    for (int y = 0; y < h; ++y) {
        const uint8_t* a = pad.data() + size_t(y) * size_t(pw);
        const uint8_t* b = a + pw;
        const uint8_t* c = b + pw;
        uint8_t* d = r.row(y);
        for (int x = 0; x < w; ++x) {
            const int64_t v = k[0] * a[x] + k[1] * a[x + 1] + k[2] * a[x + 2] + k[3] * b[x] + k[4] * b[x + 1] +
                              k[5] * b[x + 2] + k[6] * c[x] + k[7] * c[x + 1] + k[8] * c[x + 2];
            const double t = std::trunc(double(v) * gain + off);
            d[x] = !(t > 0.0) ? 0 : (t >= 255.0 ? 255 : static_cast<uint8_t>(t));
        }
    }
    img.dropDisplayHeader();
    return true;
}

bool laplacianFilter(CZVimage& img, const ZRect& region) {
    return convolve3x3(img, region, CustomKernel::laplacian());
}

CZVimage binImage(const CZVimage& src) {
    CZVimage out;
    if (src.isEmpty()) return out;
    const int w = src.width() / 2, rows = src.rows() / 2;
    if (w <= 0 || rows <= 0) return out;
    // Colour pixels are binned channel by channel.
    const int bpp = src.bytesPerPixel();
    if (!out.resize(w, rows, bpp)) return CZVimage();
    out.setColour(src.colour());
    out.setTag(src.tag());
    out.setInterlace(src.interlace());
    out.setOriginX(src.originX() / 2);
    out.setStoredOriginY(src.storedOriginY() / 2);
    out.setPalette(src.paletteIndex());
    out.setZeroAsBlack(src.zeroAsBlack());
    for (int y = 0; y < rows; ++y) {
        const uint8_t* a = src.row(2 * y);
        const uint8_t* b = src.row(2 * y + 1);
        uint8_t* d = out.row(y);
        if (bpp == 1) {
            for (int x = 0; x < w; ++x) d[x] = static_cast<uint8_t>((int(a[2 * x]) + int(b[2 * x])) * 2 / 4);
        } else {
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < bpp; ++c)
                    d[x * bpp + c] = static_cast<uint8_t>((int(a[2 * x * bpp + c]) + int(b[2 * x * bpp + c])) * 2 / 4);
        }
    }
    return out;
}

bool subtractImage(CZVimage& img, const CZVimage& other) {
    if (img.isEmpty() || other.isEmpty() || img.bytesPerPixel() != 1 || other.bytesPerPixel() != 1) return false;
    if (img.width() != other.width() || img.height() != other.height() || img.rows() != other.rows()) return false;
    if (!img.subtract(other, 0)) return false;
    img.dropDisplayHeader();
    return true;
}

bool removeDustMark(CZVimage& img, const ZRect& mark) {
    const GreyRegion r = greyRegionNoOrigin(img, mark);
    if (r.empty()) return false;
    // Plain indices over the clipped rectangle: l = 0, t = 0, r = width,
    // b = height. The border rows and columns are only read.
    const int w = r.width, h = r.height;
    const uint8_t* top = r.row(0);
    const uint8_t* bottom = r.row(h - 1);
    for (int y = 1; y < h - 1; ++y) {
        uint8_t* p = r.row(y);
        const double fy = double(y) / double(h);
        const double left = p[0], right = p[w - 1];
        for (int x = 1; x < w - 1; ++x) {
            const double fx = double(x) / double(w);
            const double v = bottom[x] * fy + top[x] * (1.0 - fy);
            const double hz = right * fx + left * (1.0 - fx);
            p[x] = static_cast<uint8_t>(std::trunc(0.5 * (v + hz)));
        }
    }
    img.dropDisplayHeader();
    return true;
}

int applyDustFilter(CZVimage& img, const std::vector<ZRect>& marks) {
    int n = 0;
    for (const ZRect& m : marks) {
        if (m.normalized().isEmpty()) continue;
        if (removeDustMark(img, m)) ++n;
    }
    return n;
}

}  // namespace ordavia
