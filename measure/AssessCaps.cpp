// The apical diameter of each capillary of the row: a cut along the row's
// normal through its top, read through the picture's blur from the cap's
// darkening against the row's ordinary cap; the body's width below the cap
// for giants; and the optics' own widening measured on the limbs.
#include <algorithm>
#include <cmath>
#include <limits>

#include "image/CZVimage.h"
#include "measure/AssessSteps.h"
#include "measure/CapillaryWidth.h"

namespace ordavia {

namespace {

// A giant loop's body (micrometres across the row, below the cap) is two
// limbs about as wide as its cap and a gap of about this much between them;
// so the narrowest giant's body is twice 50 micrometres and the gap.
constexpr double kGiantGapUm = 8;
constexpr double kGiantBodyUm = 2 * kGiantApexUm + kGiantGapUm;
// A giant's blood column is so thick that its body takes at least this
// share of the light even on faint, blurred pictures (mostly 0.13 to 0.49
// there); the blurred body of a dilated, winding loop can read as wide as
// a giant's but stays paler (0.08 to 0.18).
constexpr double kGiantBodyDarkening = 0.13;
// The body across reads the mean of the two limbs' widths; a giant's cap is
// wider than that (its venous limb and its cap are wider than its arterial
// limb) by about this much on a sharp picture.
constexpr double kGiantCapOverLimbsUm = 8;
// The blur of a sharp picture's body edges (sigma, micrometres). Beyond it
// the blurred body reads wider at half its depth by about as much as its
// edges' sigma grows (its limbs are not opaque enough for the blurred
// profile to keep a box's width), which takes the cap's excess back.
constexpr double kSharpBodyEdgeUm = 11;

// A giant's apical diameter from its body's width across and its edges' blur.
double giantDiameter(double across, double edgeSigma) {
    return (across - kGiantGapUm) / 2 + kGiantCapOverLimbsUm -
           std::clamp(edgeSigma - kSharpBodyEdgeUm, 0.0, kGiantCapOverLimbsUm);
}
// A dilated loop's body is its cap's diameter and about this much more.
constexpr double kLimbSpacingUm = 22;

// The vessel channel at full resolution: green for colour, grey otherwise.
struct Channel {
    int w = 0, h = 0;
    std::vector<float> v;
    float at(double x, double y) const {
        x = std::clamp(x, 0.0, w - 1.0);
        y = std::clamp(y, 0.0, h - 1.0);
        const int x0 = std::min(static_cast<int>(x), w - 2), y0 = std::min(static_cast<int>(y), h - 2);
        const auto fx = static_cast<float>(x - x0), fy = static_cast<float>(y - y0);
        const float* a = v.data() + static_cast<size_t>(y0) * w;
        const float* b = a + w;
        const float top = a[x0] + fx * (a[x0 + 1] - a[x0]), bottom = b[x0] + fx * (b[x0 + 1] - b[x0]);
        return top + fy * (bottom - top);
    }
};

Channel vesselChannel(const CZVimage& img) {
    Channel c;
    c.w = img.width();
    c.h = img.rows();
    c.v.resize(static_cast<size_t>(c.w) * c.h);
    const bool colour = img.colour() == CZVimage::kColour;
    for (int y = 0; y < c.h; ++y) {
        const uint8_t* row = img.row(y);
        float* out = c.v.data() + static_cast<size_t>(y) * c.w;
        for (int x = 0; x < c.w; ++x) out[x] = colour ? row[3 * x + 1] : row[x];
    }
    return c;
}

// How far inside a cap's near edge its middle is looked for (micrometres).
constexpr double kCapReachUm = 15;

struct ApexWidth {
    double um = std::numeric_limits<double>::quiet_NaN();
    double darkening = 0;  // of the cut's middle against the outside, 0..1
    // The same just inside the cap's near edge (see kCapReachUm).
    double capDarkening = 0;
    // How far from the cut's middle towards the nail its darkening falls to
    // half (micrometres).
    double halfUm = 0;
    AssessPoint from, to, centre;
};

// The apical diameter across the cap, along the row's normal through its
// top. Below a cap the two limbs keep the profile dark, so its far edge is
// not clean; the near edge (towards the nail) is. The width is twice the
// distance from the near edge (steepest fall) to the cap's middle (the
// first dark minimum after it), less the optics' own widening, which the
// steepness of that edge tells: a blurred edge of depth d falls at most by
// d / (sigma sqrt(2 pi)) per micrometre. The edge is found by the width
// measure's own steepest-edge rule on the cut from outside to the middle.
ApexWidth apexWidth(const Channel& ch, double x, double y, double nx, double ny, double umPerPixel) {
    ApexWidth best;
    const double before = 35 / umPerPixel, after = 160 / umPerPixel;
    std::vector<ApexWidth> found;
    for (int k = -1; k <= 1; ++k) {
        const double a = k * 0.2;
        const double dx = -(nx * std::cos(a) - ny * std::sin(a)), dy = -(nx * std::sin(a) + ny * std::cos(a));
        std::vector<double> raw;
        for (double s = -before; s <= after; s += 0.5) raw.push_back(ch.at(x + dx * s, y + dy * s));
        // Smooth over about 2 micrometres: sensor noise, not the edge.
        std::vector<double> p(raw.size());
        const int r = std::max(1, static_cast<int>(std::lround(2 / (0.5 * umPerPixel))));
        for (size_t i = 0; i < raw.size(); ++i) {
            double sum = 0;
            int n = 0;
            for (int d = -r; d <= r; ++d) {
                const long j = static_cast<long>(i) + d;
                if (j < 0 || j >= static_cast<long>(raw.size())) continue;
                sum += raw[static_cast<size_t>(j)];
                ++n;
            }
            p[i] = sum / n;
        }
        // The steepest fall within 25 um of the top.
        const double step = 0.5 * umPerPixel;  // micrometres per sample
        const size_t top = static_cast<size_t>(before / 0.5);
        const size_t reach = static_cast<size_t>(25 / step);
        size_t edge = 0;
        double slope = 0;
        // A wide cap's ridge reaches far above its edge (a giant's mask top
        // may stand 60 um above it): look down to 100 um below the top.
        for (size_t i = top > reach ? top - reach : 1; i + 1 < p.size() && i <= top + 4 * reach; ++i) {
            const double fall = (p[i - 1] - p[i + 1]) / (2 * step);
            if (fall > slope) slope = fall, edge = i;
        }
        if (slope <= 0) continue;
        // The first minimum after the edge that the profile rises from again
        // (or the darkest within 90 um).
        size_t mid = edge;
        for (size_t i = edge + 1; i < p.size() && (i - edge) * step < 90; ++i) {
            if (p[i] < p[mid]) mid = i;
            else if (p[i] > p[mid] + 0.25 * (p[edge] - p[mid]) && (i - mid) * step > 6) break;
        }
        double outside = 0;
        for (size_t i = 0; i < edge; ++i) outside = std::max(outside, p[i]);
        const double depth = outside - p[mid];
        if (depth <= 0 || mid == edge) continue;
        const double sigma = depth / (slope * 2.5066282746);
        const double half = (mid - edge) * step;
        const double wraw = 2 * half;
        ApexWidth w;
        w.darkening = depth / std::max(outside, 1.0);
        {
            // The cap's darkening just inside its near edge, before the cut
            // runs on between its limbs (merged into one dark column by the
            // blur in a dense row).
            size_t cm = edge;
            for (size_t i = edge + 1; i < p.size() && (i - edge) * step <= kCapReachUm; ++i)
                if (p[i] < p[cm]) cm = i;
            if (cm == edge) cm = mid;
            w.capDarkening = std::max(0.0, outside - p[cm]) / std::max(outside, 1.0);
            // How far the darkening falls to half, from the middle towards
            // the nail.
            const double level = p[mid] + 0.5 * depth;
            size_t j = mid;
            while (j > 0 && p[j - 1] < level) --j;
            double reach = static_cast<double>(mid - j);
            if (j > 0 && p[j - 1] > p[j]) reach += (level - p[j]) / (p[j - 1] - p[j]);
            w.halfUm = reach * step;
        }
        w.um = std::sqrt(std::max(wraw * wraw - 1.44 * sigma * sigma, 0.25 * wraw * wraw));
        const double s0 = edge * 0.5 - before, s1 = s0 + w.um / umPerPixel;
        w.from = {x + dx * s0, y + dy * s0};
        w.to = {x + dx * s1, y + dy * s1};
        w.centre = {(w.from.x + w.to.x) / 2, (w.from.y + w.to.y) / 2};
        found.push_back(w);
    }
    if (found.empty()) return best;
    std::sort(found.begin(), found.end(), [](const ApexWidth& p, const ApexWidth& q) { return p.um < q.um; });
    return found[found.size() / 2];
}

// How wide the loop is across the row below its top: the widest dark run
// through the loop's axis on cuts along the row 10 to 130 micrometres below
// the top, at half the depth between the loop's darkest point there and the
// surrounding skin. A giant loop is homogeneously enlarged: its limbs are
// each 50 micrometres or more wide, so its body is well over 100
// micrometres across; a dilated loop's is at most about 75 and an ordinary
// loop's less. A blur or a bright cap widens the cap's own cut, not the
// body's.
// `centre` (if given): how far the loop's middle lies along the row from
// (x, y), in pixels, from the runs of the cuts nearest the top.
// `depthOut` (if given): the share of the light the body takes on those
// cuts (the median).
// `edgeSigma` (if given): the blur of the body's outer edges (the sigma of
// a blurred step with their depth and slope, micrometres; the median).
double bodyWidth(const Channel& ch, double x, double y, double nx, double ny, double umPerPixel, double capDarkening,
                 double* centre = nullptr, double* depthOut = nullptr, double* edgeSigma = nullptr) {
    const double tx = -ny, ty = nx;
    const double half = 160 / umPerPixel, stepPx = 0.5;
    std::vector<double> p, sorted, widths, middles, depths, sigmas;
    for (double down = 10; down <= 130; down += 15) {
        const double cx = x - nx * down / umPerPixel, cy = y - ny * down / umPerPixel;
        p.clear();
        for (double s = -half; s <= half; s += stepPx) p.push_back(ch.at(cx + tx * s, cy + ty * s));
        sorted = p;
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() * 4 / 5), sorted.end());
        const double bright = sorted[sorted.size() * 4 / 5];
        const size_t mid = p.size() / 2, near = static_cast<size_t>(20 / (umPerPixel * stepPx));
        size_t dark = mid;
        for (size_t i = mid - near; i <= mid + near; ++i)
            if (p[i] < p[dark]) dark = i;
        if (bright - p[dark] < std::max(2.0, bright * std::max(0.08, 0.4 * capDarkening))) continue;
        const double level = (bright + p[dark]) / 2;
        size_t a = dark, b = dark;
        while (a > 0 && p[a - 1] < level) --a;
        while (b + 1 < p.size() && p[b + 1] < level) ++b;
        if (a == 0 || b + 1 == p.size()) continue;  // no skin either side: not one loop
        widths.push_back((b - a + 1) * stepPx * umPerPixel);
        {
            // The slope over 6 um across each edge: a step of this depth
            // blurred by sigma falls at most depth / (sigma sqrt(2 pi)).
            const size_t k = std::max<size_t>(1, static_cast<size_t>(3 / (stepPx * umPerPixel)));
            if (a >= k && b + k < p.size()) {
                const double run = 2.0 * static_cast<double>(k) * stepPx * umPerPixel, depth = bright - p[dark];
                for (const double slope : {(p[a - k] - p[a + k]) / run, (p[b + k] - p[b - k]) / run})
                    if (slope > 0) sigmas.push_back(depth / (slope * 2.5066282746));
            }
        }
        depths.push_back((bright - p[dark]) / std::max(bright, 1.0));
        middles.push_back(((a + b) / 2.0 - mid) * stepPx);
    }
    if (centre && !middles.empty()) {
        middles.resize(std::min<size_t>(middles.size(), 3));
        std::sort(middles.begin(), middles.end());
        *centre = middles[middles.size() / 2];
    }
    // As wide on two cuts at least: a giant's limbs run on at its width,
    // where a loop merged with a neighbour on one cut is not as wide on the next.
    if (depthOut && !depths.empty()) {
        std::sort(depths.begin(), depths.end());
        *depthOut = depths[depths.size() / 2];
    }
    if (edgeSigma && !sigmas.empty()) {
        std::sort(sigmas.begin(), sigmas.end());
        *edgeSigma = sigmas[sigmas.size() / 2];
    }
    if (widths.size() < 2) return 0;
    std::sort(widths.begin(), widths.end());
    return widths[widths.size() - 2];
}

