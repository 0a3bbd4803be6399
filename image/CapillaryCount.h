#pragma once
// Capillary counting along a line: the number of capillaries of the distal
// row that cross a line the user draws, and their density per millimetre.
//
// The method, in order:
//  1. one channel: green for colour pictures when it shows the vessels with
//     more contrast than the grey mix (blood absorbs green most strongly),
//     averaged down to pixels of about 5 micrometres: at 200x a vessel's
//     dip is 15 to 120 micrometres wide, so nothing is lost and the rest
//     runs several times faster;
//  2. flatten uneven lighting by dividing by a wide Gaussian background, so
//     that the rest works on relative darkness whatever the exposure;
//  3. a Hessian ridge filter for dark tubes (the largest eigenvalue of the
//     Hessian, normalised with sigma^1.5 so that a dip answers most at the
//     scale of its own width; blobs suppressed) over scales covering the
//     given width range, each scale measured against its own background
//     (the level 90 % of the picture stays below), and at every pixel the
//     scale where its ridge is strongest: the optics, the angle of the
//     limbs and merged limbs make dips of very different widths from one
//     picture to the next, and noise answers most at the finest scales;
//  4. along the line, the ridge that crosses it averaged over a band
//     reaching from the line towards the nail, so that the two limbs and
//     the apex of one loop form one hump;
//  5. peaks of that profile at least a minimum spacing apart whose
//     prominence is a share of the picture's own ridge strength (a fixed
//     grey level fails on pictures whose vessels darken them by 1 % or by
//     10 %). A capillary counts when the top of its peak lies on the line,
//     from its first point up to but not including its last, so that two
//     lines that meet end to end count the capillary at their joint once.
//
// Counting by single limbs (CountSettings::limbUm above 0; 0 counts by
// whole loops only). By whole loops the count compresses the range of
// densities: in dense rows neighbouring loops merge into one hump, in
// sparse rows skin texture and deep vessels in the gaps make humps of
// their own. By single limbs:
//  3'. a second ridge image at the scale of one limb (12.5 micrometres up to
//      limbUm, on pixels fine enough for them), beside the first, which
//      still finds the nail side, the apexes and the glare;
//  4'. the band reaches from 10 micrometres behind the line to 50 towards
//      the nail, where the upper limbs and apexes lie and deep vessels and
//      the fading lower limbs do not; smoothed over 12 micrometres;
//  5'. peaks at least about one limb spacing apart (30 micrometres, or the
//      given spacing when smaller), whose prominence is at least 7 % of the
//      picture's strongest limbs (the 99.9th percentile above the median,
//      which the clearest loops reach even where they are few) and never
//      below the given share of the limb ridge's strength.
//  6'. in a sparse row (at most 4.5 per mm by single limbs) a peak counts
//      only where its vessel runs on towards the nail past the line: in a
//      disorderly row, loops whose caps lie just behind the line, and deep
//      vessels, make peaks in the band but stop short of it; and peaks
//      there lie at least 70 micrometres apart (loops stand apart, so two
//      closer peaks are the limbs of one vessel, often a deep one that
//      turns like a loop);
//  7'. where the picture's loops are wide (46 micrometres or wider: wide
//      blood columns, a soft focus), its strongest limbs are those of the
//      wide loops, and 7 % of them passes over the ordinary, narrower loops
//      beside them; there peaks of 3 % count too, at least 50 micrometres
//      apart (one loop, not its two limbs), when they find more.
// Single limbs count a line only where they do better than whole loops:
//  - the picture resolves its limbs. In a sharp picture the clearest
//    vessels answer the limb ridge at its widest scales and the loop ridge
//    at scales not much wider; out of focus, the limb ridge's clearest
//    answers are noise at its finest scales and the loop ridge's vessels
//    are wide. Limbs are resolved when the limb width times its share of
//    the loop width reaches 3/8 of limbUm (limbsResolved);
//  - and whole loops are likely wrong there: single limbs find a sparse row
//    (at most 4.5 per mm: whole loops count texture and deep vessels) or a
//    dense one (at least 9.5 per mm), or the picture's loops are 46
//    micrometres wide or wider (wide columns at a soft focus: neighbours
//    merge), or whole loops find more capillaries than single limbs do.
//    In rows of neatly separated loops whole loops count closer to the
//    truth.
// On synthetic rows of 1 to 12 per mm (typical look, three per density,
// six seeds) whose dense rows merge their neighbours at the picture's blur,
// the mean error per 1 mm line is 1.3 to 1.7 (r 0.73 to 0.85, 57 to 69 %
// within one; over rows of 1 to 9 per mm 1.1 to 1.4); rows of 1 to 3 are
// counted about one too high and rows of 10 to 12 1.5 to 3 too low, where
// most of their loops are narrow and faint beside wide ones. Strongly
// blurred pictures are counted by whole loops as before, and poorly (see
// bench/count/count_study).
//
// The capillaroscopy assessment counts a user's line with this same count
// (its capillaries are the ones counted here), so that the count tool,
// "ordavia-cli count" and "ordavia-cli assess --line" agree.
//
// All sizes are in micrometres and become pixels through the calibration.
// Pure functions: no settings are read here and nothing prompts.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Result.h"

