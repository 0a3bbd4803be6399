#pragma once
// Small helpers for the filter tests: images from values, copies, pixel
// access and a seeded random picture.
#include <cstdint>
#include <random>
#include <vector>

#include "image/CZVimage.h"

inline CZVimage greyImage(int w, int h, uint8_t fill = 0) {
    CZVimage img(w, h, -1, CZVimage::kFrame, CZVimage::kGrey);
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < w; ++x) img.row(y)[x] = fill;
    return img;
}

inline CZVimage greyImage(int w, int h, const std::vector<int>& values) {
    CZVimage img = greyImage(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.row(y)[x] = static_cast<uint8_t>(values[size_t(y * w + x)]);
    return img;
}

inline CZVimage randomImage(int w, int h, uint32_t seed, int lo = 0, int hi = 255) {
    CZVimage img = greyImage(w, h);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(lo, hi);
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < w; ++x) img.row(y)[x] = static_cast<uint8_t>(d(rng));
    return img;
}

inline CZVimage copyOf(const CZVimage& src) {
    CZVimage img;
    img.Copy(src);
    return img;
}

inline int px(const CZVimage& img, int x, int y) { return img.row(y)[x]; }

// All stored pixels, row by row (padding left out).
inline std::vector<int> pixelsOf(const CZVimage& img) {
    std::vector<int> v;
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < img.width(); ++x) v.push_back(img.row(y)[x]);
    return v;
}

// Draws a filled disc of value v.
inline void disc(CZVimage& img, double cx, double cy, double r, uint8_t v) {
    for (int y = 0; y < img.rows(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) img.row(y)[x] = v;
}
