// Loops of the distal row the vessel mask lost, counted again along the
// row's line, and skin texture taken out of a row that is not dense. A row
// of faint or blurred loops reaches the mask's level as one band
// (neighbours merge into one part with one top) or only in part (its
// fainter loops fall below); along the line, at the height of the caps,
// every loop still darkens the picture as a hump of its own. A lost loop is
// such a hump: at least about one loop width from every loop found, in a
// gap of the row wider than its usual spacing, as prominent as a share of
// the row's clearer loops, and (unless the row is dense) with limbs below
// it like theirs. Noise makes humps narrower than a loop's: a row whose
// own loops do not stand out as humps of a loop's width is left to the
// ridge image (fillRowGaps). A row of giants is sparse only in the mask
// (their darkness lifted its level over the loops between them): it is
// filled like any other, its clearer loops found without the giants.
// Last, a row whose darkness along the line repeats clearly at one period
// (or, without one, a faint dense row at its own usual spacing) gets the
// loops its gaps hold at that period (fillByPeriod). A row the fills leave
// sparse or middling is counted again by the columns of its loops' limbs
// below the line (countByColumns): the mask's tops in its gaps are mostly
// skin texture, and its fainter loops reach the mask not at all.
#include <algorithm>
#include <cmath>
#include <utility>

#include "image/CapillaryCountStats.h"
#include "measure/AssessSteps.h"

