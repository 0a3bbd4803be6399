// The line scan of the live camera: one column per live frame, a line to
// scan first, the end of the scan when the live window goes, and the
// recorded-video camera's frames that such a scan takes.
#include <gtest/gtest.h>

#include "linescan/LiveCameraScan.h"
#include "linescan/ZlineScanDoc.h"
#include "support/LiveFixture.h"
#include "synth/SyntheticVideo.h"
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

// A grey picture's pixels, row after row.
std::vector<uint8_t> pixels(const CZVimage& f) {
    std::vector<uint8_t> v;
    for (int y = 0; y < f.rows(); ++y) v.insert(v.end(), f.row(y), f.row(y) + f.width());
    return v;
}

// Keeps every live frame.
struct FrameKeeper : LiveFrameReceiver {
    std::vector<std::vector<uint8_t>> frames;
    void liveFrame(const CZVimage& f, int32_t) override { frames.push_back(pixels(f)); }
};

}  // namespace

TEST(LiveCameraScan, TheRecordedVideoCameraGivesEveryFrameOfItsFileWholeAndInOrder) {
    // A synthetic flow recorded to a movie and played by the video camera:
    // a scan of the live frames gives the red cells' speeds as a scan of
    // the file does (LineScanAccuracy holds those figures) only if the
    // frames come whole, in order and at the file's pace.
    testsupport::LiveBench bench(8, 8, false);
    registerLiveVideoSource(*bench.sources);
    SyntheticVideo video;
    SyntheticVideo::Params p;
    p.seed = 11;
    p.frames = 60;
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
    FrameKeeper kept;
    ASSERT_TRUE(live->startCapture(&kept, 0, {}));
    bench.ts.timers.advance(40 * p.frames);
    live->OnCloseDocument();
    ASSERT_EQ(kept.frames.size(), size_t(p.frames));
    CZVimage f;
    for (int k = 0; k < p.frames; ++k) {
        video.frame(k, f);
        EXPECT_TRUE(kept.frames[size_t(k)] == pixels(f)) << k;
    }
}
