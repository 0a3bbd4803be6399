#pragma once
// The line a user lays along a synthetic capillary's arterial limb:
// vertices every 12 pixels along the centre line from the arterial foot,
// up to 8 segments.
#include <cmath>
#include <vector>

#include "base/Geometry.h"
#include "synth/SyntheticVideo.h"

namespace testsupport {

inline std::vector<ordavia::ZPoint> limbLine(const ordavia::SyntheticVideo::Capillary& c) {
    std::vector<ordavia::ZPoint> v;
    const auto& cl = c.centreLine;
    if (cl.empty()) return v;
    v.push_back(ordavia::ZPoint{int(std::lround(cl[0].x)), int(std::lround(cl[0].y))});
    double acc = 0;
    for (size_t i = 1; i < cl.size() && v.size() < 9; ++i) {
        acc += std::hypot(cl[i].x - cl[i - 1].x, cl[i].y - cl[i - 1].y);
        if (acc >= 12) {
            v.push_back(ordavia::ZPoint{int(std::lround(cl[i].x)), int(std::lround(cl[i].y))});
            acc = 0;
        }
    }
    return v;
}

}  // namespace testsupport
