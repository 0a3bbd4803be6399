// Capillary tips and the distal row. Loops stand in the vessel mask with
// their caps towards the nail (the top of the picture): the top of each
// part of the mask, column by column, dips to a local height at every cap.
// The distal row is the upper envelope of these tops, with the deeper rows
// and the plexus below it left out.
#include <algorithm>
#include <cmath>
#include <utility>

#include "measure/AssessSteps.h"

namespace ordavia {

namespace {

// A cap is a local top that stands at least this much above the profile
// either side (micrometres), and the part reaches this far below it.
constexpr double kCapRiseUm = 10;
constexpr double kLimbReachUm = 50;
// Tops of one capillary lie within this distance across (micrometres).
constexpr double kOneCapillaryUm = 45;
// The distal row's line: tops within this distance of it (micrometres)
// support it, its slope is at most this, and it needs this share of the
// best line's support. A top counts the more the further its limbs run
// down, up to kLongLimbUm: the loops of a row are long, flecks of skin
// texture short.
constexpr double kRowBandUm = 30;
constexpr double kRowSlope = 0.12;
constexpr double kRowSupport = 0.75;
constexpr double kLongLimbUm = 150;
// Tops nearer the picture's left, right or top side than this are not taken.
constexpr double kSideUm = 120;
// The mask level: this share of the way from the background up to the
// clearest vessels in a band of the picture this wide (micrometres), whose
// top is taken no lower than kLeastBandTop of the picture's (a band of
// skin alone would otherwise mask its texture).
constexpr float kMaskShare = 0.32f;
constexpr double kBandUm = 450;
constexpr float kLeastBandTop = 0.45f;

// The limbs below a cap: the window looked at for their direction
// (micrometres below the top, and either side of it); the cap itself runs
// across the row and is left out.
constexpr double kLimbFromUm = 25;
constexpr double kLimbToUm = 120;
constexpr double kLimbSideUm = 20;

// Lost loops of the row, found as peaks of the ridge crossing the line
// square, averaged over a band below it. Two rules: in a row whose tops
// mostly stand on upright limbs (kClearShare of them clearer than
// kClearUpright), any gap between the loops found is searched, along the
// caps (the band from 10 micrometres above the line to 30 below it, where
// neighbouring loops of a dense row stand apart even where their limbs
// merge), for peaks that also have limbs below them; otherwise only wide
// gaps of rows of loops close together, down the limbs. Blurred rows keep
// the second rule: their caps answer as clearly as noise does.
struct FillRule {
    double fromUm, toUm;   // the band below the line
    double share;          // of the row's own loops' ridge (at `quantile` of them) a peak needs
    double quantile;
    double limbShare;      // of the row's own (median) limbs' ridge the limbs below a peak need
    double noiseFloor;     // spreads of the picture's ridge a peak needs
    double spacingUm;      // rows whose loops stand further apart are not filled
    double gap;            // only gaps wider than this many spacings (0: any)
    double apartUm;        // from every loop found
    bool newEnds;          // the line's ends set again from the filled row
};
constexpr FillRule kWideGaps{20, 80, 0.6, 0.5, 0, 0, 140, 1.7, 60, false};
constexpr FillRule kClearRow{-10, 30, 0.15, 0.25, 0.3, 1, 180, 0, 50, true};
// The limbs looked at below a peak, a peak's reach either side, and the
// least median upright of a row that is filled at all.
constexpr double kFillLimbFromUm = 20;
constexpr double kFillLimbToUm = 80;
constexpr double kFillNearUm = 25;
constexpr double kFillUpright = 0.15;
// A row is clear when this share of its tops stand on limbs more upright
// than this.
constexpr double kClearUpright = 0.3;
constexpr double kClearShare = 0.45;
// In a clear row, tops whose ridges below run across the row this much
// are not loops of the row (unless measured giant).
constexpr double kAcrossUpright = -0.7;

// settleTips: a cap is looked for this far above a top and below it, its
// darkest within kSettleNearUm of the top's axis, against the median of
// the row from kSettleSideFromUm to kSettleSideToUm either side. A top
// whose own darkening (to kSettleTopUm below it) is less than 1 /
// kSettleOverTop of a cap's found from kSettleFromUm below it, and that
// cap's over kSettleNoise of the darkness planes' spreads, is moved to it.
constexpr double kSettleAboveUm = 10, kSettleBelowUm = 150, kSettleNearUm = 10;
constexpr double kSettleSideFromUm = 60, kSettleSideToUm = 160;
constexpr double kSettleTopUm = 15, kSettleFromUm = 20;
constexpr float kSettleOverTop = 2.0f, kSettleNoise = 2.5f;
// A band: the row's median either side darkened this many spreads at the
// top; a top with nothing of its own: darkened less than that itself.
constexpr float kSettleBand = 1.0f;
// The moved top stands this far above where its cap's darkening clears
// that mark, as a mask's top stands above its cap's edge.
constexpr double kSettleAboveEdgeUm = 8;

struct Cand {
    AssessTip tip;
    double t, o;  // along, towards the nail (plane pixels)
};

// How much a tip looks like a loop's by its limbs' direction, 0.1 to 1.
double loopWeight(const AssessTip& t) {
    return std::clamp((t.upright + 0.5) / 0.8, 0.1, 1.0);
}

// Whether b, nearer the nail, hides a: a top across the row does not hide
// an upright loop below it.
bool hides(const Cand& b, const Cand& a) {
    return !(b.tip.upright < -0.3 && a.tip.upright > b.tip.upright + 0.5);
}

// The line o = a + b t of the distal row: of the nearly level lines that
// pass through many tips, the most distal one that passes through at least
// kRowSupport as many as the best. A row is many loops in a line; the
// upper envelope alone followed a few stray tops above the row (nail-fold
// texture) and lost the row beneath them. False when no line has support.
bool rowLine(const std::vector<Cand>& all, const std::vector<Cand>& upper, double px, double& fa, double& fb) {
    const double band = kRowBandUm / px;
    double tMid = 0;
    for (const Cand& q : all) tMid += q.t;
    tMid /= std::max<size_t>(1, all.size());
    struct Line {
        double a, b;
        double support;
    };
    std::vector<Line> lines;
    double best = 0;
    for (double b = -kRowSlope; b <= kRowSlope + 1e-9; b += kRowSlope / 4)
        for (const Cand& seed : upper) {
            const double a = seed.o - b * seed.t;
            double n = 0;
            for (const Cand& q : all)
                if (std::abs(a + b * q.t - q.o) <= band) n += std::clamp(q.tip.depthUm / kLongLimbUm, 0.3, 1.0) * loopWeight(q.tip);
            lines.push_back({a, b, n});
            best = std::max(best, n);
        }
    if (best < 2) return false;
    double distal = -1e300;
    for (const Line& L : lines) {
        if (L.support < kRowSupport * best) continue;
        const double o = L.a + L.b * tMid;
        if (o > distal) distal = o, fa = L.a, fb = L.b;
    }
    return true;
}

}  // namespace

std::vector<float> columnLevels(const RidgeImage& ri) {
    const int w = ri.width, h = ri.height;
    const double px = ri.umPerPixelX * ri.factor;
    const int band = std::max(4, static_cast<int>(std::lround(kBandUm / px)));
    const int bands = std::max(1, (w + band - 1) / band);
    const float span = ri.top - ri.median;
    std::vector<double> centre, level;
    std::vector<float> sample;
    for (int k = 0; k < bands; ++k) {
        const int x0 = k * band, x1 = std::min(w, x0 + band);
        sample.clear();
        for (int y = 0; y < h; y += 2)
            for (int x = x0; x < x1; x += 2) sample.push_back(ri.r[static_cast<size_t>(y) * w + x]);
        if (sample.empty()) continue;
        auto it = sample.begin() + static_cast<std::ptrdiff_t>(0.995 * (sample.size() - 1));
        std::nth_element(sample.begin(), it, sample.end());
        const float top = std::clamp(*it, ri.median + kLeastBandTop * span, ri.top);
        centre.push_back((x0 + x1 - 1) / 2.0);
        level.push_back(ri.median + kMaskShare * (top - ri.median));
    }
    std::vector<float> out(static_cast<size_t>(w), ri.median + kMaskShare * span);
    if (centre.empty()) return out;
    size_t k = 0;
    for (int x = 0; x < w; ++x) {
        while (k + 1 < centre.size() && centre[k + 1] < x) ++k;
        if (x <= centre.front()) out[static_cast<size_t>(x)] = static_cast<float>(level.front());
        else if (k + 1 >= centre.size()) out[static_cast<size_t>(x)] = static_cast<float>(level.back());
        else {
            const double u = (x - centre[k]) / (centre[k + 1] - centre[k]);
            out[static_cast<size_t>(x)] = static_cast<float>(level[k] + u * (level[k + 1] - level[k]));
        }
    }
    return out;
}

AssessMask vesselMask(const RidgeImage& ri, const std::vector<uint8_t>& exclude) {
    AssessMask m;
    const size_t n = ri.r.size();
    // A third of the way up to the clearest vessels nearby: lower, and
    // neighbouring loops of a dense or blurred row run together in the mask
    // (one tip for two loops) and the vessels swallow the haemorrhages
    // beside their caps. A few giant loops are far darker than the rest;
    // with one level for the picture, set by them, the ordinary loops of
    // the whole row fell below it.
    const std::vector<float> level = columnLevels(ri);
    m.level = ri.median + kMaskShare * (ri.top - ri.median);
    m.vessel.assign(n, 0);
    for (size_t i = 0; i < n; ++i)
        m.vessel[i] = ri.r[i] >= level[i % static_cast<size_t>(ri.width)] && (exclude.empty() || !exclude[i]) ? 1 : 0;
    const double px = ri.umPerPixelX * ri.factor;
    const int minArea = std::max(4, static_cast<int>(300 / (px * px)));
    m.parts = planeParts(m.vessel, ri.width, ri.height, minArea, m.labels);
    return m;
}

std::vector<AssessTip> capillaryTips(const AssessMask& m, int w, int h, double px) {
    std::vector<AssessTip> tips;
    const int rise = std::max(1, static_cast<int>(std::lround(kCapRiseUm / px)));
    const int reach = std::max(2, static_cast<int>(std::lround(kLimbReachUm / px)));
    const int window = std::max(2, static_cast<int>(std::lround(kOneCapillaryUm / px)));
    for (size_t k = 0; k < m.parts.size(); ++k) {
        const PlanePart& part = m.parts[k];
        const int pw = part.x1 - part.x0 + 1;
        if ((part.y1 - part.y0) * px < kLimbReachUm * 0.8) continue;  // a fleck, not a loop
        std::vector<int> top(static_cast<size_t>(pw), h), bottom(static_cast<size_t>(pw), -1);
        for (int i : part.pixels) {
            const int x = i % w - part.x0, y = i / w;
            top[static_cast<size_t>(x)] = std::min(top[static_cast<size_t>(x)], y);
            bottom[static_cast<size_t>(x)] = std::max(bottom[static_cast<size_t>(x)], y);
        }
        std::vector<AssessTip> own;
        for (int x = 0; x < pw; ++x) {
            const int t = top[static_cast<size_t>(x)];
            if (t >= h) continue;
            // The lowest top within the window, and a rise on both sides
            // (or the part's end).
            bool lowest = true;
            int leftHigh = 0, rightHigh = 0;
            // Lowest within the window; the rise may come further out (a
            // giant's wide cap is flat across its top).
            for (int d = 1; d <= 3 * window && lowest; ++d) {
                if (x - d >= 0) {
                    const int tl = top[static_cast<size_t>(x - d)];
                    if (tl < t && d <= window) lowest = false;
                    leftHigh = std::max(leftHigh, tl >= h ? rise : tl - t);
                } else {
                    leftHigh = rise;
                }
                if (x + d < pw) {
                    const int tr = top[static_cast<size_t>(x + d)];
                    if (tr < t && d <= window) lowest = false;
                    rightHigh = std::max(rightHigh, tr >= h ? rise : tr - t);
                } else {
                    rightHigh = rise;
                }
            }
            if (!lowest || leftHigh < rise || rightHigh < rise) continue;
            // The part runs on below the top: limbs.
            int below = 0;
            for (int d = -rise; d <= rise; ++d)
                if (x + d >= 0 && x + d < pw) below = std::max(below, bottom[static_cast<size_t>(x + d)] - t);
            if (below < reach) continue;
            // A flat top gives a run of equal columns: keep its middle.
            int run = x;
            while (run + 1 < pw && top[static_cast<size_t>(run + 1)] == t) ++run;
            AssessTip tip;
            tip.x = part.x0 + (x + run) / 2.0;
            // The ridge filter's widest scale reaches past the picture's
            // side, where the lighting it divides by is a guess: a top this
            // near the side is as often a shade of the lighting as a loop.
            // The same holds at the top, on the nail's side.
            if (tip.x * px < kSideUm || (w - 1 - tip.x) * px < kSideUm || t * px < kSideUm) {
                x = run;
                continue;
            }
            tip.y = t;
            tip.part = static_cast<int>(k);
            tip.depthUm = below * px;
            own.push_back(tip);
            x = run;
        }
        // Tops close together belong to one capillary: its buds.
        std::sort(own.begin(), own.end(), [](const AssessTip& a, const AssessTip& b) { return a.y < b.y; });
        std::vector<AssessTip> merged;
        for (const AssessTip& t : own) {
            bool joined = false;
            for (AssessTip& q : merged)
                if (std::abs(q.x - t.x) * px < kOneCapillaryUm && (t.y - q.y) * px < 30) {
                    q.tips += 1;
                    q.spreadUm = std::max(q.spreadUm, std::abs(q.x - t.x) * px);
                    joined = true;
                    break;
                }
            if (!joined) merged.push_back(t);
        }
        tips.insert(tips.end(), merged.begin(), merged.end());
    }
    return tips;
}

void settleTips(const AssessPlanes& planes, std::vector<AssessTip>& tips) {
    const int w = planes.width, h = planes.height;
    if (w < 1 || h < 1 || planes.dark.size() != static_cast<size_t>(w) * h || !(planes.umPerPixel > 0)) return;
    const double px = planes.umPerPixel;
    auto dark = [&](long x, long y) {
        return x < 0 || y < 0 || x >= w || y >= h ? 0.0f : planes.dark[static_cast<size_t>(y) * w + static_cast<size_t>(x)] - planes.median;
    };
    const int near = std::max(1, static_cast<int>(std::lround(kSettleNearUm / px)));
    std::vector<float> side;
    for (AssessTip& t : tips) {
        if (t.giant) continue;
        const long tx = std::lround(t.x);
        // At each depth below the top: the darkest near its axis, that
        // darkening over the median of the row's either side, and where.
        struct Depth {
            double v;
            float excess, own, side;
            long x;
        };
        std::vector<Depth> profile;
        for (double v = -kSettleAboveUm; v <= kSettleBelowUm; v += px) {
            const long y = std::lround(t.y + v / px);
            float most = -1;
            long at = tx;
            for (long x = tx - near; x <= tx + near; ++x)
                if (dark(x, y) > most) most = dark(x, y), at = x;
            side.clear();
            for (double u = kSettleSideFromUm; u <= kSettleSideToUm; u += px) {
                side.push_back(dark(tx + std::lround(u / px), y));
                side.push_back(dark(tx - std::lround(u / px), y));
            }
            const auto mid = side.begin() + static_cast<std::ptrdiff_t>(side.size() / 2);
            std::nth_element(side.begin(), mid, side.end());
            profile.push_back({v, most - *mid, most, *mid, at});
        }
        float atTop = 0, ownTop = -1, sideTop = -1;
        for (const Depth& d : profile)
            if (d.v <= kSettleTopUm) atTop = std::max(atTop, d.excess), ownTop = std::max(ownTop, d.own), sideTop = std::max(sideTop, d.side);
        // Only a top on a band (its darkening shared by the row either side)
        // or on nothing of its own: a blurred cap's darkest lies below its
        // mask's top as well, and stays where it was found.
        const float band = kSettleBand * planes.spread;
        if (!(sideTop >= band || ownTop <= band)) continue;
        // The cap below: the first depth whose own darkening stands clear of
        // the noise and well over what the top has.
        const float need = std::max(kSettleNoise * planes.spread, kSettleOverTop * atTop);
        for (const Depth& d : profile) {
            if (d.v < kSettleFromUm || d.excess < need) continue;
            const double down = d.v - kSettleAboveEdgeUm;
            t.x = static_cast<double>(d.x);
            t.y += down / px;
            t.depthUm = std::max(0.0, t.depthUm - down);
            break;
        }
    }
}

void loopEvidence(const RidgeImage& ri, std::vector<AssessTip>& tips) {
    const double px = ri.umPerPixelX * ri.factor;
    for (AssessTip& t : tips) {
        double along = 0, sum = 0;
        const int y0 = static_cast<int>(t.y + kLimbFromUm / px), y1 = std::min(ri.height, static_cast<int>(t.y + kLimbToUm / px));
        const int x0 = std::max(0, static_cast<int>(t.x - kLimbSideUm / px));
        const int x1 = std::min(ri.width - 1, static_cast<int>(t.x + kLimbSideUm / px));
        for (int y = std::max(0, y0); y < y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const size_t j = static_cast<size_t>(y) * ri.width + x;
                const double v = std::max(0.0f, ri.r[j] - ri.median);
                along += v * ri.c2[j];
                sum += v;
            }
        t.upright = sum > 0 ? along / sum : 0;
    }
}

std::vector<AssessTip> distalRow(const std::vector<AssessTip>& tips, double px, bool automatic, AssessPoint& from,
                                 AssessPoint& to) {
    // The frame: along the row (d) and towards the nail (n), in plane pixels.
    double ax = 0, ay = 0, dx = 1, dy = 0;
    if (!automatic) {
        ax = from.x;
        ay = from.y;
        const double len = std::hypot(to.x - from.x, to.y - from.y);
        dx = (to.x - from.x) / len;
        dy = (to.y - from.y) / len;
    }
    double nx = dy, ny = -dx;
    if (ny > 0) nx = -nx, ny = -ny;  // the nail lies towards smaller y
    const double lengthPx = automatic ? 0 : std::hypot(to.x - from.x, to.y - from.y);
    std::vector<Cand> c;
    for (const AssessTip& tip : tips) {
        const double t = (tip.x - ax) * dx + (tip.y - ay) * dy;
        const double o = (tip.x - ax) * nx + (tip.y - ay) * ny;
        if (!automatic && (t < 0 || t >= lengthPx || o * px < -60 || o * px > 250)) continue;
        c.push_back({tip, t, o});
    }
    // Upper envelope: no other tip near along the row and clearly nearer the nail.
    std::vector<Cand> upper;
    for (const Cand& a : c) {
        bool covered = false;
        for (const Cand& b : c)
            if (std::abs(b.t - a.t) * px < 70 && (b.o - a.o) * px > 50 && hides(b, a)) covered = true;
        if (!covered) upper.push_back(a);
    }
    if (automatic && upper.size() >= 2) {
        // Fit o = a + b t through the upper tips, robustly: start from the
        // row line, then fit least squares to those near the line,
        // narrowing the band (a stray fleck above, a deeper row below).
        double fa = 0, fb = 0;
        if (!rowLine(c, upper, px, fa, fb)) {
            std::vector<double> heights;
            for (const Cand& q : upper) heights.push_back(q.o);
            std::nth_element(heights.begin(), heights.begin() + static_cast<std::ptrdiff_t>(heights.size() / 2), heights.end());
            fa = heights[heights.size() / 2];
        }
        for (const double band : {120.0, 80.0, 60.0, 50.0}) {
            double st = 0, so = 0, stt = 0, sto = 0, nn = 0;
            for (const Cand& q : upper) {
                if (std::abs(fa + fb * q.t - q.o) * px > band) continue;
                st += q.t;
                so += q.o;
                stt += q.t * q.t;
                sto += q.t * q.o;
                nn += 1;
            }
            if (nn < 2) break;
            const double den = nn * stt - st * st;
            fb = den > 1e-9 ? (nn * sto - st * so) / den : 0;
            fa = (so - fb * st) / nn;
        }
        upper.clear();
        for (const Cand& q : c) {
            const double below = (fa + fb * q.t - q.o) * px;
            if (below < 70 && below > -60) upper.push_back(q);
        }
        // Again the envelope, now among the tips near the line.
        std::vector<Cand> env;
        for (const Cand& a : upper) {
            bool covered = false;
            for (const Cand& b : upper)
                if (std::abs(b.t - a.t) * px < 40 && (b.o - a.o) * px > 20 && hides(b, a)) covered = true;
            if (!covered) env.push_back(a);
        }
        upper = env;
        std::sort(upper.begin(), upper.end(), [](const Cand& a, const Cand& b) { return a.t < b.t; });
        // The line through the fit, from the first capillary to the last,
        // and half a spacing beyond each, so that N capillaries span N
        // spacings.
        const double t0 = upper.front().t, t1 = upper.back().t;
        const double half = upper.size() > 1 ? (t1 - t0) / (upper.size() - 1) / 2 : 0;
        const double slope = fb;
        const double len = std::sqrt(1 + slope * slope);
        // o = -y for the automatic frame (a = 0, d = x): the line y = -(fa + fb x).
        from = {t0 - half / len, -(fa + fb * (t0 - half / len))};
        to = {t1 + half / len, -(fa + fb * (t1 + half / len))};
    }
    std::sort(upper.begin(), upper.end(), [](const Cand& a, const Cand& b) { return a.t < b.t; });
    std::vector<AssessTip> out;
    for (const Cand& q : upper) out.push_back(q.tip);
    return out;
}

// Whether most of the row's tops stand on clearly upright limbs: a row
// whose loops the picture resolves (blurred loops show their caps rather
// than their limbs).
bool clearRow(const std::vector<AssessTip>& row) {
    int clear = 0;
    for (const AssessTip& t : row) clear += t.upright > kClearUpright ? 1 : 0;
    return !row.empty() && clear >= kClearShare * static_cast<double>(row.size());
}

std::vector<AssessTip> takeAcrossTips(std::vector<AssessTip>& row) {
    std::vector<AssessTip> keep, across;
    if (!clearRow(row)) return across;
    for (const AssessTip& t : row) (t.upright < kAcrossUpright ? across : keep).push_back(t);
    row = std::move(keep);
    return across;
}

void fillRowGaps(const RidgeImage& ri, const AssessMask& m, std::vector<AssessTip>& row, AssessPoint& from,
             AssessPoint& to) {
    const double px = ri.umPerPixelX * ri.factor;
    const double len = std::hypot(to.x - from.x, to.y - from.y);
    if (row.size() < 2 || len * px < 300) return;
    const FillRule& rule = clearRow(row) ? kClearRow : kWideGaps;
    const double dx = (to.x - from.x) / len, dy = (to.y - from.y) / len;
    double nx = dy, ny = -dx;
    if (ny > 0) nx = -nx, ny = -ny;
    const auto cos2 = static_cast<float>(dx * dx - dy * dy), sin2 = static_cast<float>(2 * dx * dy);
    // The ridge crossing the line square, averaged over a band below the line.
    const int n = static_cast<int>(len) + 1;
    auto profile = [&](double fromUm, double toUm) {
        std::vector<double> p(static_cast<size_t>(n), 0.0);
        const double d0 = fromUm / px, d1 = toUm / px;
        for (int s = 0; s < n; ++s) {
            double sum = 0;
            int k = 0;
            for (double d = d0; d <= d1; d += 1, ++k) {
                const long x = std::lround(from.x + dx * s - nx * d), y = std::lround(from.y + dy * s - ny * d);
                if (x < 0 || y < 0 || x >= ri.width || y >= ri.height) continue;
                const size_t i = static_cast<size_t>(y) * ri.width + static_cast<size_t>(x);
                sum += std::max(0.0f, ri.r[i] - ri.median) * std::max(0.0f, ri.c2[i] * cos2 + ri.s2[i] * sin2);
            }
            p[static_cast<size_t>(s)] = k > 0 ? sum / k : 0;
        }
        return p;
    };
    const std::vector<double> p = profile(rule.fromUm, rule.toUm);
    const std::vector<double> limb = profile(kFillLimbFromUm, kFillLimbToUm);
    const double d0 = kFillLimbFromUm / px, d1 = kFillLimbToUm / px;
    // The row's own loops on this profile: the level a lost loop must reach.
    const int near = std::max(1, static_cast<int>(std::lround(kFillNearUm / px)));
    std::vector<double> along, own, ownLimb;
    auto bestNear = [&](const std::vector<double>& v, double s) {
        double best = 0;
        for (int j = static_cast<int>(s) - near; j <= static_cast<int>(s) + near; ++j)
            if (j >= 0 && j < n) best = std::max(best, v[static_cast<size_t>(j)]);
        return best;
    };
    for (const AssessTip& t : row) {
        const double s = (t.x - from.x) * dx + (t.y - from.y) * dy;
        along.push_back(s);
        own.push_back(bestNear(p, s));
        ownLimb.push_back(bestNear(limb, s));
    }
    std::sort(ownLimb.begin(), ownLimb.end());
    const double limbLevel = rule.limbShare * ownLimb[ownLimb.size() / 2];
    std::sort(own.begin(), own.end());
    const double level = rule.share * own[static_cast<size_t>(rule.quantile * (own.size() - 1) + 0.5)];
    if (level <= 0) return;
    const double floorLevel = rule.noiseFloor * ri.spread;
    // Only in a row of loops close together, and only in its wide gaps: a
    // sparse row's gaps hold skin texture as clear as its loops.
    std::vector<double> sorted = along, spacing;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 1; i < sorted.size(); ++i) spacing.push_back(sorted[i] - sorted[i - 1]);
    std::vector<double> sp = spacing;
    std::nth_element(sp.begin(), sp.begin() + static_cast<std::ptrdiff_t>(sp.size() / 2), sp.end());
    const double typical = sp[sp.size() / 2];
    if (typical * px > rule.spacingUm) return;
    // Nor a row whose tops stand mostly on texture (most of them not
    // upright): its gaps are as likely skin as lost loops.
    std::vector<double> up;
    for (const AssessTip& t : row) up.push_back(t.upright);
    std::nth_element(up.begin(), up.begin() + static_cast<std::ptrdiff_t>(up.size() / 2), up.end());
    if (up[up.size() / 2] < kFillUpright) return;
    auto inWideGap = [&](double s) {
        for (size_t i = 1; i < sorted.size(); ++i)
            if (s > sorted[i - 1] && s < sorted[i]) return spacing[i - 1] > rule.gap * typical;
        return false;
    };
    const int apart = static_cast<int>(std::lround(rule.apartUm / px));
    std::vector<AssessTip> added;
    for (int s = 0; s < n; ++s) {
        const double v = p[static_cast<size_t>(s)];
        if (v < level || v < floorLevel) continue;
        bool peak = true;
        for (int j = std::max(0, s - near); j <= std::min(n - 1, s + near) && peak; ++j)
            if (p[static_cast<size_t>(j)] > v || (p[static_cast<size_t>(j)] == v && j < s)) peak = false;
        if (!peak) continue;
        if (!inWideGap(s)) continue;
        if (bestNear(limb, s) < limbLevel) continue;
        bool free = true;
        for (double a : along)
            if (std::abs(a - s) < apart) free = false;
        if (!free) continue;
        AssessTip t;
        t.x = from.x + dx * s;
        t.y = from.y + dy * s;
        // Its part: the vessel the limbs below belong to, if the mask holds them.
        for (double d = d0; d <= d1 && t.part < 0; d += 1) {
            const long x = std::lround(t.x - nx * d), y = std::lround(t.y - ny * d);
            if (x < 0 || y < 0 || x >= ri.width || y >= ri.height) continue;
            const int label = m.labels[static_cast<size_t>(y) * ri.width + static_cast<size_t>(x)];
            if (label > 0) t.part = label - 1;
        }
        t.depthUm = kFillLimbToUm;
        t.filled = true;
        added.push_back(t);
        along.push_back(s);
    }
    row.insert(row.end(), added.begin(), added.end());
    std::sort(row.begin(), row.end(), [&](const AssessTip& a, const AssessTip& b) {
        return (a.x - from.x) * dx + (a.y - from.y) * dy < (b.x - from.x) * dx + (b.y - from.y) * dy;
    });
    if (added.empty() || !rule.newEnds) return;
    // The line's ends again: half the row's usual spacing beyond its first
    // and last capillary, so that N capillaries span N spacings (the
    // spacing before filling counted the lost loops' gaps).
    std::sort(along.begin(), along.end());
    std::vector<double> gaps;
    for (size_t i = 1; i < along.size(); ++i) gaps.push_back(along[i] - along[i - 1]);
    std::nth_element(gaps.begin(), gaps.begin() + static_cast<std::ptrdiff_t>(gaps.size() / 2), gaps.end());
    const double half = gaps[gaps.size() / 2] / 2;
    const double s0 = along.front() - half, s1 = along.back() + half;
    const AssessPoint a0 = from;
    from = {a0.x + dx * s0, a0.y + dy * s0};
    to = {a0.x + dx * s1, a0.y + dy * s1};
}

}  // namespace ordavia
