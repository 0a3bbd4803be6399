#pragma once
// Videos with damage where we choose it: an MJPEG AVI written through the
// program's own writer, then frames' compressed bytes overwritten with
// zeros (the chunks keep their sizes, so the container stays sound and
// only the decoder meets the damage); and small files that declare frames
// far larger than their bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "MveBytes.h"
#include "image/CZVimage.h"
#include "video/AviWriter.h"

namespace testsupport {

// Frame k: a grey level of 40 + 4k (k < 32) over a checkerboard of 8-pixel
// squares (0 or 16 above it), with a bright square that walks along the
// middle rows.
inline void walkingSquare(int k, int w, int h, CZVimage& f) {
    f.setInterlace(CZVimage::kFrame);
    f.resize(w, h, 1);
    f.setColour(CZVimage::kGrey);
    const int at = k % std::max(1, w - 8);  // where the square starts on row h / 2
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool in = x >= at && x < at + 8 && y >= h / 2 - 4 && y < h / 2 + 4;
            f.row(y)[x] = uint8_t(in ? 220 : 40 + 4 * (k % 32) + 16 * ((x / 8 + y / 8) % 2));
        }
}

// Writes `frames` frames as MJPEG to path (an .avi); false without the encoder.
inline bool writeMjpegAvi(const std::string& path, int frames, int w = 32, int h = 16, const std::string& codec = "mjpeg") {
    ordavia::AviWriter::Params p;
    p.width = w;
    p.height = h;
    p.codec = codec;
    auto wr = ordavia::AviWriter::open(path, p);
    if (!wr) return false;
    CZVimage f;
    for (int k = 0; k < frames; ++k) {
        walkingSquare(k, w, h, f);
        if (!wr.value()->write(f)) return false;
    }
    return bool(wr.value()->close());
}

// The byte ranges of the "00dc"/"00db" chunks inside the AVI's 'movi' list, in order.
inline std::vector<std::pair<size_t, size_t>> aviFrameChunks(const std::vector<uint8_t>& b) {
    std::vector<std::pair<size_t, size_t>> out;
    auto le32 = [&](size_t at) { return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24; };
    for (size_t at = 12; at + 12 <= b.size();) {
        const uint32_t size = le32(at + 4);
        if (std::memcmp(&b[at], "LIST", 4) == 0 && std::memcmp(&b[at + 8], "movi", 4) == 0) {
            const size_t end = std::min(b.size(), at + 8 + size);
            for (size_t c = at + 12; c + 8 <= end;) {
                const uint32_t n = le32(c + 4);
                if (std::memcmp(&b[c], "00dc", 4) == 0 || std::memcmp(&b[c], "00db", 4) == 0) out.emplace_back(c + 8, n);
                c += 8 + n + (n & 1);
            }
            return out;
        }
        at += 8 + size + (size & 1);
    }
    return out;
}

// Overwrites the compressed bytes of the given frames with zeros.
inline void damageAviFrames(const std::string& path, const std::set<int>& which) {
    std::vector<uint8_t> b = readBytes(path);
    const auto chunks = aviFrameChunks(b);
    for (int k : which)
        if (k >= 0 && size_t(k) < chunks.size()) std::memset(&b[chunks[size_t(k)].first], 0, chunks[size_t(k)].second);
    writeBytes(path, b);
}

// An uncompressed AVI whose headers declare frames of w x h pixels while
// holding 8 x 8 ones: a file of about 1.4 KB.
inline bool writeAviDeclaring(const std::string& path, uint32_t w, uint32_t h) {
    ordavia::AviWriter::Params p;
    p.width = 8;
    p.height = 8;
    auto wr = ordavia::AviWriter::open(path, p);
    if (!wr) return false;
    CZVimage f;
    walkingSquare(0, 8, 8, f);
    for (int k = 0; k < 4; ++k) (void)wr.value()->write(f);
    if (!wr.value()->close()) return false;
    std::vector<uint8_t> b = readBytes(path);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    for (size_t at = 0; at + 16 <= b.size(); ++at) {
        if (std::memcmp(&b[at], "avih", 4) == 0) put(at + 8 + 32, w), put(at + 8 + 36, h);
        if (std::memcmp(&b[at], "strf", 4) == 0) put(at + 8 + 4, w), put(at + 8 + 8, h);
    }
    writeBytes(path, b);
    return true;
}

}  // namespace testsupport
