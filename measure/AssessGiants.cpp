// Giant loops the row step missed. A giant loop is homogeneously enlarged:
// its blood column is five or more times as thick as an ordinary loop's, so
// that even a blurred, faint picture shows it as the darkest wide patch
// around, where its ordinary neighbours barely show. The row step looks for
// tops in a vessel mask made for ordinary loops and can miss a giant (or
// find the row in the wrong place, at the nail's edge); this search looks
// for such patches on the darkening plane and hands them to the apical
// measure, which decides from the loop's width across whether it is giant.
#include <algorithm>
#include <cmath>
#include <limits>

#include "measure/AssessSteps.h"

namespace ordavia {

namespace {

// The darkening (the share of the light taken) of a giant's body,
// smoothed over 20 micrometres: 0.1 to 0.37 on faint, blurred pictures
// (less where the picture's vessels are faint); some patches that are no
// giant (loops lying over each other, deep vessels) reach 0.15. A patch
// is only a candidate: the loop's width across at full resolution decides.
constexpr double kGiantDarkening = 0.10;
constexpr double kSmoothUm = 20;
// Its body is a patch at least this wide across the row at half its
// darkening and runs on down its limbs at least this far.
constexpr double kPatchWideUm = 60;
constexpr double kPatchTallUm = 60;
// The mean darkening over a box of a giant's size around its top (this
// wide across the row, from this far towards the nail to this far down its
// limbs). A giant's blood column is five or more times as thick as an
// ordinary loop's over a body over 100 um across, and blur spreads its
// darkness but keeps its sum: its box reads 0.07 to 0.5 on faint, blurred
// pictures (mostly over 0.1), where the box of a dilated, winding loop
// whose blurred body reads as wide as a giant's takes at most 0.081 on
// hard pictures.
constexpr double kGiantMass = 0.075;
constexpr double kMassWideUm = 130, kMassAboveUm = 20, kMassBelowUm = 130;
// Blood in a vessel lets red light through; old blood (a haemorrhage)
// darkens red nearly as much as green.
constexpr double kVesselRedShare = 0.55;

std::vector<double> boxBlur(const std::vector<double>& in, int w, int h, int r) {
    std::vector<double> tmp(in.size()), out(in.size());
    for (int y = 0; y < h; ++y) {
        const double* row = in.data() + static_cast<size_t>(y) * w;
        double sum = 0;
        int n = 0;
        for (int x = 0; x <= std::min(r, w - 1); ++x) sum += row[x], ++n;
        for (int x = 0; x < w; ++x) {
            tmp[static_cast<size_t>(y) * w + x] = sum / n;
            if (x + r + 1 < w) sum += row[x + r + 1], ++n;
            if (x - r >= 0) sum -= row[x - r], --n;
        }
    }
    for (int x = 0; x < w; ++x) {
        double sum = 0;
        int n = 0;
        for (int y = 0; y <= std::min(r, h - 1); ++y) sum += tmp[static_cast<size_t>(y) * w + x], ++n;
        for (int y = 0; y < h; ++y) {
            out[static_cast<size_t>(y) * w + x] = sum / n;
            if (y + r + 1 < h) sum += tmp[static_cast<size_t>(y + r + 1) * w + x], ++n;
            if (y - r >= 0) sum -= tmp[static_cast<size_t>(y - r) * w + x], --n;
        }
    }
    return out;
}

std::vector<double> widened(const std::vector<float>& v) { return std::vector<double>(v.begin(), v.end()); }

// The mean of `v` over the box of radius r around (x, y).
double boxMean(const std::vector<float>& v, int w, int h, int x, int y, int r) {
    double sum = 0;
    int n = 0;
    for (int yy = std::max(0, y - r); yy <= std::min(h - 1, y + r); ++yy)
        for (int xx = std::max(0, x - r); xx <= std::min(w - 1, x + r); ++xx) sum += v[static_cast<size_t>(yy) * w + xx], ++n;
    return n ? sum / n : 0;
}

}  // namespace

void findGiantLoops(const AssessPlanes& planes, std::vector<AssessTip>& row) {
    const int w = planes.width, h = planes.height;
    if (w < 8 || h < 8 || planes.dark.size() != static_cast<size_t>(w) * h) return;
    const double px = planes.umPerPixel;
    const int r = std::max(1, static_cast<int>(std::lround(kSmoothUm / px)));
    const std::vector<double> d = boxBlur(widened(planes.dark), w, h, r);
    const bool colour = planes.colour && planes.darkRed.size() == d.size();
    // Local maxima over a giant's half width; clear of the picture's
    // edges, where the lighting is extrapolated.
    const int reach = std::max(2, static_cast<int>(std::lround(80 / px)));
    const int margin = std::max(2, static_cast<int>(std::lround(60 / px)));
    const int y0 = std::max(margin, h / 12), y1 = h - std::max(margin, h / 5);
    struct Patch {
        AssessTip tip;
        double darkening = 0;
    };
    std::vector<Patch> found;
    for (int y = y0; y < y1; ++y)
        for (int x = margin; x < w - margin; ++x) {
            const double v = d[static_cast<size_t>(y) * w + x];
            if (v < kGiantDarkening) continue;
            bool top = true;
            for (int dy = -reach; dy <= reach && top; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int yy = y + dy, xx = x + dx;
                    if (yy < 0 || yy >= h || xx < 0 || xx >= w) continue;
                    const double u = d[static_cast<size_t>(yy) * w + xx];
                    if (u > v || (u == v && (dy < 0 || (dy == 0 && dx < 0)))) {
                        top = false;
                        break;
                    }
                }
            if (!top) continue;
            if (colour && boxMean(planes.darkRed, w, h, x, y, r) > kVesselRedShare * v) continue;
            const double half = v / 2;
            auto at = [&](int xx, int yy) { return d[static_cast<size_t>(yy) * w + xx]; };
            int a = x, b = x, up = y, down = y;
            while (a > 0 && at(a - 1, y) > half) --a;
            while (b + 1 < w && at(b + 1, y) > half) ++b;
            // Down its limbs: the gap between them may be clear.
            auto across = [&](int yy) {
                double m = 0;
                for (int xx = a; xx <= b; ++xx) m = std::max(m, at(xx, yy));
                return m;
            };
            while (down + 1 < h && across(down + 1) > half) ++down;
            while (up > 0 && across(up - 1) > half) --up;
            if ((b - a + 1) * px < kPatchWideUm || (down - y + 1) * px < kPatchTallUm) continue;
            Patch p;
            p.tip.x = (a + b) / 2.0;  // between the limbs
            p.tip.y = up;             // the cap's near edge
            p.tip.giant = p.tip.giantOnly = true;
            p.tip.spreadUm = (b - a + 1) * px;
            p.darkening = v;
            // One patch per loop: where two overlap (one on each limb),
            // the darker.
            bool keep = true;
            for (Patch& q : found)
                if (std::abs(q.tip.x - p.tip.x) * px < (q.tip.spreadUm + p.tip.spreadUm) / 2) {
                    if (p.darkening > q.darkening) q = p;
                    keep = false;
                }
            if (keep) found.push_back(p);
        }
    for (const Patch& p : found) {
        const AssessTip& g = p.tip;
        // A capillary of the row already there (the nearest): measure it
        // as a giant.
        AssessTip* known = nullptr;
        double nearest = 0;
        for (AssessTip& t : row) {
            const double dx = std::abs(t.x - g.x) * px, dy = std::abs(t.y - g.y) * px;
            if (dx < std::max(70.0, g.spreadUm / 2 + 20) && dy < 150 && (!known || dx < nearest)) known = &t, nearest = dx;
        }
        if (known) {
            known->giant = true;
            known->filled = false;
        }
        if (!known) row.push_back(g);
    }
}

double boxDarkening(const AssessPlanes& planes, AssessPoint at, int factor, double nx, double ny, double wideUm,
                    double aboveUm, double belowUm, bool darkOnly) {
    const int w = planes.width, h = planes.height;
    if (w < 1 || h < 1 || planes.dark.size() != static_cast<size_t>(w) * h || factor < 1)
        return std::numeric_limits<double>::quiet_NaN();
    const double px = planes.umPerPixel;
    const double cx = (at.x + 0.5) / factor - 0.5, cy = (at.y + 0.5) / factor - 0.5;
    const double tx = -ny, ty = nx;  // along the row
    double sum = 0;
    int n = 0;
    for (double down = -aboveUm; down <= belowUm; down += px)
        for (double s = -wideUm / 2; s <= wideUm / 2; s += px) {
            const long x = std::lround(cx + (tx * s - nx * down) / px), y = std::lround(cy + (ty * s - ny * down) / px);
            if (x < 0 || y < 0 || x >= w || y >= h) continue;
            const float v = planes.dark[static_cast<size_t>(y) * w + static_cast<size_t>(x)] - planes.median;
            sum += darkOnly ? std::max(0.0f, v) : v;
            ++n;
        }
    return n ? sum / n : std::numeric_limits<double>::quiet_NaN();
}

double giantBodyMass(const AssessPlanes& planes, AssessPoint apex, int factor, double nx, double ny) {
    const double mass = boxDarkening(planes, apex, factor, nx, ny, kMassWideUm, kMassAboveUm, kMassBelowUm, true);
    return std::isnan(mass) ? 0 : mass;
}

bool holdsGiantBody(const AssessPlanes& planes, AssessPoint apex, int factor, double nx, double ny) {
    // Without the darkening plane there is nothing to weigh.
    if (planes.width < 1 || planes.dark.size() != static_cast<size_t>(planes.width) * planes.height) return true;
    return giantBodyMass(planes, apex, factor, nx, ny) >= kGiantMass;
}

void confirmGiants(const AssessPlanes& planes, std::vector<AssessTip>& row, std::vector<AssessedCapillary>& caps,
                   int factor, double nx, double ny) {
    for (size_t i = 0; i < caps.size() && i < row.size();) {
        AssessedCapillary& c = caps[i];
        if (!(c.apexUm >= kGiantApexUm) || holdsGiantBody(planes, c.apex, factor, nx, ny)) {
            ++i;
            continue;
        }
        if (row[i].giantOnly) {
            // Known from the giant search alone: no capillary at all.
            caps.erase(caps.begin() + static_cast<std::ptrdiff_t>(i));
            row.erase(row.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        // A wide, dark loop but no giant: its cap's width across is not
        // known (the body's blur hides it).
        c.apexUm = std::numeric_limits<double>::quiet_NaN();
        c.widthTo = c.widthFrom;
        ++i;
    }
}

}  // namespace ordavia
