// Each distal-row capillary's shape from the vessel mask around its top.
#include <algorithm>
#include <cmath>

#include "measure/AssessSteps.h"

namespace ordavia {

CapillaryShape shapeOf(const AssessTip& t, const AssessMask& m, int w, double px) {
    // Two or more tops of one part are no sign of buds at the mask's
    // scale: a blurred, tilted or dilated cap shows two as often, and the
    // buds of a bushy loop are too small and faint for the mask. On the
    // seeded pictures such calls were 69 false and one right, and on a
    // sparse row a false abnormal shape makes the pattern scleroderma:
    // ramified loops are marked by hand.

    // Runs of vessel across rows just below the top: a hairpin shows two
    // limbs (or one where they merge); a coil or a bizarre tangle more.
    const PlanePart& part = m.parts[static_cast<size_t>(t.part)];
    const int half = static_cast<int>(70 / px), rows = static_cast<int>(60 / px);
    int many = 0, looked = 0;
    for (int dy = 2; dy <= rows; ++dy) {
        const int y = static_cast<int>(t.y) + dy;
        if (y > part.y1) break;
        int runs = 0;
        bool in = false;
        for (int x = std::max(part.x0, static_cast<int>(t.x) - half); x <= std::min(part.x1, static_cast<int>(t.x) + half); ++x) {
            const bool v = m.labels[static_cast<size_t>(y) * w + x] == t.part + 1;
            if (v && !in) ++runs;
            in = v;
        }
        ++looked;
        many += runs >= 4 ? 1 : 0;
    }
    if (looked > 3 && many * 2 > looked) return CapillaryShape::kBizarre;
    return CapillaryShape::kHairpin;
}

}  // namespace ordavia