// Widths of limbs well below the caps: the narrowest of them tell how much
// the optics widen every dip (a limb of a normal capillary is 7 to 12
// micrometres wide), so that the apical diameters can be corrected.
double opticalWidening(const Channel& ch, const std::vector<AssessedCapillary>& caps, double nx, double ny,
                       double umPerPixel) {
    std::vector<double> widths;
    const double tx = -ny, ty = nx;  // along the row
    for (const AssessedCapillary& c : caps) {
        const double x = c.apex.x - nx * 60 / umPerPixel, y = c.apex.y - ny * 60 / umPerPixel;
        std::vector<double> profile;
        const double half = 45 / umPerPixel;
        for (double s = -half; s <= half; s += 1) profile.push_back(ch.at(x + tx * s, y + ty * s));
        const ProfileWidth pw = profileWidth(profile, static_cast<int>(WidthMethod::kEdge), 0.9);
        if (pw.samples > 0) widths.push_back(pw.samples * umPerPixel);
    }
    if (widths.size() < 3) return 0;
    std::sort(widths.begin(), widths.end());
    const double narrow = widths[widths.size() / 5];
    constexpr double kLimbUm = 9;
    return narrow > kLimbUm ? narrow * narrow - kLimbUm * kLimbUm : 0;
}

// A cap's diameter set to `um`: its width bar scaled from its near edge.
void scaleWidth(AssessedCapillary& c, double um) {
    const double k = um / c.apexUm;
    c.widthTo = {c.widthFrom.x + (c.widthTo.x - c.widthFrom.x) * k, c.widthFrom.y + (c.widthTo.y - c.widthFrom.y) * k};
    c.apexUm = um;
}

