// The line scan of the live camera: one column per live frame, a line to
// scan first, and the end of the scan when the live window goes.
#include <gtest/gtest.h>

#include "linescan/LiveCameraScan.h"
#include "linescan/ZlineScanDoc.h"
#include "support/LiveFixture.h"

using namespace ordavia;

TEST(LiveCameraScan, TakesAColumnPerFrameAndEndsWithTheLiveWindow) {
    testsupport::LiveBench bench(200, 120);
    auto live = bench.ts.make<ZBasicfgDoc>();
    ASSERT_TRUE(live->OnNewDocument());
    auto scan = bench.ts.make<ZlineScanDoc>();
    std::string why;
    EXPECT_FALSE(LiveCameraScan::start(*scan, *live, &why));
    EXPECT_EQ(why, LiveCameraScan::kNoLine);

    const int line = live->addNewDimension(0, {10, 60});
    live->addVertex(line, {90, 60});
    auto cam = LiveCameraScan::start(*scan, *live, &why);
    ASSERT_TRUE(cam) << why;
    EXPECT_TRUE(scan->running());
    bench.ts.timers.advance(40 * 10);
    EXPECT_EQ(cam->samples(), 10u);
    // A second scan cannot take the same document while it runs.
    EXPECT_FALSE(LiveCameraScan::start(*scan, *live, &why));

    live->OnCloseDocument();
    live.reset();
    EXPECT_FALSE(cam->running());
    EXPECT_FALSE(scan->running());
    EXPECT_EQ(cam->samples(), 10u);
}
