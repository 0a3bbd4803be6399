#pragma once
// Automatic capillary detection: the apexes of the loops are dark blobs on
// a brighter background. The region is preprocessed (stretch, box-filter
// chain, stretch, apex filter, stretch, box-filter chain), thresholded at
// the isodata level, and every dark 4-connected region whose size lies in
// [umin, umax] is accepted, its holes filled, and reported with its area
// and centroid and a circle of the same area for the document to add.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "image/CZVimage.h"

namespace ordavia {

struct GreyRegion;
struct ProcessingArgs;

// Steps 1 to 5: stretch, the four box filters, stretch, apex filter,
// stretch. In place on the region ("Threshold &preprocess check").
bool preprocessChain(CZVimage& img, const ZRect& region, const ProcessingArgs& args);
void preprocessChain(const GreyRegion& region, const ProcessingArgs& args);
// The four box filters "uw1", "uw2", "w3", "w4" in order.
void boxFilterChain(const GreyRegion& region, const ProcessingArgs& args);

// Iterative mean-split threshold of a 256-bin histogram: starting from the
// integer mean, t' = floor(mean below or at t / 2) + floor(mean above t /
// 2) until t' = t, at most 40 rounds. The mean when it does not settle or
// when one side is empty (a flat picture has nothing to split).
int isodataThreshold(const int64_t (&histogram)[256]);
int isodataThreshold(const GreyRegion& region);

// Pixels >= t become 255, the others 0 (the capillaries are the 0s).
void binarise(const GreyRegion& region, int t);

struct CapillaryRegion {
    int64_t area = 0;  // pixels after hole filling; twice the count for a field
    double cx = 0.0;   // centroid in the image's parent frame coordinates
    double cy = 0.0;
};

// A circle dimension as two vertices of its diameter.
struct CircleDiameter {
    ZPoint a;
    ZPoint b;
};

// The diameter for a region of this area centred on (cx, cy), r =
// sqrt(area / pi): horizontal from (cx - r, cy) when r <= cx; otherwise
// vertical from (cx, cy - r), or from (cx, 0) when r > cy, of length 2r.
// Coordinates truncated towards zero.
CircleDiameter circleDiameterFor(double area, double cx, double cy);

struct DetectionResult {
    std::vector<CapillaryRegion> regions;  // accepted, in raster order of their first pixel
    std::vector<CircleDiameter> circles;   // one per region, same order
    int threshold = 0;                     // the level used
    int windowWidth = 0;                   // the region, frame pixels
    int windowHeight = 0;
    double seconds = 0.0;                  // time taken
    // The binarised window: accepted regions 0, everything else 255.
    CZVimage mask;
};

// "Threshold Capillaries" on the region (parent frame coordinates; empty =
// whole image) of a copy of the image; the image itself is not changed.
// With no level the isodata threshold is used. Writes "findcaps=%fsecs\n"
// to the debug log. An empty result for an empty region or a non-grey
// image.
DetectionResult detectCapillaries(const CZVimage& img, const ZRect& region, const ProcessingArgs& args,
                                  std::optional<int> level = std::nullopt);

// Steps 4 to 6 on an already preprocessed window, in place: binarise at t,
// label and accept regions. Coordinates in the result are window pixels
// (stored rows); `fieldFactor` is 2 for a field image (areas count
// double), else 1.
std::vector<CapillaryRegion> labelCapillaries(const GreyRegion& window, int t, int umin, int umax, int fieldFactor);

struct DensityReport {
    double density = 0.0;  // per square unit (per mm^2 with micrometre scales)
    double area = 0.0;     // w x h x sx x sy x 1e-6
    std::string text;      // "%7.3f, capillary density, %7.3f, area"
};

// n marks over a region of w x h pixels at scales sx, sy per pixel. No
// report for n <= 0, and none when the area is zero or not a finite
// positive number (a zero scale would otherwise divide by zero).
std::optional<DensityReport> densityReport(int64_t n, int w, int h, double sx, double sy);

// "&Find Capillaries": how many objects have at least one vertex inside
// the region (right and bottom exclusive).
int64_t countObjectsInRegion(const std::vector<std::vector<ZPoint>>& objects, const ZRect& region);

}  // namespace ordavia
