// Accuracy on synthetic truth: nailfold videos with moving red cells at
// known speeds, a line laid along each capillary's arterial limb, the
// mean velocity measured by each method against the truth.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>

#include "image/CZVimage.h"
#include "linescan/LineScanRun.h"
#include "support/SyntheticLimb.h"
#include "synth/SyntheticVideo.h"

using namespace ordavia;

namespace {

struct Case {
    double fps, umPerPixel;
    uint64_t seed;
};

using testsupport::limbLine;

// Methods: correlation, correlation sub-pixel, Hough sub-pixel.
struct Measured {
    double truthUm = 0;  // um/s
    double um[3] = {NAN, NAN, NAN};
};

std::vector<Measured> measure(const Case& k, int frames) {
    ordavia::SyntheticVideo video;
    ordavia::SyntheticVideo::Params p;
    p.seed = k.seed;
    p.frames = frames;
    p.fps = k.fps;
    p.umPerPixel = k.umPerPixel;
    EXPECT_EQ(video.prepare(p).reason(), "");
    const auto& caps = video.truth().capillaries;
    std::vector<std::vector<ZPoint>> lines, points;
    for (const auto& c : caps) {
        lines.push_back(limbLine(c));
        points.push_back(ordavia::linePoints(lines.back()));
    }
    // Every frame once, every line sampled from it.
    std::vector<std::vector<std::vector<double>>> samples(caps.size(), std::vector<std::vector<double>>(size_t(frames)));
    CZVimage img;
    for (int f = 0; f < frames; ++f) {
        video.frame(f, img);
        for (size_t c = 0; c < caps.size(); ++c) ordavia::sampleLine(img, points[c], samples[c][size_t(f)]);
    }
    std::vector<Measured> out;
    for (size_t c = 0; c < caps.size(); ++c) {
        if (!caps[c].flows) continue;
        Measured m;
        m.truthUm = caps[c].velocityUmPerS;
        ordavia::LineScanSetup setup;
        setup.frameSeconds = 1.0 / k.fps;
        setup.lengthPerPoint = ordavia::pixelsPerLinePoint(lines[c]) * k.umPerPixel;
        setup.units = "um";
        const auto sampler = [&](uint32_t s, std::vector<double>& o) { o = samples[c][s]; };
        ordavia::CbvParams cp;
        cp.houghMin = 0;
        for (int method = 0; method < 3; ++method) {
            cp.subpixel = method == 1 || method == 2;
            const auto r = ordavia::runLineScan(uint32_t(frames), uint32_t(points[c].size()), sampler, cp,
                                                method >= 2 ? ordavia::VelocityMethod::Hough
                                                            : ordavia::VelocityMethod::Correlation,
                                                setup);
            if (r.valid) m.um[method] = std::fabs(r.pxPerFrame) * setup.lengthPerPoint * k.fps;
        }
        out.push_back(m);
    }
    return out;
}

double median(std::vector<double> e) {
    std::sort(e.begin(), e.end());
    return e.empty() ? NAN : e[e.size() / 2];
}

}  // namespace

TEST(LineScanAccuracy, MeanVelocityAgainstSyntheticTruth) {
    const Case cases[] = {{25, 1.0, 11}, {50, 1.5, 12}, {100, 2.0, 13}, {200, 1.0, 14}};
    const char* names[] = {"correlation", "correlation sub-pixel", "Hough sub-pixel"};
    // Errors inside the range each method is built for: correlation with a
    // gap of one frame from 1 to 20 pixels per frame (a shift below one
    // point has no rise before its peak; half the line is the longest shift
    // looked at); the Hough transform below 8 pixels per frame (its 256
    // angles get coarse for steep streaks).
    std::vector<double> errs[3];
    const double lo[3] = {1.0, 1.0, 0.3}, hi[3] = {20.0, 20.0, 8.0};
    for (const Case& k : cases) {
        for (const Measured& m : measure(k, 80)) {
            const double shiftPx = m.truthUm / k.umPerPixel / k.fps;
            for (int i = 0; i < 3; ++i)
                if (shiftPx >= lo[i] && shiftPx <= hi[i])
                    errs[i].push_back(std::isfinite(m.um[i]) ? 100.0 * std::fabs(m.um[i] - m.truthUm) / m.truthUm : 1e9);
        }
    }
    // The median: a wrong peak now and then (a cell train that repeats
    // itself along the line) must not hide how the method does otherwise.
    const double limit[3] = {6.0, 6.0, 10.0};
    for (int i = 0; i < 3; ++i) {
        ASSERT_GT(errs[i].size(), 5u) << names[i];
        const double m = median(errs[i]);
        EXPECT_LT(m, limit[i]) << names[i];
    }
}