namespace ordavia {

namespace {

// The band across the caps (micrometres below the line: negative above it,
// towards the nail), the profiles' smoothing along the line, and the least
// distance of two loops.
constexpr double kCapFromUm = -10;
constexpr double kCapToUm = 35;
constexpr double kSmoothUm = 6;
constexpr double kApartUm = 45;
// A found loop's hump: the peak within this distance of its top.
constexpr double kNearUm = 20;
// The row's clearer loops: this quantile of its own loops' humps, at most
// kGiantCap times their median (a few giant loops are far darker).
constexpr double kStrongQuantile = 0.8;
constexpr double kGiantCap = 2;
// A lost loop's hump needs this share of the clearer loops' prominence and
// this many spreads of the darkness plane, and this width at half its
// prominence (micrometres).
constexpr double kShare = 0.15;
constexpr double kNoise = 0.3;
constexpr double kHumpUm = 20;
// Along the line only when the clearer loops stand this many spreads above
// the picture's noise and the row's own humps are this wide (median).
constexpr double kResolvedSnr = 1.0;
constexpr double kRowHumpUm = 30;
// The limbs below a hump (the darkness of a band this far below the line
// makes a hump there too), and the share of the clearer loops' limbs a
// lost loop of a row that is not dense needs.
constexpr double kLimbFromUm = 30;
constexpr double kLimbToUm = 110;
constexpr double kLimbShare = 0.6;
// A row is dense when its loops stand closer than this (micrometres); a gap
// of the row holds a lost loop when it is this many times the row's spacing
// with every hump above the level taken.
constexpr double kDenseUm = 150;
constexpr double kGap = 1.3;
// Rows whose loops found stand further apart than this (median) are not
// filled: their gaps hold skin texture as clear as their loops.
constexpr double kSparseUm = 180;
// In a row that is not dense, a top with less than these shares of the
// clearer loops' limbs and cap is skin texture.
constexpr double kTextureLimb = 0.2;
constexpr double kTextureCap = 0.3;
// A top whose body's darkness reaches this (giantBodyMass) is clearly a
// giant's: well over the least a giant holds.
constexpr double kClearGiantMass = 0.11;
// Sparse rows holding such a giant are filled, unless the clearest vessels
// answer a dip wider than this (a blurred picture).
constexpr double kGiantRowSharpUm = 65;
// In such a row of giants the ordinary loops between them are pale and
// often dilated: a hump of the caps needs only this share of the clearer
// loops' prominence there, and no limbs (theirs are pale and stand wider
// apart than the search below a hump reaches). The gaps between giants
// are where the row's other loops are. Without limbs to tell them from
// the skin's shading, the humps must clear a higher floor of the picture's
// noise (spreads of the darkness plane) than kNoise.
constexpr double kGiantRowShare = 0.1;
constexpr double kGiantRowNoise = 0.7;
// In a row that is not dense, on a sharp picture (the clearest vessels
// answer a dip narrower than kSharpUm), tops whose ridges below run across
// the row this much are skin texture too, unless they hold a giant's body.
// On blurred pictures the loops of a dense row themselves read across.
constexpr double kTextureUpright = -0.3;
constexpr double kSharpUm = 45;
// The row's period: the autocorrelation of the darkness across the caps
// and the tops of the limbs (this band, micrometres below the line),
// with changes slower than kPeriodSlowUm taken out, at lags of
// kPeriodMinUm to kPeriodMaxUm; trusted at kPeriodStrength. A row found
// holding fewer than kPeriodShort of the loops its length holds at that
// period gets, in each gap kPeriodGap to kPeriodMostGap periods wide, the
// loops the gap holds (wider gaps are avascular).
constexpr double kPeriodFromUm = -10, kPeriodToUm = 80, kPeriodSlowUm = 100;
constexpr double kPeriodMinUm = 60, kPeriodMaxUm = 250;
constexpr double kPeriodStrength = 0.4;
constexpr double kPeriodShort = 0.9;
constexpr double kPeriodGap = 1.6, kPeriodMostGap = 3.5;
// A row that is not dense is counted by the columns of its loops' limbs:
// along the line, the darkness from kColumnFromUm to kColumnToUm below it,
// within kColumnHalfUm either side, against the sides from
// kColumnSideFromUm to kColumnSideToUm, in spreads of the darkness plane.
// A loop is such a column at least kColumnLevel clear, the clearest within
// kColumnApartUm. Skin texture darkens in flecks and creases, not in columns as
// long as a loop's limbs; the mask's tops, texture and loops alike, are
// left for these columns when they make the row no denser than
// kColumnMostPerMm.
constexpr double kColumnFromUm = 30, kColumnToUm = 150, kColumnHalfUm = 15;
constexpr double kColumnSideFromUm = 35, kColumnSideToUm = 60;
constexpr double kColumnLevel = 0.6;
// And this share of the median column found.
constexpr double kColumnShare = 0.4;
// Columns nearer each other than this are the two limbs of one loop
// (micrometres; a wide loop's limbs stand apart where the picture is sharp).
constexpr double kColumnApartUm = 70;
constexpr double kColumnMostPerMm = 5.5;
// Nor a row whose tops alone stand this dense: its columns merge.
constexpr double kColumnTipsMostPerMm = 7;
// Nor a row the fills read this dense.
constexpr double kColumnFilledMostPerMm = 7;
// Nor a row of this many giants.
constexpr size_t kColumnGiantsMost = 2;
// A giant's limbs stand within this distance of its top (micrometres).
constexpr double kGiantReachUm = 70;
// Without a clear period, a faint row (left to the ridge image) of at
// least kSpacingTips loops found, whose usual spacing is under kSpacingUm,
// is filled at that spacing.
constexpr int kSpacingTips = 14;
constexpr double kSpacingUm = 130;
// Of the autocorrelation's highest peak, the share a shorter lag's peak
// needs to be taken as the period (the highest is often its double).
constexpr double kPeriodHarmonic = 0.7;

double percentileOf(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[static_cast<size_t>(q * (v.size() - 1) + 0.5)];
}

float sampleAt(const std::vector<float>& v, int w, int h, double x, double y) {
    const long xi = std::lround(x), yi = std::lround(y);
    if (xi < 0 || yi < 0 || xi >= w || yi >= h) return 0;
    return v[static_cast<size_t>(yi) * static_cast<size_t>(w) + static_cast<size_t>(xi)];
}

// The line's ends: half the row's usual spacing beyond its first and last
// capillary (`at`: positions along the line from `from`, unit direction
// (dx, dy)), so that N capillaries span N spacings.
void setRowEnds(std::vector<double> at, double dx, double dy, AssessPoint& from, AssessPoint& to) {
    std::sort(at.begin(), at.end());
    std::vector<double> gaps;
    for (size_t i = 1; i < at.size(); ++i) gaps.push_back(at[i] - at[i - 1]);
    const double half = percentileOf(gaps, 0.5) / 2;
    const AssessPoint a0 = from;
    from = {a0.x + dx * (at.front() - half), a0.y + dy * (at.front() - half)};
    to = {a0.x + dx * (at.back() + half), a0.y + dy * (at.back() + half)};
}

// The mean darkness from `fromUm` to `toUm` towards the nail (nx, ny) at
// each of `n` unit steps (dx, dy) along the line from `from`.
std::vector<float> bandAlong(const AssessPlanes& planes, AssessPoint from, double dx, double dy, double nx, double ny,
                             int n, double fromUm, double toUm, double px) {
    std::vector<float> p(static_cast<size_t>(n), 0.0f);
    for (int s = 0; s < n; ++s) {
        const double x0 = from.x + dx * s, y0 = from.y + dy * s;
        double sum = 0;
        int k = 0;
        for (double d = fromUm / px; d <= toUm / px; d += 1, ++k)
            sum += sampleAt(planes.dark, planes.width, planes.height, x0 - nx * d, y0 - ny * d);
        p[static_cast<size_t>(s)] = k > 0 ? static_cast<float>(sum / k) : 0.0f;
    }
    return p;
}

// The row's period along the line: the lag (plane pixels) of the clearest
// peak of the autocorrelation of the profile, after its slow changes (the
// lighting, glare) are taken out, between minLag and maxLag; strength is
// the autocorrelation there (0 to 1).
struct RowPeriod {
    double lag = 0, strength = 0;
};

RowPeriod rowPeriod(const std::vector<float>& p, int minLag, int maxLag, int slow) {
    RowPeriod out;
    const int n = static_cast<int>(p.size());
    if (n < 3 * maxLag || minLag < 1) return out;
    std::vector<double> prefix(static_cast<size_t>(n) + 1, 0.0), x(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) prefix[static_cast<size_t>(i) + 1] = prefix[static_cast<size_t>(i)] + p[static_cast<size_t>(i)];
    for (int i = 0; i < n; ++i) {
        const int a = std::max(0, i - slow), b = std::min(n, i + slow + 1);
        x[static_cast<size_t>(i)] = p[static_cast<size_t>(i)] - (prefix[static_cast<size_t>(b)] - prefix[static_cast<size_t>(a)]) / (b - a);
    }
    double e = 0;
    for (double v : x) e += v * v;
    if (e <= 0) return out;
    std::vector<double> r(static_cast<size_t>(maxLag) + 2, 0.0);
    for (int lag = minLag - 1; lag <= maxLag + 1; ++lag) {
        double s = 0;
        for (int i = 0; i + lag < n; ++i) s += x[static_cast<size_t>(i)] * x[static_cast<size_t>(i + lag)];
        r[static_cast<size_t>(lag)] = s / e * n / (n - lag);
    }
    double best = 0;
    for (int lag = minLag; lag <= maxLag; ++lag)
        if (r[lag] > r[lag - 1] && r[lag] >= r[lag + 1]) best = std::max(best, r[lag]);
    for (int lag = minLag; lag <= maxLag; ++lag)
        if (r[lag] > r[lag - 1] && r[lag] >= r[lag + 1] && r[lag] >= kPeriodHarmonic * best && best > 0) {
            out.lag = lag;
            out.strength = r[lag];
            break;
        }
    return out;
}

// The lost loops found as humps along the caps, and texture taken out;
// true when the row was left to the ridge image (its loops do not stand
// out as humps) but is not sparse.
bool fillRowHumps(const RidgeImage& ri, const AssessPlanes& planes, const AssessMask& m, std::vector<AssessTip>& row,
                  AssessPoint& from, AssessPoint& to) {
    const double px = ri.umPerPixelX * ri.factor;
    const double len = std::hypot(to.x - from.x, to.y - from.y);
    if (row.size() < 2 || len * px < 300 || planes.width != ri.width || planes.height != ri.height) return false;
    const int w = ri.width, h = ri.height;
    const double dx = (to.x - from.x) / len, dy = (to.y - from.y) / len;
    double nx = dy, ny = -dx;
    if (ny > 0) nx = -nx, ny = -ny;
    const int n = static_cast<int>(len) + 1;
    // The row's own loops along the line, and their usual spacing.
    std::vector<double> along;
    for (const AssessTip& t : row) along.push_back((t.x - from.x) * dx + (t.y - from.y) * dy);
    std::vector<double> sorted = along, spacing;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 1; i < sorted.size(); ++i) spacing.push_back(sorted[i] - sorted[i - 1]);
    std::nth_element(spacing.begin(), spacing.begin() + static_cast<std::ptrdiff_t>(spacing.size() / 2), spacing.end());
    const bool sparse = spacing[spacing.size() / 2] * px > kSparseUm;

