// Layout of a synthetic nailfold scene and its truth. Anatomy is planned in
// micrometres: the loops share the width in slots (a giant loop takes four),
// each loop is fitted into its slot (widths, limb spacing, meander and tilt
// share the room), and the blood column of each becomes a tube for the
// drawing in SyntheticNailfoldDraw.cpp.
#include "synth/SyntheticNailfold.h"

#include <algorithm>
#include <cmath>

#include "base/JsonWriter.h"
#include "base/Text.h"
#include "image/CZVimage.h"
#include "synth/SyntheticNailfoldDraw.h"

namespace ordavia {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMarginUm = 8;      // kept free along the image border
constexpr double kSlotGapUm = 3;     // between a loop and its slot's edge
constexpr double kRowTwoRoomUm = 20;  // half-room kept for a second-row loop
constexpr double kMinSlotUm = 42;     // narrowest slot that holds a loop
constexpr double kMinSlotTwoRowsUm = 100;
constexpr int kGiantWeight = 4;
constexpr double kAbsorptionPerUm = 0.07;  // optical depth per micrometre of blood
constexpr double kMinLengthUm = 50;

// sqrt is exact in IEEE arithmetic; hypot is not the same everywhere.
double length(double dx, double dy) { return std::sqrt(dx * dx + dy * dy); }

double smoothstep(double e0, double e1, double x) {
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

struct Planned {
    SyntheticNailfold::Loop loop;
    SynthTube tube;
};

// What a loop looks like before it is placed: chosen from the loop's own
// random stream and squeezed into `room` micrometres either side of its axis.
struct LoopPlan {
    double wa, wv, wApex, spacing, length, tanTilt, meander, wavelength, phase, diverge;
    bool crossing, arterialLeft;
};

bool planLoop(SynthRandom& r, double room, double maxLength, bool giant, bool tortuous, int row, double maxTilt,
              bool mayOverlap, LoopPlan& lp, bool dilated = false, double fill = 0) {
    if (giant) {
        // Homogeneously enlarged: every width above 50 micrometres.
        lp.wa = r.range(51, 58);
        lp.wv = r.range(lp.wa + 3, 68);
        lp.wApex = r.range(lp.wv, 80);
    } else if (dilated) {
        // Enlarged but not giant: the apex 22 to 46 micrometres wide, the
        // limbs wider than normal too.
        lp.wa = r.range(11, 18);
        lp.wv = r.range(lp.wa + 2, lp.wa * 1.5);
        lp.wApex = r.range(std::max(lp.wv, 22.0), 46);
    } else {
        lp.wa = row == 0 ? r.range(6, 10) : r.range(6, 8.5);
        lp.wv = r.range(lp.wa + 1.5, std::min(lp.wa * 1.6, 16.0));
        lp.wApex = r.range(lp.wv, std::min(lp.wv * 1.25, 20.0));
    }
    const double gap = giant ? 8 : 5;  // background visible between the limbs
    auto widest = [&] { return std::max({lp.wa, lp.wv, lp.wApex}); };
    auto tightest = [&] { return (lp.wa + lp.wv) / 2 + gap; };
    // Crowded slots take thinner vessels before they give up.
    while (tightest() / 2 + widest() / 2 > room) {
        const double floorW = giant ? 50.5 : 5.0;
        if (lp.wa <= floorW) return false;
        lp.wa = std::max(floorW, lp.wa * 0.95);
        lp.wv = std::max(floorW + 0.5, lp.wv * 0.95);
        lp.wApex = std::max(lp.wv, lp.wApex * 0.95);
    }
    const double spLo = std::max(tightest(), giant ? 0.0 : 15.0);
    const double spHi = std::min(giant ? 110.0 : 40.0, 2 * (room - widest() / 2));
    if (fill > 0 && !giant) {
        // A dense row: the limbs spread over most of half the slot, never
        // so far that a loop's own limbs lie further apart than its
        // neighbour's.
        const double reach = std::min(2 * (room - widest() / 2), fill * (room + kSlotGapUm));
        lp.spacing = std::max(tightest(), r.range(0.8 * reach, reach));
    } else {
        lp.spacing = spHi > spLo ? r.range(spLo, spHi) : std::min(spLo, spHi);
    }
    lp.spacing = std::max(lp.spacing, tightest());
    double slack = std::max(0.0, room - lp.spacing / 2 - widest() / 2);

    if (maxLength < kMinLengthUm) return false;
    const double lenLo = row == 0 ? 100 : 80, lenHi = giant ? 260 : (row == 0 ? 300 : 180);
    lp.length = std::min(maxLength, r.range(lenLo, lenHi));

    lp.arterialLeft = r.uniform() < 0.5;
    lp.meander = 0;
    lp.crossing = false;
    lp.wavelength = 60;
    lp.phase = 0;
    if (tortuous) {
        // A giant loop bends gently; its width leaves no room to coil.
        lp.crossing = !giant && r.uniform() < 0.6;
        lp.meander = std::min(r.range(0.5, 1.0) * lp.spacing, 0.85 * slack);
        if (giant) lp.meander = std::min(lp.meander, 0.3 * lp.spacing);
        // Crossing limbs twist once or twice over the visible length;
        // meandering ones wind more often.
        lp.wavelength = std::max(lp.crossing ? r.range(90, 170) : r.range(45, 90), 3.5 * widest());
        lp.phase = r.range(0, 2 * kPi);
        slack -= lp.meander;
    }
    // Limbs drift apart or together towards their feet.
    const double gapNow = lp.spacing - (lp.wa + lp.wv) / 2;
    lp.diverge = std::clamp(r.range(-0.2, 0.3) * lp.spacing, -0.4 * gapNow, std::max(0.0, 0.5 * slack));
    slack -= std::max(0.0, lp.diverge) + 1.5;  // 1.5: the limbs' small wobble
    const double tiltMax = mayOverlap ? maxTilt : std::min(maxTilt, std::max(0.0, 0.8 * slack) / lp.length);
    lp.tanTilt = r.range(-tiltMax, tiltMax);
    return true;
}

// The centre line from the left foot round the apex to the right foot, in
// the loop's own frame (x across, y down from the apex top), with per sample
// width and depth-fade; then turned, placed and, when the arterial limb is
// on the right, reversed so that it always starts at the arterial foot.
Planned buildLoop(const LoopPlan& lp, SynthRandom& r, uint64_t key, double apexU, double apexV, double contrast,
                  double sx, double sy) {
    const double rh = lp.spacing / 2;
    const double rv = rh * r.range(0.85, 1.35);
    const double limbLen = std::max(10.0, lp.length - rv);
    const double wLeft = lp.arterialLeft ? lp.wa : lp.wv, wRight = lp.arterialLeft ? lp.wv : lp.wa;
    const double wobble = 1.5;

    struct Sample {
        double x, y, w, q, s;  // q: distance from the apex junction along the limb
        int side;              // -1 left limb, 0 apex, +1 right limb
    };
    std::vector<Sample> path;
    auto limbX = [&](double q, int side) {  // side -1 left, +1 right
        const double grow = smoothstep(0, 30, q);
        // Two incommensurate waves: coils that do not repeat exactly.
        const double a = 2 * kPi * q / lp.wavelength + lp.phase;
        const double swell = 0.7 + 0.3 * synthNoise1(key + 3, q / 50);
        double m = lp.meander * grow * swell * (0.75 * synthSin(a) + 0.25 * synthSin(2.3 * a + 1.7 * lp.phase));
        if (lp.crossing && side > 0) m = -m;
        return side * (rh + lp.diverge * q / limbLen) + m + wobble * synthNoise1(key + (side > 0), q / 40);
    };
    auto limbW = [&](double q, double wLimb) { return wLimb + (lp.wApex - wLimb) * (1 - smoothstep(0, 30, q)); };
    const int limbSteps = static_cast<int>(std::ceil(limbLen));
    for (int i = limbSteps; i >= 0; --i) {
        const double q = limbLen * i / limbSteps;
        path.push_back({limbX(q, -1), rv + q, limbW(q, wLeft), q, 0, -1});
    }
    const int arcSteps = std::max(8, static_cast<int>(std::ceil(kPi * (rh + rv) / 2)));
    for (int i = 1; i < arcSteps; ++i) {
        const double a = kPi - kPi * i / arcSteps;
        path.push_back({rh * synthCos(a), rv - rv * synthSin(a), lp.wApex, 0, 0, 0});
    }
    for (int i = 0; i <= limbSteps; ++i) {
        const double q = limbLen * i / limbSteps;
        path.push_back({limbX(q, 1), rv + q, limbW(q, wRight), q, 0, 1});
    }
    if (!lp.arterialLeft) std::reverse(path.begin(), path.end());

    const double cosT = 1 / std::sqrt(1 + lp.tanTilt * lp.tanTilt), sinT = lp.tanTilt * cosT;
    Planned out;
    double s = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        Sample& p = path[i];
        if (i > 0) s += length(p.x - path[i - 1].x, p.y - path[i - 1].y);
        // Deep parts of the limbs leave the focal plane and fade; red cells
        // travel in clumps, so the column is not perfectly even.
        const double fadeOut = 1 - 0.97 * smoothstep(0.55 * lp.length, lp.length, p.q + rv);
        const double clumps = 1 + 0.12 * synthNoise1(key + 7, s / 5);
        const double u = apexU + p.x * cosT - p.y * sinT;
        const double v = apexV + p.x * sinT + p.y * cosT;
        out.tube.add(u, v, p.w / 2, kAbsorptionPerUm * contrast * fadeOut * clumps);
    }

    // Outline: one side forwards, the other backwards, every other sample.
    const SynthTube& t = out.tube;
    const size_t n = t.size();
    std::vector<SyntheticNailfold::Point> left, right;
    for (size_t i = 0; i < n; i += (i + 2 < n ? 2 : 1)) {
        const size_t a = i > 0 ? i - 1 : 0, b = i + 1 < n ? i + 1 : n - 1;
        double tu = t.u[b] - t.u[a], tv = t.v[b] - t.v[a];
        const double len = length(tu, tv);
        tu /= len;
        tv /= len;
        const double hw = t.halfWidth[i];
        left.push_back({(t.u[i] - tv * hw) / sx, (t.v[i] + tu * hw) / sy});
        right.push_back({(t.u[i] + tv * hw) / sx, (t.v[i] - tu * hw) / sy});
        out.loop.centreLine.push_back({t.u[i] / sx, t.v[i] / sy});
    }
    out.loop.polygon = left;
    out.loop.polygon.insert(out.loop.polygon.end(), right.rbegin(), right.rend());
    // The outer side is the one that, closed across the feet, holds more.
    auto area = [](const std::vector<SyntheticNailfold::Point>& pts) {
        double a = 0;
        for (size_t i = 0; i < pts.size(); ++i) {
            const auto& p = pts[i];
            const auto& q = pts[(i + 1) % pts.size()];
            a += p.x * q.y - q.x * p.y;
        }
        return std::abs(a) / 2;
    };
    out.loop.envelope = area(left) >= area(right) ? left : right;

    SyntheticNailfold::Loop& L = out.loop;
    L.apex = {apexU / sx, apexV / sy};
    L.arterialWidthUm = lp.wa;
    L.venousWidthUm = lp.wv;
    L.apexWidthUm = lp.wApex;
    L.arterialWidthPx = lp.wa / sx;
    L.venousWidthPx = lp.wv / sx;
    L.apexWidthPx = lp.wApex / sx;
    L.limbSpacingUm = lp.spacing;
    L.lengthUm = lp.length;
    L.arterialOnLeft = lp.arterialLeft;

    // Where each limb is its own width and in focus: below the apex's
    // narrowing, above the fade (a short loop keeps at least 10 micrometres).
    const double qa = std::min(30.0, 0.5 * limbLen);
    const double qb = std::min(limbLen, std::max(0.55 * lp.length - rv, qa + 10));
    for (const bool arterial : {true, false}) {
        const int side = (arterial == lp.arterialLeft) ? -1 : 1;
        std::vector<size_t> at;
        for (size_t i = 0; i < path.size(); ++i)
            if (path[i].side == side && path[i].q >= qa && path[i].q <= qb) at.push_back(i);
        if (at.size() < 3) continue;
        SyntheticNailfold::Loop::Limb limb;
        limb.arterial = arterial;
        limb.onLeft = side < 0;
        limb.widthUm = arterial ? lp.wa : lp.wv;
        for (size_t k = 0; k < at.size(); k += 2) limb.along.push_back({t.u[at[k]] / sx, t.v[at[k]] / sy});
        if (at.size() % 2 == 0) limb.along.push_back({t.u[at.back()] / sx, t.v[at.back()] / sy});
        const size_t m = at[at.size() / 2];
        double tu = t.u[m + 1] - t.u[m - 1], tv = t.v[m + 1] - t.v[m - 1];
        const double len = length(tu, tv);
        tu /= len;
        tv /= len;
        // The normal that points between the limbs: the loop's own +x
        // (turned by the tilt) for the left limb.
        double nu = -tv, nv = tu;
        if ((nu * cosT + nv * sinT) * side > 0) nu = -nu, nv = -nv;
        const double outside = std::max(lp.spacing / 2, 2.5 * limb.widthUm), inside = lp.spacing / 2;
        limb.acrossFrom = {(t.u[m] - outside * nu) / sx, (t.v[m] - outside * nv) / sy};
        limb.acrossTo = {(t.u[m] + inside * nu) / sx, (t.v[m] + inside * nv) / sy};
        limb.widthPx = limb.widthUm * length(nu / sx, nv / sy);
        L.limbs.push_back(std::move(limb));
    }
    return out;
}

}  // namespace

