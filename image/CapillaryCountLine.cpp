// The profile along the counting line, its peaks, apexes and the figures.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>

#include "image/CapillaryCount.h"
#include "image/CapillaryCountStats.h"

namespace ordavia {

namespace {

// Counting by single limbs (CountSettings::limbUm above 0): the band from
// a little behind the line to towards the apexes, the profile smoothing,
// the least distance of two peaks (about one limb spacing) and the least
// prominence as a share of the picture's strongest limbs.
constexpr double kLimbBehindUm = 10, kLimbBandUm = 50, kLimbSmoothUm = 12, kLimbSpacingUm = 30;
constexpr double kLimbShare = 0.07;
// Limbs are told apart when the width the limb ridge finds for the clearest
// vessels, times its share of the width the loop ridge finds, reaches this
// share of the widest single limb.
constexpr double kLimbResolved = 0.375;
// Where single limbs count a line although whole loops could: they find a
// sparse row (at most this many per mm) or a dense one (at least this
// many), or whole loops are this wide or wider (then neighbours merge).
constexpr double kLimbSparsePerMm = 4.5, kLimbDensePerMm = 9.5, kLoopsMergeUm = 46;
// Where whole loops are wide, single limbs count at this lower share of the
// strongest limbs, with peaks at least this far apart (about one loop).
constexpr double kWideShare = 0.03, kWideSpacingUm = 50;
// In a sparse row by single limbs, a peak counts only where its vessel runs
// on towards the nail at least this far past the line (micrometres): the
// loops of a disorderly row whose caps lie just behind the line, and deep
// vessels, stop short of it. The vessel is followed within this distance
// either side of the peak, from this far behind the line, while its ridge
// stays above half its strength near the line (over the picture's median).
constexpr double kSparseTopUm = 0;
// In a sparse row loops stand apart: peaks closer than this (micrometres)
// are the two limbs of one vessel, often a deep one that turns like a loop.
constexpr double kSparseSpacingUm = 70;
constexpr double kTopWindowUm = 10, kTopFromUm = 30, kTopNearUm = 10, kTopReachUm = 150, kTopGapUm = 6;

struct LineFrame {
    // Micrometre coordinates: position = a + t * d + o * n (n towards the nail).
    double ax, ay, dx, dy, nx, ny, length, sx, sy;
    float cos2, sin2;  // doubled angle of the line in pixel space
    CountPoint pixel(double t, double o) const {
        return {(ax + t * dx + o * nx) / sx, (ay + t * dy + o * ny) / sy};
    }
};

// The ridge that crosses the line, averaged over a band of offsets at each
// step along it: a limb runs through the whole band and keeps its
// strength, while noise averages away. Each band row is first widened by a
// few micrometres either way so that a leaning limb is not lost between
// samples.
std::vector<float> bandProfile(const RidgeImage& ri, const LineFrame& f, double step, int samples, double o0, double o1) {
    std::vector<float> p(static_cast<size_t>(samples), 0.0f);
    std::vector<float> row(static_cast<size_t>(samples));
    // A few micrometres either way, whatever the pixel size.
    const int reach = std::max(1, static_cast<int>(std::lround(3.0 / step)));
    int rows = 0;
    for (double o = o0; o <= o1 + 1e-9; o += step, ++rows) {
        for (int i = 0; i < samples; ++i) {
            const CountPoint q = f.pixel(i * step, o);
            row[static_cast<size_t>(i)] = ri.across(q.x, q.y, f.cos2, f.sin2);
        }
        for (int i = 0; i < samples; ++i) {
            float v = 0;
            for (int j = std::max(0, i - reach); j <= std::min(samples - 1, i + reach); ++j)
                v = std::max(v, row[static_cast<size_t>(j)]);
            p[static_cast<size_t>(i)] += v;
        }
    }
    for (float& v : p) v /= static_cast<float>(std::max(1, rows));
    return p;
}

void smooth(std::vector<float>& p, double sigmaSamples) {
    if (sigmaSamples < 0.3 || p.size() < 3) return;
    const int r = static_cast<int>(std::ceil(3 * sigmaSamples));
    std::vector<float> k(static_cast<size_t>(2 * r + 1));
    for (int j = -r; j <= r; ++j) k[static_cast<size_t>(j + r)] = static_cast<float>(std::exp(-j * j / (2 * sigmaSamples * sigmaSamples)));
    const int n = static_cast<int>(p.size());
    std::vector<float> out(p.size());
    for (int i = 0; i < n; ++i) {
        float s = 0, w = 0;
        for (int j = -r; j <= r; ++j) {
            const int q = i + j;
            if (q < 0 || q >= n) continue;
            s += k[static_cast<size_t>(j + r)] * p[static_cast<size_t>(q)];
            w += k[static_cast<size_t>(j + r)];
        }
        out[static_cast<size_t>(i)] = s / w;
    }
    p.swap(out);
}

// Follows the ridge from a crossing towards the nail and returns the last
// point where it is still clearly there: the apex of the loop.
CountPoint findApex(const RidgeImage& ri, const LineFrame& f, double step, double t0, double halfWindow, double reach,
                    float level) {
    // Half the vessel's own strength where it crosses, so that the apex does
    // not run on into the blur around it.
    float own = 0;
    for (double dt = -halfWindow; dt <= halfWindow; dt += step)
        for (double o = 0; o <= 6; o += step) {
            const CountPoint q = f.pixel(t0 + dt, o);
            own = std::max(own, ri.at(q.x, q.y));
        }
    level = std::max(level, 0.5f * own);
    double t = t0, lastT = t0, lastO = 0;
    int misses = 0;
    for (double o = 0; o <= reach; o += step) {
        float best = 0;
        double bestT = t;
        // Wide enough to reach a limb from the middle of its loop, where the
        // peak of the profile lies.
        const double look = std::max(3 * step, 0.6 * halfWindow);
        for (double dt = -look; dt <= look + 1e-9; dt += step) {
            const double tt = t + dt;
            if (std::abs(tt - t0) > halfWindow) continue;
            const CountPoint q = f.pixel(tt, o);
            const float v = ri.at(q.x, q.y);
            if (v > best) {
                best = v;
                bestT = tt;
            }
        }
        if (best >= level) {
            t = bestT;
            lastT = t;
            lastO = o;
            misses = 0;
        } else if (++misses > 3) {
            break;
        }
    }
    // The ridge was followed up one limb; the apex is the middle of the cap
    // that joins the limbs at the far end.
    double lo = lastT, hi = lastT;
    auto strong = [&](double tt) {
        const CountPoint q = f.pixel(tt, lastO);
        return std::abs(tt - t0) <= halfWindow && ri.at(q.x, q.y) >= level;
    };
    while (strong(lo - step)) lo -= step;
    while (strong(hi + step)) hi += step;
    return f.pixel((lo + hi) / 2, lastO);
}

// Which side the loops end on. Where vessels cross the line, the side
// with the nail shows the caps of their hairpins (and the cuticle rim)
// running along the line, the other side limbs running on across it.
// Both cues vote, each as a share so that neither swamps the other.
bool nailOnLeft(const RidgeImage& ri, LineFrame f, double step, int samples, const CountSettings& s) {
    std::vector<float> here(static_cast<size_t>(samples), 0.0f);
    for (int i = 0; i < samples; ++i)
        for (double o = -15; o <= 15; o += step) {
            const CountPoint q = f.pixel(i * step, o);
            here[static_cast<size_t>(i)] = std::max(here[static_cast<size_t>(i)], ri.across(q.x, q.y, f.cos2, f.sin2));
        }
    smooth(here, s.minSpacingUm / 4 / step);
    const float level = ri.median + ri.level(s.threshold);
    double caps[2] = {0, 0}, limbs[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        for (int i = 0; i < samples; i += 2) {
            if (here[static_cast<size_t>(i)] < level) continue;
            float best = 0;
            for (double o = 0; o <= s.bandUm + 90; o += step) {
                const CountPoint q = f.pixel(i * step, o);
                best = std::max(best, ri.along(q.x, q.y, f.cos2, f.sin2));
            }
            caps[k] += best;
        }
        for (int i = 0; i < samples; i += 2)
            for (double o = s.bandUm + 30; o <= s.bandUm + 200; o += 2 * step) {
                const CountPoint q = f.pixel(i * step, o);
                limbs[k] += ri.across(q.x, q.y, f.cos2, f.sin2);
            }
        f.nx = -f.nx;
        f.ny = -f.ny;
    }
    auto share = [](double a, double b) { return a + b > 0 ? (a - b) / (a + b) : 0.0; };
    return share(caps[0], caps[1]) + share(limbs[1], limbs[0]) >= 0;
}

// How far towards the nail (micrometres from the line) the vessel at `t`
// along the line runs on: from its strongest point near the line to where
// its ridge falls below half of that strength (above the picture's median).
double vesselTop(const RidgeImage& ri, const LineFrame& f, double t, double step) {
    auto strength = [&](double o) {
        float best = 0;
        for (double dt = -kTopWindowUm; dt <= kTopWindowUm + 1e-9; dt += step) {
            const CountPoint q = f.pixel(t + dt, o);
            best = std::max(best, ri.at(q.x, q.y));
        }
        return best;
    };
    float ref = 0;
    double at = 0;
    for (double o = -kTopFromUm; o <= kTopNearUm + 1e-9; o += step)
        if (const float v = strength(o); v > ref) ref = v, at = o;
    const float bg = std::min(ref, ri.median);
    const float half = bg + 0.5f * (ref - bg);
    double top = at;
    int misses = 0;
    for (double o = at; o <= kTopReachUm; o += step) {
        if (strength(o) >= half) top = o, misses = 0;
        else if (++misses * step > kTopGapUm) break;
    }
    return top;
}

// The profile along the line (running `margin` samples past either end)
// and the peaks that count on it, by whole loops or by single limbs.
struct LinePeaks {
    std::vector<float> profile;
    std::vector<int> peaks;  // sample indexes on the line, in order
    std::vector<double> prominences;
    float level = 0;
};

// With `leastTopUm`, a peak counts only where its vessel runs on at least
// that far towards the nail (vesselTop). By single limbs, peaks reach at
// least `share` of the picture's strongest limbs and lie at least
// `spacingUm` apart (scaled down with a smaller CountSettings spacing).
LinePeaks linePeaks(const RidgeImage& ri, const LineFrame& g, double length, double step, int samples, int margin,
                    const CountSettings& s, bool byLimb, std::optional<double> leastTopUm = std::nullopt,
                    double share = kLimbShare, double spacingUm = kLimbSpacingUm) {
    LinePeaks out;
    // A limb exactly on the line still counts: the band starts a little
    // behind it. By single limbs, the band lies mostly on the nail side:
    // deep vessels and the limbs' deeper, fading parts stay out of it.
    std::vector<float>& wide = out.profile;
    wide = byLimb ? bandProfile(ri, g, step, samples + 2 * margin, -kLimbBehindUm, kLimbBandUm)
                  : bandProfile(ri, g, step, samples + 2 * margin, -20, s.bandUm);
    // Past the picture's edge there is nothing to read: the nearest sample
    // inside stands in, or the edge itself would make a peak.
    {
        const int total = static_cast<int>(wide.size());
        auto inside = [&](int i) {
            const CountPoint q = g.pixel(i * step, 0);
            const double x = ri.toX(q.x), y = ri.toY(q.y);
            return x >= 1 && y >= 1 && x <= ri.width - 2 && y <= ri.height - 2;
        };
        int first = 0, last = total - 1;
        while (first < total && !inside(first)) ++first;
        while (last > first && !inside(last)) --last;
        if (first < total) {
            for (int i = 0; i < first; ++i) wide[static_cast<size_t>(i)] = wide[static_cast<size_t>(first)];
            for (int i = last + 1; i < total; ++i) wide[static_cast<size_t>(i)] = wide[static_cast<size_t>(last)];
        }
    }
    // The two limbs of one loop become one hump.
    smooth(wide, (byLimb ? kLimbSmoothUm : s.minSpacingUm / 4) / step);
    // Never below a tenth of a background: on a picture without texture
    // the strength itself is rounding.
    out.level = std::max(ri.level(s.threshold), 0.1f);
    // By single limbs, against the picture's strongest limbs: a share of
    // its 99.9th percentile, which its clearest loops reach even where they
    // are few, so that texture and deep vessels fall short in a sparse row.
    if (byLimb) out.level = std::max(out.level, static_cast<float>(share * (ri.peak - ri.median)));

    std::vector<ProfilePeak> candidates;
    for (const ProfilePeak& pk : profilePeaks(wide))
        if (pk.prominence >= out.level && countedOnLine((pk.at - margin) * step, length) &&
            (!leastTopUm || vesselTop(ri, g, pk.at * step, step) >= *leastTopUm))
            candidates.push_back(pk);
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const ProfilePeak& p, const ProfilePeak& q) { return p.prominence > q.prominence; });
    const double minUm = byLimb ? std::min(s.minSpacingUm, kLimbSpacingUm) * spacingUm / kLimbSpacingUm : s.minSpacingUm;
    const double minSteps = minUm / step;
    for (const ProfilePeak& c : candidates) {
        bool free = true;
        for (int k : out.peaks)
            if (std::abs(k - (c.at - margin)) < minSteps) free = false;
        if (!free) continue;
        out.peaks.push_back(c.at - margin);
        out.prominences.push_back(c.prominence);
    }
    std::sort(out.peaks.begin(), out.peaks.end());
    return out;
}

}  // namespace