// The same, its apex at the bar's middle.
void setApexDiameter(AssessedCapillary& c, double um) {
    scaleWidth(c, um);
    c.apex = {(c.widthFrom.x + c.widthTo.x) / 2, (c.widthFrom.y + c.widthTo.y) / 2};
}

// The diameter of an ordinary capillary's apex (micrometres): the row's
// ordinary cap is taken to be this wide once the optics' blur is taken off.
constexpr double kOrdinaryApexUm = 12;

// The optics spread a cap's blood over the blur's width: a thin cap reads
// about as wide as the blur itself, whatever its diameter, and only paler
// the thinner it is. So the diameter is read from the darkening, against
// the row's ordinary cap at the same blur, by the model of a round blood
// column blurred by a Gaussian: its darkening in the middle is its blood
// (the diameter squared) over the spread, sqrt(sigma^2 + d^2 / 16). The
// blur sigma is the picture's own, from how far the ordinary cap's
// darkening reaches towards the nail (a Gaussian falls to half its peak
// 1.1774 sigma from its middle).
// Where the blur is slight the darkening grows with the diameter alone.
// `blurred`: the caps read so; `reference`: the row's caps that may be
// ordinary (also those too faint to measure); `faint`: the darkening below
// which a cap is too faint to measure. False when there are too few
// reference caps to tell the row's ordinary one. `sharpOut`: how far the
// picture's blur is slight, 0 to 1 (see `sharp` below); left as it is when
// false.
bool unblurDiameters(std::vector<AssessedCapillary>& caps, const std::vector<size_t>& blurred,
                     const std::vector<size_t>& reference, const std::vector<double>& half,
                     const std::vector<double>& darkening, double faint, double& sharpOut) {
    if (reference.size() < 3) return false;
    std::vector<double> halves, darks;
    for (size_t i : reference) {
        halves.push_back(half[i]);
        darks.push_back(darkening[i]);
    }
    const auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    const double half0 = median(halves), dark0 = median(darks);
    if (!(dark0 > 0)) return false;
    constexpr double w0 = kOrdinaryApexUm;
    const double spread0 = half0 / 1.1774;
    const double blur2 = std::max(spread0 * spread0 - w0 * w0 / 16, 0.0);
    const auto middle = [blur2](double d) { return d * d / std::sqrt(blur2 + d * d / 16); };
    const double top = kGiantApexUm - 1;
    // Where the blur is slight, the row's ordinary cap is dark (its blood
    // is not spread; three times the darkening a faint cap is left
    // unmeasured at, or more) and the cut reads it about as wide as an
    // ordinary cap is. A wide cap's blood column is then dark through and
    // its darkening grows no more with its diameter: the cut's own width,
    // where wider, tells it.
    std::vector<double> cuts;
    for (size_t i : blurred) cuts.push_back(caps[i].apexUm);
    const double cut0 = cuts.empty() ? 0 : median(cuts);
    const double sharp = std::min(1 - std::clamp((cut0 - (w0 + 3)) / (kDilatedApexUm - (w0 + 3)), 0.0, 1.0),
                                  std::clamp(dark0 / std::max(faint, 1e-6) - 2, 0.0, 1.0));
    sharpOut = sharp;
    for (size_t i : blurred) {
        AssessedCapillary& c = caps[i];
        const double want = middle(w0) * std::max(darkening[i], 0.0) / dark0;
        double lo = 0, hi = top;
        if (middle(hi) <= want) {
            lo = hi;
        } else {
            for (int k = 0; k < 40; ++k) {
                const double m = (lo + hi) / 2;
                (middle(m) < want ? lo : hi) = m;
            }
        }
        const double byDarkening = std::max(lo, 1.0);
        const double um = sharp * std::max(byDarkening, std::min(top, c.apexUm)) + (1 - sharp) * byDarkening;
        setApexDiameter(c, um);
    }
    return true;
}

