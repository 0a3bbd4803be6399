// Each distal-row capillary's shape, from the picture at full resolution
// around its cap. A hairpin (tortuous or crossing as well) keeps its
// vessel within its cap and the limbs below it; the buds and branches of a
// ramified (bushy) capillary spread its top wide and put vessel where a
// hairpin has none. In a sparse row, where loops stand apart, a top far
// wider than the limbs below (buds, or a coil lying over the cap) is
// abnormal as well. Faint caps are not judged: a false abnormal shape on a
// sparse row would make the pattern scleroderma.
#include <algorithm>
#include <cmath>

#include "image/CZVimage.h"
#include "measure/AssessSteps.h"

namespace ordavia {

namespace {

// The window round a cap, micrometres: across the row either side, and
// from towards the nail to below the cap's middle.
constexpr double kAcrossUm = 80, kAboveUm = 70, kBelowUm = 80;
// A ramified top: this wide across the row at the least, and holding this
// much vessel (darkening times area, in square micrometres at the cap's
// darkening) outside where a hairpin would lie, and this share of what
// lies inside.
constexpr double kBushyTopUm = 75;
constexpr double kOutsideUm2 = 100;
constexpr double kOutsideShare = 0.5;
// In a sparse row: the vessel's width across the row in bands this high;
// its top (the bands from this far above the cap to this far below it) this
// wide at the least and this much wider than its limbs (the bands from
// this far below the cap to this far), which are this wide at the least
// (two limbs apart: a patch without them is a deposit or a speck, and a
// loop whose limbs fade below its cap has no measure of them). Vessel this
// far above the cap is a bud.
constexpr double kBandUm = 10;
constexpr double kSpreadAboveUm = 45, kSpreadBelowUm = 15;
constexpr double kSpreadTopUm = 70;
constexpr double kSpreadOverLimbsUm = 10;
constexpr double kLimbsFromUm = 25, kLimbsToUm = 55;
constexpr double kLeastLimbsUm = 30;
constexpr double kBudAboveUm = 25;
// A crown: within this many bands of the vessel's top it spreads this
// wide at the least, and this much wider than its narrowest band below.
constexpr int kCrownBands = 3;
constexpr double kCrownUm = 70;
constexpr double kCrownOverStalkUm = 30;
constexpr int kStalkBands = 4;
// A faint mark in a sparse row: the clearest cap this far below it and
// this far to either side, standing this far above the window's unevenness.
constexpr double kSeekFromUm = 10, kSeekToUm = 70, kSeekAcrossUm = 15;
constexpr double kSeekClear = 5;
// Red darkened by this share of green's darkening (box means) is old
// blood even beside a narrow vessel, whose smeared colour passes the
// looser deposit test at its edges.
constexpr double kOldBloodShare = 0.75;
// The cap must stand this far above the window's unevenness.
constexpr double kClearCap = 4;
// A cap's edge softer than this (80 to 20 % of its darkening) hides buds.
constexpr double kSoftEdgeUm = 27;
// Red against green over a box this wide (micrometres) tells a deposit.
constexpr double kBrownBoxUm = 18;

float sample(const CZVimage& p, int channel, int bytes, double x, double y) {
    x = std::clamp(x, 0.0, p.width() - 1.001);
    y = std::clamp(y, 0.0, p.rows() - 1.001);
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const auto fx = static_cast<float>(x - x0), fy = static_cast<float>(y - y0);
    const uint8_t* a = p.row(y0) + x0 * bytes + channel;
    const uint8_t* b = p.row(y0 + 1) + x0 * bytes + channel;
    const float top = a[0] + fx * (a[bytes] - a[0]), bottom = b[0] + fx * (b[bytes] - b[0]);
    return top + fy * (bottom - top);
}

// The mean of `d` over a box of 2 r + 1 samples either way.
std::vector<float> boxMean(const std::vector<float>& d, int nu, int nv, int r) {
    std::vector<float> out(d.size());
    for (int iv = 0; iv < nv; ++iv)
        for (int iu = 0; iu < nu; ++iu) {
            float s = 0;
            int n = 0;
            for (int v = std::max(0, iv - r); v <= std::min(nv - 1, iv + r); ++v)
                for (int u = std::max(0, iu - r); u <= std::min(nu - 1, iu + r); ++u) s += d[static_cast<size_t>(v) * nu + u], ++n;
            out[static_cast<size_t>(iv) * nu + iu] = s / n;
        }
    return out;
}

// Darkening of one channel against its background along each line of the
// window parallel to the row (the bright three quarters of that line), so
// that the nail's brighter plate above the row does not read as vessel;
// smoothed over three by three samples.
std::vector<float> darkening(const std::vector<float>& raw, int nu, int nv) {
    std::vector<float> d(raw.size()), line(static_cast<size_t>(nu));
    for (int iv = 0; iv < nv; ++iv) {
        const auto from = raw.begin() + static_cast<std::ptrdiff_t>(iv) * nu;
        std::copy(from, from + nu, line.begin());
        const auto q = line.begin() + nu * 3 / 4;
        std::nth_element(line.begin(), q, line.end());
        const float bg = std::max(*q, 1.0f);
        for (int iu = 0; iu < nu; ++iu) d[static_cast<size_t>(iv) * nu + iu] = 1 - from[iu] / bg;
    }
    return boxMean(d, nu, nv, 1);
}

}  // namespace

namespace {

CapillaryShape shapeFrom(const CZVimage& picture, const std::vector<AssessedCapillary>& caps, size_t index,
                         AssessPoint mark, double nx, double ny, double umPerPixel,
                         const std::vector<Haemorrhage>& haemorrhages, bool* judged, bool sparse, bool seekBelow) {
    const bool moved = !seekBelow && sparse;
    AssessedCapillary c = caps[index];
    c.apex = mark;
    // Cleared on the way out unless the cap's vessel was looked at.
    bool looked = false;
    struct Tell {
        bool* to;
        const bool& looked;
        ~Tell() {
            if (to) *to = looked;
        }
    } tell{judged, looked};
    // A giant's shape is no matter. A cap not measured is judged only in a
    // sparse row, where the shapes decide the pattern and a bud or a coil
    // often spoils the cut across the cap; elsewhere it is not judged.
    // Blurred pictures, whose caps' places read as spread tops, are not
    // judged at all (the caller's choice).
    const bool measured = std::isfinite(c.apexUm);
    if (c.giant || (!measured && !sparse) || c.apexUm >= kGiantApexUm || picture.isEmpty() || !(umPerPixel > 0))
        return CapillaryShape::kHairpin;
    const bool colour = picture.colour() == CZVimage::kColour;
    const int bytes = colour ? 3 : 1;
    // u along the row, v away from the nail; one sample a picture pixel.
    const double tx = -ny, ty = nx;
    const int halfU = static_cast<int>(kAcrossUm / umPerPixel), above = static_cast<int>(kAboveUm / umPerPixel),
              below = static_cast<int>(kBelowUm / umPerPixel);
    const int nu = 2 * halfU + 1, nv = above + below + 1;
    if (nu < 9 || nv < 9) return CapillaryShape::kHairpin;
    const size_t n = static_cast<size_t>(nu) * nv;
    auto at = [&](int iu, int iv) { return static_cast<size_t>(iv) * nu + iu; };

    // Caps close enough to share the window, and the deposits in it.
    const double reach2 = std::pow(2 * (kAcrossUm + kBelowUm) / umPerPixel, 2);
    std::vector<AssessPoint> others;
    for (size_t j = 0; j < caps.size(); ++j) {
        const double dx = caps[j].apex.x - c.apex.x, dy = caps[j].apex.y - c.apex.y;
        if (j != index && dx * dx + dy * dy < reach2) others.push_back(caps[j].apex);
    }
    std::vector<float> green(n), red(colour ? n : 0);
    std::vector<uint8_t> usable(n, 1);
    for (int iv = 0; iv < nv; ++iv)
        for (int iu = 0; iu < nu; ++iu) {
            const double u = iu - halfU, v = iv - above;
            const double x = c.apex.x + tx * u - nx * v, y = c.apex.y + ty * u - ny * v;
            const size_t k = at(iu, iv);
            green[k] = sample(picture, colour ? 1 : 0, bytes, x, y);
            if (colour) red[k] = sample(picture, 2, bytes, x, y);
            if (x < 0 || y < 0 || x > picture.width() - 1 || y > picture.rows() - 1) usable[k] = 0;
            // Nearer another capillary's cap: that one's neighbourhood.
            const double d2 = (x - c.apex.x) * (x - c.apex.x) + (y - c.apex.y) * (y - c.apex.y);
            for (const AssessPoint& o : others)
                if ((x - o.x) * (x - o.x) + (y - o.y) * (y - o.y) < d2) usable[k] = 0;
            for (const Haemorrhage& h : haemorrhages) {
                const double r = (std::sqrt(h.areaUm2 / 3.14159265) + 12) / umPerPixel;
                if ((x - h.centre.x) * (x - h.centre.x) + (y - h.centre.y) * (y - h.centre.y) < r * r) usable[k] = 0;
            }
        }
    const std::vector<float> dark = darkening(green, nu, nv);
    // Old blood darkens red nearly as much as green, dust every channel;
    // blood in a vessel lets red through. Red is stored at half
    // resolution and smeared over its neighbours by the compression, so
    // that beside a narrow vessel it darkens nearly as much as green: the
    // two are compared as means over a box wider than a vessel, where the
    // smearing evens out and a deposit still fills the box.
    std::vector<uint8_t> brown(n, 0), oldBlood(n, 0);
    if (colour) {
        const int r = std::max(1, static_cast<int>(std::lround(kBrownBoxUm / 2 / umPerPixel)));
        const std::vector<float> dr = boxMean(darkening(red, nu, nv), nu, nv, r), dg = boxMean(dark, nu, nv, r);
        for (size_t k = 0; k < n; ++k) {
            brown[k] = dark[k] > 0 && dg[k] > 0 && dr[k] >= 0.45f * dg[k] ? 1 : 0;
            oldBlood[k] = dark[k] > 0 && dg[k] > 0 && dr[k] >= static_cast<float>(kOldBloodShare) * dg[k] ? 1 : 0;
        }
    }
    // The window's own unevenness, from its brighter half (vessels lie in
    // the darker): the median less the 16th percentile.
    std::vector<float> sorted = dark;
    std::sort(sorted.begin(), sorted.end());
    const float noise = std::max(1e-3f, sorted[n / 2] - sorted[n * 16 / 100]);

    // The cap: the darkest sample within a few micrometres of its middle.
    const int near = std::max(1, static_cast<int>(6 / umPerPixel));
    int seed = -1;
    float cap = 0;
    for (int iv = above - near; iv <= above + near; ++iv)
        for (int iu = halfU - near; iu <= halfU + near; ++iu) {
            const size_t k = at(iu, iv);
            if (usable[k] && !brown[k] && dark[k] > cap) cap = dark[k], seed = static_cast<int>(k);
        }
    if ((seed < 0 || cap < kClearCap * noise) && seekBelow) {
        // A mark on the line above a sparse row's loop (on the cuticle's
        // rim, or a place filled in along the line): the clearest cap
        // straight below it is judged instead.
        const int reachU = static_cast<int>(kSeekAcrossUm / umPerPixel);
        const int from = above + static_cast<int>(kSeekFromUm / umPerPixel);
        const int to = std::min(nv - 1, above + static_cast<int>(kSeekToUm / umPerPixel));
        int best = -1;
        float most = 0;
        for (int iv = from; iv <= to; ++iv)
            for (int iu = halfU - reachU; iu <= halfU + reachU; ++iu) {
                const size_t k = at(iu, iv);
                if (usable[k] && !brown[k] && dark[k] > most) most = dark[k], best = static_cast<int>(k);
            }
        if (best >= 0 && most >= kSeekClear * noise) {
            const double u = best % nu - halfU, v = best / nu - above;
            return shapeFrom(picture, caps, index, {c.apex.x + tx * u - nx * v, c.apex.y + ty * u - ny * v}, nx, ny,
                             umPerPixel, haemorrhages, &looked, sparse, false);
        }
    }
    if (seed < 0 || cap < kClearCap * noise) return CapillaryShape::kHairpin;
    const float level = std::max(0.5f * cap, 2 * noise);
    // The cap's near edge, from 80 to 20 % of its darkening towards the
    // nail: out of focus it is too soft for buds to show. Buds rising from
    // the cap soften that edge too; the limbs' outer edges below the cap
    // are blurred as the cap is and carry no buds. The sharper of the two
    // tells the focus.
    double edgeUm = 0;
    {
        const int su = seed % nu, sv = seed / nu;
        auto across = [&](int iv) {
            float s = 0;
            int k = 0;
            for (int u = std::max(0, su - 2); u <= std::min(nu - 1, su + 2); ++u) s += dark[at(u, iv)], ++k;
            return s / k;
        };
        int hi = -1, lo = -1;
        for (int iv = sv; iv >= 0 && lo < 0; --iv) {
            const float d = across(iv);
            if (hi < 0 && d < 0.8f * cap) hi = iv;
            if (d < 0.2f * cap) lo = iv;
        }
        edgeUm = hi < 0 || lo < 0 ? 1e9 : (hi - lo) * umPerPixel;
        // Across the limbs, 12 to 36 um below the cap: from the outermost
        // sample at 80 % of the line's peak out to 20 % on the sharper
        // side; the median over those lines.
        std::vector<double> limbEdges;
        const int reachU = static_cast<int>(40 / umPerPixel);
        const int u0 = std::max(0, su - reachU), u1 = std::min(nu - 1, su + reachU);
        for (int iv = sv + static_cast<int>(12 / umPerPixel); iv <= std::min(nv - 1, sv + static_cast<int>(36 / umPerPixel)); ++iv) {
            float peak = 0;
            for (int u = u0; u <= u1; ++u)
                if (usable[at(u, iv)]) peak = std::max(peak, dark[at(u, iv)]);
            if (peak < kClearCap * noise) continue;
            auto side = [&](int step) {
                int a = -1;
                for (int u = step < 0 ? u0 : u1; u >= u0 && u <= u1; u -= step)
                    if (usable[at(u, iv)] && dark[at(u, iv)] >= 0.8f * peak) {
                        a = u;
                        break;
                    }
                for (int u = a; a >= 0 && u >= 0 && u < nu; u += step) {
                    if (!usable[at(u, iv)]) break;
                    if (dark[at(u, iv)] < 0.2f * peak) return std::abs(u - a) * umPerPixel;
                }
                return 1e9;
            };
            limbEdges.push_back(std::min(side(-1), side(1)));
        }
        if (!limbEdges.empty()) {
            const auto m = limbEdges.begin() + static_cast<std::ptrdiff_t>(limbEdges.size() / 2);
            std::nth_element(limbEdges.begin(), m, limbEdges.end());
            edgeUm = std::min(edgeUm, *m);
        }
    }
    if (edgeUm > kSoftEdgeUm) return CapillaryShape::kHairpin;
    looked = true;

    // The vessel reached from the cap through pixels darkened at least
    // `least`, deposits (`deposit`: brown or oldBlood) left out.
    auto grow = [&](float least, const std::vector<uint8_t>& deposit) {
        std::vector<uint8_t> reached(n, 0);
        std::vector<int> stack{seed};
        reached[static_cast<size_t>(seed)] = 1;
        while (!stack.empty()) {
            const int k = stack.back();
            stack.pop_back();
            const int iu = k % nu, iv = k / nu;
            for (int v = std::max(0, iv - 1); v <= std::min(nv - 1, iv + 1); ++v)
                for (int u = std::max(0, iu - 1); u <= std::min(nu - 1, iu + 1); ++u) {
                    const size_t q = at(u, v);
                    if (reached[q] || !usable[q] || (deposit[q] && dark[q] >= level) || dark[q] < least) continue;
                    reached[q] = 1;
                    stack.push_back(static_cast<int>(q));
                }
        }
        return reached;
    };
    // The vessel that holds the cap, at half the cap's darkening.
    const std::vector<uint8_t> in = grow(level, brown);

    // Darkening outside where a hairpin would lie (a disc round its cap,
    // the limbs below), reached from the cap at a quarter of its
    // darkening, against that inside.
    double inside = 0, outside = 0;
    {
        const double reach = std::clamp(measured ? c.apexUm : 0.0, 22.0, 46.0) / 2 + 16;
        const float low = std::max(2 * noise, 0.25f * cap);
        const std::vector<uint8_t> linked = grow(low, brown);
        for (int iv = 0; iv < nv; ++iv)
            for (int iu = 0; iu < nu; ++iu) {
                const size_t k = at(iu, iv);
                const double u = (iu - halfU) * umPerPixel, v = (iv - above) * umPerPixel;
                if (v > 25 || v < -60 || !usable[k]) continue;
                const double m = std::max(0.0f, dark[k] - low) * umPerPixel * umPerPixel / cap;
                if (v >= 0 ? std::abs(u) <= reach : u * u + v * v <= reach * reach) inside += m;
                else if (linked[k]) outside += m;
            }
    }

    // The first line of the window (towards the nail) that holds `mask`.
    auto topRowOf = [&](const std::vector<uint8_t>& mask) {
        for (int iv = 0; iv < nv; ++iv)
            for (int iu = 0; iu < nu; ++iu)
                if (mask[at(iu, iv)]) return iv;
        return -1;
    };
    // Its width across the row: the widest in its upper 30 micrometres.
    const int topRow = topRowOf(in);
    double top = 0;
    for (int iv = topRow; iv < nv && (iv - topRow) * umPerPixel <= 30; ++iv) {
        int a = nu, b = -1;
        for (int iu = 0; iu < nu; ++iu)
            if (in[at(iu, iv)]) a = std::min(a, iu), b = std::max(b, iu);
        if (b >= a) top = std::max(top, (b - a + 1) * umPerPixel);
    }
    const bool budding = top >= kBushyTopUm && outside >= kOutsideUm2 && outside >= kOutsideShare * inside;
    if (budding && !moved) return CapillaryShape::kRamified;
    if (!sparse) return CapillaryShape::kHairpin;

    // In a sparse row the vessel round a cap is its own. A hairpin's cap is
    // no wider than its limbs below; buds rising from the cap, or a coil
    // lying over it, make its top far wider. The vessel at half the cap's
    // darkening, old blood left out (buds are narrow, and the compressed
    // colour of their edges passes the looser deposit test).
    const std::vector<uint8_t> body = grow(level, oldBlood);
    auto widthAt = [&](double fromUm, double toUm) {
        int a = nu, b = -1;
        for (int iv = 0; iv < nv; ++iv) {
            const double v = (iv - above) * umPerPixel;
            if (v < fromUm || v >= toUm) continue;
            for (int iu = 0; iu < nu; ++iu)
                if (body[at(iu, iv)]) a = std::min(a, iu), b = std::max(b, iu);
        }
        return b >= a ? (b - a + 1) * umPerPixel : 0.0;
    };
    double topWidth = 0, limbWidth = 0;
    for (double v = -kSpreadAboveUm; v < kSpreadBelowUm; v += kBandUm) topWidth = std::max(topWidth, widthAt(v, v + kBandUm));
    for (double v = kLimbsFromUm; v < kLimbsToUm; v += kBandUm) limbWidth = std::max(limbWidth, widthAt(v, v + kBandUm));
    // Measured from the vessel's own top rather than from the mark, which
    // may stand on a bud's end or on the cap's side: the widest of its
    // upper bands against the narrowest band below that one.
    bool crown = false;
    {
        const int first = topRowOf(body);
        const double t0 = (first - above) * umPerPixel;
        double widest = 0, stalk = 1e9;
        int at0 = 0;
        for (int b = 0; b < kCrownBands; ++b) {
            const double w = widthAt(t0 + b * kBandUm, t0 + (b + 1) * kBandUm);
            if (w > widest) widest = w, at0 = b;
        }
        // A band counts as stalk only with vessel below it as well: the
        // foot of a blob is no stalk.
        for (int b = at0 + 1; b <= at0 + kStalkBands && t0 + (b + 1) * kBandUm < kBelowUm; ++b) {
            const double w = widthAt(t0 + b * kBandUm, t0 + (b + 1) * kBandUm);
            if (w > 0 && widthAt(t0 + (b + 1) * kBandUm, t0 + (b + 2) * kBandUm) > 0) stalk = std::min(stalk, w);
        }
        crown = first >= 0 && widest >= kCrownUm && stalk < 1e9 && widest >= stalk + kCrownOverStalkUm;
    }
    // From a place moved to below the mark only the crown is read: the
    // bands of the test below stand relative to the mark, and the darkest
    // point of a loop is no mark's place.
    if (!crown && (moved || topWidth < kSpreadTopUm || limbWidth < kLeastLimbsUm || topWidth < limbWidth + kSpreadOverLimbsUm))
        return CapillaryShape::kHairpin;
    // Buds reach well above the cap; a coil lies round it.
    return widthAt(-kSpreadAboveUm, -kBudAboveUm) > 0 ? CapillaryShape::kRamified : CapillaryShape::kBizarre;
}

}  // namespace

CapillaryShape shapeOf(const CZVimage& picture, const std::vector<AssessedCapillary>& caps, size_t index, double nx,
                       double ny, double umPerPixel, const std::vector<Haemorrhage>& haemorrhages, bool* judged,
                       bool sparse) {
    return shapeFrom(picture, caps, index, caps[index].apex, nx, ny, umPerPixel, haemorrhages, judged, sparse, sparse);
}

}  // namespace ordavia