bool limbsResolved(const RidgeImage& ri, const CountSettings& s) {
    if (!ri.limbs || !(ri.vesselWidthUm > 0) || !(s.limbUm > 0)) return false;
    const double limb = ri.limbs->vesselWidthUm;
    return limb * (limb / ri.vesselWidthUm) >= kLimbResolved * s.limbUm;
}

CountResult countAlongLine(const RidgeImage& ri, CountPoint a, CountPoint b, const CountSettings& s) {
    CountResult res;
    res.umPerPixelX = ri.umPerPixelX;
    res.umPerPixelY = ri.umPerPixelY;
    res.green = ri.green;
    LineFrame f{};
    f.sx = ri.umPerPixelX;
    f.sy = ri.umPerPixelY;
    f.ax = a.x * f.sx;
    f.ay = a.y * f.sy;
    const double ex = b.x * f.sx - f.ax, ey = b.y * f.sy - f.ay;
    f.length = std::sqrt(ex * ex + ey * ey);
    res.lengthUm = f.length;
    if (!(f.length > 0) || ri.r.empty()) {
        res.distalLeft = s.distal != 2;
        res.warnings.push_back(kCountShortLine);
        return res;
    }
    f.dx = ex / f.length;
    f.dy = ey / f.length;
    {
        const double px = f.dx / f.sx, py = f.dy / f.sy, pl = px * px + py * py;
        f.cos2 = static_cast<float>((px * px - py * py) / pl);
        f.sin2 = static_cast<float>(2 * px * py / pl);
    }
    // Left of the walking direction with y pointing down.
    f.nx = f.dy;
    f.ny = -f.dx;

    const double step = std::min(f.sx, f.sy);
    const int samples = std::max(1, static_cast<int>(std::floor(f.length / step)) + 1);
    res.stepUm = step;
    if (s.distal == 0) {
        res.distalLeft = nailOnLeft(ri, f, step, samples, s);
        res.distalDecided = true;
    } else {
        res.distalLeft = s.distal == 1;
    }
    if (!res.distalLeft) {
        f.nx = -f.nx;
        f.ny = -f.ny;
    }

    // The profile runs on past both ends, so that a capillary near an end
    // still makes a whole peak; which peaks count is countedOnLine's.
    const int margin = static_cast<int>(std::ceil(s.minSpacingUm / step));
    LineFrame g = f;
    g.ax -= margin * step * f.dx;
    g.ay -= margin * step * f.dy;
    // Single limbs where the picture resolves them and whole loops are
    // likely wrong: the row is sparse or dense, whole loops are wide enough
    // to merge neighbours, or they find more capillaries than single limbs
    // do (texture and deep vessels taken for loops). Whole loops otherwise
    // (see the header).
    LinePeaks loops = linePeaks(ri, g, f.length, step, samples, margin, s, false);
    bool byLimb = false;
    if (ri.limbs && limbsResolved(ri, s)) {
        LinePeaks limbs = linePeaks(*ri.limbs, g, f.length, step, samples, margin, s, true);
        const double perMm = static_cast<double>(limbs.peaks.size()) * 1000.0 / f.length;
        // A sparse row: only the vessels that run on past the line.
        if (perMm <= kLimbSparsePerMm) {
            LinePeaks crossing = linePeaks(*ri.limbs, g, f.length, step, samples, margin, s, true, kSparseTopUm,
                                            kLimbShare, kSparseSpacingUm);
            if (crossing.peaks.size() < limbs.peaks.size()) limbs = std::move(crossing);
        }
        // Wide loops: the picture's strongest ridges are its wide columns,
        // and a share of them passes over the ordinary loops beside them.
        // A lower share finds those, with peaks a loop apart, not a limb.
        if (ri.vesselWidthUm >= kLoopsMergeUm) {
            LinePeaks fainter = linePeaks(*ri.limbs, g, f.length, step, samples, margin, s, true, std::nullopt,
                                          kWideShare, kWideSpacingUm);
            if (fainter.peaks.size() > limbs.peaks.size()) limbs = std::move(fainter);
        }
        if (perMm <= kLimbSparsePerMm || perMm >= kLimbDensePerMm || ri.vesselWidthUm >= kLoopsMergeUm ||
            limbs.peaks.size() < loops.peaks.size()) {
            loops = std::move(limbs);
            byLimb = true;
        }
    }
    res.level = loops.level;
    res.singleLimbs = byLimb;
    res.peaks = std::move(loops.peaks);
    std::vector<double>& prominences = loops.prominences;
    std::vector<float>& wide = loops.profile;
    res.profile.assign(wide.begin() + margin, wide.begin() + margin + samples);
    for (int k : res.peaks) {
        res.crossings.push_back(f.pixel(k * step, 0));
        if (s.apexes)
            res.apexes.push_back(findApex(ri, f, step, k * step, s.minSpacingUm / 2, s.bandUm + 150,
                                          ri.median + res.level));
    }
    // How sure: the counted peaks against the picture's ridge background.
    std::sort(prominences.begin(), prominences.end());
    res.quality = prominences.empty() ? 0 : prominences[prominences.size() / 2] / std::max(byLimb ? ri.limbs->spread : ri.spread, 1e-6f);
    if (res.quality < kCountLowQuality) res.warnings.push_back(kCountLowContrast);
    int glare = 0, looked = 0;
    for (int i = 0; i < samples; i += 2)
        for (double o = -10; o <= s.bandUm; o += 5, ++looked) {
            const CountPoint q = f.pixel(i * step, o);
            glare += ri.glareAt(q.x, q.y);
        }
    if (looked > 0 && glare * 50 > looked) res.warnings.push_back(kCountGlare);
    if (f.length < 500) res.warnings.push_back(kCountShortLine);
    updateCountFigures(res);
    return res;
}

