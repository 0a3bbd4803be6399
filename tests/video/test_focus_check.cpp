// "Focus check video" on a video of known sharpness: the measures rank the
// frames by their blur, the chart holds the documented traces, and the
// series the command line prints is the chart's trace for the same gap
// and threshold.
#include <gtest/gtest.h>

#include "chart/CTrace.h"
#include "chart/ZchartDoc.h"
#include "tests/support/DefocusMovie.h"
#include "tests/support/TestServices.h"
#include "video/CMotivaDoc.h"
#include "video/FocusCheck.h"

using namespace ordavia;

namespace {

struct FocusCheck : ::testing::Test {
    test::TestServices ts;
    CMotivaDoc video;
    void SetUp() override {
        ts.adopt(video);
        video.OnNewDocument();
        testsupport::defocusMovie(video.movie(), 9, 3, 0.6);
        video.SetTitle("clip");
        video.setFramesPerSecond(50);
    }
};

}  // namespace

TEST_F(FocusCheck, EveryMeasureRanksTheFramesByTheirBlur) {
    // Second difference (the default), Laplacian and gradient energy; the
    // whole frame is drawn in by the gap, so the difference measures see it.
    for (int bits : {2, 4, 1}) {
        SCOPED_TRACE(bits);
        const Result<FocusSeries> s = focusSeries(video, bits, 5, 2);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->best, 3);
        for (int k = 0; k < 9; ++k) {
            if (k != 3) {
                EXPECT_LT(s->values[size_t(k)], s->values[size_t(k < 3 ? k + 1 : k - 1)]) << k;
            }
        }
    }
    int stopAt = -1;
    EXPECT_TRUE(focusSeries(video, 2, 5, 2, [&](int f) { return (stopAt = f) < 4; }).isCancelled());
    EXPECT_EQ(stopAt, 4);
}

TEST_F(FocusCheck, TheChartHoldsTheDocumentedTraces) {
    // The defaults: thresholds from 2 to 2 make no measure trace.
    Result<std::unique_ptr<ZchartDoc>> plain = focusCheckChart(video, FocusCheckSettings{}, 2);
    ASSERT_TRUE(plain);
    ZchartDoc& c = *plain.value();
    EXPECT_EQ(c.GetTitle(), "clip Focus check");
    ASSERT_EQ(c.traceCount(), 1);
    const CTrace& word = *c.trace(0);
    EXPECT_EQ(word.name, "focus");
    EXPECT_EQ(word.yUnits, "focus");
    EXPECT_EQ(word.xUnits, "secs");
    EXPECT_DOUBLE_EQ(word.xInterval, 0.02);
    EXPECT_EQ(word.data->typeCode(), 4);
    MovieFrameImage scratch;
    EXPECT_EQ(word.data->getD(5), double(frameFocusWord(video.movie().peekFrame(5, scratch)) & 0xFFFF));

    // Gaps 5 to 30 in steps of 25 / 6 = 4 and thresholds 2, 3: 7 x 2 traces.
    FocusCheckSettings s;
    s.thresholdTo = 4;
    Result<std::unique_ptr<ZchartDoc>> full = focusCheckChart(video, s, 2);
    ASSERT_TRUE(full);
    ASSERT_EQ(full.value()->traceCount(), 15);
    EXPECT_EQ(full.value()->trace(1)->name, "fnessg5t2");
    EXPECT_EQ(full.value()->trace(14)->name, "fnessg29t3");
    const Result<FocusSeries> cli = focusSeries(video, 2, 5, 2);
    for (int k = 0; k < 9; ++k) EXPECT_DOUBLE_EQ(full.value()->trace(1)->data->getD(size_t(k)), cli->values[size_t(k)]);
    EXPECT_EQ(video.currentFrame(), 0);
}
