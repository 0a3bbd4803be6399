#include "image/BoxFilter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/ParallelFor.h"
#include "image/CZVimage.h"
#include "image/GreyRegion.h"
#include "image/KernelSet.h"

namespace ordavia {

namespace {

inline uint8_t clampByte(int64_t v) { return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// One output row from the column sums. The horizontal window is split into
// its left edge, middle and right edge parts so that the middle loop has no
// tests; the count per column is precomputed.
template <BoxMode Mode, class Sum>
void filterRow(const Sum* col, const int* hcount, int vcount, int w, int k, const uint8_t* src, uint8_t* dst) {
    Sum s = 0;
    const int firstRight = std::min(k, w - 1);
    for (int x = 0; x <= firstRight; ++x) s += col[x];
    for (int x = 0; x < w; ++x) {
        if (x > 0) {
            if (x + k < w) s += col[x + k];
            if (x - k - 1 >= 0) s -= col[x - k - 1];
        }
        const Sum count = Sum(hcount[x]) * Sum(vcount);
        if constexpr (Mode == BoxMode::LowPass) {
            dst[x] = clampByte(int64_t(s / count));
        } else {
            const Sum p = src[x];
            // count > 1: with k >= 1 and a region wider and taller than
            // the window, every window holds at least 2 x 2 pixels.
            dst[x] = clampByte(int64_t(p) - int64_t((s - p) / (count - 1)) + 128);
        }
    }
}

template <BoxMode Mode, class Sum>
void run(const GreyRegion& r, int k) {
    const int w = r.width, h = r.height;
    // The source is a copy of the region; results go straight back.
    std::vector<uint8_t> src(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) std::memcpy(src.data() + size_t(y) * size_t(w), r.row(y), size_t(w));
    std::vector<Sum> col(size_t(w), 0);
    std::vector<int> hcount(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) hcount[size_t(x)] = std::min(w - 1, x + k) - std::max(0, x - k) + 1;

    auto addRow = [&](int y, bool add) {
        const uint8_t* s = src.data() + size_t(y) * size_t(w);
        Sum* c = col.data();
        if (add)
            for (int x = 0; x < w; ++x) c[x] += s[x];
        else
            for (int x = 0; x < w; ++x) c[x] -= s[x];
    };
    for (int y = 0; y <= std::min(k, h - 1); ++y) addRow(y, true);
    for (int y = 0; y < h; ++y) {
        if (y > 0) {
            if (y + k < h) addRow(y + k, true);
            if (y - k - 1 >= 0) addRow(y - k - 1, false);
        }
        const int vcount = std::min(h - 1, y + k) - std::max(0, y - k) + 1;
        filterRow<Mode, Sum>(col.data(), hcount.data(), vcount, w, k, src.data() + size_t(y) * size_t(w), r.row(y));
    }
}

}  // namespace

bool boxFilter(const GreyRegion& r, int n, BoxMode mode) {
    if (r.empty() || n <= 0) return false;
    const int k = n / 2;
    // A window of one pixel changes nothing in a low pass and would divide
    // by a neighbour count of zero in a high pass.
    if (k == 0 || n >= std::min(r.width, r.height)) return false;
    // Windows up to 255 pixels (every one the dialog offers) go through
    // the vector kernels; their sums stay within 16 and 24 bits.
    if (2 * k + 1 <= 255) {
        const bool high = mode == BoxMode::HighPass;
        // Large pictures in bands of rows on every thread, each band from
        // a copy of the picture: whole-number sums, so the same bytes.
        constexpr int kBandRows = 64;
        const int bands = threadCount() > 1 && int64_t(r.width) * r.height >= (int64_t(1) << 18) ? r.height / kBandRows : 1;
        if (bands < 2) {
            kernelSet().box(r.data, r.stride, r.width, r.height, k, high);
            return true;
        }
        std::vector<uint8_t> src(size_t(r.width) * size_t(r.height));
        for (int y = 0; y < r.height; ++y) std::memcpy(src.data() + size_t(y) * size_t(r.width), r.row(y), size_t(r.width));
        parallelFor(0, r.height, [&](int y0, int y1) {
            kernelSet().boxRows(src.data(), r.width, r.data, r.stride, r.width, r.height, k, high, y0, y1);
        }, kBandRows);
        return true;
    }
    // 32-bit sums are exact while the whole window times 255 fits; the
    // window is below the region's size, so check with that.
    const int64_t maxSum = int64_t(std::min(2 * k + 1, r.width)) * std::min(2 * k + 1, r.height) * 255;
    const bool narrow = maxSum < (int64_t(1) << 31);
    if (mode == BoxMode::LowPass) {
        if (narrow)
            run<BoxMode::LowPass, int32_t>(r, k);
        else
            run<BoxMode::LowPass, int64_t>(r, k);
    } else {
        if (narrow)
            run<BoxMode::HighPass, int32_t>(r, k);
        else
            run<BoxMode::HighPass, int64_t>(r, k);
    }
    return true;
}

bool boxFilter(CZVimage& img, const ZRect& region, int n, BoxMode mode) {
    return boxFilter(greyRegion(img, region), n, mode);
}

bool signedBoxFilter(const GreyRegion& region, int signedSize) {
    if (signedSize == 0) return false;
    if (signedSize < 0) return boxFilter(region, signedSize == INT32_MIN ? INT32_MAX : -signedSize, BoxMode::LowPass);
    return boxFilter(region, signedSize, BoxMode::HighPass);
}

}  // namespace ordavia
