#pragma once
// Internal to the assessment: the steps of assessPicture, each on the
// working planes. AssessRow.cpp finds the capillary tips and the distal
// row; AssessPicture.cpp measures, classifies and judges.
#include <cstdint>
#include <vector>

#include "image/AssessPlanes.h"
#include "image/CapillaryCount.h"
#include "measure/CapillaryAssessment.h"

namespace ordavia {

// A capillary's top found in the vessel mask, in plane pixels.
struct AssessTip {
    double x = 0, y = 0;
    int part = -1;       // the vessel part it belongs to
    int tips = 1;        // tops of one capillary (more than one: ramified)
    double spreadUm = 0; // how far its part reaches across, near the top
    double depthUm = 0;  // how far its part reaches down below the top
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

// The distal row among the tips (plane pixels): automatic (line fitted
// through the most distal tips; from/to set to the row's ends) or along
// the given line (plane pixels; the nail on its side with smaller y).
std::vector<AssessTip> distalRow(const std::vector<AssessTip>& tips, double umPerPixel, bool automatic,
                                 AssessPoint& from, AssessPoint& to);

}  // namespace ordavia
