#include "video/MveFormat.h"

#include <cstring>

#include "base/ByteOrder.h"
#include "video/FrameInfo.h"

namespace ordavia {

bool parseMveHeader(const uint8_t* d, size_t size, MveFrameHeader& h) {
    if (!d || size < 16) return false;
    const int32_t first = loadLE32(d);
    MveFrameHeader r;
    if (first >= 0) {
        r.headerLength = 16;
        r.width = first;
        r.rows = loadLE32(d + 4);
        r.field = loadLE32(d + 8);
        r.interlace = loadLE32(d + 12);
    } else {
        r.headerLength = first == -1 ? 32 : 36;
        if (size < size_t(r.headerLength)) return false;
        r.field = loadLE32(d + 8);
        r.interlace = loadLE32(d + 12);
        r.width = loadLE32(d + 16);
        r.rows = loadLE32(d + 20);
        r.originX = loadLE32(d + 24);
        r.originY = loadLE32(d + 28);
        r.colour = first == -1 ? 0 : loadLE32(d + 32);
    }
    if (r.width <= 0 || r.rows <= 0 || r.width > 65536 || r.rows > 65536) return false;
    if (r.colour < 0 || r.colour > 2 || r.interlace < 0 || r.interlace > 2) return false;
    h = r;
    return true;
}

void encodeMveHeader(const MveFrameHeader& h, uint8_t out[kMveHeaderSize]) {
    const int32_t v[9] = {-2, 36, h.field, h.interlace, h.width, h.rows, h.originX, h.originY, h.colour};
    for (int i = 0; i < 9; ++i) storeLE32(out + 4 * i, uint32_t(v[i]));
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