    // The darkness across the caps, and below them (the limbs), at every
    // step along the line.
    auto band = [&](double fromUm, double toUm) {
        const std::vector<float> p = bandAlong(planes, from, dx, dy, nx, ny, n, fromUm, toUm, px);
        const double sigma = kSmoothUm / px;
        const int r = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
        std::vector<float> out(p.size());
        for (int i = 0; i < n; ++i) {
            double sum = 0, wsum = 0;
            for (int j = -r; j <= r; ++j) {
                const int q = std::clamp(i + j, 0, n - 1);
                const double k = std::exp(-j * j / (2 * sigma * sigma));
                sum += k * p[static_cast<size_t>(q)];
                wsum += k;
            }
            out[static_cast<size_t>(i)] = static_cast<float>(sum / wsum);
        }
        return out;
    };
    const std::vector<float> cap = band(kCapFromUm, kCapToUm);
    // The line's ends: half the row's usual spacing beyond its first and
    // last capillary, so that N capillaries span N spacings (the spacing
    // the line was first drawn with counted the lost loops' gaps, and the
    // texture's tops).
    auto setEnds = [&](std::vector<double> at) { setRowEnds(std::move(at), dx, dy, from, to); };
    std::vector<float> limb(static_cast<size_t>(n), 0.0f);
    for (const ProfilePeak& pk : profilePeaks(band(kLimbFromUm, kLimbToUm))) limb[static_cast<size_t>(pk.at)] = static_cast<float>(pk.prominence);
    const std::vector<ProfilePeak> peaks = profilePeaks(cap);
    // The row's own loops on these profiles: the prominence and limbs a lost
    // loop must reach.
    const int near = std::max(1, static_cast<int>(std::lround(kNearUm / px)));
    std::vector<double> ownProminence, ownLimb;
    std::vector<double> ownWidth;
    for (double a : along) {
        double best = 0, bestLimb = 0, width = 0;
        for (const ProfilePeak& pk : peaks)
            if (std::abs(pk.at - a) <= near && pk.prominence > best) best = pk.prominence, width = pk.width * px;
        if (best > 0) ownWidth.push_back(width);
        for (int j = static_cast<int>(a) - near; j <= static_cast<int>(a) + near; ++j)
            if (j >= 0 && j < n) bestLimb = std::max(bestLimb, static_cast<double>(limb[static_cast<size_t>(j)]));
        ownProminence.push_back(best);
        ownLimb.push_back(bestLimb);
    }
    // Not set by a few giant loops, far darker than the rest: without the
    // loops that clearly hold a giant's body, if two others are left.
    std::vector<double> plainCap, plainLimb;
    int giants = 0;
    for (size_t i = 0; i < row.size(); ++i) {
        const AssessPoint apex{(row[i].x + 0.5) * ri.factor - 0.5, (row[i].y + 0.5) * ri.factor - 0.5};
        const bool giant = giantBodyMass(planes, apex, ri.factor, nx, ny) >= kClearGiantMass;
        giants += giant ? 1 : 0;
        if (!giant) plainCap.push_back(ownProminence[i]), plainLimb.push_back(ownLimb[i]);
    }
    if (plainCap.size() < 2) plainCap = ownProminence, plainLimb = ownLimb;
    const double strongCap = std::min(percentileOf(plainCap, kStrongQuantile), kGiantCap * percentileOf(plainCap, 0.5));
    const double strongLimb = percentileOf(plainLimb, kStrongQuantile);
    // A row of giants is sparse only in the mask: their darkness lifted its
    // level over the ordinary loops between them (unless blurred).
    const bool giantRow = sparse && giants > 0 && ri.vesselWidthUm < kGiantRowSharpUm;
    const double level = giantRow ? std::max(kGiantRowShare * strongCap, kGiantRowNoise * planes.spread)
                                  : std::max(kShare * strongCap, kNoise * planes.spread);
    const double limbLevel = kLimbShare * strongLimb;
    // The most prominent humps first, each at least a loop width from every
    // loop taken.
    std::vector<ProfilePeak> order;
    for (const ProfilePeak& pk : peaks)
        if (pk.prominence >= level) order.push_back(pk);
    std::stable_sort(order.begin(), order.end(), [](const ProfilePeak& a, const ProfilePeak& b) { return a.prominence > b.prominence; });
    const double apart = kApartUm / px;
    // The row's spacing with every hump that could be a loop: a lost loop
    // lies in a gap of the row this much wider than that.
    double rowSpacing = 0;
    {
        std::vector<double> all = along;
        for (const ProfilePeak& pk : order) {
            bool free = true;
            for (double a : all)
                if (std::abs(a - pk.at) < apart) free = false;
            if (free) all.push_back(pk.at);
        }
        std::sort(all.begin(), all.end());
        std::vector<double> g;
        for (size_t i = 1; i < all.size(); ++i) g.push_back(all[i] - all[i - 1]);
        rowSpacing = g.empty() ? 0 : percentileOf(g, 0.5);
    }
    // A dense row: its loops found and its humps together stand closer than
    // kDenseUm (median); its lost loops need no limbs of their own (the
    // limbs of close neighbours merge below the caps). Texture is taken out
    // only where the humps alone do not stand that close on average.
    const bool dense = rowSpacing * px < kDenseUm;
    int humps = 0;
    for (const ProfilePeak& pk : peaks) humps += pk.prominence >= level ? 1 : 0;
    const bool humpsDense = humps > 0 && n * px / humps < kDenseUm;
    bool changed = false;
    // In a row that is not dense, tops with neither a cap nor limbs like
    // the row's clearer loops are skin texture.
    if (!humpsDense) {
        std::vector<AssessTip> keep;
        std::vector<double> keepAlong;
        for (size_t i = 0; i < row.size(); ++i) {
            const bool across = ri.vesselWidthUm < kSharpUm && row[i].upright < kTextureUpright &&
                                !holdsGiantBody(planes, {(row[i].x + 0.5) * ri.factor - 0.5, (row[i].y + 0.5) * ri.factor - 0.5}, ri.factor, nx, ny);
            if (row[i].filled || (!across && (ownLimb[i] >= kTextureLimb * strongLimb || ownProminence[i] >= kTextureCap * strongCap))) {
                keep.push_back(row[i]);
                keepAlong.push_back(along[i]);
            }
        }
        if (keep.size() >= 2) {
            changed = keep.size() < row.size();
            row = std::move(keep);
            along = std::move(keepAlong);
        }
    }
    const bool resolved = strongCap >= kResolvedSnr * planes.spread && percentileOf(ownWidth, 0.5) >= kRowHumpUm;
    if ((sparse && !giantRow) || !resolved) {
        if (changed) setEnds(along);
        if (!sparse) fillRowGaps(ri, m, row, from, to);
        return !resolved && !sparse;
    }
    const double d0 = kLimbFromUm / px, d1 = kLimbToUm / px;
    std::vector<AssessTip> added;
    auto gapAt = [&](double s) {
        double lo = -1e300, hi = 1e300;
        for (double a : along) {
            if (a <= s) lo = std::max(lo, a);
            else hi = std::min(hi, a);
        }
        return hi - lo;
    };
    for (const ProfilePeak& pk : order) {
        if (pk.width * px < kHumpUm) continue;
        const double s = pk.at;
        bool free = true;
        for (double a : along)
            if (std::abs(a - s) < apart) free = false;
        if (!free) continue;
        if (gapAt(s) < kGap * rowSpacing) continue;
        double limbHere = 0;
        for (int j = pk.at - near; j <= pk.at + near; ++j)
            if (j >= 0 && j < n) limbHere = std::max(limbHere, static_cast<double>(limb[static_cast<size_t>(j)]));
        if (!dense && !giantRow && limbHere < limbLevel) continue;
        AssessTip t;
        t.x = from.x + dx * s;
        t.y = from.y + dy * s;
        // Its part: the vessel the limbs below belong to, if the mask holds them.
        for (double d = d0; d <= d1 && t.part < 0; d += 1) {
            const long x = std::lround(t.x - nx * d), y = std::lround(t.y - ny * d);
            if (x < 0 || y < 0 || x >= w || y >= h) continue;
            const int label = m.labels[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
            if (label > 0) t.part = label - 1;
        }
        t.depthUm = kLimbToUm;
        t.filled = true;
        added.push_back(t);
        along.push_back(s);
    }
    row.insert(row.end(), added.begin(), added.end());
    std::sort(row.begin(), row.end(), [&](const AssessTip& a, const AssessTip& b) {
        return (a.x - from.x) * dx + (a.y - from.y) * dy < (b.x - from.x) * dx + (b.y - from.y) * dy;
    });
    if (!added.empty() || changed) setEnds(along);
    return false;
}

// Loops of a row whose darkness along the line repeats clearly at one
// period: a gap of the row this many periods wide holds the loops its
// width holds at that period (merged or faint loops the steps before did
// not part). `faint`: the row was left to the ridge image.
void fillByPeriod(const AssessPlanes& planes, double px, bool faint, std::vector<AssessTip>& row, AssessPoint& from, AssessPoint& to) {
    const double len = std::hypot(to.x - from.x, to.y - from.y);
    if (row.size() < 2 || len * px < 300) return;
    const double dx = (to.x - from.x) / len, dy = (to.y - from.y) / len;
    double nx = dy, ny = -dx;
    if (ny > 0) nx = -nx, ny = -ny;
    const int n = static_cast<int>(len) + 1;
    const std::vector<float> p = bandAlong(planes, from, dx, dy, nx, ny, n, kPeriodFromUm, kPeriodToUm, px);
    RowPeriod period = rowPeriod(p, static_cast<int>(kPeriodMinUm / px), static_cast<int>(kPeriodMaxUm / px), static_cast<int>(kPeriodSlowUm / px));
    std::vector<double> along;
    for (const AssessTip& t : row) along.push_back((t.x - from.x) * dx + (t.y - from.y) * dy);
    std::sort(along.begin(), along.end());
    if (period.lag <= 0 || period.strength < kPeriodStrength) {
        // No clear period: a faint, dense row's own usual spacing stands in
        // for it (its gaps are loops merged or lost; in a clear row the
        // humps along the caps were searched and its gaps are real).
        std::vector<double> g;
        for (size_t i = 1; i < along.size(); ++i) g.push_back(along[i] - along[i - 1]);
        const double usual = percentileOf(g, 0.5);
        if (!faint || static_cast<int>(row.size()) < kSpacingTips || usual * px > kSpacingUm) return;
        period.lag = usual;
    } else if (static_cast<double>(row.size()) > kPeriodShort * len / period.lag) {
        // Only a row that holds clearly fewer loops than its period says.
        return;
    }
    std::vector<AssessTip> added;
    for (size_t i = 1; i < along.size(); ++i) {
        const double g = along[i] - along[i - 1];
        if (g < kPeriodGap * period.lag || g > kPeriodMostGap * period.lag) continue;
        const long k = std::lround(g / period.lag) - 1;
        for (long j = 1; j <= k; ++j) {
            const double s = along[i - 1] + g * static_cast<double>(j) / static_cast<double>(k + 1);
            AssessTip t;
            t.x = from.x + dx * s;
            t.y = from.y + dy * s;
            t.depthUm = kPeriodToUm;
            t.filled = true;
            added.push_back(t);
        }
    }
    if (added.empty()) return;
    for (const AssessTip& t : added) along.push_back((t.x - from.x) * dx + (t.y - from.y) * dy);
    row.insert(row.end(), added.begin(), added.end());
    std::sort(row.begin(), row.end(), [&](const AssessTip& a, const AssessTip& b) {
        return (a.x - from.x) * dx + (a.y - from.y) * dy < (b.x - from.x) * dx + (b.y - from.y) * dy;
    });
    setRowEnds(std::move(along), dx, dy, from, to);
}

// The loops of a row that is not dense, one at each clear column of limbs
// along the line (see kColumnLevel); false, and the row left as it is,
// when the columns make a denser row than kColumnMostPerMm or fewer than two.
bool countByColumns(const RidgeImage& ri, const AssessPlanes& planes, std::vector<AssessTip>& row, AssessPoint& from,
                    AssessPoint& to) {
    const double px = ri.umPerPixelX * ri.factor;
    const double len = std::hypot(to.x - from.x, to.y - from.y);
    if (row.size() < 2 || len * px < 300 || planes.width != ri.width || planes.height != ri.height) return false;
    const double dx = (to.x - from.x) / len, dy = (to.y - from.y) / len;
    double nx = dy, ny = -dx;
    if (ny > 0) nx = -nx, ny = -ny;
    const int n = static_cast<int>(len) + 1;
    std::vector<double> column(static_cast<size_t>(n), 0.0);
    for (int s = 0; s < n; ++s) {
        double mid = 0, side = 0;
        int inMid = 0, inSide = 0;
        for (double d = kColumnFromUm / px; d <= kColumnToUm / px; d += 1)
            for (double a = 0; a <= kColumnSideToUm / px; a += 1) {
                const bool inColumn = a <= kColumnHalfUm / px;
                if (!inColumn && a < kColumnSideFromUm / px) continue;
                for (const double side1 : {-1.0, 1.0}) {
                    const double v = sampleAt(planes.dark, planes.width, planes.height, from.x + dx * (s + side1 * a) - nx * d,
                                              from.y + dy * (s + side1 * a) - ny * d);
                    if (inColumn) mid += v, ++inMid;
                    else side += v, ++inSide;
                }
            }
        column[static_cast<size_t>(s)] = (mid / std::max(1, inMid) - side / std::max(1, inSide)) / std::max(planes.spread, 1e-6f);
    }
    const int apart = std::max(1, static_cast<int>(kColumnApartUm / px));
    std::vector<double> at;
    for (int s = 0; s < n; ++s) {
        const double v = column[static_cast<size_t>(s)];
        if (v < kColumnLevel) continue;
        bool peak = true;
        for (int j = std::max(0, s - apart); j <= std::min(n - 1, s + apart) && peak; ++j)
            if (column[static_cast<size_t>(j)] > v || (column[static_cast<size_t>(j)] == v && j < s)) peak = false;
        if (peak) at.push_back(s);
    }
    // Where the picture is clean a shade of the skin clears the noise
    // floor: a column needs a share of the row's usual one too.
    {
        std::vector<double> clear;
        for (double a : at) clear.push_back(column[static_cast<size_t>(a)]);
        const double level = kColumnShare * percentileOf(clear, 0.5);
        std::vector<double> kept;
        for (double a : at)
            if (column[static_cast<size_t>(a)] >= level) kept.push_back(a);
        at = std::move(kept);
    }
    const double mm = len * px / 1000;
    if (at.size() < 2 || static_cast<double>(at.size()) > kColumnMostPerMm * mm ||
        static_cast<double>(row.size()) >= kColumnTipsMostPerMm * mm)
        return false;
    // A giant's limbs stand further apart than a column's sides: the tops
    // that hold a giant's body stay, and the columns beside them are its
    // limbs. Each other column is a loop: the row's top over it (its cap
    // is measured from there), or a top on the line.
    std::vector<AssessTip> out;
    std::vector<uint8_t> taken(row.size(), 0);
    std::vector<double> giantAt;
    for (size_t i = 0; i < row.size(); ++i) {
        const AssessPoint apex{(row[i].x + 0.5) * ri.factor - 0.5, (row[i].y + 0.5) * ri.factor - 0.5};
        if (!holdsGiantBody(planes, apex, ri.factor, nx, ny)) continue;
        taken[i] = 1;
        out.push_back(row[i]);
        giantAt.push_back((row[i].x - from.x) * dx + (row[i].y - from.y) * dy);
    }
    // A row of giants is left to the fills, which count the loops between
    // them along the caps.
    if (giantAt.size() >= kColumnGiantsMost) return false;
    std::vector<uint8_t> used(at.size(), 0);
    for (size_t k = 0; k < at.size(); ++k)
        for (double g : giantAt) used[k] = used[k] || std::abs(g - at[k]) < kGiantReachUm / px;
    // A top between or over a loop's limbs takes the nearest column within
    // a loop's width, and a wide loop's other limb across it.
    for (size_t i = 0; i < row.size(); ++i) {
        if (taken[i]) continue;
        const double s = (row[i].x - from.x) * dx + (row[i].y - from.y) * dy;
        size_t best = at.size();
        for (size_t k = 0; k < at.size(); ++k)
            if (!used[k] && std::abs(at[k] - s) < kApartUm / px && (best == at.size() || std::abs(at[k] - s) < std::abs(at[best] - s))) best = k;
        if (best == at.size()) continue;
        used[best] = 1;
        taken[i] = 1;
        out.push_back(row[i]);
        // A wide loop's other limb, across its top.
        size_t other = at.size();
        for (size_t k = 0; k < at.size(); ++k)
            if (!used[k] && (at[k] - s) * (at[best] - s) < 0 && std::abs(at[k] - s) < kGiantReachUm / px &&
                (other == at.size() || std::abs(at[k] - s) < std::abs(at[other] - s)))
                other = k;
        if (other < at.size()) used[other] = 1;
    }
    for (size_t k = 0; k < at.size(); ++k) {
        if (used[k]) continue;
        AssessTip t;
        t.x = from.x + dx * at[k];
        t.y = from.y + dy * at[k];
        // A giant's limb with no top of its own: left to the search for
        // giant loops, which finds the giant's cap.
        if (holdsGiantBody(planes, {(t.x + 0.5) * ri.factor - 0.5, (t.y + 0.5) * ri.factor - 0.5}, ri.factor, nx, ny)) continue;
        t.depthUm = kColumnToUm;
        t.filled = true;
        out.push_back(t);
    }
    std::sort(out.begin(), out.end(), [&](const AssessTip& a, const AssessTip& b) {
        return (a.x - from.x) * dx + (a.y - from.y) * dy < (b.x - from.x) * dx + (b.y - from.y) * dy;
    });
    row = std::move(out);
    return true;
}

}  // namespace

void fillRow(const RidgeImage& ri, const AssessPlanes& planes, const AssessMask& m, std::vector<AssessTip>& row,
             AssessPoint& from, AssessPoint& to) {
    const std::vector<AssessTip> found = row;
    const AssessPoint foundFrom = from, foundTo = to;
    const bool faint = fillRowHumps(ri, planes, m, row, from, to);
    if (planes.width == ri.width && planes.height == ri.height) fillByPeriod(planes, ri.umPerPixelX * ri.factor, faint, row, from, to);
    // A row the fills leave dense keeps them: its loops' columns merge.
    const double mm = std::hypot(to.x - from.x, to.y - from.y) * ri.umPerPixelX * ri.factor / 1000;
    if (mm <= 0 || static_cast<double>(row.size()) >= kColumnFilledMostPerMm * mm) return;
    std::vector<AssessTip> byColumns = found;
    AssessPoint columnsFrom = foundFrom, columnsTo = foundTo;
    if (!countByColumns(ri, planes, byColumns, columnsFrom, columnsTo)) return;
    row = std::move(byColumns);
    from = columnsFrom;
    to = columnsTo;
}

}  // namespace ordavia
