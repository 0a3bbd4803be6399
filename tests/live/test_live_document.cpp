// The live video document: captures for recorders, the capture record,
// binning, saves by hand, timed series and marker images.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/FileIO.h"
#include "live/ZBasicfgDoc.h"
#include "tests/support/LiveFixture.h"

using namespace ordavia;
using testsupport::LiveBench;

namespace {

struct Recorder : LiveFrameReceiver {
    std::vector<int32_t> numbers;
    int width = 0, height = 0;
    int firstPixel = -1;
    void liveFrame(const CZVimage& f, int32_t n) override {
        numbers.push_back(n);
        width = f.width();
        height = f.rows();
        firstPixel = f.row(0)[0];
    }
};

}  // namespace

TEST(LiveDocument, CaptureHandsTheRegionEverySkipPlusOneFrames) {
    LiveBench bench;
    auto doc = bench.ts.make<ZBasicfgDoc>();
    ASSERT_TRUE(doc->OnNewDocument());
    EXPECT_EQ(doc->GetTitle(), "Live Video Input");
    EXPECT_TRUE(doc->isLive());
    // Without a region of interest the whole grab size (768 x 512).
    EXPECT_EQ(doc->captureRegion().width(), 768);
    EXPECT_EQ(doc->captureRegion().height(), 512);
    ImageMarks m = doc->marks();
    m.roi = {100, 50, 900, 150};
    doc->setMarks(m);
    const ZRect r = doc->captureRegion();
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.right, 768);
    Recorder rec;
    ASSERT_TRUE(doc->startCapture(&rec, 1, r));
    bench.ts.timers.advance(40 * 5);
    EXPECT_EQ(rec.numbers, (std::vector<int32_t>{2, 6, 10}));
    EXPECT_EQ(rec.width, 668);
    EXPECT_EQ(rec.height, 100);
    EXPECT_EQ(rec.firstPixel, testsupport::livePicture(768, 576, 0).row(50)[100]);
    doc->stopCapture(&rec);
    bench.ts.timers.advance(400);
    EXPECT_EQ(rec.numbers.size(), 3u);
    EXPECT_TRUE(doc->isLive());
    doc->OnCloseDocument();
}
