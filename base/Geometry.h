#pragma once
// Integer points and rectangles with the Windows conventions the stored
// layouts use: a rectangle is (left, top, right, bottom), right and bottom
// exclusive, and it is empty when right <= left or bottom <= top.
#include <algorithm>

namespace ordavia {

struct ZPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const ZPoint&, const ZPoint&) = default;
};

struct ZRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool contains(ZPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    // Swaps edges so that left <= right and top <= bottom.
    ZRect normalized() const {
        return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    }
    ZRect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    // The common part; an empty rectangle (0,0,0,0) when they do not meet.
    ZRect intersected(const ZRect& o) const {
        ZRect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
        return r.isEmpty() ? ZRect{} : r;
    }
    friend bool operator==(const ZRect&, const ZRect&) = default;
};

}  // namespace ordavia
