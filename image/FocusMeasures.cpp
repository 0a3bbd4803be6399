#include "image/FocusMeasures.h"

#include <algorithm>
#include <cstdint>

namespace ordavia {

namespace {

// Clips the region to the picture; false when nothing is left.
bool clipRegion(const GreyPixels& pic, FocusRegion& r) {
    if (pic.data == nullptr || pic.width <= 0 || pic.height <= 0) return false;
    r.x0 = std::max(r.x0, 0);
    r.y0 = std::max(r.y0, 0);
    r.x1 = std::min(r.x1, pic.width);
    r.y1 = std::min(r.y1, pic.height);
    return r.x1 > r.x0 && r.y1 > r.y0;
}

double perPixel(double sum, const FocusRegion& r) {
    return sum / (double(r.x1 - r.x0) * double(r.y1 - r.y0));
}

}  // namespace

double focusGradientEnergy(const GreyPixels& pic, FocusRegion r) {
    if (!clipRegion(pic, r)) return 0.0;
    int64_t sum = 0;
    for (int y = r.y0; y < r.y1; ++y) {
        const uint8_t* row = pic.data + ptrdiff_t(y) * pic.stride;
        for (int x = r.x0 + 1; x < r.x1; ++x) {
            const int d = int(row[x]) - int(row[x - 1]);
            sum += int64_t(d) * d;
        }
    }
    return perPixel(double(sum), r);
}

double focusSecondDifference(const GreyPixels& pic, FocusRegion r, int g, int t) {
    if (!clipRegion(pic, r)) return 0.0;
    if (g < 0 || !(g < r.x0 && g < pic.width - r.x1)) return 0.0;
    int64_t sum = 0;
    for (int y = r.y0; y < r.y1; ++y) {
        const uint8_t* row = pic.data + ptrdiff_t(y) * pic.stride;
        for (int x = r.x0; x < r.x1; ++x) {
            const int v = int(row[x - g]) + int(row[x + g]) - 2 * int(row[x]);
            if (v > t) sum += v;
        }
    }
    return perPixel(double(sum), r);
}

double focusLaplacian(const GreyPixels& pic, FocusRegion r, int g, int t) {
    if (!clipRegion(pic, r)) return 0.0;
    if (g < 0 || !(g < r.x0 && g < pic.width - r.x1 && g < r.y0 && g < pic.height - r.y1)) return 0.0;
    int64_t sum = 0;
    const ptrdiff_t up = ptrdiff_t(g) * pic.stride;
    for (int y = r.y0; y < r.y1; ++y) {
        const uint8_t* row = pic.data + ptrdiff_t(y) * pic.stride;
        for (int x = r.x0; x < r.x1; ++x) {
            const int v = int(row[x - up]) + int(row[x + up]) + int(row[x - g]) + int(row[x + g]) - 4 * int(row[x]);
            if (v > t) sum += v;
        }
    }
    return perPixel(double(sum), r);
}

double focusMeasure(const GreyPixels& pic, FocusRegion region, int bits, int gap, int threshold) {
    double f = 0.0;
    if (bits & FocusGradientEnergy) f = focusGradientEnergy(pic, region);
    if (bits & FocusSecondDifference) f = focusSecondDifference(pic, region, gap, threshold);
    if (bits & FocusLaplacian) f = focusLaplacian(pic, region, gap, threshold);
    return f;
}

FocusRegion centralFocusRegion(int width, int height, double fraction) {
    if (width <= 0 || height <= 0) return {};
    fraction = std::clamp(fraction, 0.0, 1.0);
    const int w = std::max(1, int(width * fraction));
    const int h = std::max(1, int(height * fraction));
    const int x0 = (width - w) / 2;
    const int y0 = (height - h) / 2;
    return {x0, y0, x0 + w, y0 + h};
}

void FocusSearch::start(int low, int high, int minRange) {
    if (high < low) std::swap(low, high);
    a_ = low;
    c_ = high;
    b_ = x_ = int(low + kRatio * double(high - low));
    minRange_ = std::max(minRange, 0);
    best_ = 0.0;
    count_ = 0;
    finished_ = false;
}

void FocusSearch::report(double f) {
    if (finished_) return;
    ++count_;
    if (count_ == 1) {
        best_ = f;
        x_ = int(c_ - kRatio * double(c_ - a_));
        return;
    }
    if (c_ - a_ <= minRange_) {
        x_ = a_ + (c_ - a_) / 2;
        finished_ = true;
        return;
    }
    const int x = x_;
    if (f <= best_) {
        if (c_ - b_ > b_ - a_) {
            c_ = x;
            x_ = int(a_ + kRatio * double(x - a_));
        } else {
            a_ = x;
            x_ = int(c_ - kRatio * double(c_ - x));
        }
    } else {
        best_ = f;
        if (c_ - b_ > b_ - a_) {
            a_ = b_;
            b_ = x;
            x_ = int(c_ - kRatio * double(c_ - a_));
        } else {
            c_ = b_;
            b_ = x;
            x_ = int(a_ + kRatio * double(c_ - a_));
        }
    }
}

}  // namespace ordavia
