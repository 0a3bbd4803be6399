#pragma once
// Region filling without a stack or a queue.
//
// A capillary image can hold one dark region of many million pixels (an
// out-of-focus frame binarises almost entirely black), so the fill must not
// need memory in proportion to the region. The walk below follows the
// boundary of the part not yet filled, keeping it on its left hand, and
// writes into every pixel it enters the direction by which it came. When it
// can go no further it labels the pixel and steps back the way that code
// points; the way home is therefore stored in the pixels themselves and the
// extra memory is a handful of integers, whatever the size or shape of the
// region. Each pixel is entered once and left once, and its neighbours are
// looked at once per child, so the cost stays linear.
#include <cstddef>
#include <cstdint>

#include "base/Geometry.h"

namespace ordavia {

// A plane of bytes the walk writes into: the image itself or a label plane
// beside it.
struct BytePlane {
    uint8_t* data = nullptr;
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;
    uint8_t* at(int x, int y) const { return data + ptrdiff_t(y) * stride + x; }
};

enum class Connectivity { Four, Eight };

// What a fill covered: pixel count, bounding box (right and bottom
// exclusive, plane coordinates) and coordinate sums for the centroid.
struct FillStats {
    int64_t count = 0;
    ZRect bounds;
    double sumX = 0.0;
    double sumY = 0.0;

    void add(int x, int y) {
        if (count == 0) {
            bounds = {x, y, x + 1, y + 1};
        } else {
            if (x < bounds.left) bounds.left = x;
            if (x >= bounds.right) bounds.right = x + 1;
            if (y < bounds.top) bounds.top = y;
            if (y >= bounds.bottom) bounds.bottom = y + 1;
        }
        ++count;
        sumX += x;
        sumY += y;
    }
};

// The eight steps, clockwise from up: up, up-right, right, down-right,
// down, down-left, left, up-left. Four-connected walks use the even ones.
inline constexpr int kStepDx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
inline constexpr int kStepDy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

// Eight distinct byte values that mark "entered by step d" while the walk
// is under way. None of them may be a value that `enterable` accepts.
struct StepCodes {
    uint8_t code[8];
    int8_t decode[256];  // step for a code, -1 for any other value
    // Picks the codes 2, 3, ... skipping `avoid1` and `avoid2`.
    StepCodes(int avoid1, int avoid2) {
        for (int8_t& d : decode) d = -1;
        int v = 2;
        for (int d = 0; d < 8; ++d) {
            while (v == avoid1 || v == avoid2) ++v;
            code[d] = static_cast<uint8_t>(v);
            decode[v] = static_cast<int8_t>(d);
            ++v;
        }
    }
};

// Fills the connected set of pixels that `enterable(x, y, value)` accepts,
// starting at (sx, sy), and leaves `label` in each. `enterable` must refuse
// every step code and `label` (so that no pixel is entered twice). Returns
// what was filled; nothing when the seed itself is not enterable or lies
// outside the plane.
template <class Enterable>
FillStats walkFill(const BytePlane& plane, int sx, int sy, Connectivity conn, uint8_t label, const StepCodes& codes,
                   Enterable&& enterable) {
    FillStats st;
    const int w = plane.width, h = plane.height;
    if (!plane.data || sx < 0 || sy < 0 || sx >= w || sy >= h) return st;
    if (!enterable(sx, sy, *plane.at(sx, sy))) return st;
    const int stepInc = conn == Connectivity::Four ? 2 : 1;

    int x = sx, y = sy;
    int arrived = 0;  // the seed counts as entered by a step up
    *plane.at(x, y) = codes.code[0];
    st.add(x, y);
    for (;;) {
        // Try the left-hand side of the way we came first, then clockwise:
        // the walk hugs the edge of what is still unfilled.
        const int first = (arrived + 6) & 7;
        bool moved = false;
        for (int k = 0; k < 8; k += stepInc) {
            const int d = (first + k) & 7;
            const int nx = x + kStepDx[d], ny = y + kStepDy[d];
            if (static_cast<unsigned>(nx) >= static_cast<unsigned>(w) ||
                static_cast<unsigned>(ny) >= static_cast<unsigned>(h))
                continue;
            uint8_t* q = plane.at(nx, ny);
            if (!enterable(nx, ny, *q)) continue;
            *q = codes.code[d];
            x = nx;
            y = ny;
            arrived = d;
            st.add(x, y);
            moved = true;
            break;
        }
        if (moved) continue;
        // Dead end: this pixel is done; go back the way we came.
        uint8_t* p = plane.at(x, y);
        if (x == sx && y == sy) {
            *p = label;
            break;
        }
        const int d = codes.decode[*p];
        *p = label;
        x -= kStepDx[d];
        y -= kStepDy[d];
        const int pd = codes.decode[*plane.at(x, y)];
        arrived = pd < 0 ? 0 : pd;
    }
    return st;
}

// The common case: the connected pixels of value `target` become `label`.
FillStats fillRegion(const BytePlane& plane, int x, int y, uint8_t target, uint8_t label, Connectivity conn);

// Adds to the region labelled `label` inside `bounds` every pixel of the
// bounding box that the outside cannot reach (the outside moves
// 8-connected, the dual of a 4-connected region). The added pixels are
// labelled too; returns what was added. Needs a scratch plane the size of
// the bounding box, never more.
FillStats fillHoles(const BytePlane& plane, const ZRect& bounds, uint8_t label);

}  // namespace ordavia
