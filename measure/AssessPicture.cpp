// The assessment of one picture: the vessel mask from the counter's ridge
// image, the capillary tips and the distal row (AssessRow.cpp), then for
// each capillary its apical diameter by the width measure across its cap,
// its size class and shape; haemorrhages as dark, compact deposits that
// are not vessels, near and distal to the row; and how far each figure can
// be trusted.
#include <algorithm>
#include <cmath>

#include "image/CZVimage.h"
#include "measure/AssessSteps.h"
#include "measure/CapillaryWidth.h"
#include "measure/FastTrack.h"

namespace ordavia {

namespace {

// Tops are moved down to their caps (settleTips) where the clearest
// vessels answer at dips this wide (micrometres) or narrower.
constexpr double kSettleVesselUm = 60;

// Out of focus: the counter's ridge of single limbs finds nothing but the
// finest grain once the optics blur the limbs away, while its ridge of
// whole loops answers only at wide dips. The limbs' width times its share
// of the loops' falls under this share of the counter's limb width there
// (about half of what it is on pictures that show their limbs). Such a
// picture's row is read from the few loops that survive the blur, and its
// density is not to be trusted.
constexpr double kBlurredLimbShare = 0.23;
// The density's quality on such a picture, at the most.
constexpr double kBlurredDensityQuality = 0.4;
// Out of focus as well: the loops' outer edges below their caps blurred
// beyond this (sigma, micrometres, the median of four loops or more; about
// 10 on pictures in focus, 7 to 14 on nine in ten of the study's typical
// ones, up to 30 on its blurred ones). Rows of giants and dilated loops
// keep their limbs' ridge through such a blur, but their caps are read
// from the spread of their blood alone.
constexpr double kBlurredBodyEdgeUm = 15;

// Whether the optics blur the picture's single limbs away (see above).
// `ri` is the assessment's ridge of whole loops, made from `plane` with
// `loops`, whose scales are the counter's; the counter's limb ridge is made
// here from the same plane.
bool limbsBlurred(const CountPlane& plane, const CountSettings& loops, const RidgeImage& ri) {
    CountSettings counting = loops;
    counting.limbUm = CountSettings{}.limbUm;
    const RidgeImage limbs = limbRidge(plane, counting);
    if (!(ri.vesselWidthUm > 0) || !(limbs.vesselWidthUm > 0)) return false;
    const double limb = limbs.vesselWidthUm;
    return limb * (limb / ri.vesselWidthUm) < kBlurredLimbShare * counting.limbUm;
}

// Along a user's line the capillaries are the counter's (countAlongLine,
// with the settings the count tool and "ordavia-cli count" use), so that a
// line has one count wherever it is counted. Each counted capillary takes
// the vessel mask's top nearest the apex the counter traced, when there is
// one within reach, for its cap is measured from there; otherwise that apex.
// `from` and `to` in picture pixels, `tips` in plane pixels.
std::vector<AssessTip> countedRow(const CZVimage& picture, double scale, const CountSettings& settings,
                                  AssessPoint from, AssessPoint to, const std::vector<AssessTip>& tips, int f) {
    CountSettings s = settings;
    s.apexes = true;
    const RidgeImage ridge = ridgeImage(picture, scale, scale, s);
    const CountResult counted = countAlongLine(ridge, {from.x, from.y}, {to.x, to.y}, s);
    const double len = std::hypot(to.x - from.x, to.y - from.y);
    const double dx = len > 0 ? (to.x - from.x) / len : 1, dy = len > 0 ? (to.y - from.y) / len : 0;
    // A mask top belongs to a counted capillary within this distance of its
    // apex (micrometres) and nearer it along the line than to its neighbours.
    constexpr double kTopReachUm = 40;
    std::vector<double> along;
    for (const CountPoint& c : counted.crossings) along.push_back((c.x - from.x) * dx + (c.y - from.y) * dy);
    std::vector<AssessTip> row;
    std::vector<uint8_t> taken(tips.size(), 0);
    for (size_t k = 0; k < counted.crossings.size(); ++k) {
        const CountPoint apex = k < counted.apexes.size() ? counted.apexes[k] : counted.crossings[k];
        const double lo = k > 0 ? (along[k - 1] + along[k]) / 2 : -1e300;
        const double hi = k + 1 < along.size() ? (along[k] + along[k + 1]) / 2 : 1e300;
        size_t best = tips.size();
        double bestDistance = kTopReachUm / scale;
        for (size_t i = 0; i < tips.size(); ++i) {
            if (taken[i]) continue;
            const double x = (tips[i].x + 0.5) * f - 0.5, y = (tips[i].y + 0.5) * f - 0.5;
            const double t = (x - from.x) * dx + (y - from.y) * dy;
            const double d = std::hypot(x - apex.x, y - apex.y);
            if (t >= lo && t < hi && d <= bestDistance) best = i, bestDistance = d;
        }
        AssessTip tip;
        if (best < tips.size()) {
            tip = tips[best];
            taken[best] = 1;
        } else {
            tip.x = (apex.x + 0.5) / f - 0.5;
            tip.y = (apex.y + 0.5) / f - 0.5;
        }
        row.push_back(tip);
    }
    return row;
}

}  // namespace

Result<CapillaryAssessment> assessPicture(const CZVimage& image, const AssessOptions& options) {
    if (image.isEmpty() || image.width() < 16 || image.rows() < 16)
        return Status::failure(StatusCode::OutOfRange, "the picture is empty or too small to assess");
    CapillaryAssessment a;
    a.finger = options.finger;
    a.calibrated = options.umPerPixel > 0;
    const double scale = a.calibrated ? options.umPerPixel : options.guessUmPerPixel;
    a.umPerPixel = scale;
    const CZVimage* src = &image;
    CZVimage demosaiced;
    if (image.colour() == CZVimage::kBayer) {
        if (!image.demosaicTo(demosaiced)) return Status::failure(StatusCode::BadFormat, "the Bayer picture cannot be demosaiced");
        src = &demosaiced;
    }
    a.colour = src->colour() == CZVimage::kColour;
    auto step = [&](double done) { return !options.progress || options.progress(done); };

    CountSettings cs;
    cs.channel = a.colour ? 1 : 0;
    // Scales up to a giant loop's width, whatever the counter uses.
    cs.minLimbUm = 16;
    cs.maxLimbUm = 110;
    cs.minSpacingUm = 50;
    cs.threshold = 0.035;
    cs.limbUm = 0;  // the row is found from whole loops; no limb ridge image
    // One channel (green for colour), as the counter's own ridge image
    // takes it with these settings.
    bool green = false;
    const CountPlane plane = countPlane(*src, scale, scale, cs.channel, &green);
    RidgeImage ri = ridgeImage(plane, cs);
    ri.green = green;
    if (!step(0.4)) return Status::cancelled();
    const AssessPlanes planes = assessPlanes(*src, scale, ri.factor);
    const int f = ri.factor;
    const double px = scale * f;
    const float darkLevel = planes.median + std::max(5 * planes.spread, 0.02f);
    const std::vector<uint8_t> brown = brownPixels(planes, ri, darkLevel);
    const AssessMask mask = vesselMask(ri, brown);
    std::vector<AssessTip> tips = capillaryTips(mask, ri.width, ri.height, px);
    // A blurred picture spreads each cap into a band along a dense row, and
    // its tops stay where the mask found them.
    if (planes.width == ri.width && planes.height == ri.height && ri.vesselWidthUm <= kSettleVesselUm)
        settleTips(planes, tips);
    loopEvidence(ri, tips);
    if (!step(0.6)) return Status::cancelled();

    const bool automatic = !(options.lineFrom && options.lineTo);
    a.lineAutomatic = automatic;
    AssessPoint from, to;
    auto toPlane = [&](AssessPoint p) { return AssessPoint{(p.x + 0.5) / f - 0.5, (p.y + 0.5) / f - 0.5}; };
    auto toPicture = [&](AssessPoint p) { return AssessPoint{(p.x + 0.5) * f - 0.5, (p.y + 0.5) * f - 0.5}; };
    if (!automatic) {
        from = toPlane(*options.lineFrom);
        to = toPlane(*options.lineTo);
    }
    std::vector<AssessTip> row = automatic ? distalRow(tips, px, true, from, to)
                                           : countedRow(*src, scale, options.lineCount, *options.lineFrom,
                                                        *options.lineTo, tips, f);
    // Along a line found automatically, loops the mask merged or lost; tops
    // whose ridges run across the row count only as giant loops.
    std::vector<AssessTip> across;
    if (automatic) {
        across = takeAcrossTips(row);
        fillRow(ri, planes, mask, row, from, to);
    }
    if (automatic && row.size() < 2) {
        // Nothing to fit: a level line across the picture at the one
        // capillary (or the upper third), which says how little was found.
        const double y = row.empty() ? ri.height / 3.0 : row.front().y;
        from = {0, y};
        to = {ri.width - 1.0, y};
        a.pictureWarnings.push_back(kAssessNoRow);
    }
    a.lineFrom = automatic ? toPicture(from) : *options.lineFrom;
    a.lineTo = automatic ? toPicture(to) : *options.lineTo;
    if (automatic) {
        a.lineFrom.x = std::clamp(a.lineFrom.x, 0.0, src->width() - 1.0);
        a.lineTo.x = std::clamp(a.lineTo.x, 0.0, src->width() - 1.0);
    }
    // Towards the nail in picture pixels.
    double nx = a.lineTo.y - a.lineFrom.y, ny = -(a.lineTo.x - a.lineFrom.x);
    {
        const double len = std::hypot(nx, ny);
        nx = len > 0 ? nx / len : 0;
        ny = len > 0 ? ny / len : -1;
        if (ny > 0) nx = -nx, ny = -ny;
    }

    if (planes.width == ri.width && planes.height == ri.height) {
        const size_t counted = row.size();
        findGiantLoops(planes, row);
        // Along a user's line the counter's capillaries are the row: the
        // search for giant loops marks them, and adds none.
        if (!automatic) row.resize(counted);
    }
    std::vector<AssessedCapillary>& caps = a.capillaries;
    const CapsMeasured measured = measureCaps(*src, row, f, nx, ny, scale, planes.spread, caps,
                                              planes.width == ri.width && planes.height == ri.height ? &planes : nullptr);
    if (planes.width == ri.width && planes.height == ri.height) confirmGiants(planes, row, caps, f, nx, ny);
    if (!across.empty()) {
        std::vector<AssessedCapillary> wide;
        (void)measureCaps(*src, across, f, nx, ny, scale, planes.spread, wide);
        // Such a top comes back as a giant unless the search for giant loops
        // has put one there already (two giants, each over 100 um across,
        // stand further apart).
        const auto taken = [&](const AssessedCapillary& g) {
            for (const AssessedCapillary& c : caps)
                if (c.apexUm >= kGiantApexUm && std::hypot(c.apex.x - g.apex.x, c.apex.y - g.apex.y) * scale < 2 * kGiantApexUm) return true;
            return false;
        };
        for (size_t i = 0; i < wide.size(); ++i)
            if (std::isfinite(wide[i].apexUm) && wide[i].apexUm >= kGiantApexUm && !taken(wide[i]) &&
                holdsGiantBody(planes, wide[i].apex, f, nx, ny)) {
                caps.push_back(wide[i]);
                row.push_back(across[i]);
            }
    }
    const double widen = measured.widen, measuredShare = measured.measuredShare;
    if (!step(0.8)) return Status::cancelled();

    a.haemorrhages = findHaemorrhages(planes, mask, brown, darkLevel, tips, a.lineFrom, a.lineTo, a.lineAutomatic, nx,
                                      ny, f, px);
    // Shapes after the haemorrhages, which are no part of any capillary.
    // How many of the row's capillaries (giants aside, whose shape is no
    // matter) could be judged at all.
    // On a blurred picture buds and branches melt into the cap and what is
    // left of a shape is noise: no shape is called there, and the shapes'
    // quality says they were not looked at.
    const bool shapesVisible = std::sqrt(std::max(0.0, measured.widen)) <= 30 && ri.vesselWidthUm <= 55;
    // A row of 3 capillaries per mm or fewer (the density the pattern
    // reads): its loops stand apart, and its shapes decide the pattern.
    const double lineUm = std::hypot(a.lineTo.x - a.lineFrom.x, a.lineTo.y - a.lineFrom.y) * scale;
    const bool sparse = lineUm > 0 && static_cast<double>(caps.size()) * 1000.0 / lineUm <= kFastTrackLowDensity;
    int judgeable = 0, judged = 0;
    for (size_t i = 0; i < caps.size(); ++i) {
        bool looked = false;
        if (shapesVisible) caps[i].shape = shapeOf(*src, caps, i, nx, ny, scale, a.haemorrhages, &looked, sparse);
        if (caps[i].apexUm >= kGiantApexUm) continue;
        ++judgeable;
        judged += looked ? 1 : 0;
    }
    const double judgedShare = judgeable > 0 ? static_cast<double>(judged) / judgeable : 0;

    // --- how far the picture can be trusted.
    {
        const double contrast = (ri.top - ri.median) / std::max(ri.spread, 1e-6f);
        double sharp = 1;
        const double widening = std::sqrt(std::max(0.0, widen));
        if (widening > 30) sharp = std::max(0.2, 1 - (widening - 30) / 40);
        int glare = 0;
        for (uint8_t g : ri.glare) glare += g;
        const double glareShare = ri.glare.empty() ? 0 : static_cast<double>(glare) / ri.glare.size();
        double cq = std::clamp((contrast - 3) / 6, 0.1, 1.0);
        if (cq < 0.5) a.pictureWarnings.push_back(kAssessLowContrast);
        const bool blurred = limbsBlurred(plane, cs, ri);
        if (sharp < 0.7 || blurred || measured.bodyEdgeUm > kBlurredBodyEdgeUm)
            a.pictureWarnings.push_back(kAssessOutOfFocus);
        if (glareShare > 0.02) a.pictureWarnings.push_back(kAssessGlare);
        const double gq = glareShare > 0.02 ? 0.7 : 1.0;
        AssessmentQuality& q = a.pictureQuality;
        q.density = std::min(1.0, cq * gq * (row.size() >= 2 ? 1.0 : 0.2));
        if (blurred) q.density = std::min(q.density, kBlurredDensityQuality);
        // The caps measured are sized as well as the picture allows; a
        // row with fewer than a third of its caps measured leaves too many
        // unsized to stand for the row.
        q.diameter = std::min(1.0, cq * sharp * std::clamp(measuredShare * 3, 0.0, 1.0));
        // Shapes seen on fewer than half the row's capillaries say little
        // about the rest: a sparse row whose loops could not be looked at
        // is not cleared of abnormal shapes.
        q.shape = std::min(1.0, cq * sharp * 0.9) * std::clamp(2 * judgedShare, 0.0, 1.0);
        q.haemorrhages = std::min(1.0, cq * gq) * (a.colour ? 1.0 : 0.5);
        q.gaps = q.density;
        if (!a.colour) a.pictureWarnings.push_back(kAssessGreyPicture);
        if (!a.calibrated) a.pictureWarnings.push_back(kAssessUncalibrated);
    }
    recomputeAssessment(a, scale);
    step(1.0);
    return a;
}

}  // namespace ordavia
