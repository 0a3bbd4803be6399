#pragma once
// Grey TIFF files written byte by byte (little-endian, one uncompressed
// strip), with the private tags microscope software leaves in them: the
// ImageJ metadata pair and vendor tags of odd types and counts.
#include <cstdint>
#include <cstring>
#include <vector>

namespace testsupport {

// values: height rows of width samples; bits 8 or 16.
inline std::vector<uint8_t> greyTiffBytes(uint32_t width, uint32_t height, int bits, const std::vector<uint16_t>& values,
                                          bool privateTags = true) {
    std::vector<uint8_t> b;
    auto u16 = [&](uint16_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    };
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    const uint32_t bytesPer = bits == 16 ? 2 : 1;
    const uint32_t pixelBytes = width * height * bytesPer;
    std::vector<Entry> e = {{256, 4, 1, width}, {257, 4, 1, height}, {258, 3, 1, uint32_t(bits)}, {259, 3, 1, 1},
                            {262, 3, 1, 1},     {273, 4, 1, 0},      {277, 3, 1, 1},              {278, 4, 1, height},
                            {279, 4, 1, pixelBytes}};
    const char meta[] = "IJIJinfo\0\0\0\x05hello";
    if (privateTags) {
        e.push_back({50838, 4, 2, 0});                         // ImageJ metadata byte counts
        e.push_back({50839, 1, uint32_t(sizeof meta - 1), 0});  // ImageJ metadata
        e.push_back({65000, 7, 7, 0});                          // a vendor blob of odd length
        e.push_back({65001, 12, 3, 0});                         // three doubles
    }
    const uint32_t ifdSize = 2 + 12 * uint32_t(e.size()) + 4;
    uint32_t next = 8 + ifdSize;
    std::vector<std::vector<uint8_t>> extra;
    auto place = [&](Entry& en, std::vector<uint8_t> data) {
        en.value = next;
        next += uint32_t(data.size());
        extra.push_back(std::move(data));
    };
    for (Entry& en : e) {
        if (en.tag == 50838) place(en, {8, 0, 0, 0, uint8_t(sizeof meta - 9), 0, 0, 0});
        if (en.tag == 50839) place(en, std::vector<uint8_t>(meta, meta + sizeof meta - 1));
        if (en.tag == 65000) place(en, {1, 2, 3, 4, 5, 6, 7});
        if (en.tag == 65001) place(en, std::vector<uint8_t>(24, 0x3F));
    }
    for (Entry& en : e)
        if (en.tag == 273) en.value = next;
    b.insert(b.end(), {'I', 'I', 42, 0});
    u32(8);
    u16(uint16_t(e.size()));
    for (const Entry& en : e) {
        u16(en.tag);
        u16(en.type);
        u32(en.count);
        if (en.type == 3 && en.count == 1) {
            u16(uint16_t(en.value));
            u16(0);
        } else {
            u32(en.value);
        }
    }
    u32(0);
    for (const auto& x : extra) b.insert(b.end(), x.begin(), x.end());
    for (uint32_t i = 0; i < width * height; ++i) {
        const uint16_t v = i < values.size() ? values[i] : 0;
        if (bits == 16) u16(v);
        else b.push_back(uint8_t(v));
    }
    return b;
}

// An 8-bit TIFF of `spp` interleaved samples per pixel (one uncompressed
// strip) with the given photometric interpretation (1 grey, 2 RGB, 5 CMYK);
// samples beyond the picture's own are marked as unassociated alpha.
inline std::vector<uint8_t> sampleTiffBytes(uint32_t width, uint32_t height, uint16_t spp, uint16_t photometric,
                                            const std::vector<uint8_t>& samples) {
    std::vector<uint8_t> b;
    auto u16 = [&](uint16_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    };
    auto u32 = [&](uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    };
    const uint16_t own = photometric == 2 ? 3 : photometric == 5 ? 4 : 1;
    const uint16_t extra = spp > own ? uint16_t(spp - own) : 0;
    const uint32_t entries = extra ? 10 : 9;
    const uint32_t ifdEnd = 8 + 2 + 12 * entries + 4;
    // BitsPerSample and ExtraSamples arrays too long to sit in their entry.
    const uint32_t bitsAt = ifdEnd, extraAt = bitsAt + 2u * spp, pixelsAt = extraAt + 2u * extra;
    const uint32_t pixelBytes = width * height * spp;
    b.insert(b.end(), {'I', 'I', 42, 0});
    u32(8);
    u16(uint16_t(entries));
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        u16(tag);
        u16(type);
        u32(count);
        if (type == 3 && count == 1) {
            u16(uint16_t(value));
            u16(0);
        } else if (type == 3 && count == 2) {
            u16(uint16_t(value));
            u16(uint16_t(value));
        } else {
            u32(value);
        }
    };
    entry(256, 4, 1, width);
    entry(257, 4, 1, height);
    entry(258, 3, spp, spp <= 2 ? 8 : bitsAt);
    entry(259, 3, 1, 1);
    entry(262, 3, 1, photometric);
    entry(273, 4, 1, pixelsAt);
    entry(277, 3, 1, spp);
    entry(278, 4, 1, height);
    entry(279, 4, 1, pixelBytes);
    if (extra) entry(338, 3, extra, extra <= 2 ? 2 : extraAt);
    u32(0);
    for (uint16_t i = 0; i < spp; ++i) u16(8);
    for (uint16_t i = 0; i < extra; ++i) u16(2);
    b.resize(pixelsAt, 0);
    for (uint32_t i = 0; i < pixelBytes; ++i) b.push_back(i < samples.size() ? samples[i] : 0);
    return b;
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
