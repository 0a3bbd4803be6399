// The findings a capillaroscopy assessment looks for, drawn into a
// synthetic nailfold: ramified and bizarre loops, haemorrhages and the skin
// texture of a disorganised row. Like the rest of the generator only plain
// arithmetic and our own exp and sin decide the pixels.
#include <algorithm>
#include <cmath>

#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A small hairpin from (u, v) in direction (du, dv), `len` long and
// `spread` wide, as one tube that starts and ends on the parent vessel.
SynthTube bud(double u, double v, double du, double dv, double len, double spread, double width, double k) {
    SynthTube t;
    const double nu = -dv, nv = du;  // across the bud
    const int steps = std::max(8, static_cast<int>(len));
    for (int i = 0; i <= steps; ++i) {
        const double q = len * i / steps;
        t.add(u + du * q - nu * spread / 2, v + dv * q - nv * spread / 2, width / 2, k);
    }
    const int arc = 12;
    for (int i = 1; i < arc; ++i) {
        const double a = kPi * i / arc;
        const double c = synthCos(a), s = synthSin(a);
        t.add(u + du * (len + s * spread / 2) - nu * c * spread / 2, v + dv * (len + s * spread / 2) - nv * c * spread / 2,
              width / 2, k);
    }
    for (int i = steps; i >= 0; --i) {
        const double q = len * i / steps;
        t.add(u + du * q + nu * spread / 2, v + dv * q + nv * spread / 2, width / 2, k);
    }
    return t;
}

}  // namespace

void synthRamifiedBuds(SynthRandom& r, double apexU, double apexV, double spacing, double width, double absorption,
                       std::vector<SynthTube>& out) {
    // Each bud is a new capillary sprouting from the loop: a blood column
    // of about the loop's own calibre (none is narrower than a red cell),
    // reaching out about as far as the cap is wide or further, as the
    // branches of bushy capillaries do. Its blood absorbs as the loop's does.
    const int n = 2 + r.below(2);
    const double rh = std::max(spacing / 2, 8.0);
    const double calibre = std::max(width, 7.0);
    for (int i = 0; i < n; ++i) {
        // Roots spread over the cap and the top of the limbs; buds point
        // up and outwards, the outer ones more sideways.
        const double side = n == 1 ? 0 : -1 + 2.0 * i / (n - 1);
        const double a = side * r.range(0.5, 1.1);  // angle from straight up
        const double du = synthSin(a), dv = -synthCos(a);
        const double u = apexU + side * rh * 0.9;
        const double v = apexV + rh * (1 - synthCos(side * 1.2)) * 0.8 + r.range(0, 10);
        const double len = r.range(25, 50), spread = r.range(10, 16);
        out.push_back(bud(u, v, du, dv, len, spread, calibre * r.range(0.85, 1.0), absorption));
    }
}

void synthBizarreCoil(SynthRandom& r, double apexU, double apexV, double spacing, double width, double absorption,
                      std::vector<SynthTube>& out) {
    // An irregular ring with swellings, lying over the cap and reaching
    // down one side: nothing like a hairpin.
    SynthTube t;
    const double cu = apexU + r.range(-8, 8), cv = apexV + r.range(10, 20);
    const double ru = std::max(spacing * 0.8, 22.0) * r.range(0.9, 1.3), rv = ru * r.range(0.6, 0.9);
    const uint64_t key = r.next();
    const double turns = r.range(1.2, 1.6);
    const int steps = 120;
    for (int i = 0; i <= steps; ++i) {
        const double a = 2 * kPi * turns * i / steps;
        const double wob = 1 + 0.3 * synthNoise1(key, a * 1.3);
        const double shrink = 1 - 0.35 * i / steps;  // a coil, not a circle
        const double swell = width * (0.8 + 0.8 * std::max(0.0, synthNoise1(key + 1, a * 0.9)));
        t.add(cu + ru * wob * shrink * synthCos(a), cv + rv * wob * shrink * synthSin(a), swell / 2, absorption);
    }
    out.push_back(std::move(t));
}

SyntheticNailfold::Truth::Haemorrhage synthHaemorrhage(SynthRandom& r, double apexU, double capTopV, double topV,
                                                       double sx, double sy) {
    SyntheticNailfold::Truth::Haemorrhage h;
    const double gap = r.range(4, 16);
    double rv = r.range(9, 22);
    const double room = (capTopV - gap - topV) / 2;
    rv = std::max(5.0, std::min(rv, room));
    const double ru = rv * r.range(1.1, 2.2);
    const double cu = apexU + r.range(-0.3, 0.3) * ru, cv = capTopV - gap - rv;
    h.radiusUm = ru;
    h.radiusVm = rv;
    h.depth = r.range(1.2, 2.2);
    h.key = r.next();
    h.centre = {cu / sx, cv / sy};
    const int n = 36;
    double area = 0;
    std::vector<SyntheticNailfold::Point> um;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * kPi * i / n;
        const double c = synthCos(a), s = synthSin(a);
        const double k = 1 + 0.2 * synthNoise2(h.key, 1.5 * c, 1.5 * s);
        um.push_back({cu + ru * k * c, cv + rv * k * s});
    }
    for (int i = 0; i < n; ++i) {
        const auto& p = um[static_cast<size_t>(i)];
        const auto& q = um[static_cast<size_t>((i + 1) % n)];
        area += p.x * q.y - q.x * p.y;
        h.outline.push_back({p.x / sx, p.y / sy});
    }
    h.areaUm2 = std::abs(area) / 2;
    return h;
}

