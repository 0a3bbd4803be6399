#pragma once
// Grey TIFF files written byte by byte (little-endian, one uncompressed
// strip), with the private tags microscope software leaves in them: the
// ImageJ metadata pair and vendor tags of odd types and counts.
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace testsupport {

struct TiffEntry {
    uint16_t tag, type;
    uint32_t count, value;
    std::vector<uint8_t> data = {};  // placed after the directory; value becomes its offset
};

// A little-endian TIFF with one directory at offset 8, the entries' data
// after it and the pixels last; the strip offset (tag 273) points at them.
inline std::vector<uint8_t> tiffFile(std::vector<TiffEntry> e, const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> b = {'I', 'I', 42, 0};
    auto u16 = [&](uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    uint32_t next = 8 + 2 + 12 * uint32_t(e.size()) + 4;
    for (TiffEntry& en : e)
        if (!en.data.empty()) en.value = std::exchange(next, next + uint32_t(en.data.size()));
    for (TiffEntry& en : e)
        if (en.tag == 273) en.value = next;
    u32(8);
    u16(uint16_t(e.size()));
    for (const TiffEntry& en : e) {
        u16(en.tag);
        u16(en.type);
        u32(en.count);
        if (en.type == 3 && en.count <= 2 && en.data.empty()) {
            u16(en.value);
            u16(en.count == 2 ? en.value : 0);
        } else {
            u32(en.value);
        }
    }
    u32(0);
    for (const TiffEntry& en : e) b.insert(b.end(), en.data.begin(), en.data.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// values: height rows of width samples; bits 8 or 16.
inline std::vector<uint8_t> greyTiffBytes(uint32_t width, uint32_t height, int bits, const std::vector<uint16_t>& values,
                                          bool privateTags = true) {
    const uint32_t bytesPer = bits == 16 ? 2 : 1;
    std::vector<TiffEntry> e = {{256, 4, 1, width}, {257, 4, 1, height}, {258, 3, 1, uint32_t(bits)}, {259, 3, 1, 1},
                                {262, 3, 1, 1},     {273, 4, 1, 0},      {277, 3, 1, 1},              {278, 4, 1, height},
                                {279, 4, 1, width * height * bytesPer}};
    const char meta[] = "IJIJinfo\0\0\0\x05hello";
    if (privateTags) {
        e.push_back({50838, 4, 2, 0, {8, 0, 0, 0, uint8_t(sizeof meta - 9), 0, 0, 0}});  // ImageJ byte counts
        e.push_back({50839, 1, uint32_t(sizeof meta - 1), 0, {meta, meta + sizeof meta - 1}});  // ImageJ metadata
        e.push_back({65000, 7, 7, 0, {1, 2, 3, 4, 5, 6, 7}});  // a vendor blob of odd length
        e.push_back({65001, 12, 3, 0, std::vector<uint8_t>(24, 0x3F)});  // three doubles
    }
    std::vector<uint8_t> px;
    for (uint32_t i = 0; i < width * height; ++i) {
        const uint16_t v = i < values.size() ? values[i] : 0;
        px.push_back(uint8_t(v));
        if (bits == 16) px.push_back(uint8_t(v >> 8));
    }
    return tiffFile(std::move(e), px);
}

// An 8-bit TIFF of `spp` interleaved samples per pixel (one uncompressed
// strip) with the given photometric interpretation (1 grey, 2 RGB, 5 CMYK);
// samples beyond the picture's own are marked as unassociated alpha.
inline std::vector<uint8_t> sampleTiffBytes(uint32_t width, uint32_t height, uint16_t spp, uint16_t photometric,
                                            const std::vector<uint8_t>& samples) {
    const uint16_t own = photometric == 2 ? 3 : photometric == 5 ? 4 : 1;
    const uint16_t extra = spp > own ? uint16_t(spp - own) : 0;
    const uint32_t pixelBytes = width * height * spp;
    // BitsPerSample and ExtraSamples arrays too long to sit in their entry.
    auto shorts = [](uint16_t n, uint8_t v) {
        std::vector<uint8_t> d;
        if (n > 2)
            for (uint16_t i = 0; i < n; ++i) d.insert(d.end(), {v, 0});
        return d;
    };
    std::vector<TiffEntry> e = {{256, 4, 1, width},  {257, 4, 1, height}, {258, 3, spp, 8, shorts(spp, 8)},
                                {259, 3, 1, 1},      {262, 3, 1, photometric}, {273, 4, 1, 0},
                                {277, 3, 1, spp},    {278, 4, 1, height}, {279, 4, 1, pixelBytes}};
    if (extra) e.push_back({338, 3, extra, 2, shorts(extra, 2)});
    std::vector<uint8_t> px(samples.begin(), samples.begin() + std::min<size_t>(samples.size(), pixelBytes));
    px.resize(pixelBytes, 0);
    return tiffFile(std::move(e), px);
}

// A few hundred bytes whose tags declare a width x height picture while
// the strip holds 16 samples: what a reader must refuse before allocating.
inline std::vector<uint8_t> tiffDeclaring(uint32_t width, uint32_t height) {
    std::vector<uint8_t> b = greyTiffBytes(4, 4, 8, {}, false);
    const size_t entries = size_t(b[8]) | size_t(b[9]) << 8;
    for (size_t k = 0; k < entries; ++k) {
        uint8_t* e = &b[10 + 12 * k];
        const uint16_t tag = uint16_t(e[0] | e[1] << 8);
        const uint32_t v = tag == 256 ? width : tag == 257 || tag == 278 ? height : 0;
        if (v)
            for (int i = 0; i < 4; ++i) e[8 + i] = uint8_t(v >> (8 * i));
    }
    return b;
}

}  // namespace testsupport
