#include "image/CapillaryTrace.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/CZVimage.h"
#include "image/CapillaryDetection.h"
#include "image/GreyRegion.h"
#include "image/RegionFill.h"

namespace ordavia {

namespace {

// Codes 1..8 in the order the steps are tried: up, up-right, right,
// down-right, down, down-left, left, up-left (the fill's step order).
constexpr uint8_t kUnvisited = 255;
constexpr uint8_t kDone = 0;

}  // namespace

int64_t traceCapillary(CZVimage& img, const ZRect& region, ZPoint seed, int tracewin) {
    const GreyRegion r = greyRegion(img, region);
    if (r.empty()) return 0;
    // Seed to region pixels.
    const int sx = seed.x - img.originX() - r.rect.left;
    const int sy = (img.isField() ? seed.y / 2 : seed.y) - img.storedOriginY() - r.rect.top;
    const int w = r.width, h = r.height;
    if (sx < 0 || sy < 0 || sx >= w || sy >= h) return 0;

    std::vector<uint8_t> grey(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) std::memcpy(grey.data() + size_t(y) * size_t(w), r.row(y), size_t(w));
    auto g = [&](int x, int y) { return int(grey[size_t(y) * size_t(w) + size_t(x)]); };
    for (int y = 0; y < h; ++y) std::memset(r.row(y), kUnvisited, size_t(w));

    // Thresholds are worked out the first time a pixel becomes the current
    // one (-1 = not yet). The walk moves one pixel at a time, so the window
    // histogram is slid along with it rather than rebuilt.
    std::vector<int16_t> thr(size_t(w) * size_t(h), -1);
    const int k = std::max(0, tracewin / 2);
    int64_t hist[256] = {};
    int wx0 = 0, wx1 = -1, wy0 = 0, wy1 = -1;  // window held in hist, inclusive; empty at first
    auto addColumn = [&](int x, int sign) {
        for (int yy = wy0; yy <= wy1; ++yy) hist[g(x, yy)] += sign;
    };
    auto addRow = [&](int y, int sign) {
        const uint8_t* p = grey.data() + size_t(y) * size_t(w);
        for (int xx = wx0; xx <= wx1; ++xx) hist[p[xx]] += sign;
    };
    auto moveWindow = [&](int nx0, int nx1, int ny0, int ny1) {
        if (wx1 < wx0 || nx0 > wx1 || nx1 < wx0 || ny0 > wy1 || ny1 < wy0) {
            // No overlap: start afresh.
            std::memset(hist, 0, sizeof hist);
            wx0 = nx0, wx1 = nx1, wy0 = ny0, wy1 = ny1;
            for (int yy = wy0; yy <= wy1; ++yy) addRow(yy, 1);
            return;
        }
        // Grow first, then shrink, so the window is never empty midway.
        while (wx0 > nx0) addColumn(--wx0, 1);
        while (wx1 < nx1) addColumn(++wx1, 1);
        while (wy0 > ny0) addRow(--wy0, 1);
        while (wy1 < ny1) addRow(++wy1, 1);
        while (wx0 < nx0) addColumn(wx0++, -1);
        while (wx1 > nx1) addColumn(wx1--, -1);
        while (wy0 < ny0) addRow(wy0++, -1);
        while (wy1 > ny1) addRow(wy1--, -1);
    };
    auto thresholdAt = [&](int x, int y) {
        int16_t& t = thr[size_t(y) * size_t(w) + size_t(x)];
        if (t < 0) {
            moveWindow(std::max(0, x - k), std::min(w - 1, x + k), std::max(0, y - k), std::min(h - 1, y + k));
            t = static_cast<int16_t>(isodataThreshold(hist));
        }
        return int(t);
    };

    int x = sx, y = sy;
    r.at(x, y) = kDone;  // the seed: its code 0 can never be a step
    int64_t traced = 1;
    for (;;) {
        const int t = thresholdAt(x, y);
        bool moved = false;
        for (int d = 0; d < 8; ++d) {
            const int nx = x + kStepDx[d], ny = y + kStepDy[d];
            if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
            if (r.at(nx, ny) != kUnvisited || g(nx, ny) > t) continue;
            r.at(nx, ny) = static_cast<uint8_t>(d + 1);
            x = nx;
            y = ny;
            ++traced;
            moved = true;
            break;
        }
        if (moved) continue;
        if (x == sx && y == sy) break;
        const int d = r.at(x, y) - 1;
        r.at(x, y) = kDone;
        x -= kStepDx[d];
        y -= kStepDy[d];
    }

    // Traced pixels are 0 and the rest 255: AND with the grey blackens the
    // capillary and gives back everything else.
    for (int yy = 0; yy < h; ++yy) {
        uint8_t* p = r.row(yy);
        const uint8_t* q = grey.data() + size_t(yy) * size_t(w);
        for (int xx = 0; xx < w; ++xx) p[xx] &= q[xx];
    }
    img.dropDisplayHeader();
    return traced;
}

}  // namespace ordavia