class CZVimage;

namespace ordavia {

// What a count says about itself, in the words of the command line and
// the workstation alike.
inline constexpr const char* kCountLowContrast = "low contrast";
inline constexpr const char* kCountGlare = "glare on the line";
inline constexpr const char* kCountShortLine = "line shorter than 0.5 mm";
inline constexpr const char* kCountUncalibrated = "uncalibrated";

struct CountSettings {
    // The range of vessel widths (a dip's width at half depth across the
    // vessel) the ridge filter chooses its scale from.
    double minLimbUm = 16;
    double maxLimbUm = 110;
    double backgroundUm = 250;  // sigma of the lighting background
    double bandUm = 100;        // depth of the band from the line towards the nail
    double minSpacingUm = 50;   // closest two counted capillaries may be
    double threshold = 0.035;   // least peak prominence, as a share of the picture's ridge strength
    // 0: decide from the picture; 1: the nail lies on the left of the line
    // walking from its first to its second point (y downwards); 2: right.
    int distal = 0;
    // 0: decide (green or grey mix) for colour pictures; 1 green; 2 grey mix.
    int channel = 0;
    bool apexes = true;         // look for the apex of every counted capillary
    // Above 0, count by single limbs where the picture resolves them: that
    // profile reads the ridge of scales from 12.5 micrometres up to this
    // width only (see the method above); 0 counts by whole loops only.
    double limbUm = 24;

