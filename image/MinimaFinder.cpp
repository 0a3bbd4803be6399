#include "image/MinimaFinder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/Text.h"
#include "image/FilterTexts.h"
#include "image/GreyRegion.h"
#include "image/RegionFill.h"
#include "settings/ProfileStore.h"

namespace ordavia {

namespace {

int readNumber(const ProfileStore& s, const char* key, const char* def) {
    const double v = std::atof(s.GetString("minima", key, def).c_str());
    // The profile holds text; keep nonsense such as "1e30" within int.
    return v > 1e9 ? 1000000000 : (v < -1e9 ? -1000000000 : static_cast<int>(v));
}

// Read-only view of a region of a const image.
GreyRegion constRegion(const CZVimage& img, const ZRect& r) { return greyRegion(const_cast<CZVimage&>(img), r); }

// A grey image of w x stored rows with the source's field and the
// region's place in the parent, filled with `fill`.
bool makeLike(CZVimage& out, const CZVimage& src, const ZRect& stored, uint8_t fill) {
    if (!out.resize(stored.width(), stored.height(), 1)) return false;
    out.setInterlace(src.interlace());
    out.setTag(src.tag());
    out.setOriginX(src.originX() + stored.left);
    out.setStoredOriginY(src.storedOriginY() + stored.top);
    for (int y = 0; y < out.rows(); ++y) std::memset(out.row(y), fill, size_t(out.width()));
    return true;
}

// out[i] = min of in[i - k .. i + k] cut to the line, for every i: van
// Herk's block minima, so the cost does not grow with the window.
void slidingMin(const uint8_t* in, uint8_t* out, int n, int k, std::vector<uint8_t>& pre, std::vector<uint8_t>& suf) {
    const int b = 2 * k + 1;
    const int len = n + 2 * k;
    pre.assign(size_t(len), 255);
    suf.assign(size_t(len), 255);
    // Padded line: k values of 255 on each side leave the minimum alone.
    auto at = [&](int i) -> uint8_t { return (i < k || i >= k + n) ? 255 : in[i - k]; };
    for (int i = 0; i < len; ++i) pre[size_t(i)] = (i % b == 0) ? at(i) : std::min(pre[size_t(i - 1)], at(i));
    for (int i = len - 1; i >= 0; --i)
        suf[size_t(i)] = (i == len - 1 || (i + 1) % b == 0) ? at(i) : std::min(suf[size_t(i + 1)], at(i));
    for (int i = 0; i < n; ++i) out[i] = std::min(suf[size_t(i)], pre[size_t(i + 2 * k)]);
}

void sortMarks(std::vector<MinimumMark>& m) {
    std::sort(m.begin(), m.end(), [](const MinimumMark& a, const MinimumMark& b) {
        if (a.value != b.value) return a.value < b.value;
        if (a.y != b.y) return a.y < b.y;
        return a.x < b.x;
    });
}

MinimumMark markAt(const CZVimage& src, const ZRect& stored, int x, int y, int value) {
    const int f = src.isField() ? 2 : 1;
    return {src.originX() + stored.left + x, (src.storedOriginY() + stored.top + y) * f, value};
}

}  // namespace

void MinimaSettings::load(const ProfileStore& s) {
    threshold = readNumber(s, "threshold", "128");
    windowWidth = readNumber(s, "window width", "50");
    windowHeight = readNumber(s, "window height", "50");
    tolerance = readNumber(s, "tolerance", "50");
}

void MinimaSettings::save(const ProfileStore& s) const {
    s.WriteString("minima", "threshold", std::to_string(threshold));
    s.WriteString("minima", "window width", std::to_string(windowWidth));
    s.WriteString("minima", "window height", std::to_string(windowHeight));
    s.WriteString("minima", "tolerance", std::to_string(tolerance));
}

MinimaResult findMinimaInWindow(const CZVimage& img, const ZRect& region, const MinimaSettings& s) {
    MinimaResult res;
    const GreyRegion r = constRegion(img, region);
    if (r.empty()) return res;
    const ZRect c = r.rect;
    if (!makeLike(res.marker, img, c, 255)) return res;
    const int kx = std::clamp(s.windowWidth / 2, 0, img.width());
    const int ky = std::clamp(s.windowHeight / 2, 0, img.rows());

    // The window may reach beyond the region into the rest of the image.
    const int x0 = std::max(0, c.left - kx), x1 = std::min(img.width(), c.right + kx);
    const int y0 = std::max(0, c.top - ky), y1 = std::min(img.rows(), c.bottom + ky);
    const int bw = x1 - x0, bh = y1 - y0;
    std::vector<uint8_t> hmin(size_t(bw) * size_t(bh)), pre, suf;
    for (int y = 0; y < bh; ++y) slidingMin(img.row(y0 + y) + x0, hmin.data() + size_t(y) * size_t(bw), bw, kx, pre, suf);
    std::vector<uint8_t> col(static_cast<size_t>(bh)), colMin(static_cast<size_t>(bh));
    for (int x = c.left; x < c.right; ++x) {
        for (int y = 0; y < bh; ++y) col[size_t(y)] = hmin[size_t(y) * size_t(bw) + size_t(x - x0)];
        slidingMin(col.data(), colMin.data(), bh, ky, pre, suf);
        for (int y = c.top; y < c.bottom; ++y) {
            const int p = img.row(y)[x];
            if (p < s.threshold && p <= colMin[size_t(y - y0)]) {
                res.marker.row(y - c.top)[x - c.left] = static_cast<uint8_t>(p);
                res.marks.push_back(markAt(img, c, x - c.left, y - c.top, p));
            }
        }
    }
    sortMarks(res.marks);
    res.history = strprintf(kHistoryMinimaWindow, static_cast<long>(res.marks.size()), s.windowWidth,
                            s.windowHeight, s.threshold);
    return res;
}

MinimaResult findMinimaWithinTolerance(const CZVimage& img, const ZRect& region, const MinimaSettings& s) {
    MinimaResult res;
    const GreyRegion r = constRegion(img, region);
    if (r.empty()) return res;
    const ZRect c = r.rect;
    if (!makeLike(res.marker, img, c, 255)) return res;
    const int w = r.width, h = r.height;
    const int tol = std::max(0, s.tolerance);
    const int T = s.threshold;

    // Candidates darkest first, raster order within a grey level.
    int64_t hist[256] = {};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (r.row(y)[x] < T) ++hist[r.row(y)[x]];
    int64_t startOf[257] = {};
    for (int v = 0; v < 256; ++v) startOf[v + 1] = startOf[v] + hist[v];
    std::vector<int32_t> order(static_cast<size_t>(startOf[256]));
    {
        int64_t next[256];
        std::memcpy(next, startOf, sizeof next);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int v = r.row(y)[x];
                if (v < T) order[size_t(next[v]++)] = y * w + x;
            }
    }

