#pragma once
// Movie files written by hand, byte by byte, independently of the movie
// code: the current ".mve" form (magic -23, one 36-byte header, frames,
// trailer) and the two older forms with a header before every frame.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ArchiveBytes.h"
#include "ScratchDir.h"

namespace testsupport {

// The archive tests' little-endian builder (i32, f64, u16, str, raw).
using LeBytes = ::Bytes;

// Frame k of a w x rows grey test movie: every byte tells frame and place.
inline std::vector<uint8_t> testFrame(int k, int w, int rows) {
    std::vector<uint8_t> f(size_t(w) * size_t(rows));
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < w; ++x) f[size_t(y) * size_t(w) + size_t(x)] = uint8_t(k * 16 + y * 3 + x);
    return f;
}

// The current form with `slotCount` frames; frame file slot s holds testFrame(s).
inline std::vector<uint8_t> mveCurrent(int w, int rows, int slotCount, int count, int ring, int field0 = 0) {
    LeBytes b;
    b.i32(-23).i32(-2).i32(36).i32(field0).i32(0).i32(w).i32(rows).i32(0).i32(0).i32(0);
    for (int s = 0; s < slotCount; ++s) b.raw(testFrame(s, w, rows));
    b.i32(count).i32(ring);
    return b.b;
}

// The current form holding the given frames (w x rows bytes each) in order.
inline std::vector<uint8_t> mveOf(int w, int rows, const std::vector<std::vector<uint8_t>>& frames) {
    LeBytes b;
    b.i32(-23).i32(-2).i32(36).i32(0).i32(0).i32(w).i32(rows).i32(0).i32(0).i32(0);
    for (const auto& f : frames) b.raw(f);
    b.i32(int32_t(frames.size())).i32(0);
    return b.b;
}

// No trailer: the first int32 is the count; every frame has a 16-byte
// header (width, rows, field number, interlace).
inline std::vector<uint8_t> mveNoTrailer16(int w, int rows, int count) {
    LeBytes b;
    b.i32(count);
    for (int s = 0; s < count; ++s) b.i32(w).i32(rows).i32(100 + 7 * s).i32(0).raw(testFrame(s, w, rows));
    return b.b;
}

// An older trailer form (magic above -23) with a 32-byte header (first
// int32 -1) before every frame.
inline std::vector<uint8_t> mveTrailer32(int w, int rows, int count, int magic = -22) {
    LeBytes b;
    b.i32(magic);
    for (int s = 0; s < count; ++s) b.i32(-1).i32(32).i32(50 + s).i32(0).i32(w).i32(rows).i32(s).i32(2 * s).raw(testFrame(s, w, rows));
    b.i32(count).i32(0);
    return b.b;
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& b) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!b.empty()) std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::vector<uint8_t> b;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return b;
    int c;
    while ((c = std::fgetc(f)) != EOF) b.push_back(uint8_t(c));
    std::fclose(f);
    return b;
}

}  // namespace testsupport

namespace testsupport {

// The video fields of a ".dcs" after the image-document part, in layout
// version v (1 to 6), written by hand.
struct DcsVideoTail {
    int32_t frames = 12, skip = 0, flag = 7;
    std::string movie = "D:\\data\\clip.mve";
    int32_t fieldsPerSecond = 50;
    std::string results;
    std::vector<std::vector<int32_t>> table;  // 4 int32 per frame
    std::vector<double> spot;
    double fps = 25.0;
    std::vector<std::pair<int32_t, int32_t>> pairs{{0, 0}};

    std::vector<uint8_t> bytes(int v, int32_t direct2disc = 0, const std::string& tempdir = "") const {
        LeBytes b;
        b.i32(v).i32(frames).i32(skip).i32(flag).str(movie).i32(direct2disc).str(tempdir);
        if (v > 1) b.i32(fieldsPerSecond);
        if (v > 2) b.str(results);
        if (v > 3) {
            b.i32(int32_t(table.size())).i32(int32_t(table.size() * 16));
            for (const auto& e : table)
                for (int32_t x : e) b.i32(x);
        }
        if (v > 4) {
            b.i32(int32_t(spot.size()));
            for (double x : spot) b.f64(x);
        }
        if (v > 5) b.f64(fps);
        b.u16(uint16_t(pairs.size()));
        for (auto [x, y] : pairs) b.i32(x).i32(y);
        return b.b;
    }
};

// Zero grey frames of w x h as a sparse movie file: frames of any size at
// almost no cost in disc.
inline void writeSparseMve(const std::string& path, int w, int h, int frames) {
    const std::vector<uint8_t> head = mveCurrent(w, h, 0, 0, 0);
    const int32_t tail[2] = {frames, 0};
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(head.data(), 1, 40, f);
    std::fseek(f, long(40 + int64_t(w) * h * frames), SEEK_SET);
    std::fwrite(tail, 1, sizeof tail, f);
    std::fclose(f);
}

}  // namespace testsupport
