// Windows BMP: a 14-byte file header, an information header of at least 40
// bytes, an optional colour table and the rows, each padded to 4 bytes,
// bottom-up when the height is positive.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/ByteOrder.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "settings/DebugLog.h"

namespace ordavia {

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

// Scales one channel of a 16-bit pixel to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    explicit Channel(uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        max = m >> shift;
    }
    int operator()(uint32_t px) const { return max ? int(((px & mask) >> shift) * 255 / max) : 0; }
};

}  // namespace

int readBmp(const uint8_t* data, size_t size, CZVimage& out, const GreyWeights& w) {
    // Everything after the 14-byte file header; its own fields are not used.
    if (!data || size < 14 + 40) return 0;
    const uint8_t* info = data + 14;
    const size_t left = size - 14;
    const uint32_t infoSize = loadLEU32(info);
    if (infoSize < 40 || infoSize > left) return 0;
    const int32_t width = loadLE32(info + 4);
    const int32_t heightField = loadLE32(info + 8);
    const int bits = loadLE16(info + 14);
    const uint32_t compression = loadLEU32(info + 16);
    const uint32_t coloursUsed = loadLEU32(info + 32);
    if (width < 0 || heightField == INT32_MIN) return 0;
    const int rows = std::abs(heightField);
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    if (compression != kBiRgb && !(compression == kBiBitfields && (bits == 16 || bits == 32))) return 0;

    // Bit-field masks follow a 40-byte header; larger headers hold them.
    uint64_t offset = infoSize;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 5-5-5 red, green, blue
    if (compression == kBiBitfields) {
        if (infoSize == 40) offset += 12;
        if (40 + 12 > left) return 0;
        for (int i = 0; i < 3; ++i) masks[i] = loadLEU32(info + 40 + 4 * i);
    }
    uint64_t paletteEntries = coloursUsed != 0 ? coloursUsed : (bits == 8 ? 256 : 0);
    if (bits > 8 && coloursUsed == 0) paletteEntries = 0;
    offset += 4 * paletteEntries;
    if (offset > left) return 0;
    const uint64_t rowSize = (uint64_t(bits) * uint64_t(width) + 31) / 32 * 4;
    const uint64_t lastRow = (uint64_t(bits) * uint64_t(width) + 7) / 8;
    if (rows > 0 && (rows - 1) * rowSize + lastRow > left - offset) return 0;
    const uint8_t* bitsAt = info + offset;

    // The kind of the result follows the image's kind before the read.
    const int before = out.colour();
    int kind = CZVimage::kGrey;
    if (before == CZVimage::kColour && bits != 8) kind = CZVimage::kColour;
    if (before == CZVimage::kBayer) kind = CZVimage::kBayer;

    CZVimage img;
    if (!img.resize(width, rows, kind == CZVimage::kColour ? 3 : 1)) return 0;
    if (!img.setColour(kind)) return 0;
    img.setTag(0);
    img.setInterlace(0);
    if (img.isEmpty()) {
        out.adoptData(std::move(img));
        return 1;
    }
    const double wr = w.red, wg = w.green, wb = w.blue;
    const Channel cr(masks[0]), cg(masks[1]), cb(masks[2]);

    if (kind == CZVimage::kBayer && bits != 8) {
        debugLog("BAYER can olny read 8bit colour!!!\n");
    } else {
        for (int y = 0; y < rows; ++y) {
            const uint8_t* src = bitsAt + rowSize * uint64_t(y);
            uint8_t* dst = img.row(y);
            if (bits == 8) {
                std::memcpy(dst, src, size_t(width));
            } else if (bits == 16) {
                for (int x = 0; x < width; ++x) {
                    const uint32_t px = uint32_t(src[2 * x]) | uint32_t(src[2 * x + 1]) << 8;
                    const int r = cr(px), g = cg(px), b = cb(px);
                    if (kind == CZVimage::kColour) {
                        dst[3 * x] = uint8_t(b);
                        dst[3 * x + 1] = uint8_t(g);
                        dst[3 * x + 2] = uint8_t(r);
                    } else {
                        dst[x] = uint8_t(weightedGrey(wb, b, wg, g, wr, r));
                    }
                }
            } else {
                const int step = bits / 8;
                if (kind == CZVimage::kColour && step == 3) {
                    std::memcpy(dst, src, size_t(width) * 3);
                } else if (kind == CZVimage::kColour) {
                    for (int x = 0; x < width; ++x) std::memcpy(dst + 3 * x, src + 4 * x, 3);
                } else {
                    for (int x = 0; x < width; ++x) {
                        const uint8_t* p = src + ptrdiff_t(x) * step;
                        dst[x] = uint8_t(weightedGrey(wb, p[0], wg, p[1], wr, p[2]));
                    }
                }
            }
        }
    }
    if (heightField > 0) img.flipVertical();
    out.adoptData(std::move(img));
    return 1;
}

bool encodeBmp(const CZVimage& img, const ZRect& rect, std::vector<uint8_t>& out) {
    if (img.isEmpty()) return false;
    ZRect c{0, 0, img.width(), img.rows()};
    if (!rect.isEmpty()) {
        c = img.clip(rect);
        c.left &= ~3;
        c.right &= ~3;
        if (c.isEmpty()) return false;
    }
    // Bayer data go out demosaiced.
    CZVimage demosaiced;
    const CZVimage* src = &img;
    if (img.colour() == CZVimage::kBayer) {
        if (!img.demosaicTo(demosaiced)) return false;
        src = &demosaiced;
    }
    const bool grey = src->colour() == CZVimage::kGrey;
    const int bitCount = grey ? 8 : 24;
    const int bpp = grey ? 1 : 3;
    const int w = c.width(), rows = c.height();
    const uint32_t entries = grey ? 256 : 0;
    const uint64_t rowSize = (uint64_t(bitCount) * uint64_t(w) + 31) / 32 * 4;
    const uint64_t imageSize = rowSize * uint64_t(rows);
    const uint64_t bitsOffset = 14 + 40 + 4 * uint64_t(entries);
    const uint64_t total = bitsOffset + imageSize;
    if (total > UINT32_MAX) return false;
    try {
        out.assign(size_t(total), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    storeLE32(p + 2, uint32_t(total));
    storeLE32(p + 10, uint32_t(bitsOffset));
    uint8_t* h = p + 14;
    storeLE32(h, 40);
    storeLE32(h + 4, uint32_t(w));
    storeLE32(h + 8, uint32_t(-rows));
    storeLE16(h + 12, 1);
    storeLE16(h + 14, bitCount);
    storeLE32(h + 20, uint32_t(imageSize));
    storeLE32(h + 32, entries);
    if (grey) std::memcpy(h + 40, img.displayPalette(), CZVimage::kPaletteBytes);
    uint8_t* bits = p + bitsOffset;
    for (int y = 0; y < rows; ++y)
        std::memcpy(bits + rowSize * uint64_t(y), src->row(c.top + y) + ptrdiff_t(c.left) * bpp, size_t(w) * bpp);
    return true;
}

}  // namespace ordavia
