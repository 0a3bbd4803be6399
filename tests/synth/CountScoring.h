#pragma once
// Scores the capillary count against synthetic videocapillaroscopy frames:
// per condition, a set of pictures and three 1 mm lines each across the
// distal row, drawn a little askew and off the ideal depth as a user would.
// Also gathers the figures that set the frames beside real pictures.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "image/CZVimage.h"
#include "image/CapillaryCount.h"
#include "image/CapillaryCountStats.h"
#include "synth/SyntheticCapillaroscope.h"
#include "synth/SyntheticNailfoldDraw.h"

struct CountCondition {
    const char* name;
    // Fills the parameters for a picture whose seed is already set.
    std::function<void(ordavia::SyntheticNailfold::Params&, ordavia::CapillaroscopeLook&)> make;
};

struct CountScore {
    int lines = 0, within1 = 0, wrongSide = 0;
    double absError = 0;
    // Generator figures, one value per vessel, gap, line or picture.
    std::vector<double> darkening, prominence, widthPx, spacingPx, noise, uneven, green;
    double share() const { return lines ? double(within1) / lines : 0; }
    double mae() const { return lines ? absError / lines : 0; }
};

inline CountScore scoreCount(const CountCondition& c, uint64_t firstSeed, int pictures,
                             const ordavia::CountSettings& s = {}, bool figures = false) {
    CountScore sc;
    for (int k = 0; k < pictures; ++k) {
        ordavia::SyntheticNailfold::Params p;
        ordavia::CapillaroscopeLook look;
        p.seed = firstSeed + static_cast<uint64_t>(k);
        c.make(p, look);
        ordavia::SynthRandom r(p.seed, 424242);
        CZVimage img;
        ordavia::SyntheticNailfold::Truth truth;
        std::string error;
        if (!ordavia::generateCapillaroscope(p, look, img, truth, &error)) {
            std::fprintf(stderr, "%s seed %llu: %s\n", c.name, static_cast<unsigned long long>(p.seed), error.c_str());
            continue;
        }
        const ordavia::RidgeImage ridge = ordavia::ridgeImage(img, p.umPerPixelX, p.umPerPixelY, s);
        for (int l = 0; l < 3; ++l) {
            const double cx = p.width * (0.25 + 0.25 * l);
            const ordavia::CountLineTruth ideal = ordavia::distalRowLine(truth, cx, 1000, r.range(25, 60));
            const double tilt = r.range(-0.1, 0.1) * (ideal.b.x - ideal.a.x) / 2;
            ordavia::SyntheticNailfold::Point a{ideal.a.x, ideal.a.y - tilt}, b{ideal.b.x, ideal.b.y + tilt};
            // Walk either way along the line: the nail side must be found.
            if (r.uniform() < 0.5) std::swap(a, b);
            const ordavia::CountLineTruth t = ordavia::countLineTruth(truth, a, b);
            const ordavia::CountResult res = ordavia::countAlongLine(ridge, {a.x, a.y}, {b.x, b.y}, s);
            const bool nailLeft = a.x < b.x;  // walking right, the nail (top) is on the left
            ++sc.lines;
            sc.wrongSide += res.distalLeft != nailLeft;
            const int e = res.count - t.count;
            sc.within1 += std::abs(e) <= 1;
            sc.absError += std::abs(e);
            if (!figures) continue;
            const ordavia::CountPictureStats st = ordavia::countPictureStats(img, a.x, a.y, b.x, b.y, t.count);
            auto add = [](std::vector<double>& to, const std::vector<double>& from) { to.insert(to.end(), from.begin(), from.end()); };
            add(sc.darkening, st.darkening);
            add(sc.prominence, st.prominence);
            add(sc.widthPx, st.widthPx);
            add(sc.spacingPx, st.spacingPx);
            sc.noise.push_back(st.noise);
            if (l == 0) {
                sc.uneven.push_back(st.unevenLight);
                sc.green.push_back(st.meanGreen);
            }
        }
    }
    return sc;
}

// The conditions: the generator's two named ones.
inline std::vector<CountCondition> countConditions() {
    using P = ordavia::SyntheticNailfold::Params;
    using L = ordavia::CapillaroscopeLook;
    std::vector<CountCondition> out;
    out.push_back({"typical", [](P& p, L& l) { ordavia::applyCapillaroscopeCondition("typical", p, l); }});
    out.push_back({"hard", [](P& p, L& l) { ordavia::applyCapillaroscopeCondition("hard", p, l); }});
    return out;
}
