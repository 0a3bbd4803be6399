#include "image/RegionFill.h"

#include <vector>

FillStats fillRegion(const BytePlane& plane, int x, int y, uint8_t target, uint8_t label, Connectivity conn) {
    // A label equal to the target would be entered again and again.
    if (label == target) return {};
    const StepCodes codes(target, label);
    return walkFill(plane, x, y, conn, label, codes, [target](int, int, uint8_t v) { return v == target; });
}

FillStats fillHoles(const BytePlane& plane, const ZRect& bounds, uint8_t label) {
    FillStats added;
    const ZRect b = bounds.intersected(ZRect{0, 0, plane.width, plane.height});
    if (b.isEmpty() || !plane.data) return added;
    // Scratch plane: the bounding box with a free ring around it, so that
    // everything the outside reaches is connected through the ring and one
    // fill from a corner finds it all. 1 = region, 0 = other, 2 = outside.
    const int mw = b.width() + 2, mh = b.height() + 2;
    std::vector<uint8_t> mask(size_t(mw) * size_t(mh), 0);
    for (int y = b.top; y < b.bottom; ++y) {
        const uint8_t* src = plane.at(b.left, y);
        uint8_t* m = mask.data() + size_t(y - b.top + 1) * size_t(mw) + 1;
        for (int x = 0; x < b.width(); ++x) m[x] = src[x] == label ? 1 : 0;
    }
    BytePlane mp{mask.data(), mw, mw, mh};
    fillRegion(mp, 0, 0, 0, 2, Connectivity::Eight);
    for (int y = b.top; y < b.bottom; ++y) {
        uint8_t* dst = plane.at(b.left, y);
        const uint8_t* m = mask.data() + size_t(y - b.top + 1) * size_t(mw) + 1;
        for (int x = 0; x < b.width(); ++x) {
            if (m[x] == 0) {
                dst[x] = label;
                added.add(b.left + x, y);
            }
        }
    }
    return added;
}