// The blood around a cap, weighed on the darkening plane: the mean
// darkening (over the background) of a box kMassBoxWideUm across the row,
// from kMassBoxAboveUm above the cap's near edge to kMassBoxBelowUm below
// it. The optics spread a loop's darkness but keep its sum, and a box this
// size keeps most of it even under a heavy blur; so it tells a dilated
// loop (a wide cap on wide limbs: far more blood) from an ordinary one
// where the cut through the blurred cap cannot: on a blurred, faint
// picture the cap's own darkening is mostly noise and varies with each
// loop's blood as much as with its width. NaN without the plane.
constexpr double kMassBoxWideUm = 60, kMassBoxAboveUm = 20, kMassBoxBelowUm = 80;

double capMass(const AssessPlanes& planes, AssessPoint edge, int factor, double nx, double ny) {
    return boxDarkening(planes, edge, factor, nx, ny, kMassBoxWideUm, kMassBoxAboveUm, kMassBoxBelowUm, false);
}

// The box of an ordinary loop darkens the plane by up to about this much
// (0.01 to 0.04 on the study's typical and hard pictures alike); a loop
// whose box takes more is wider, its cap's diameter growing about as the
// box's darkening to the power kMassPower (fitted on the study's pictures:
// the cap's blood is only part of the box's, and a wide column is opaque
// in its middle). At kOrdinaryMass the cap reads kMassApexUm.
constexpr double kOrdinaryMass = 0.04, kMassPower = 1.2, kMassApexUm = 13;
// The faintest cap of a row of kMassFloorCaps or more takes no more than this.
constexpr double kFaintestMass = 0.03;
constexpr size_t kMassFloorCaps = 4;
// Where the box says ordinary, the cut's own reading (held under dilated)
// moves the diameter by this share of its difference: through a blur the
// cut tells an ordinary cap's width only roughly, and on a faint picture
// hardly at all.
constexpr double kCutShare = 0.3;