    // An empty string when usable; otherwise why not.
    ordavia::Status validate() const;
};

// One channel of a picture as floats, with its calibration.
struct CountPlane {
    int width = 0, height = 0;
    double umPerPixelX = 1, umPerPixelY = 1;
    std::vector<float> v;  // rows top first
};

// The ridge strength of a picture (>= 0, larger on darker, tube-like
// structures) and the statistics the threshold is measured against.
// Its pixels are `factor` pixels of the picture each way; the accessors
// take picture pixel coordinates.
struct RidgeImage {
    int width = 0, height = 0;
    int factor = 1;
    double umPerPixelX = 1, umPerPixelY = 1;  // of the picture
    std::vector<float> r;
    // Places much brighter than their surroundings (gel reflections).
    std::vector<uint8_t> glare;
    // Direction across the strongest ridge at each pixel, as the cosine and
    // sine of twice its angle (x right, y down).
    std::vector<float> c2, s2;
    float median = 0;  // of all pixels
    float spread = 0;  // robust standard deviation about the median
    float top = 0;     // 99.5th percentile: the picture's clearest vessels
    float peak = 0;    // 99.9th percentile: the strongest ridges, even where vessels are few
    // The dip width (at half depth, micrometres) at which the clearest
    // vessels answer most.
    double vesselWidthUm = 0;
    // The ridge at the scale of one limb (from 12.5 micrometres up to
    // CountSettings::limbUm, on pixels fine enough for them); none when
    // that is 0. Shared: copies of a ridge image read the same one.
    std::shared_ptr<const RidgeImage> limbs;
    // The picture's ridge strength: its clearest vessels above the median.
    float strength() const { return std::max(top - median, 1e-6f); }
    // The prominence a profile peak must have for `threshold`.
    float level(double threshold) const;
    bool green = false;  // the green channel was used
    float at(double x, double y) const;  // bilinear, 0 outside
    // The ridge strength counted for a line running at the doubled angle
    // (cos, sin): full for ridges that cross it square, none for ridges
    // along it (a cuticle rim, say). Nearest pixel, 0 outside.
    float across(double x, double y, float cos2, float sin2) const;
    // The opposite: full for ridges along the line (an apex cap).
    float along(double x, double y, float cos2, float sin2) const { return across(x, y, -cos2, -sin2); }
    bool glareAt(double x, double y) const;
    // Picture pixel coordinates to this image's.
    double toX(double x) const { return (x + 0.5) / factor - 0.5; }
    double toY(double y) const { return (y + 0.5) / factor - 0.5; }
};

struct CountPoint {
    double x = 0, y = 0;
};

struct CountResult {
    int count = 0;
    double perMm = 0;
    double lengthUm = 0;
    double umPerPixelX = 1, umPerPixelY = 1;
    bool distalLeft = true;        // the side taken for the nail
    bool distalDecided = false;    // decided from the picture, not given
    bool green = false;
    std::vector<CountPoint> crossings;  // on the line, one per capillary
    std::vector<CountPoint> apexes;     // same order; empty when not asked for
    std::vector<double> apexDistancesUm;  // between neighbouring apexes
    // The profile along the line (one sample per step) and where the peaks are.
    double stepUm = 1;
    std::vector<float> profile;
    std::vector<int> peaks;  // sample indexes of counted capillaries
    float level = 0;         // the prominence a peak had to reach
    bool singleLimbs = false;  // counted by single limbs, not whole loops
    // How clearly the counted capillaries stand out: the median prominence
    // of their peaks against the spread of the picture's ridge background.
    double quality = 0;
    std::vector<std::string> warnings;  // kCountLowContrast, ...
};

// Below this quality a count is flagged as of low contrast.
inline constexpr double kCountLowQuality = 1.0;

// The channel the counter would work on (green or grey mix for colour,
// the bytes themselves for grey; Bayer pictures are demosaiced).
CountPlane countPlane(const CZVimage& img, double umPerPixelX, double umPerPixelY, int channel, bool* green = nullptr);
RidgeImage ridgeImage(const CountPlane& plane, const CountSettings& s);
// The ridge of single limbs alone (scales from the finest limb up to
// s.limbUm): what a ridge image made with s keeps as its `limbs`.
RidgeImage limbRidge(const CountPlane& plane, const CountSettings& s);
// For colour pictures, picks the green channel or the grey mix by which one
// gives the stronger ridge contrast, and returns its ridge image.
RidgeImage ridgeImage(const CZVimage& img, double umPerPixelX, double umPerPixelY, const CountSettings& s);

// Counts along the line (pixel coordinates, pixel centres at integers).
// The one count of the command line and the workstation alike.
CountResult countAlongLine(const RidgeImage& ridge, CountPoint a, CountPoint b, const CountSettings& s);
// Whether the picture resolves single limbs well enough to count by them
// (needs CountSettings::limbUm above 0 when the ridge image was made).
bool limbsResolved(const RidgeImage& ridge, const CountSettings& s);
// Whether a peak `t` micrometres along a line `length` long is counted: on
// the line, its first point included and its last excluded.
bool countedOnLine(double t, double length);
// The warnings as one text: "low contrast, glare on the line"; empty when none.
std::string countWarningText(const CountResult& r);

// Recomputes the count, density and apex distances from the crossings and
// apexes (after they were edited by hand; apexes may be empty).
void updateCountFigures(CountResult& r);
// Adds a crossing where the user clicked (projected onto the line) or takes
// away the one nearest the click within `radiusPx`; true when one was taken
// away. Keeps crossings in order along the line and updates the figures.
bool toggleCrossing(CountResult& r, CountPoint a, CountPoint b, CountPoint click, double radiusPx);

// Separable Gaussian of a float plane, replicated edges (exposed for the
// benchmark and the tests).
void gaussianPlane(std::vector<float>& v, int width, int height, double sigmaX, double sigmaY);

}  // namespace ordavia