    // Claims: 0 free, kGrowing for the dip being grown, kClaimed for dips
    // grown before (a minimum's or one that led to a darker pixel).
    constexpr uint8_t kGrowing = 20, kClaimed = 21;
    std::vector<uint8_t> claim(size_t(w) * size_t(h), 0);
    const BytePlane plane{claim.data(), w, w, h};
    const StepCodes codes(0, kGrowing);
    for (const int32_t idx : order) {
        if (claim[size_t(idx)] != 0) continue;
        const int sx = idx % w, sy = idx / w;
        const int v = r.row(sy)[sx];
        const int limit = std::min(v + tol, T - 1);
        bool dominated = false;
        walkFill(plane, sx, sy, Connectivity::Eight, kGrowing, codes, [&](int x, int y, uint8_t cl) {
            const int g = r.row(y)[x];
            if (g > limit) return false;
            if (cl == kClaimed) dominated = true;
            return cl == 0;
        });
        if (!dominated) {
            res.marker.row(sy)[sx] = static_cast<uint8_t>(v);
            res.marks.push_back(markAt(img, c, sx, sy, v));
        }
        fillRegion(plane, sx, sy, kGrowing, kClaimed, Connectivity::Eight);
    }
    sortMarks(res.marks);
    res.history = strprintf(kHistoryMinimaTolerance, static_cast<long>(res.marks.size()), s.threshold, s.tolerance);
    return res;
}

EightRegionsResult findEightRegions(const CZVimage& img, const ZRect& region) {
    EightRegionsResult res;
    const GreyRegion r = constRegion(img, region);
    if (r.empty()) return res;
    const ZRect c = r.rect;
    if (!makeLike(res.labels, img, ZRect{0, 0, img.width(), img.rows()}, 0)) return res;
    res.labels.setOrigin(img.originX(), img.originY());
    constexpr uint8_t kLabel = 128;
    const BytePlane plane{res.labels.row(c.top) + c.left, res.labels.stride(), r.width, r.height};
    const StepCodes codes(0, kLabel);
    for (int y = 1; y < r.height - 1; ++y)
        for (int x = 1; x < r.width - 1; ++x) {
            if (*plane.at(x, y) != 0) continue;
            const uint8_t g = r.row(y)[x];
            const FillStats st = walkFill(plane, x, y, Connectivity::Eight, kLabel, codes,
                                          [&](int px, int py, uint8_t l) { return l == 0 && r.row(py)[px] == g; });
            const MinimumMark m = markAt(img, c, x, y, g);
            res.regions.push_back({m.x, m.y, g, st.count});
        }
    return res;
}

bool simpleThreshold(CZVimage& img, const ZRect& region, int level) {
    if (greyRegion(img, region).empty()) return false;
    img.threshold(region, level);
    return true;
}

int loadSimpleThresholdLevel(const ProfileStore& store) { return store.GetInt("settings", "simpleimagethreshold", 128); }

}  // namespace ordavia