int SyntheticNailfold::Params::effectiveLoops() const {
    if (loops >= 0) return loops;
    const double usable = width * umPerPixelX - 2 * kMarginUm;
    return std::max(1, static_cast<int>(std::lround(usable / 125)));
}

ordavia::Status SyntheticNailfold::Params::validate() const {
    const auto outside = [](std::string why) {
        return ordavia::Status::failure(ordavia::StatusCode::OutOfRange, std::move(why));
    };
    if (width < 64 || height < 64 || width > 4096 || height > 4096)
        return outside(strprintf("image size %dx%d is outside 64x64 .. 4096x4096", width, height));
    if (!(umPerPixelX >= 0.25 && umPerPixelX <= 10) || !(umPerPixelY >= 0.25 && umPerPixelY <= 10))
        return outside("calibration must lie between 0.25 and 10 micrometres per pixel");
    if (!(noiseSigma >= 0 && noiseSigma <= 100)) return outside("noise must lie between 0 and 100 grey levels");
    if (!(blurSigma >= 0 && blurSigma <= 20)) return outside("blur must lie between 0 and 20 pixels");
    if (!(vignetting >= 0 && vignetting <= 0.9)) return outside("vignetting must lie between 0 and 0.9");
    if (!(plexus >= 0 && plexus <= 2)) return outside("plexus strength must lie between 0 and 2");
    if (!(tortuousFraction >= 0 && tortuousFraction <= 1)) return outside("tortuous share must lie between 0 and 1");
    if (!(maxTilt >= 0 && maxTilt <= 1)) return outside("tilt must lie between 0 and 1 (tangent of the angle)");
    if (!(darknessSpread >= 0 && darknessSpread <= 0.8)) return outside("darkness spread must lie between 0 and 0.8");
    if (!(nailDepth >= 0 && nailDepth <= 0.6)) return outside("the nail depth must lie between 0 and 0.6 of the height");
    const int n = effectiveLoops();
    if (n > 500) return outside("at most 500 loops");
    if (dilatedLoops < 0 || ramifiedLoops < 0 || bizarreLoops < 0 || avascularGaps < 0 || haemorrhages < 0 ||
        haemorrhages > 200)
        return outside("counts of findings must not be negative (at most 200 haemorrhages)");
    if (!(disorder >= 0 && disorder <= 1)) return outside("disorder must lie between 0 and 1");
    if (!(loopFill >= 0 && loopFill <= 1)) return outside("the loop fill must lie between 0 and 1");
    if (!(gapClutter >= 0 && gapClutter <= 2)) return outside("the gap clutter must lie between 0 and 2");
    const int second = secondRow ? n / 3 : 0;
    const int first = n - second;
    if (giantLoops < 0 || giantLoops > first)
        return outside(strprintf("giant loops must lie between 0 and %d (loops of the first row)", first));
    // Gaps take their loops away from among the ordinary ones, and never at
    // the ends of the row.
    if (giantLoops + dilatedLoops + ramifiedLoops + bizarreLoops + 2 * avascularGaps > first &&
        (dilatedLoops + ramifiedLoops + bizarreLoops + avascularGaps) > 0)
        return outside(strprintf("%d loops of the first row cannot hold these findings", first));
    if (height * umPerPixelY < (giantLoops > 0 ? 330 : 200))
        return outside(strprintf("the image is only %.0f micrometres high; loops need at least %d", height * umPerPixelY,
                         giantLoops > 0 ? 330 : 200));
    if (first > 0) {
        const double usable = width * umPerPixelX - 2 * kMarginUm;
        const double minSlot = secondRow ? kMinSlotTwoRowsUm : kMinSlotUm;
        const double weight = first + (kGiantWeight - 1) * giantLoops + ramifiedLoops + bizarreLoops;
        if (usable / weight < minSlot) {
            const int most = std::max(0, static_cast<int>(usable / minSlot) - (kGiantWeight - 1) * giantLoops);
            return outside(strprintf("%d loops do not fit %.0f micrometres of width (at most %d%s)", n, usable, most,
                             secondRow ? " in the first row" : ""));
        }
    }
    return ordavia::Status::success();
}