double diameterByMass(double mass, double byCut) {
    const double byMass = std::min(kGiantApexUm - 1, kMassApexUm * std::pow(std::max(1.0, mass / kOrdinaryMass), kMassPower));
    const double ordinary = kMassApexUm + kCutShare * (std::min(byCut, kDilatedApexUm - 1) - kMassApexUm);
    return std::max(byMass, ordinary);
}

}  // namespace

CapsMeasured measureCaps(const CZVimage& picture, std::vector<AssessTip>& row, int factor, double nx, double ny,
                         double umPerPixel, float noise, std::vector<AssessedCapillary>& appendTo,
                         const AssessPlanes* planes) {
    // The row's capillaries are measured apart from whatever `appendTo`
    // holds already: everything below pairs caps[i] with row[i].
    std::vector<AssessedCapillary> caps;
    const Channel ch = vesselChannel(picture);
    auto toPicture = [&](AssessPoint p) { return AssessPoint{(p.x + 0.5) * factor - 0.5, (p.y + 0.5) * factor - 0.5}; };
    std::vector<double> darkening, body, bdepth, half, capDark, mass;
    std::vector<double> edges;  // the blur of each body's edges (sigma, micrometres)
    std::vector<bool> searched;
    std::vector<double> shifts;  // of each body's middle along the row, pixels
    double measuredShare = 0;
    for (size_t i = 0; i < row.size();) {
        const AssessTip& t = row[i];
        AssessedCapillary c;
        const AssessPoint top = toPicture({t.x, t.y});
        if (t.giant) {
            // The giant search's patch: its top (or the near edge the cut
            // finds at a capillary of the row) is the cap's near edge, and
            // its body across tells the diameter.
            AssessPoint edge = top;
            if (!t.giantOnly) {
                const ApexWidth aw = apexWidth(ch, top.x, top.y, nx, ny, umPerPixel);
                if (std::isfinite(aw.um)) edge = aw.from;
            }
            double shift = 0;
            double bd = 0, sigma = kSharpBodyEdgeUm;
            const double across = bodyWidth(ch, edge.x, edge.y, nx, ny, umPerPixel, 0, &shift, &bd, &sigma);
            // Its middle, from its body: a wide blurred cap's top is flat.
            edge = {edge.x - ny * shift, edge.y + nx * shift};
            if (across >= kGiantBodyUm && bd >= kGiantBodyDarkening) {
                const double um = giantDiameter(across, sigma), limbs = (across - kGiantGapUm) / 2;
                c.widthFrom = edge;
                c.widthTo = {edge.x - nx * um / umPerPixel, edge.y - ny * um / umPerPixel};
                // Its apex half a limb's width inside its edge: the box
                // that confirms a giant is set from there.
                c.apex = {edge.x - nx * limbs / 2 / umPerPixel, edge.y - ny * limbs / 2 / umPerPixel};
                c.apexUm = um;
                caps.push_back(c);
                darkening.push_back(0);
                mass.push_back(std::numeric_limits<double>::quiet_NaN());
                half.push_back(0);
                capDark.push_back(0);
                body.push_back(across);
                bdepth.push_back(bd);
                edges.push_back(sigma);
                shifts.push_back(0);
                searched.push_back(true);
                ++i;
                continue;
            }
            if (t.giantOnly) {
                row.erase(row.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
        }
        ++i;
        searched.push_back(false);
        const ApexWidth aw = apexWidth(ch, top.x, top.y, nx, ny, umPerPixel);
        darkening.push_back(aw.darkening);
        mass.push_back(planes && std::isfinite(aw.um) ? capMass(*planes, aw.from, factor, nx, ny)
                                                      : std::numeric_limits<double>::quiet_NaN());
        half.push_back(aw.halfUm);
        capDark.push_back(aw.capDarkening);
        c.apex = std::isnan(aw.um) ? top : aw.centre;
        c.apexUm = aw.um;
        // From the cap's near edge, where the cut found it (the mask's top
        // lies higher for a wide ridge).
        double shift = 0, bd = 0, sigma = kSharpBodyEdgeUm;
        body.push_back(std::isnan(aw.um) ? 0 : bodyWidth(ch, aw.from.x, aw.from.y, nx, ny, umPerPixel, aw.darkening, &shift, &bd, &sigma));
        bdepth.push_back(bd);
        edges.push_back(sigma);
        shifts.push_back(shift);
        c.widthFrom = aw.from;
        c.widthTo = aw.to;
        if (t.filled) {
            // Counted from its limbs; its cap is not clear enough to measure.
            c.apexUm = std::numeric_limits<double>::quiet_NaN();
            c.widthTo = c.widthFrom;
            body.back() = 0;
        }
        caps.push_back(c);
    }
    // A cut through a faint cap reads noise: its diameter is not measured.
    // Blood darkens by the length it is crossed, so a giant cap is far
    // darker than the row's ordinary ones; a wide reading on a cap no
    // darker than them is a blurred ordinary cap, not a giant.
    {
        // The row's ordinary darkening, giants and wide caps left out: in a
        // row of many giants and dilated loops the few ordinary caps would
        // otherwise be outvoted and every giant look ordinary.
        std::vector<double> sorted, ordinary;
        for (size_t i = 0; i < darkening.size(); ++i) {
            if (body[i] >= kGiantBodyUm || searched[i]) continue;
            sorted.push_back(darkening[i]);
            if (!(caps[i].apexUm >= kDilatedApexUm)) ordinary.push_back(darkening[i]);
        }
        if (ordinary.size() >= 3) sorted = ordinary;
        if (sorted.size() < 3) sorted = darkening;
        std::sort(sorted.begin(), sorted.end());
        const double typical = sorted.empty() ? 0 : sorted[sorted.size() / 2];
        const bool compare = sorted.size() >= 4;
        const double floor = 4 * noise;
        int measured = 0;
        std::vector<size_t> blurred;  // caps whose diameter is read from the blurred cut
        std::vector<size_t> reference;  // and with them the faint ones: the row's ordinary caps
        for (size_t i = 0; i < caps.size(); ++i) {
            AssessedCapillary& c = caps[i];
            const double d = darkening[i];
            if (searched[i]) {
                ++measured;
                continue;
            }
            if (!std::isfinite(c.apexUm)) {
                if (half[i] > 0) reference.push_back(i);  // counted from its limbs
                continue;
            }
            if (d >= floor && body[i] >= kGiantBodyUm && bdepth[i] >= kGiantBodyDarkening &&
                (!compare || d >= 1.6 * typical || (d >= 1.25 * typical && c.apexUm >= kGiantApexUm))) {
                // A giant: homogeneously enlarged, its two limbs each about
                // as wide as its cap with a narrow gap between them. The
                // body across tells its diameter better than the cut down
                // through the cap, whose far side the limbs hide.
                scaleWidth(c, giantDiameter(body[i], edges[i]));
                // Its middle, from its body: a wide blurred cap's top is flat.
                const double sx = -ny * shifts[i], sy = nx * shifts[i];
                c.widthFrom = {c.widthFrom.x + sx, c.widthFrom.y + sy};
                c.widthTo = {c.widthTo.x + sx, c.widthTo.y + sy};
                // Its apex half a limb's width inside its edge (as above).
                const double inside = (body[i] - kGiantGapUm) / 4 / umPerPixel;
                c.apex = {c.widthFrom.x - nx * inside, c.widthFrom.y - ny * inside};
                ++measured;
                continue;
            }
            if (d < floor) {
                reference.push_back(i);
                c.apexUm = std::numeric_limits<double>::quiet_NaN();
                c.widthTo = c.widthFrom;
                continue;
            }
            blurred.push_back(i);
            reference.push_back(i);
            ++measured;
        }
        double sharp = 0;
        if (!unblurDiameters(caps, blurred, reference, half, capDark, floor, sharp)) {
            // Too few caps to tell the row's ordinary one: the cut's own
            // width, and a wide cap only when it is darker than the others.
            for (size_t i : blurred) {
                AssessedCapillary& c = caps[i];
                if (c.apexUm >= kDilatedApexUm && compare && darkening[i] < 1.15 * typical) {
                    c.apexUm = std::numeric_limits<double>::quiet_NaN();
                    c.widthTo = c.widthFrom;
                    --measured;
                } else if (c.apexUm >= kGiantApexUm) {
                    // Wide and dark at the top but not across: the enlarged
                    // cap of a dilated loop, whose cut ran on into its limbs.
                    // Its diameter is the body's width less the limbs' spacing.
                    scaleWidth(c, std::clamp(body[i] - kLimbSpacingUm, kDilatedApexUm, kGiantApexUm - 1));
                }
            }
        }
        // The blood around each cap read from the cut says how wide it is
        // beyond an ordinary one (see capMass), as far as the blur is not
        // slight: on a sharp picture the cut reads the cap itself, and the
        // box's darkening follows the picture's contrast as much as the
        // loop's blood.
        // The plane's level under a row follows the picture's local
        // contrast and lighting: the faintest of four or more caps is taken
        // to be no more than ordinary, and what it takes beyond that is the
        // plane's offset there.
        double offset = 0;
        {
            std::vector<double> weighed;
            for (size_t i : blurred)
                if (std::isfinite(caps[i].apexUm) && std::isfinite(mass[i])) weighed.push_back(mass[i]);
            if (weighed.size() >= kMassFloorCaps)
                offset = std::max(0.0, *std::min_element(weighed.begin(), weighed.end()) - kFaintestMass);
        }
        for (size_t i : blurred) {
            AssessedCapillary& c = caps[i];
            if (!std::isfinite(c.apexUm) || !(c.apexUm > 0) || !std::isfinite(mass[i])) continue;
            setApexDiameter(c, sharp * c.apexUm + (1 - sharp) * diameterByMass(mass[i] - offset, c.apexUm));
        }
        measuredShare = caps.empty() ? 0 : static_cast<double>(measured) / caps.size();
    }
    CapsMeasured out;
    out.measuredShare = measuredShare;
    {
        std::vector<double> measuredEdges;
        for (size_t i = 0; i < caps.size() && i < edges.size(); ++i)
            if (std::isfinite(caps[i].apexUm)) measuredEdges.push_back(edges[i]);
        if (measuredEdges.size() >= 4) {
            const auto m = measuredEdges.begin() + static_cast<std::ptrdiff_t>(measuredEdges.size() / 2);
            std::nth_element(measuredEdges.begin(), m, measuredEdges.end());
            out.bodyEdgeUm = *m;
        }
    }
    // The optics widen every dip; taken off in quadrature.
    out.widen = opticalWidening(ch, caps, nx, ny, umPerPixel);
    appendTo.insert(appendTo.end(), caps.begin(), caps.end());
    return out;
}

}  // namespace ordavia
