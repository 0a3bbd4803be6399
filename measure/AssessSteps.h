#pragma once
// Internal to the assessment: the steps of assessPicture, each on the
// working planes. AssessRow.cpp finds the capillary tips and the distal
// row, AssessGiants.cpp the giant loops it missed, AssessCaps.cpp measures
// their apical diameters, AssessShapes.cpp classifies shapes,
// AssessFindings.cpp finds haemorrhages; AssessPicture.cpp runs the steps
// and judges how far each figure can be trusted.
#include <cstdint>
#include <vector>

#include "image/AssessPlanes.h"
#include "image/CapillaryCount.h"
#include "measure/CapillaryAssessment.h"

class CZVimage;

namespace ordavia {

// A capillary's top found in the vessel mask, in plane pixels.
struct AssessTip {
    double x = 0, y = 0;
    int part = -1;       // the vessel part it belongs to
    int tips = 1;        // tops of one capillary (more than one: ramified)
    double spreadUm = 0; // how far its part reaches across, near the top
    double depthUm = 0;  // how far its part reaches down below the top
    // How upright the ridges below the top run, -1 (across the row) to 1
    // (towards the nail): the limbs of a loop run upright, skin texture
    // and the nail-fold's creases do not.
    double upright = 1;
    // Found again by fillRow: counted, but its cap was not seen in the mask
    // and is not measured.
    bool filled = false;
    // Found (or confirmed) by the search for giant loops, at the top of
    // its cap's dark patch: its diameter comes from its body's width.
    bool giant = false;
    // Known from that search alone: no capillary when it proves no giant.
    bool giantOnly = false;
};

struct AssessMask {
    std::vector<uint8_t> vessel;  // plane pixels that belong to vessels
    std::vector<int> labels;      // part index + 1
    std::vector<PlanePart> parts;
    float level = 0;              // the ridge level of the mask where set by the picture's top
};

// The vessel mask's level for each column of the ridge image: set by the
// clearest vessels in a band around it, so that a few far darker (giant)
// loops do not lift it over the ordinary loops of the whole row.
std::vector<float> columnLevels(const RidgeImage& ridge);

// `exclude` (same grid, may be empty): pixels that are not vessels
// whatever their ridge (haemorrhages).
AssessMask vesselMask(const RidgeImage& ridge, const std::vector<uint8_t>& exclude = {});
std::vector<AssessTip> capillaryTips(const AssessMask& m, int width, int height, double umPerPixel);
// A top set on a band that runs along the row (the cuticle's rim, a crease)
// or on nothing of its own, with a loop's cap hanging below it: the band's
// darkening is the same either side along the row, a cap's is its own.
// Such a top is moved down to just above the cap (`planes` on the tips'
// grid); a top on a cap of its own, or with no cap below, stays.
void settleTips(const AssessPlanes& planes, std::vector<AssessTip>& tips);
// Sets each tip's `upright` from the ridge image below it.
void loopEvidence(const RidgeImage& ridge, std::vector<AssessTip>& tips);

// The distal row among the tips (plane pixels): automatic (line fitted
// through the most distal tips; from/to set to the row's ends) or along
// the given line (plane pixels; the nail on its side with smaller y).
std::vector<AssessTip> distalRow(const std::vector<AssessTip>& tips, double umPerPixel, bool automatic,
                                 AssessPoint& from, AssessPoint& to);

// In a row whose tops mostly stand on upright limbs, takes out of `row`
// (and returns) the tops whose ridges below run across the row instead: a
// cuticle's rim, a crease, skin texture, or the cap of a giant loop, which
// the caller keeps only when measured as one.
std::vector<AssessTip> takeAcrossTips(std::vector<AssessTip>& row);
// Whether most of the row's tops stand on clearly upright limbs: a row
// whose loops the picture resolves.
bool clearRow(const std::vector<AssessTip>& row);

// Loops of the row the mask lost (merged with a neighbour, washed out by
// haze): ridges crossing the row just below its line, between the tips
// found, as clear as the row's own loops. Added to `row` (plane pixels,
// the line from `from` to `to` as distalRow set it; in a row of clearly
// upright loops the line's ends are set again from the filled row).
// The same from the ridge image alone, in the gaps of the row only, for
// rows whose loops the darkness along the line does not resolve.
void fillRowGaps(const RidgeImage& ridge, const AssessMask& m, std::vector<AssessTip>& row, AssessPoint& from,
                 AssessPoint& to);
void fillRow(const RidgeImage& ridge, const AssessPlanes& planes, const AssessMask& m, std::vector<AssessTip>& row,
             AssessPoint& from, AssessPoint& to);

// Giant loops the row step missed or found elsewhere: dark, wide patches
// of vessel colour (plane pixels). Each is added to `row`, or marks the
// row's capillary at it, with `giant` set.
void findGiantLoops(const AssessPlanes& planes, std::vector<AssessTip>& row);

// The mean darkening of the plane over its background in a box `wideUm`
// across the row, from `aboveUm` towards the nail of `at` (picture pixels,
// the normal (nx, ny) towards the nail) to `belowUm` away from it; pixels
// lighter than the background count as 0 when `darkOnly`. NaN when the
// plane is empty or the box lies outside it.
double boxDarkening(const AssessPlanes& planes, AssessPoint at, int factor, double nx, double ny, double wideUm,
                    double aboveUm, double belowUm, bool darkOnly);

// The mean darkening (over the background) of a box of a giant loop's
// size around `apex` (picture pixels, the normal (nx, ny) towards the nail):
// blur spreads a loop's darkness but keeps its sum, and a giant's blood
// column takes far more light than a dilated loop's whatever the blur.
double giantBodyMass(const AssessPlanes& planes, AssessPoint apex, int factor, double nx, double ny);
bool holdsGiantBody(const AssessPlanes& planes, AssessPoint apex, int factor, double nx, double ny);
// Giants of the row (caps[i] of row[i]) whose box does not take a giant's
// share of the light are no giants: tips of the giant search alone are
// taken out, others keep no diameter.
void confirmGiants(const AssessPlanes& planes, std::vector<AssessTip>& row, std::vector<AssessedCapillary>& caps,
                   int factor, double nx, double ny);

// The apical diameters of the row's capillaries.
struct CapsMeasured {
    double widen = 0;          // the optics' widening of every dip, squared micrometres
    double measuredShare = 0;  // of the row's capillaries whose diameter was measured
    // The blur of the measured loops' outer edges below their caps (the
    // median sigma, micrometres; 0 with fewer than four measured).
    double bodyEdgeUm = 0;
};

// Appends one capillary per tip of `row` (plane pixels, `factor` picture
// pixels each) to `caps` (whatever it holds already is kept), its apex and
// apical diameter measured along the normal (nx, ny) towards the nail in
// the picture; `noise` is the darkness planes' spread. With `planes` (on
// the row's plane grid) a cap's diameter is also weighed by the blood
// around it, which tells dilated loops on blurred pictures.
// Tips of the giant search that prove no giant are taken out of `row`.
CapsMeasured measureCaps(const CZVimage& picture, std::vector<AssessTip>& row, int factor, double nx, double ny,
                         double umPerPixel, float noise, std::vector<AssessedCapillary>& caps,
                         const AssessPlanes* planes = nullptr);

// The shape of capillary `index` of the row `caps` (picture pixels), from
// the picture around its cap; (nx, ny) the row's normal towards the nail.
// The found haemorrhages are no part of any capillary. `judged` (may be
// null) tells whether the cap could be judged at all: a cap not measured
// (outside a sparse row), faint or out of focus reads as a hairpin without
// having been looked at.
// `sparse`: the row holds 3 capillaries per mm or fewer, its loops stand
// apart, and a top far wider than the limbs below is abnormal as well.
CapillaryShape shapeOf(const CZVimage& picture, const std::vector<AssessedCapillary>& caps, size_t index, double nx,
                       double ny, double umPerPixel, const std::vector<Haemorrhage>& haemorrhages,
                       bool* judged = nullptr, bool sparse = false);

// Old blood is brown: it darkens red nearly as much as green, where blood
// in a vessel lets red light through. The plane pixels darker than
// `darkLevel` that are brown: deposits, never vessels. Empty for a grey
// picture or planes on another grid than the ridge image's.
std::vector<uint8_t> brownPixels(const AssessPlanes& planes, const RidgeImage& ridge, float darkLevel);

// Haemorrhages: brown (grey pictures: dark) compact parts outside the
// vessels, distal to the row's line (picture pixels) or beside a tip.
std::vector<Haemorrhage> findHaemorrhages(const AssessPlanes& planes, const AssessMask& mask,
                                          const std::vector<uint8_t>& brown, float darkLevel,
                                          const std::vector<AssessTip>& tips, AssessPoint lineFrom,
                                          AssessPoint lineTo, bool lineAutomatic, double nx, double ny, int factor,
                                          double px);

}  // namespace ordavia
