// The line scan of the live camera: one column per live frame, a line to
// scan first, the end of the scan when the live window goes, and the red
// cells' speeds from the recorded-video camera.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "linescan/LineScanRun.h"
#include "linescan/LiveCameraScan.h"
#include "linescan/ZlineScanDoc.h"
#include "live/SimulatedCamera.h"
#include "support/LiveFixture.h"
#include "support/SyntheticLimb.h"
#include "video/CZVMovie.h"
#include "video/LiveVideoSource.h"

using namespace ordavia;

TEST(LiveCameraScan, TakesAColumnPerFrameAndEndsWithTheLiveWindow) {
    testsupport::LiveBench bench(200, 120);
    auto live = bench.ts.make<ZBasicfgDoc>();
    ASSERT_TRUE(live->OnNewDocument());
    auto scan = bench.ts.make<ZlineScanDoc>();
    EXPECT_EQ(LiveCameraScan::start(*scan, *live).reason(), LiveCameraScan::kNoLine);

    const int line = live->addNewDimension(0, {10, 60});
    live->addVertex(line, {90, 60});
    auto started = LiveCameraScan::start(*scan, *live);
    ASSERT_TRUE(started) << started.reason();
    std::unique_ptr<LiveCameraScan> cam = std::move(started).value();
    EXPECT_TRUE(scan->running());
    bench.ts.timers.advance(40 * 10);
    EXPECT_EQ(cam->samples(), 10u);
    // A second scan cannot take the same document while it runs.
    EXPECT_FALSE(LiveCameraScan::start(*scan, *live));

    live->OnCloseDocument();
    live.reset();
    EXPECT_FALSE(cam->running());
    EXPECT_FALSE(scan->running());
    EXPECT_EQ(cam->samples(), 10u);
}

namespace {

// Samples the limb lines of the live frames, as a scan of each would.
struct LimbSampler : LiveFrameReceiver {
    std::vector<std::vector<ZPoint>> points;
    std::vector<std::vector<std::vector<double>>> columns;  // line, frame, point
    void liveFrame(const CZVimage& f, int32_t) override {
        columns.resize(points.size());
        for (size_t c = 0; c < points.size(); ++c) {
            columns[c].emplace_back();
            sampleLine(f, points[c], columns[c].back());
        }
    }
};

}  // namespace

TEST(LiveCameraScan, TheRecordedVideoCameraGivesTheVelocitiesOfItsRedCells) {
    // A synthetic flow recorded to a movie and played by the video camera:
    // the live frames must come in order and at the file's pace, or the
    // streaks of the red cells give wrong speeds.
    testsupport::LiveBench bench(8, 8, false);
    registerLiveVideoSource(*bench.sources);
    SyntheticVideo video;
    SyntheticVideo::Params p;
    p.seed = 11;
    p.frames = 60;
    p.umPerPixel = 1.0;
    ASSERT_EQ(video.prepare(p).reason(), "");
    const std::string mve = bench.folder / "flow.mve";
    {
        CZVMovie m;
        ASSERT_TRUE(m.Record(mve, p.frames, p.width, p.height, CZVimage::kGrey));
        CZVimage f;
        for (int k = 0; k < p.frames; ++k) {
            video.frame(k, f);
            m.AddFrame(f, true);
        }
        ASSERT_TRUE(m.finishRecording().ok());
    }
    ASSERT_TRUE(bench.sources->select(LiveVideoSource::kKind, mve));
    bench.ts.profile.WriteInt("Pseudo", "grabHeight", p.height);
    auto live = bench.ts.make<ZBasicfgDoc>();
    ASSERT_TRUE(live->OnNewDocument());
    ASSERT_TRUE(live->isLive()) << live->startLive().reason();
    LimbSampler limbs;
    std::vector<const SyntheticVideo::Capillary*> flowing;
    std::vector<std::vector<ZPoint>> lines;
    for (const auto& c : video.truth().capillaries) {
        if (!c.flows) continue;
        flowing.push_back(&c);
        lines.push_back(testsupport::limbLine(c));
        limbs.points.push_back(linePoints(lines.back()));
    }
    ASSERT_TRUE(live->startCapture(&limbs, 0, {}));
    bench.ts.timers.advance(40 * p.frames);
    live->OnCloseDocument();
    ASSERT_FALSE(limbs.points.empty());
    ASSERT_EQ(limbs.columns.size(), limbs.points.size());
    ASSERT_EQ(limbs.columns[0].size(), size_t(p.frames));

    std::vector<double> errors;
    for (size_t c = 0; c < flowing.size(); ++c) {
        const double shift = flowing[c]->velocityPxPerFrame;
        if (shift < 1.0 || shift > 20.0) continue;
        LineScanSetup setup;
        setup.frameSeconds = 1.0 / p.fps;
        setup.lengthPerPoint = pixelsPerLinePoint(lines[c]) * p.umPerPixel;
        setup.units = "um";
        const auto r = runLineScan(
            uint32_t(p.frames), uint32_t(limbs.points[c].size()),
            [&](uint32_t s, std::vector<double>& o) { o = limbs.columns[c][s]; }, CbvParams{},
            VelocityMethod::Correlation, setup);
        const double um = r.valid ? std::fabs(r.pxPerFrame) * setup.lengthPerPoint * p.fps : 0.0;
        errors.push_back(100.0 * std::fabs(um - flowing[c]->velocityUmPerS) / flowing[c]->velocityUmPerS);
    }
    ASSERT_GE(errors.size(), 2u);
    std::sort(errors.begin(), errors.end());
    EXPECT_LT(errors.back(), 10.0) << errors.front();
}