Status SyntheticNailfold::generate(const Params& p, std::vector<uint8_t>& pixels, Truth& truth) {
    if (const ordavia::Status valid = p.validate(); !valid) return valid;
    const double sx = p.umPerPixelX, sy = p.umPerPixelY;
    const double wUm = p.width * sx, hUm = p.height * sy;
    const int n = p.effectiveLoops();
    const int nSecond = p.secondRow ? n / 3 : 0;
    const int nFirst = n - nSecond;

    SynthRandom layout(p.seed, kSynthLayout);
    SynthScene scene;
    scene.skinLevel = layout.range(150, 185);
    scene.nailGain = layout.range(1.08, 1.16);
    scene.textureKey = synthMix(p.seed ^ 0x5EEDull) + kSynthTexture;
    SynthEdge edge;
    edge.base = std::clamp(hUm * layout.range(0.07, 0.14), 12.0, 90.0);
    if (p.nailDepth > 0) edge.base = hUm * p.nailDepth;
    edge.amplitude1 = layout.range(3, 9);
    edge.key = layout.next();
    scene.edgeV.resize(static_cast<size_t>(p.width));
    for (int x = 0; x < p.width; ++x) scene.edgeV[static_cast<size_t>(x)] = edge.at(x * sx);

    // Which loops are giant and which tortuous: exact counts, spread by lot.
    std::vector<int> order(static_cast<size_t>(nFirst));
    for (int i = 0; i < nFirst; ++i) order[static_cast<size_t>(i)] = i;
    for (int i = nFirst - 1; i > 0; --i) std::swap(order[static_cast<size_t>(i)], order[static_cast<size_t>(layout.below(i + 1))]);
    std::vector<bool> giant(static_cast<size_t>(nFirst), false);
    for (int i = 0; i < p.giantLoops; ++i) giant[static_cast<size_t>(order[static_cast<size_t>(i)])] = true;
    const int nTortuous = static_cast<int>(std::lround(p.tortuousFraction * n));
    std::vector<int> all(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) all[static_cast<size_t>(i)] = i;
    for (int i = n - 1; i > 0; --i) std::swap(all[static_cast<size_t>(i)], all[static_cast<size_t>(layout.below(i + 1))]);
    std::vector<bool> tortuous(static_cast<size_t>(n), false);
    for (int i = 0; i < nTortuous; ++i) tortuous[static_cast<size_t>(all[static_cast<size_t>(i)])] = true;

    // Findings from a stream of their own, so that pictures without them
    // stay exactly as they were. Gaps first, among ordinary loops away from
    // the ends; then dilated, ramified and bizarre loops among the rest.
    std::vector<int> kind(static_cast<size_t>(nFirst), 0);  // 1 dilated, 3 ramified, 4 bizarre, -1 gap
    {
        SynthRandom fr(p.seed, kSynthLayout + 300);
        const double unit0 = (wUm - 2 * kMarginUm) / std::max(1, nFirst);
        const int perGap = std::max(2, static_cast<int>(std::ceil(560 / unit0)) - 1);
        for (int gapNo = 0, tries = 0; gapNo < p.avascularGaps && tries < 200; ++tries) {
            const int at = 1 + fr.below(std::max(1, nFirst - perGap - 1));
            bool free = at + perGap < nFirst;
            for (int k = at - 1; free && k <= at + perGap; ++k)
                free = k >= 0 && k < nFirst && kind[static_cast<size_t>(k)] == 0 && !giant[static_cast<size_t>(k)];
            if (!free) continue;
            for (int k = at; k < at + perGap; ++k) kind[static_cast<size_t>(k)] = -1;
            ++gapNo;
        }
        std::vector<int> rest;
        for (int i = 0; i < nFirst; ++i)
            if (kind[static_cast<size_t>(i)] == 0 && !giant[static_cast<size_t>(i)]) rest.push_back(i);
        for (int i = static_cast<int>(rest.size()) - 1; i > 0; --i)
            std::swap(rest[static_cast<size_t>(i)], rest[static_cast<size_t>(fr.below(i + 1))]);
        size_t next = 0;
        for (const auto& [count, k] : {std::pair{p.dilatedLoops, 1}, {p.ramifiedLoops, 3}, {p.bizarreLoops, 4}})
            for (int c = 0; c < count && next < rest.size(); ++c) kind[static_cast<size_t>(rest[next++])] = k;
    }
    auto weightOf = [&](int i) {
        if (giant[static_cast<size_t>(i)]) return double(kGiantWeight);
        return kind[static_cast<size_t>(i)] >= 3 ? 2.0 : 1.0;
    };
    SynthRandom extras(p.seed, kSynthLayout + 400);

    truth = Truth{};
    truth.seed = p.seed;
    truth.width = p.width;
    truth.height = p.height;
    truth.umPerPixelX = sx;
    truth.umPerPixelY = sy;
    for (int x = 0; x < p.width; x += 16) truth.nailEdge.push_back({double(x), scene.edgeV[static_cast<size_t>(x)] / sy});
    truth.nailEdge.push_back({double(p.width - 1), scene.edgeV.back() / sy});

    // Darkness from a stream of its own, so that loops keep their shape
    // whatever the spread.
    auto darkness = [&](int i) {
        if (!(p.darknessSpread > 0)) return 1.0;
        SynthRandom d(p.seed, kSynthLoopBase + 50000 + static_cast<uint64_t>(i));
        return d.range(1 - p.darknessSpread, 1 + p.darknessSpread / 2);
    };

    // First row: slots across the usable width.
    const double usable = wUm - 2 * kMarginUm;
    const double unit = nFirst > 0 ? usable / (nFirst + (kGiantWeight - 1) * p.giantLoops + p.ramifiedLoops + p.bizarreLoops) : 0;
    truth.rowFromX = kMarginUm / sx;
    truth.rowToX = (wUm - kMarginUm) / sx;
    std::vector<double> boundaries;  // slot edges inside the row, for the second row
    std::vector<double> rowBottom;   // deepest apex of the loops either side of each edge
    std::vector<double> apexVs;
    double slotLeft = kMarginUm;
    for (int i = 0; i < nFirst; ++i) {
        const bool g = giant[static_cast<size_t>(i)];
        const double slot = unit * weightOf(i);
        const int k = kind[static_cast<size_t>(i)];
        if (k < 0) {  // a lost capillary: its place stays empty
            slotLeft += slot;
            if (i + 1 < nFirst) boundaries.push_back(slotLeft);
            apexVs.push_back(apexVs.empty() ? edge.at(slotLeft) + 30 : apexVs.back());
            continue;
        }
        SynthRandom r(p.seed, kSynthLoopBase + static_cast<uint64_t>(i));
        const double jitter = r.range(-1, 1) * slot * (g ? 0.04 : 0.1 + 0.25 * p.disorder);
        const double centre = slotLeft + slot / 2 + jitter;
        const double room = slot / 2 - std::abs(jitter) - kSlotGapUm - (p.secondRow ? kRowTwoRoomUm + kSlotGapUm : 0);
        // Apexes sit a little below the edge; a wide apex sits lower so that
        // the blood column never reaches into the nail.
        LoopPlan lp{};
        const double apexGuess = edge.at(centre) + r.range(15, 45) * (1 + 2.5 * p.disorder);
        const double maxW = g ? 80 : (k == 1 ? 46 : 20);
        const double apexV = std::max(apexGuess + maxW / 2, maxW / 2 + kMarginUm);
        const double maxLength = hUm - kMarginUm - apexV - maxW / 2;
        if (!planLoop(r, room, maxLength, g, tortuous[static_cast<size_t>(i)] && k < 3, 0, p.maxTilt, p.mayOverlap, lp,
                      k == 1, p.loopFill))
            return Status::failure(StatusCode::OutOfRange, strprintf("loop %d does not fit its place in the picture", i + 1));
        // Drawn one at a time: as two arguments of one call, the order of
        // the draws (and so the picture) would depend on the compiler.
        const double contrast = (g ? r.range(1.0, 1.15) : r.range(0.85, 1.15)) * darkness(i);
        const uint64_t key = r.next();
        Planned pl = buildLoop(lp, r, key, centre, apexV - maxW / 2 + lp.wApex / 2, contrast, sx, sy);
        pl.loop.giant = g;
        pl.loop.tortuous = tortuous[static_cast<size_t>(i)] && k < 3;
        pl.loop.dilated = !g && pl.loop.apexWidthUm >= 20;
        pl.loop.shape = k >= 3 ? k : (pl.loop.tortuous ? (lp.crossing ? 2 : 1) : 0);
        pl.loop.row = 0;
        {
            const double absorb = kAbsorptionPerUm * contrast;
            const double au = pl.loop.apex.x * sx, av = pl.loop.apex.y * sy;
            if (k == 3) synthRamifiedBuds(extras, au, av, lp.spacing, lp.wv, absorb, scene.loops);
            if (k == 4) synthBizarreCoil(extras, au, av, lp.spacing, std::max(lp.wa, 9.0), absorb, scene.loops);
        }
        apexVs.push_back(pl.loop.apex.y * sy);
        scene.loops.push_back(std::move(pl.tube));
        truth.loops.push_back(std::move(pl.loop));
        slotLeft += slot;
        if (i + 1 < nFirst) boundaries.push_back(slotLeft);
    }

    // Second row: deeper, fainter loops in evenly chosen gaps of the first.
    for (int k = 0; k < nSecond && !boundaries.empty(); ++k) {
        const size_t gapIndex = static_cast<size_t>((static_cast<double>(k) + 0.5) * boundaries.size() / nSecond);
        const double centre = boundaries[std::min(gapIndex, boundaries.size() - 1)];
        // No deeper loop shows through an avascular gap.
        const size_t gi = std::min(gapIndex, boundaries.size() - 1);
        if (kind[gi] < 0 || (gi + 1 < kind.size() && kind[gi + 1] < 0)) continue;
        const size_t li = std::min(gapIndex, apexVs.size() - 1);
        const double above = std::max(apexVs[li], apexVs[std::min(li + 1, apexVs.size() - 1)]);
        const int index = nFirst + k;
        SynthRandom r(p.seed, kSynthLoopBase + static_cast<uint64_t>(index));
        const double apexV = above + r.range(70, 130);
        const double maxLength = hUm - kMarginUm - apexV - 10;
        LoopPlan lp{};
        if (!planLoop(r, kRowTwoRoomUm, maxLength, false, tortuous[static_cast<size_t>(index)], 1, p.maxTilt, p.mayOverlap,
                      lp))
            continue;  // no depth left below the first row: the truth lists what was drawn
        const double contrast = r.range(0.6, 0.8) * darkness(index);
        const uint64_t key = r.next();
        Planned pl = buildLoop(lp, r, key, centre, apexV, contrast, sx, sy);
        pl.loop.tortuous = tortuous[static_cast<size_t>(index)];
        pl.loop.row = 1;
        scene.loops.push_back(std::move(pl.tube));
        truth.loops.push_back(std::move(pl.loop));
    }

    // Haemorrhages just distal to loops of the first row, one loop each
    // while there are loops enough.
    if (p.haemorrhages > 0) {
        std::vector<size_t> first;
        for (size_t i = 0; i < truth.loops.size(); ++i)
            if (truth.loops[i].row == 0) first.push_back(i);
        for (size_t i = first.size(); i > 1; --i) std::swap(first[i - 1], first[static_cast<size_t>(extras.below(static_cast<int>(i)))]);
        for (int k = 0; k < p.haemorrhages && !first.empty(); ++k) {
            const Loop& L = truth.loops[first[static_cast<size_t>(k) % first.size()]];
            const double capTop = L.apex.y * sy - L.apexWidthUm / 2;
            truth.haemorrhages.push_back(synthHaemorrhage(extras, L.apex.x * sx, capTop, kMarginUm, sx, sy));
        }
    }
    scene.haemorrhages = truth.haemorrhages;
    scene.haemorrhageInk = p.haemorrhageInk;
    if (p.disorder > 0 && !apexVs.empty()) {
        std::vector<double> depths = apexVs;
        std::sort(depths.begin(), depths.end());
        const int flecks = static_cast<int>(std::lround(p.disorder * usable / 1000 * 8));
        synthTextureFlecks(extras, flecks, kMarginUm, wUm - kMarginUm, depths[depths.size() / 2], scene.loops);
    }

    if (p.gapClutter > 0 && !apexVs.empty()) {
        // A stream of its own: rows without clutter stay exactly as they were.
        SynthRandom cr(p.seed, kSynthLayout + 600);
        std::vector<double> us, depths = apexVs;
        for (const Loop& L : truth.loops)
            if (L.row == 0) us.push_back(L.apex.x * sx);
        std::sort(us.begin(), us.end());
        std::sort(depths.begin(), depths.end());
        synthGapClutter(cr, p.gapClutter, us, kMarginUm, wUm - kMarginUm, depths[depths.size() / 2], scene.loops);
    }

    // The subpapillary plexus: a few broad, faint veins running roughly
    // parallel to the edge in the lower part of the picture.
    if (p.plexus > 0) {
        SynthRandom r(p.seed, kSynthLayout + 100);
        const int count = 2 + r.below(3);
        for (int c = 0; c < count; ++c) {
            SynthTube t;
            const double v0 = hUm * r.range(0.5, 0.95), hw = r.range(12, 30);
            const double k = 0.006 * p.plexus * r.range(0.6, 1.0);
            const double slope = r.range(-0.15, 0.15);
            const uint64_t key = r.next();
            for (double u = -40; u <= wUm + 40; u += 2)
                t.add(u, v0 + slope * (u - wUm / 2) + 35 * synthNoise1(key, u / 220), hw, k);
            scene.plexus.push_back(std::move(t));
        }
    }

    synthDraw(p, scene, pixels);
    return Status::success();
}

