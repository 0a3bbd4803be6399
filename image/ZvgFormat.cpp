// Native ".zvg" image files: a little-endian header of 9, 8 or 4 int32
// (told apart by the first one) followed by the rows, width x bytes per
// pixel each, top row first, no padding.
#include <algorithm>
#include <cstring>

#include "base/ByteOrder.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"

namespace ordavia {

bool parseImageHeader(const uint8_t* d, size_t size, ImageHeader& h) {
    if (!d || size < 16) return false;
    const int32_t first = loadLE32(d);
    ImageHeader r;
    if (first >= 0) {
        r.headerLength = 16;
        r.width = first;
        r.rows = loadLE32(d + 4);
        r.tag = loadLE32(d + 8);
        r.interlace = loadLE32(d + 12);
    } else {
        r.headerLength = first == -1 ? 32 : 36;
        if (size < size_t(r.headerLength)) return false;
        r.tag = loadLE32(d + 8);
        r.interlace = loadLE32(d + 12);
        r.width = loadLE32(d + 16);
        r.rows = loadLE32(d + 20);
        r.originX = loadLE32(d + 24);
        r.originY = loadLE32(d + 28);
        r.colour = first == -1 ? 0 : loadLE32(d + 32);
    }
    if (r.width < 0 || r.rows < 0) return false;
    if (r.colour < 0 || r.colour > 2 || r.interlace < 0 || r.interlace > 2) return false;
    h = r;
    return true;
}

void encodeImageHeader(const ImageHeader& h, uint8_t out[kZvgHeaderSize]) {
    const int32_t v[9] = {-2, 36, h.tag, h.interlace, h.width, h.rows, h.originX, h.originY, h.colour};
    for (int i = 0; i < 9; ++i) storeLE32(out + 4 * i, uint32_t(v[i]));
}

ImageHeader imageHeaderOf(const CZVimage& img) {
    ImageHeader h;
    h.tag = img.tag();
    h.interlace = img.interlace();
    h.width = img.width();
    h.rows = img.rows();
    h.originX = img.originX();
    h.originY = img.storedOriginY();
    h.colour = img.colour();
    return h;
}

bool parseZvgHeader(const uint8_t* d, size_t size, ImageHeader& h) {
    ImageHeader r;
    if (!parseImageHeader(d, size, r)) return false;
    // A file shorter than its header promises is refused rather than read
    // in part.
    const uint64_t need = uint64_t(r.headerLength) + uint64_t(r.width) * uint64_t(r.rows) * uint64_t(r.bytesPerPixel());
    if (need > size) return false;
    h = r;
    return true;
}

int readZvg(const uint8_t* data, size_t size, CZVimage& out) {
    ImageHeader h;
    if (!parseZvgHeader(data, size, h)) return 0;
    CZVimage img;
    img.setInterlace(h.interlace);
    if (!img.resize(h.width, h.rows, h.bytesPerPixel())) return 0;
    if (!img.setColour(h.colour)) return 0;
    img.setTag(h.tag);
    img.setOriginX(h.originX);
    img.setStoredOriginY(h.originY);
    const uint8_t* src = data + h.headerLength;
    const size_t rb = size_t(img.rowBytes());
    if (img.data()) {
        if (size_t(img.stride()) == rb) {
            std::memcpy(img.data(), src, rb * size_t(h.rows));
        } else {
            for (int y = 0; y < h.rows; ++y) std::memcpy(img.row(y), src + rb * size_t(y), rb);
        }
    }
    out.adoptData(std::move(img));
    return 1;
}

int readZvgRegion(const uint8_t* data, size_t size, CZVimage& target, const ZRect& rect) {
    ImageHeader h;
    if (!parseZvgHeader(data, size, h)) return 0;
    if (target.isEmpty() || h.colour != target.colour()) return 0;
    const ZRect dst = target.clip(rect);
    if (dst.isEmpty()) return 0;
    const bool fileField = h.interlace == 1 || h.interlace == 2;
    // Rows of the target per file row, and file rows per target row.
    int dstStep = 1, srcStep = 1;
    if (fileField && !target.isField()) dstStep = 2;
    if (!fileField && target.isField()) srcStep = 2;
    const int bpp = target.bytesPerPixel();
    const int w = std::min(dst.width(), h.width);
    const uint8_t* src = data + h.headerLength;
    const size_t fileRowBytes = size_t(h.width) * size_t(bpp);
    for (int i = 0;; ++i) {
        const int64_t ty = int64_t(dst.top) + int64_t(i) * dstStep;
        const int64_t fy = int64_t(i) * srcStep;
        if (ty >= dst.bottom || fy >= h.rows) break;
        std::memcpy(target.row(int(ty)) + ptrdiff_t(dst.left) * bpp, src + fileRowBytes * size_t(fy),
                    size_t(w) * size_t(bpp));
    }
    target.dropDisplayHeader();
    return 1;
}

bool encodeZvg(const CZVimage& img, const ZRect& rect, std::vector<uint8_t>& out) {
    int left = 0, top = 0, w = img.width(), rows = img.rows();
    if (!rect.isEmpty()) {
        // Own frame coordinates: a field halves the rows.
        ZRect r = rect.normalized();
        if (img.isField()) {
            r.top /= 2;
            r.bottom /= 2;
        }
        left = std::max(0, r.left);
        top = std::max(0, r.top);
        w = std::min<int64_t>(int64_t(img.width()) - left, int64_t(r.right) - left);
        rows = std::min<int64_t>(int64_t(img.rows()) - top, int64_t(r.bottom) - top);
        if (w <= 0 || rows <= 0) return false;
    }
    const int bpp = img.bytesPerPixel();
    const size_t rb = size_t(w) * size_t(bpp);
    try {
        out.assign(kZvgHeaderSize + rb * size_t(rows), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint8_t* p = out.data();
    ImageHeader h = imageHeaderOf(img);
    h.width = w;
    h.rows = rows;
    encodeImageHeader(h, p);
    p += kZvgHeaderSize;
    if (!img.data()) return true;
    for (int y = 0; y < rows; ++y) std::memcpy(p + rb * size_t(y), img.row(top + y) + ptrdiff_t(left) * bpp, rb);
    return true;
}

}  // namespace ordavia
