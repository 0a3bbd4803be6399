#pragma once
// Little-endian fields of file headers, read and written byte by byte so
// that neither alignment nor the host's byte order matters.
#include <cstdint>

namespace ordavia {

inline uint32_t loadLEU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t loadLE32(const uint8_t* p) { return static_cast<int32_t>(loadLEU32(p)); }
inline int loadLE16(const uint8_t* p) { return p[0] | p[1] << 8; }

inline void storeLE32(uint8_t* p, uint32_t u) {
    p[0] = uint8_t(u);
    p[1] = uint8_t(u >> 8);
    p[2] = uint8_t(u >> 16);
    p[3] = uint8_t(u >> 24);
}
inline void storeLE16(uint8_t* p, int v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

}  // namespace ordavia
