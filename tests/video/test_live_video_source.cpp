// The recorded-video camera: plays its file in a loop at the file's rate
// through the same camera as the stored picture.
#include <gtest/gtest.h>

#include <cstring>

#include "live/SimulatedCamera.h"
#include "tests/support/LiveFixture.h"
#include "video/AviWriter.h"
#include "video/CZVMovie.h"
#include "video/LiveVideoSource.h"

using namespace ordavia;

namespace {

CZVimage flat(int w, int h, int v) {
    CZVimage img(w, h, -1, CZVimage::kFrame, CZVimage::kGrey);
    std::memset(img.data(), v, img.byteCount());
    return img;
}

struct Seen : FrameReceiver {
    std::vector<int> values;
    void frameDelivered(const CZVimage& f, int32_t) override { values.push_back(f.row(2)[2]); }
};

}  // namespace

TEST(LiveVideoSource, LoopsAtTheFileRateAndRefusesAMissingFile) {
    testsupport::LiveBench bench(64, 48, false);
    registerLiveVideoSource(*bench.sources);
    const std::string avi = bench.folder / "flow.avi";
    {
        AviWriter::Params p;
        p.width = 64;
        p.height = 48;
        p.rate = 10;
        auto w = AviWriter::open(avi, p);
        ASSERT_TRUE(w.ok());
        for (int k = 0; k < 3; ++k) ASSERT_TRUE((*w)->write(flat(64, 48, 50 * (k + 1))).ok());
        ASSERT_TRUE((*w)->close().ok());
    }
    ASSERT_TRUE(bench.sources->select(LiveVideoSource::kKind, avi));
    CameraSource& cam = bench.source();
    CZVimage target;
    Seen seen;
    ASSERT_TRUE(cam.startGrab(target, &seen, 0, 0, 64, 48));
    EXPECT_DOUBLE_EQ(cam.framesPerSecond(), 10.0);
    bench.ts.timers.advance(40 * 10);  // 400 ms: four frames at 10 per second
    EXPECT_EQ(seen.values, (std::vector<int>{50, 100, 150, 50}));
    cam.stopGrab(&seen);

    // A movie file has no rate of its own and plays at the capture rate.
    const std::string mve = bench.folder / "flow.mve";
    {
        CZVMovie m;
        ASSERT_TRUE(m.Record(mve, 2, 64, 48, CZVimage::kGrey));
        m.AddFrame(flat(64, 48, 7), true);
        m.AddFrame(flat(64, 48, 9), true);
        ASSERT_TRUE(m.finishRecording().ok());
    }
    ASSERT_TRUE(bench.sources->select(LiveVideoSource::kKind, mve));
    seen.values.clear();
    ASSERT_TRUE(cam.startGrab(target, &seen, 0, 0, 64, 48));
    bench.ts.timers.advance(40 * 3);
    EXPECT_EQ(seen.values, (std::vector<int>{7, 9, 7}));
    cam.stopGrab(&seen);

    ASSERT_TRUE(bench.sources->select(LiveVideoSource::kKind, bench.folder / "none.avi"));
    EXPECT_EQ(cam.startGrab(target, &seen, 0, 0, 64, 48).code(), StatusCode::NotFound);
}
