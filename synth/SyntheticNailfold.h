#pragma once
// SyntheticNailfold: grey nailfold capillaroscopy pictures drawn from a seed,
// with the geometry of every capillary loop known, so that detection and
// width measurement can be scored against truth instead of by eye. It serves
// the test suites as well as users who want to train or check their settings.
//
// The picture: the nail plate at the top, the wavy nailfold edge below it and
// under that a row (optionally two staggered rows) of hairpin loops whose
// apexes point towards the nail. Each loop has a thinner arterial and a wider
// venous limb joined by the apex; the blood column absorbs light in
// proportion to its thickness along the line of sight, so columns are darkest
// in their middle and have soft edges. Limbs fade as they dive away from the
// focal plane. Behind them lie an unevenly lit skin background, a faint
// out-of-focus venous plexus, vignetting, optical blur and sensor noise.
//
// Geometry is laid out in micrometres and drawn through the calibration, so
// the same seed gives the same anatomy at any magnification. Everything is
// computed with our own generator and plain arithmetic: the same parameters
// give the same bytes on every build. Separate random streams are used for
// layout, texture and noise, so changing the noise level leaves the loops
// (and the truth) exactly as they were.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"

class CZVimage;

namespace ordavia {

class JsonWriter;

class SyntheticNailfold {
public:
    struct Params {
        uint64_t seed = 1;
        int width = 768;   // pixels
        int height = 576;  // pixels
        // Loops to draw; below 0 chooses about eight per millimetre of width.
        int loops = -1;
        double noiseSigma = 4.0;  // grey levels, additive sensor noise
        double umPerPixelX = 1.6;
        double umPerPixelY = 1.6;
        // Share of the loops (0..1) drawn with meandering or crossing limbs.
        double tortuousFraction = 0.0;
        // How many of the loops are giant (every width above 50 micrometres).
        int giantLoops = 0;
        double blurSigma = 1.2;   // pixels, optical blur
        double vignetting = 0.3;  // relative darkening in the corners, 0..0.9
        // Strength (0..2) of the out-of-focus venous plexus behind the loops.
        double plexus = 0.5;
        // A second, deeper row in the gaps of the first; takes about a third
        // of the loops.
        bool secondRow = false;
        // Largest tilt of a loop (tangent of the angle from upright).
        double maxTilt = 0.21;
        // Loops may lean over their neighbours' place (tilt is then not
        // held back by the room in the slot), so limbs of different loops
        // can cross.
        bool mayOverlap = false;
        // Loops differ in darkness: each loop's blood is scaled by a factor
        // between 1 - spread and 1 + spread / 2 (0..0.8).
        double darknessSpread = 0;
        // Where the nailfold edge lies, as a share of the height (0: near
        // the top, as a microscope framed on the loops shows it).
        double nailDepth = 0;

        // Findings of a capillaroscopy assessment, all in the first row:
        // loops with an apex 20 to 50 micrometres wide (dilated), ramified
        // (bushy) and bizarre loops, avascular gaps (two or more loops
        // missing in a row, more than 500 micrometres between neighbours)
        // and haemorrhages (dark deposits just distal to a loop).
        int dilatedLoops = 0;
        int ramifiedLoops = 0;
        int bizarreLoops = 0;
        int avascularGaps = 0;
        int haemorrhages = 0;
        // 0..1: a disorganised row (uneven spacing and apex depth) with
        // flecks of skin texture between the loops.
        double disorder = 0;
        // Haemorrhages darken the grey drawing; the capillaroscope look
        // leaves them out of it and gives them their own colour.
        bool haemorrhageInk = true;

        // Rows made for scoring capillary counts; 0 leaves a picture as it
        // was drawn without them.
        // 0..1: each loop's limbs spread over this share of half its slot,
        // so that in a dense row the limbs of neighbouring loops nearly
        // touch and a counter must tell a loop's own limbs from its
        // neighbour's.
        double loopFill = 0;
        // 0..2: clutter in the gaps of a sparse row: deep, out-of-focus
        // vessels reaching up to the row and streaks of skin texture beside
        // and between the loops, none of them a capillary of the row.
        double gapClutter = 0;

        // An empty string when the parameters can be drawn; otherwise why not.
        ordavia::Status validate() const;
        // The number of loops drawn when `loops` is below 0.
        int effectiveLoops() const;
    };

    struct Point {
        double x = 0;
        double y = 0;
    };

