#include "image/RegionFill.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>

namespace ordavia {

#endif

namespace {

void merge(FillStats& into, const FillStats& more) {
    if (more.count == 0) return;
    if (into.count == 0) {
        into = more;
        return;
    }
    into.count += more.count;
    into.bounds.left = std::min(into.bounds.left, more.bounds.left);
    into.bounds.top = std::min(into.bounds.top, more.bounds.top);
    into.bounds.right = std::max(into.bounds.right, more.bounds.right);
    into.bounds.bottom = std::max(into.bounds.bottom, more.bounds.bottom);
    into.sumX += more.sumX;
    into.sumY += more.sumY;
}

// A run of pixels x0..x1 (inclusive) of row y.
void addRun(FillStats& st, int x0, int x1, int y) {
    const int64_t n = int64_t(x1) - x0 + 1;
    if (st.count == 0) {
        st.bounds = {x0, y, x1 + 1, y + 1};
    } else {
        st.bounds.left = std::min(st.bounds.left, x0);
        st.bounds.right = std::max(st.bounds.right, x1 + 1);
        st.bounds.top = std::min(st.bounds.top, y);
        st.bounds.bottom = std::max(st.bounds.bottom, y + 1);
    }
    st.count += n;
    // Whole numbers well below 2^53: exact in any order.
    st.sumX += double((int64_t(x0) + x1) * n / 2);
    st.sumY += double(y) * double(n);
}

// First x in [x, end) with p[x] == v, or end.
int findEqual(const uint8_t* p, int x, int end, uint8_t v) {
#if defined(__SSE2__)
    const __m128i vv = _mm_set1_epi8(char(v));
    for (; x + 16 <= end; x += 16) {
        const int m = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(p + x)), vv));
        if (m) return x + __builtin_ctz(unsigned(m));
    }
#endif
    for (; x < end; ++x)
        if (p[x] == v) return x;
    return end;
}

// First x in [x, end) with p[x] != v, or end.
int findOther(const uint8_t* p, int x, int end, uint8_t v) {
#if defined(__SSE2__)
    const __m128i vv = _mm_set1_epi8(char(v));
    for (; x + 16 <= end; x += 16) {
        const int m = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(p + x)), vv)) ^ 0xFFFF;
        if (m) return x + __builtin_ctz(unsigned(m));
    }
#endif
    for (; x < end; ++x)
        if (p[x] != v) return x;
    return end;
}

struct Span {
    int y, x0, x1;  // a run already labelled whose neighbour row y is still to be looked at
};

// Pending spans kept at most: beyond this, a span is finished by the
// boundary walk instead, whose memory does not grow with the region.
constexpr size_t kMaxSpans = 1 << 16;

}  // namespace

// Scanline fill: runs of the target along a row are labelled at once and
// the rows above and below them are searched for more. A stack of pending
// runs makes this far faster than stepping pixel by pixel; the stack is
// capped, and a run that would overflow it is finished by walkFill on the
// spot, so the memory stays bounded whatever the region's shape.
FillStats fillRegion(const BytePlane& plane, int x, int y, uint8_t target, uint8_t label, Connectivity conn) {
    FillStats st;
    // A label equal to the target would be entered again and again.
    if (label == target) return st;
    const int w = plane.width, h = plane.height;
    if (!plane.data || x < 0 || y < 0 || x >= w || y >= h || *plane.at(x, y) != target) return st;
    const int grow = conn == Connectivity::Eight ? 1 : 0;
    std::vector<Span> stack;
    const StepCodes* codes = nullptr;
    std::optional<StepCodes> codeStore;

    // Labels the run through (x, y) and queues its neighbour rows.
    auto takeRun = [&](int cx, int cy) {
        uint8_t* row = plane.at(0, cy);
        int x0 = cx;
        while (x0 > 0 && row[x0 - 1] == target) --x0;
        const int x1 = findOther(row, cx, w, target) - 1;
        std::memset(row + x0, label, size_t(x1 - x0 + 1));
        addRun(st, x0, x1, cy);
        return std::pair{x0, x1};
    };
    auto push = [&](int ny, int a, int b) {
        if (ny < 0 || ny >= h) return;
        if (stack.size() < kMaxSpans) {
            stack.push_back({ny, a, b});
            return;
        }
        // Too many pending runs: finish this one by walking.
        if (!codes) codes = &codeStore.emplace(target, label);
        uint8_t* row = plane.at(0, ny);
        const int lo = std::max(0, a - grow), hi = std::min(w - 1, b + grow);
        for (int cx = findEqual(row, lo, hi + 1, target); cx <= hi; cx = findEqual(row, cx + 1, hi + 1, target))
            merge(st, walkFill(plane, cx, ny, conn, label, *codes, [target](int, int, uint8_t v) { return v == target; }));
    };
    {
        const auto [x0, x1] = takeRun(x, y);
        push(y - 1, x0, x1);
        push(y + 1, x0, x1);
    }
    while (!stack.empty()) {
        const Span s = stack.back();
        stack.pop_back();
        uint8_t* row = plane.at(0, s.y);
        const int lo = std::max(0, s.x0 - grow), hi = std::min(w - 1, s.x1 + grow);
        for (int cx = findEqual(row, lo, hi + 1, target); cx <= hi; cx = findEqual(row, cx + 1, hi + 1, target)) {
            const auto [x0, x1] = takeRun(cx, s.y);
            push(s.y - 1, x0, x1);
            push(s.y + 1, x0, x1);
            cx = x1;
        }
    }
    return st;
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

}  // namespace ordavia
