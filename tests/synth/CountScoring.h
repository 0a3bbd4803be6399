#pragma once
// Scores the capillary count against synthetic videocapillaroscopy frames:
// per condition, a set of pictures and three 1 mm lines each across the
// distal row, drawn a little askew and off the ideal depth as a user would.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/CZVimage.h"
#include "image/CapillaryCount.h"
#include "image/SyntheticCapillaroscope.h"
#include "image/SyntheticNailfoldDraw.h"

struct CountCondition {
    const char* name;
    ordavia::SyntheticNailfold::Params params;
    ordavia::CapillaroscopeLook look;
};

struct CountScore {
    int lines = 0, within1 = 0, exact = 0, wrongSide = 0;
    double absError = 0, signedError = 0, absPerMm = 0;
    double share() const { return lines ? double(within1) / lines : 0; }
    double mae() const { return lines ? absError / lines : 0; }
    double bias() const { return lines ? signedError / lines : 0; }
    double maePerMm() const { return lines ? absPerMm / lines : 0; }
};

inline CountScore scoreCount(const CountCondition& c, uint64_t firstSeed, int pictures,
                             const ordavia::CountSettings& s = {}) {
    CountScore sc;
    for (int k = 0; k < pictures; ++k) {
        ordavia::SyntheticNailfold::Params p = c.params;
        p.seed = firstSeed + static_cast<uint64_t>(k);
        // Density varies between people: 6 to 11 loops per millimetre.
        ordavia::SynthRandom r(p.seed, 424242);
        p.loops = static_cast<int>(std::lround(p.width * p.umPerPixelX / 1000 * r.range(6, 11)));
        // A second row takes a third of the loops and wider slots in the first.
        if (p.secondRow) {
            p.loops = std::min(p.loops, static_cast<int>((p.width * p.umPerPixelX - 16) / 100));
            p.loops += p.loops / 2;
        }
        CZVimage img;
        ordavia::SyntheticNailfold::Truth truth;
        std::string error;
        if (!ordavia::generateCapillaroscope(p, c.look, img, truth, &error)) {
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
            sc.exact += e == 0;
            sc.absError += std::abs(e);
            sc.signedError += e;
            sc.absPerMm += std::abs(res.perMm - t.count * 1000.0 / res.lengthUm);
        }
    }
    return sc;
}

// The conditions, from a clean grey frame to the hardest colour frames.
inline std::vector<CountCondition> countConditions() {
    auto base = [] {
        ordavia::SyntheticNailfold::Params p;
        p.width = 1280;
        p.height = 1024;
        p.umPerPixelX = p.umPerPixelY = 2.6;
        p.blurSigma = 1.0;
        p.plexus = 0.5;
        p.nailDepth = 0.25;
        return p;
    };
    std::vector<CountCondition> out;
    {
        CountCondition c{"clean grey", base(), {}};
        c.look.colour = false;
        c.look.contrast = 1.0;
        c.look.unevenness = 0;
        c.look.gradient = 0;
        c.look.glare = 0;
        c.look.dust = 0;
        c.look.noise = 2;
        c.look.jpegQuality = 0;
        out.push_back(c);
    }
    {
        CountCondition c{"typical colour", base(), {}};
        c.params.tortuousFraction = 0.2;
        c.params.maxTilt = 0.35;
        c.params.mayOverlap = true;
        c.params.darknessSpread = 0.3;
        c.params.blurSigma = 1.3;
        c.look.contrast = 0.6;
        c.look.unevenness = 0.4;
        c.look.gradient = 0.3;
        c.look.glare = 0.5;
        c.look.jpegQuality = 75;
        out.push_back(c);
    }
    {
        CountCondition c{"hard colour", base(), {}};
        c.params.tortuousFraction = 0.5;
        c.params.maxTilt = 0.5;
        c.params.mayOverlap = true;
        c.params.darknessSpread = 0.5;
        c.params.blurSigma = 1.8;
        c.params.plexus = 1.2;
        c.params.secondRow = true;
        c.look.contrast = 0.35;
        c.look.unevenness = 0.7;
        c.look.gradient = 0.5;
        c.look.glare = 1.2;
        c.look.dust = 1.0;
        c.look.noise = 5;
        c.look.jpegQuality = 40;
        out.push_back(c);
    }
    {
        CountCondition c = out[2];
        c.name = "hard, 1.6 um/pixel";
        c.params.umPerPixelX = c.params.umPerPixelY = 1.6;
        c.params.blurSigma = 2.5;
        out.push_back(c);
    }
    {
        CountCondition c = out[2];
        c.name = "faint (beyond)";
        c.look.contrast = 0.18;
        c.look.noise = 7;
        c.look.jpegQuality = 25;
        out.push_back(c);
    }
    return out;
}