    // One drawn capillary loop. Pixel coordinates have pixel (i, j)'s centre
    // at (i, j). Widths in pixels are across the limb, i.e. measured along x
    // (loops stand roughly upright).
    struct Loop {
        Point apex;  // top of the centre line at the turn of the hairpin
        double arterialWidthUm = 0, venousWidthUm = 0, apexWidthUm = 0;
        double arterialWidthPx = 0, venousWidthPx = 0, apexWidthPx = 0;
        double limbSpacingUm = 0;  // centre to centre of the two limbs
        double lengthUm = 0;       // visible length from the apex down
        bool arterialOnLeft = true;
        bool tortuous = false;
        bool giant = false;
        bool dilated = false;  // apex 20 to 50 micrometres wide
        // 0 hairpin, 1 tortuous, 2 crossing, 3 ramified, 4 bizarre.
        int shape = 0;
        int row = 0;  // 0 the row next to the nail, 1 the deeper one
        // Outline of the blood column: one limb's outer side from the
        // arterial foot round the apex to the venous foot, then back along
        // the inner side. Crossing limbs make it cross itself; covers()
        // uses the non-zero winding rule, which keeps such crossings inside.
        std::vector<Point> polygon;
        // The loop's outer outline, closed across the feet: the blood
        // column and the skin between the limbs. A detector that finds a
        // whole hairpin reports a centroid between the limbs, which lies
        // inside this but not inside `polygon`.
        std::vector<Point> envelope;
        // Centre line from the arterial foot to the venous foot.
        std::vector<Point> centreLine;

        // A limb where its width is the limb's own and it is in focus: from
        // 30 micrometres below the apex, where the wider apex has narrowed
        // to the limb, down to where the limb dives out of the focal plane.
        // There a width measurement should find widthUm, and a velocity
        // line laid along `along` sees the column at its darkest.
        struct Limb {
            bool arterial = true;
            bool onLeft = true;
            double widthUm = 0;
            // Pixels along the `across` line (the same as widthUm over the
            // x scale when the pixels are square).
            double widthPx = 0;
            // Centre line over that stretch, in the direction of flow.
            std::vector<Point> along;
            // Across the limb, at right angles to it, at the middle of the
            // stretch: from outside the loop to halfway to the other limb.
            Point acrossFrom, acrossTo;
        };
        std::vector<Limb> limbs;  // the arterial limb, then the venous one

        // Inside the blood column (`polygon`).
        bool covers(double x, double y) const;
        // Inside the envelope.
        bool encloses(double x, double y) const;
        // Smallest distance from (x, y) to the centre line, in pixels.
        double distanceToCentreLine(double x, double y) const;
    };

    struct Truth {
        uint64_t seed = 0;
        int width = 0;
        int height = 0;
        double umPerPixelX = 0;
        double umPerPixelY = 0;
        // The nailfold edge, sampled from left to right (pixels).
        std::vector<Point> nailEdge;
        std::vector<Loop> loops;
        // A haemorrhage: a lumpy ellipse (radii in micrometres) of dark
        // deposit, its outline in pixels and its area.
        struct Haemorrhage {
            Point centre;
            double radiusUm = 0, radiusVm = 0;
            double depth = 0;  // optical depth at its middle
            uint64_t key = 0;
            std::vector<Point> outline;
            double areaUm2 = 0;
            // Optical depth at (u, v) micrometres, with an edge `soft` wide.
            double depthAt(double u, double v, double sx, double sy, double soft) const;
        };
        std::vector<Haemorrhage> haemorrhages;
        // The first row's extent across the picture (pixels): its density
        // is its loops over this length.
        double rowFromX = 0, rowToX = 0;
        double rowDensityPerMm() const;
    };

    // Draws into `pixels` (width x height bytes, rows top first, no padding).
    // Refuses parameters that cannot be drawn (OutOfRange, with the reason).
    static Status generate(const Params& p, std::vector<uint8_t>& pixels, Truth& truth);
    // The same into a grey whole-frame image with tag -1 at origin (0, 0).
    static Status generate(const Params& p, CZVimage& image, Truth& truth);

    // Point in polygon by the non-zero winding rule (closed implicitly).
    static bool windingContains(const std::vector<Point>& polygon, double x, double y);

    // The truth and the parameters as one compact JSON object.
    static std::string truthJson(const Truth& truth, const Params& p);
    // The member "limbs" of a loop's object.
    static void limbsJson(JsonWriter& j, const std::vector<Loop::Limb>& limbs);
};

}  // namespace ordavia