bool countedOnLine(double t, double length) { return t >= 0 && t < length; }

std::string countWarningText(const CountResult& r) {
    std::string t;
    for (const std::string& w : r.warnings) t += (t.empty() ? "" : ", ") + w;
    return t;
}

void updateCountFigures(CountResult& r) {
    r.count = static_cast<int>(r.crossings.size());
    r.perMm = r.lengthUm > 0 ? r.count * 1000.0 / r.lengthUm : 0;
    r.apexDistancesUm.clear();
    for (size_t i = 1; i < r.apexes.size(); ++i) {
        const double dx = (r.apexes[i].x - r.apexes[i - 1].x) * r.umPerPixelX;
        const double dy = (r.apexes[i].y - r.apexes[i - 1].y) * r.umPerPixelY;
        r.apexDistancesUm.push_back(std::sqrt(dx * dx + dy * dy));
    }
}

bool toggleCrossing(CountResult& r, CountPoint a, CountPoint b, CountPoint click, double radiusPx) {
    size_t nearest = r.crossings.size();
    double best = radiusPx * radiusPx;
    for (size_t i = 0; i < r.crossings.size(); ++i) {
        const double dx = r.crossings[i].x - click.x, dy = r.crossings[i].y - click.y;
        if (dx * dx + dy * dy <= best) {
            best = dx * dx + dy * dy;
            nearest = i;
        }
    }
    if (nearest < r.crossings.size()) {
        r.crossings.erase(r.crossings.begin() + static_cast<std::ptrdiff_t>(nearest));
        if (nearest < r.apexes.size()) r.apexes.erase(r.apexes.begin() + static_cast<std::ptrdiff_t>(nearest));
        updateCountFigures(r);
        return true;
    }
    // Projected onto the line, in pixel space; kept in order along it.
    const double ex = b.x - a.x, ey = b.y - a.y, len2 = ex * ex + ey * ey;
    const double t = len2 > 0 ? std::clamp(((click.x - a.x) * ex + (click.y - a.y) * ey) / len2, 0.0, 1.0) : 0.0;
    const CountPoint p{a.x + t * ex, a.y + t * ey};
    size_t at = 0;
    while (at < r.crossings.size() &&
           ((r.crossings[at].x - a.x) * ex + (r.crossings[at].y - a.y) * ey) / (len2 > 0 ? len2 : 1) < t)
        ++at;
    r.crossings.insert(r.crossings.begin() + static_cast<std::ptrdiff_t>(at), p);
    // A hand-made mark has no traced apex; its apex is the mark itself.
    if (r.apexes.size() + 1 == r.crossings.size())
        r.apexes.insert(r.apexes.begin() + static_cast<std::ptrdiff_t>(at), p);
    updateCountFigures(r);
    return false;
}

}  // namespace ordavia