Status SyntheticNailfold::generate(const Params& p, CZVimage& image, Truth& truth) {
    std::vector<uint8_t> pixels;
    if (Status drawn = generate(p, pixels, truth); !drawn) return drawn;
    CZVimage img(p.width, p.height, -1, CZVimage::kFrame, CZVimage::kGrey);
    if (img.isEmpty()) return Status::failure(StatusCode::NoMemory, "out of memory for the picture");
    for (int y = 0; y < p.height; ++y)
        std::copy_n(pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(p.width), p.width, img.row(y));
    image = std::move(img);
    return Status::success();
}

bool SyntheticNailfold::Loop::covers(double x, double y) const { return windingContains(polygon, x, y); }

bool SyntheticNailfold::Loop::encloses(double x, double y) const { return windingContains(envelope, x, y); }

bool SyntheticNailfold::windingContains(const std::vector<Point>& polygon, double x, double y) {
    // Non-zero winding: crossing limbs of a tortuous loop stay covered.
    int winding = 0;
    const size_t n = polygon.size();
    for (size_t i = 0; i < n; ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % n];
        const double cross = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
        if (a.y <= y) {
            if (b.y > y && cross > 0) ++winding;
        } else if (b.y <= y && cross < 0) {
            --winding;
        }
    }
    return winding != 0;
}

double SyntheticNailfold::Loop::distanceToCentreLine(double x, double y) const {
    double best = HUGE_VAL;
    for (size_t i = 0; i + 1 < centreLine.size(); ++i) {
        const Point& a = centreLine[i];
        const Point& b = centreLine[i + 1];
        const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
        const double t = len2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
        best = std::min(best, std::hypot(x - (a.x + t * dx), y - (a.y + t * dy)));
    }
    if (centreLine.size() == 1) best = std::hypot(x - centreLine[0].x, y - centreLine[0].y);
    return best;
}

}  // namespace ordavia
