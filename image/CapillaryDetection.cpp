#include "image/CapillaryDetection.h"

#include <chrono>
#include <cmath>
#include <cstring>

#include "base/Text.h"
#include "image/ApexFilter.h"
#include "image/BoxFilter.h"
#include "image/FilterTexts.h"
#include "image/GreyRegion.h"
#include "image/ImageFilters.h"
#include "image/ProcessingArgs.h"
#include "image/RegionFill.h"
#include "settings/DebugLog.h"

namespace ordavia {

namespace {

// Labels used while the window is worked through: the region being
// examined, accepted regions, and the background.
constexpr uint8_t kDark = 0;
constexpr uint8_t kCurrent = 1;
constexpr uint8_t kAccepted = 254;
constexpr uint8_t kBackground = 255;

}  // namespace

void boxFilterChain(const GreyRegion& r, const ProcessingArgs& a) {
    for (int i = 0; i < 4; ++i) signedBoxFilter(r, a.boxSize(i));
}

void preprocessChain(const GreyRegion& r, const ProcessingArgs& a) {
    if (r.empty()) return;
    stretchRegion(r);
    boxFilterChain(r, a);
    stretchRegion(r);
    apexFilter(r, a);
    stretchRegion(r);
}

bool preprocessChain(CZVimage& img, const ZRect& region, const ProcessingArgs& args) {
    const GreyRegion r = greyRegion(img, region);
    if (r.empty()) return false;
    preprocessChain(r, args);
    img.dropDisplayHeader();
    return true;
}

int isodataThreshold(const int64_t (&hist)[256]) {
    int64_t n = 0, sum = 0;
    for (int v = 0; v < 256; ++v) {
        n += hist[v];
        sum += hist[v] * v;
    }
    if (n <= 0) return 0;
    const int mean = static_cast<int>(sum / n);
    int t = mean;
    for (int round = 0; round < 40; ++round) {
        int64_t nLo = 0, sLo = 0;
        for (int v = 0; v <= t; ++v) {
            nLo += hist[v];
            sLo += hist[v] * v;
        }
        const int64_t nHi = n - nLo, sHi = sum - sLo;
        // One class empty: there is nothing to split (a flat window).
        if (nLo == 0 || nHi == 0) return mean;
        const int next = static_cast<int>(sLo / (2 * nLo) + sHi / (2 * nHi));
        if (next == t) return t;
        t = next;
    }
    return mean;
}

int isodataThreshold(const GreyRegion& r) {
    int64_t hist[256] = {};
    for (int y = 0; y < r.height; ++y) {
        const uint8_t* p = r.row(y);
        for (int x = 0; x < r.width; ++x) ++hist[p[x]];
    }
    return isodataThreshold(hist);
}

void binarise(const GreyRegion& r, int t) {
    uint8_t lut[256];
    for (int v = 0; v < 256; ++v) lut[v] = v >= t ? 255 : 0;
    for (int y = 0; y < r.height; ++y) {
        uint8_t* p = r.row(y);
        for (int x = 0; x < r.width; ++x) p[x] = lut[p[x]];
    }
}

std::vector<CapillaryRegion> labelCapillaries(const GreyRegion& win, int t, int umin, int umax, int fieldFactor) {
    std::vector<CapillaryRegion> out;
    if (win.empty()) return out;
    binarise(win, t);
    const BytePlane plane{win.data, win.stride, win.width, win.height};
    // Every pixel before the scan position is already labelled, so the
    // scan never goes back.
    for (int y = 0; y < win.height; ++y) {
        uint8_t* p = win.row(y);
        for (int x = 0; x < win.width; ++x) {
            if (p[x] != kDark) continue;
            const FillStats st = fillRegion(plane, x, y, kDark, kCurrent, Connectivity::Four);
            const int64_t count = st.count * fieldFactor;
            if (count >= umin && count <= umax) {
                const FillStats holes = fillHoles(plane, st.bounds, kCurrent);
                const int64_t n = st.count + holes.count;
                CapillaryRegion reg;
                reg.area = n * fieldFactor;
                reg.cx = (st.sumX + holes.sumX) / double(n);
                reg.cy = (st.sumY + holes.sumY) / double(n);
                out.push_back(reg);
                // The filled holes touch the region, so one walk from the
                // seed relabels the whole of it.
                fillRegion(plane, x, y, kCurrent, kAccepted, Connectivity::Four);
            } else {
                fillRegion(plane, x, y, kCurrent, kBackground, Connectivity::Four);
            }
        }
    }
    // Accepted regions black, everything else white.
    for (int y = 0; y < win.height; ++y) {
        uint8_t* p = win.row(y);
        for (int x = 0; x < win.width; ++x) p[x] = p[x] == kAccepted ? 0 : 255;
    }
    return out;
}

CircleDiameter circleDiameterFor(double area, double cx, double cy) {
    const double r = std::sqrt(area / M_PI);
    auto tr = [](double v) { return static_cast<int>(std::trunc(v)); };
    CircleDiameter c;
    if (r <= cx) {
        c.a = {tr(cx - r), tr(cy)};
        c.b = {tr(cx - r + 2.0 * r), tr(cy)};
    } else {
        const double y0 = r > cy ? 0.0 : cy - r;
        c.a = {tr(cx), tr(y0)};
        c.b = {tr(cx), tr(y0 + 2.0 * r)};
    }
    return c;
}

DetectionResult detectCapillaries(const CZVimage& img, const ZRect& region, const ProcessingArgs& args,
                                  std::optional<int> level) {
    DetectionResult res;
    const auto start = std::chrono::steady_clock::now();
    if (img.isEmpty() || img.bytesPerPixel() != 1) return res;
    const ZRect c = img.clip(region);
    if (c.isEmpty()) return res;

    // Work on a copy of the window that keeps its place in the parent.
    CZVimage& win = res.mask;
    if (!win.resize(c.width(), c.height(), 1)) return res;
    win.setColour(img.colour());
    win.setInterlace(img.interlace());
    win.setTag(img.tag());
    win.setOriginX(img.originX() + c.left);
    win.setStoredOriginY(img.storedOriginY() + c.top);
    for (int y = 0; y < c.height(); ++y) std::memcpy(win.row(y), img.row(c.top + y) + c.left, size_t(c.width()));
    const GreyRegion w = greyRegion(win, {});

    preprocessChain(w, args);
    boxFilterChain(w, args);
    res.threshold = level ? *level : isodataThreshold(w);
    const int fieldFactor = img.isField() ? 2 : 1;
    res.regions = labelCapillaries(w, res.threshold, args.umin, args.umax, fieldFactor);

    // Window pixels to the image's parent frame coordinates.
    for (CapillaryRegion& r : res.regions) {
        r.cx += win.originX();
        r.cy = (r.cy + win.storedOriginY()) * fieldFactor;
        res.circles.push_back(circleDiameterFor(double(r.area), r.cx, r.cy));
    }
    res.windowWidth = c.width();
    res.windowHeight = c.height() * fieldFactor;
    res.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    debugLog(kFindCapsLogFormat, res.seconds);
    return res;
}

std::optional<DensityReport> densityReport(int64_t n, int w, int h, double sx, double sy) {
    if (n <= 0) return std::nullopt;
    const double area = double(w) * double(h) * sx * sy * 1e-6;
    if (!(area > 0.0) || !std::isfinite(area)) return std::nullopt;
    DensityReport d;
    d.area = area;
    d.density = double(n) / area;
    d.text = strprintf(kDensityResultFormat, d.density, d.area);
    return d;
}

int64_t countObjectsInRegion(const std::vector<std::vector<ZPoint>>& objects, const ZRect& region) {
    const ZRect r = region.normalized();
    int64_t n = 0;
    for (const auto& obj : objects)
        for (const ZPoint& p : obj)
            if (r.contains(p)) {
                ++n;
                break;
            }
    return n;
}

}  // namespace ordavia
