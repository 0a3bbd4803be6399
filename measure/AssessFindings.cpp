// Haemorrhages: dark red-brown, compact deposits that are not vessels,
// near and distal to the row.
#include <algorithm>
#include <cmath>

#include "measure/AssessSteps.h"

namespace ordavia {

namespace {

// How a brown part of the plane looks beside the picture's own darkness
// level and spread.
struct DepositLook {
    bool brownish = false;  // red darkened nearly as much as green, on average
    bool faint = false;     // barely over the level: skin, noise
    bool dust = false;      // small and sharply dark
    bool clear = false;     // a deposit on every count: size, shape, darkness
    double body = 0;        // mean darkness over the level, in spreads
};

DepositLook depositLook(const AssessPlanes& planes, const PlanePart& p, float level, double px) {
    DepositLook d;
    double green = 0, red = 0;
    std::vector<float> dark;
    dark.reserve(p.pixels.size());
    for (int i : p.pixels) {
        const size_t k = static_cast<size_t>(i);
        green += planes.dark[k];
        red += planes.darkRed[k];
        dark.push_back(planes.dark[k]);
    }
    const double ratio = green > 0 ? red / green : 0;
    d.brownish = ratio >= 0.68 && ratio <= 1.05;
    const double mean = green / p.area;
    auto top = dark.begin() + static_cast<std::ptrdiff_t>(dark.size() * 9 / 10);
    std::nth_element(dark.begin(), top, dark.end());
    const double s = planes.spread, peak = (*top - level) / s, body = (mean - level) / s;
    d.body = body;
    const double areaUm2 = p.area * px * px, wUm = (p.x1 - p.x0 + 1) * px, hUm = (p.y1 - p.y0 + 1) * px;
    // Faint: a speck, or barely over the level unless it has a deposit's
    // size with its body near the level (larger is shading). Only a faint
    // deposit's core passes the brown test: 300 um^2 of it is enough.
    d.faint = areaUm2 < 250 || (peak < 1 && !(areaUm2 >= 300 && areaUm2 <= 2500 && body >= -0.5));
    // A speck of dust out of focus is dark at its centre and fades all the
    // way out; a deposit is about as dark across its body.
    d.dust = (areaUm2 < 450 && peak >= 4) || (areaUm2 < 900 && peak >= 6 && body < 0.48 * peak);
    const double fill = static_cast<double>(p.area) / ((p.x1 - p.x0 + 1) * (p.y1 - p.y0 + 1));
    // Clear: brown, compact and filled, a deposit's size, and over the
    // level at its darkest by more than skin noise makes a brown part.
    d.clear = d.brownish && areaUm2 >= 650 && hUm <= 70 && wUm <= 130 && wUm >= 0.8 * hUm && peak >= 1.1 &&
              fill >= 0.55 && !(areaUm2 < 800 && peak >= 6);
    return d;
}

}  // namespace

std::vector<uint8_t> brownPixels(const AssessPlanes& planes, const RidgeImage& ridge, float darkLevel) {
    std::vector<uint8_t> brown;
    if (!planes.colour || planes.width != ridge.width || planes.height != ridge.height) return brown;
    brown.assign(planes.dark.size(), 0);
    for (size_t i = 0; i < brown.size(); ++i) {
        const float g = planes.dark[i];
        if (g <= darkLevel) continue;
        const float red = planes.darkRed[i] / g, blue = planes.darkBlue[i] / g;
        brown[i] = red >= 0.5f && red <= 1.05f && blue >= 0.8f ? 1 : 0;
    }
    return brown;
}

std::vector<Haemorrhage> findHaemorrhages(const AssessPlanes& planes, const AssessMask& mask,
                                          const std::vector<uint8_t>& brown, float darkLevel,
                                          const std::vector<AssessTip>& tips, AssessPoint lineFrom,
                                          AssessPoint lineTo, bool lineAutomatic, double nx, double ny, int factor,
                                          double px) {
    auto toPlane = [&](AssessPoint p) { return AssessPoint{(p.x + 0.5) / factor - 0.5, (p.y + 0.5) / factor - 0.5}; };
    auto toPicture = [&](AssessPoint p) { return AssessPoint{(p.x + 0.5) * factor - 0.5, (p.y + 0.5) * factor - 0.5}; };
    std::vector<Haemorrhage> found;
    const int w = planes.width, h = planes.height;
    const float level = darkLevel + planes.spread;
    std::vector<uint8_t> dm(static_cast<size_t>(w) * h, 0);
    // Vessels grown by a few micrometres are not deposits.
    const int grow = std::max(1, static_cast<int>(std::lround(6 / px)));
    std::vector<uint8_t> near = mask.vessel;
    for (int pass = 0; pass < grow; ++pass) {
        std::vector<uint8_t> g = near;
        for (int y = 1; y + 1 < h; ++y)
            for (int x = 1; x + 1 < w; ++x)
                if (near[static_cast<size_t>(y) * w + x])
                    for (int d : {-1, 1}) g[static_cast<size_t>(y) * w + x + d] = g[static_cast<size_t>(y + d) * w + x] = 1;
        near.swap(g);
    }
    for (size_t i = 0; i < dm.size(); ++i) dm[i] = brown.empty() ? planes.dark[i] > level && !near[i] : brown[i];
    std::vector<int> labels;
    const int minArea = std::max(3, static_cast<int>(150 / (px * px)));
    const std::vector<PlanePart> parts = planeParts(dm, w, h, minArea, labels);
    const AssessPoint pf = toPlane(lineFrom), pt = toPlane(lineTo);
    const double lx = pt.x - pf.x, ly = pt.y - pf.y, ll = std::max(1e-9, std::hypot(lx, ly));
    for (const PlanePart& p : parts) {
        const double wUm = (p.x1 - p.x0 + 1) * px, hUm = (p.y1 - p.y0 + 1) * px;
        if (wUm > 160 || hUm > 110) continue;  // the cuticle, the nail edge
        double cx = 0, cy = 0;
        for (int i : p.pixels) {
            cx += i % w;
            cy += i / w;
        }
        cx /= p.area;
        cy /= p.area;
        // Distal to the row: up to 170 um on the nail side of its line,
        // or up to 50 um below it: the line is fitted through the tops, and
        // a deposit just in front of a cap that lies deeper than the line
        // (a disordered row, or one whose line its giants raise) lies
        // below it.
        const double along = ((cx - pf.x) * lx + (cy - pf.y) * ly) / ll;
        const double towardsNail = ((cx - pf.x) * nx + (cy - pf.y) * ny) * px;
        // Along a line found automatically, anywhere across the picture:
        // its ends stop at the outermost capillaries found.
        const double beyond = (lineAutomatic ? 400 : 20) / px;
        const bool byLine = along >= -beyond && along <= ll + beyond && towardsNail >= -50 && towardsNail <= 170;
        // Or just distal to a capillary's top wherever the row was
        // drawn: on a faint, blurred picture the line may lie far off
        // the row. Such a deposit must stand out on its own: brown,
        // compact, wider than tall (it spreads along the nail edge),
        // darker than the picture's noise allows, and no speck of dust.
        // On such a picture the deposit's own top is often taken for
        // a capillary's, so a top up to 100 um distal to it counts too.
        double meanDark = 0;
        for (int i : p.pixels) meanDark += planes.dark[static_cast<size_t>(i)];
        meanDark /= p.area;
        const bool standsOut = meanDark >= level + planes.spread && wUm >= 0.7 * hUm && wUm <= 120 && hUm <= 80 &&
                               p.area * px * px >= 400;
        bool byTip = false;
        if (!byLine && !brown.empty() && standsOut)
            for (const AssessTip& t : tips) {
                const double dx = cx - t.x, dy = cy - t.y;
                const double across = std::abs(dx * -ny + dy * nx) * px, up = (dx * nx + dy * ny) * px;
                if (across <= 40 + wUm / 2 && up >= -100 && up <= 170) {
                    byTip = true;
                    break;
                }
            }
        // On a colour picture the deposit must also look like one: old
        // blood darkens red nearly as much as green (vessel edges that
        // slipped through the brown test do not), it is not a faint
        // stretch of skin just over the level, and no small, sharply dark
        // speck of dust. A deposit that looks like one on all counts
        // stands on its own wherever the row was found: on a faint picture
        // the row's line and tops are often far off.
        if (!brown.empty()) {
            const DepositLook look = depositLook(planes, p, level, px);
            // Old blood fading into the skin just in front of the caps is
            // barely over the level: on the row's line, from 30 um below
            // it to 45 um in front, a brown part of a deposit's least size
            // spread along the row is one.
            const bool fadingByCaps = byLine && look.faint && p.area * px * px >= 200 && look.body >= -0.7 &&
                                      wUm >= 0.8 * hUm && towardsNail >= -30 && towardsNail <= 45;
            if (!look.brownish || (look.faint && !fadingByCaps) || look.dust || wUm > 130 || hUm > 80) continue;
            if (!byLine && !byTip && !look.clear) continue;
        } else if (!byLine && !byTip) {
            continue;
        }
        Haemorrhage hm;
        hm.centre = toPicture({cx, cy});
        hm.areaUm2 = p.area * px * px;
        // The outline: the part's boundary as its bounding polygon of
        // extreme points per row, left side down and right side up.
        std::vector<int> left(static_cast<size_t>(p.y1 - p.y0 + 1), w), right(left.size(), -1);
        for (int i : p.pixels) {
            const size_t r = static_cast<size_t>(i / w - p.y0);
            left[r] = std::min(left[r], i % w);
            right[r] = std::max(right[r], i % w);
        }
        for (size_t r = 0; r < left.size(); ++r)
            if (right[r] >= 0) hm.outline.push_back(toPicture({left[r] - 0.5, p.y0 + static_cast<double>(r)}));
        for (size_t r = left.size(); r-- > 0;)
            if (right[r] >= 0) hm.outline.push_back(toPicture({right[r] + 0.5, p.y0 + static_cast<double>(r)}));
        found.push_back(std::move(hm));
    }
    return found;
}

}  // namespace ordavia
