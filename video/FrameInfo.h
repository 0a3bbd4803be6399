#pragma once
// Per-frame record of a movie: the capture field counter, the frame's
// interlace code and its movement-correction offsets. Stored in ".dcs"
// documents as 16 raw little-endian bytes per frame, so the layout is fixed.
#include <cstdint>
#include <vector>

struct FrameInfo {
    int32_t field = -1;      // capture field counter; -1 = not yet known
    int32_t interlace = -1;  // CZVimage interlace code
    int32_t x = -1;          // x offset
    int32_t y = -1;          // y offset in full-frame rows
    bool known() const { return field != -1; }
};
static_assert(sizeof(FrameInfo) == 16, "FrameInfo is stored as 16 bytes");

using FrameInfoList = std::vector<FrameInfo>;

namespace ordavia {
// The 16-byte stored form of a table and back. Reading takes whole
// records only; a trailing part record is ignored.
std::vector<uint8_t> encodeFrameInfos(const FrameInfoList& table);
FrameInfoList decodeFrameInfos(const uint8_t* data, size_t size);
}  // namespace ordavia
