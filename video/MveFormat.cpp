#include "video/MveFormat.h"

#include <cstring>

#include "base/ByteOrder.h"
#include "image/ImageFormats.h"
#include "video/FrameInfo.h"

namespace ordavia {

bool parseMveHeader(const uint8_t* d, size_t size, ImageHeader& h) {
    ImageHeader f;
    if (!parseImageHeader(d, size, f)) return false;
    if (f.width <= 0 || f.rows <= 0 || f.width > 65536 || f.rows > 65536) return false;
    h = f;
    return true;
}

std::vector<uint8_t> encodeFrameInfos(const FrameInfoList& table) {
    std::vector<uint8_t> out(table.size() * 16);
    for (size_t i = 0; i < table.size(); ++i) {
        const FrameInfo& e = table[i];
        storeLE32(&out[16 * i], uint32_t(e.field));
        storeLE32(&out[16 * i + 4], uint32_t(e.interlace));
        storeLE32(&out[16 * i + 8], uint32_t(e.x));
        storeLE32(&out[16 * i + 12], uint32_t(e.y));
    }
    return out;
}

FrameInfoList decodeFrameInfos(const uint8_t* data, size_t size) {
    FrameInfoList t(size / 16);
    for (size_t i = 0; i < t.size(); ++i) {
        const uint8_t* p = data + 16 * i;
        t[i] = FrameInfo{loadLE32(p), loadLE32(p + 4), loadLE32(p + 8), loadLE32(p + 12)};
    }
    return t;
}

}  // namespace ordavia