double SyntheticNailfold::Truth::Haemorrhage::depthAt(double u, double v, double sx, double sy, double soft) const {
    const double du = u - centre.x * sx, dv = v - centre.y * sy;
    const double eu = du / radiusUm, ev = dv / radiusVm;
    const double e2 = eu * eu + ev * ev;
    if (e2 > 2.5) return 0;
    const double e = std::sqrt(e2);
    const double len = std::sqrt(du * du + dv * dv);
    const double c = len > 0 ? du / len : 1, s = len > 0 ? dv / len : 0;
    const double k = 1 + 0.2 * synthNoise2(key, 1.5 * c, 1.5 * s);
    // Distance outside the lumpy edge, in micrometres along the radius.
    const double out = (e - k) * std::min(radiusUm, radiusVm);
    const double t = std::clamp((out + soft) / (2 * soft), 0.0, 1.0);
    return depth * (1 - t * t * (3 - 2 * t));
}

double SyntheticNailfold::Truth::rowDensityPerMm() const {
    int n = 0;
    for (const Loop& L : loops) n += L.row == 0 ? 1 : 0;
    const double mm = (rowToX - rowFromX) * umPerPixelX / 1000;
    return mm > 0 ? n / mm : 0;
}

// A short, slightly bent streak of skin texture centred on (u, v) at angle
// a, narrowing towards its ends.
static SynthTube fleck(double u, double v, double a, double len, double w, double k, double bend) {
    SynthTube t;
    const double du = synthCos(a), dv = synthSin(a);
    for (int s = 0; s <= 20; ++s) {
        const double q = len * (s / 20.0 - 0.5);
        const double off = bend * q * q / len;
        t.add(u + du * q - dv * off, v + dv * q + du * off, w / 2 * (1 - 0.6 * std::abs(q) / len * 2), k);
    }
    return t;
}

void synthTextureFlecks(SynthRandom& r, int count, double u0, double u1, double rowV, std::vector<SynthTube>& out) {
    for (int i = 0; i < count; ++i) {
        const double u = r.range(u0, u1), v = rowV + r.range(-10, 320);
        const double a = r.range(0, kPi), len = r.range(20, 70), w = r.range(6, 16);
        const double k = 0.07 * r.range(0.25, 0.6);
        const double bend = r.range(-0.4, 0.4);
        out.push_back(fleck(u, v, a, len, w, k, bend));
    }
}

void synthGapClutter(SynthRandom& r, double strength, const std::vector<double>& apexU, double u0, double u1,
                     double rowV, std::vector<SynthTube>& out) {
    std::vector<double> edges;
    edges.push_back(u0);
    edges.insert(edges.end(), apexU.begin(), apexU.end());
    edges.push_back(u1);
    for (size_t g = 0; g + 1 < edges.size(); ++g) {
        // Clear of the loops either side (an end of the row has one).
        const double lo = edges[g] + (g == 0 ? 0 : 45), hi = edges[g + 1] - (g + 2 == edges.size() ? 0 : 45);
        if (hi - lo < 110) continue;
        // Deep vessels: out of focus, so wide and faint, their tops just
        // below the row's apexes; some turn like a deep loop, some run on.
        const int deep = static_cast<int>(std::lround(strength * (hi - lo) / 400 * r.range(0.6, 1.4)));
        for (int i = 0; i < deep; ++i) {
            const double u = r.range(lo, hi), top = rowV + r.range(20, 90);
            const double hw = r.range(9, 18), k = 0.07 * r.range(0.3, 0.6);
            const double lean = r.range(-0.5, 0.5), len = r.range(150, 300);
            const double spread = r.uniform() < 0.5 ? r.range(30, 60) : 0;
            SynthTube t;
            for (int side = -1; side <= 1; side += 2) {
                if (spread == 0 && side > 0) break;
                for (int s = 0; s <= 30; ++s) {
                    const double q = len * (side < 0 ? 30 - s : s) / 30.0;
                    t.add(u + side * spread / 2 + lean * q, top + q, hw, k * (1 - 0.5 * q / len));
                }
            }
            out.push_back(std::move(t));
        }
        // Streaks of skin texture about the row's depth, many of them
        // steep enough to cross a counting line as a limb would.
        const int streaks = static_cast<int>(std::lround(strength * (hi - lo) / 120 * r.range(0.6, 1.4)));
        for (int i = 0; i < streaks; ++i) {
            const double u = r.range(lo, hi), v = rowV + r.range(-30, 110);
            const double a = kPi / 2 + r.range(-1.1, 1.1), len = r.range(25, 80), w = r.range(6, 14);
            const double k = 0.07 * r.range(0.25, 0.55);
            const double bend = r.range(-0.4, 0.4);
            out.push_back(fleck(u, v, a, len, w, k, bend));
        }
    }
}

}  // namespace ordavia
