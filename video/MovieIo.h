#pragma once
// Small file helpers shared by the movie's sources (internal to video/).
#include <cstdint>
#include <string>
#include <vector>

#include "video/MveFormat.h"

class CZVimage;

namespace ordavia {
// Extensions FFmpeg reads for us; everything else is taken as ".mve".
bool isForeignVideo(const std::string& path);
std::string errnoText(int e);
bool preadAll(int fd, void* buf, size_t n, int64_t pos);
bool pwriteAll(int fd, const void* buf, size_t n, int64_t pos);
// The stored rows without the stride's padding (the image's own buffer
// when there is none).
const uint8_t* packedRows(const CZVimage& img, std::vector<uint8_t>& scratch);
// The 36-byte header describing the image.
void encodeImageHeader(const CZVimage& img, uint8_t out[kMveHeaderSize]);
}  // namespace ordavia
