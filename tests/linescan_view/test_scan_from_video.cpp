// The hand-over from a video to its line scans, without a window: the
// points and values a scan takes from each frame, the refusals, the run of
// "Calculate all widths and velocities" over the selected frames, and the
// chart review's velocity.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "linescan/KymographImport.h"
#include "linescan/LineScanSampler.h"
#include "linescan/LineVelocityRun.h"
#include "linescan/ZchartReviewDoc.h"
#include "linescan/ZlineScanDoc.h"
#include "measure/CDimCircle.h"
#include "measure/CDimLine.h"
#include "support/LineScanFeed.h"
#include "support/MveBytes.h"
#include "support/TestServices.h"
#include "support/ThreadCounts.h"
#include "video/CMotivaDoc.h"

using namespace ordavia;

using namespace testsupport;

namespace {

constexpr int kW = 64, kRows = 16, kFrames = 40, kRow = 8;
constexpr double kSpeed = 2.0;  // points per frame, from the first point towards the last

std::vector<std::vector<uint8_t>> movingFrames() {
    return linescantest::movingRowFrames(kW, kRows, kFrames, kRow, kSpeed);
}

std::unique_ptr<CDimLine> line(ZPoint a, ZPoint b) {
    auto d = std::make_unique<CDimLine>();
    d->addVertex(a);
    d->addVertex(b);
    return d;
}

struct ScanFromVideo : ::testing::Test {
    ordavia::test::TestServices svc;
    ScratchDir dir{"scan-from-video"};
    CMotivaDoc video;
    int key = 0;

    void SetUp() override {
        ASSERT_TRUE(svc.profile.SetPath(dir / "ordavia.ini"));
        writeBytes(dir / "cells.mve", mveOf(kW, kRows, movingFrames()));
        svc.adopt(video);
        ASSERT_TRUE(video.importMovie(dir / "cells.mve"));
        video.setFramesPerSecond(25);
    }
    std::unique_ptr<ZlineScanDoc> newScan(ordavia::CbvParams p = {}) {
        auto scan = svc.make<ZlineScanDoc>();
        EXPECT_TRUE(scan->OnNewDocument());
        scan->setParams(p, false);
        return scan;
    }
};

TEST_F(ScanFromVideo, SamplesTheLineInOrderOneColumnPerFrameAndRefusesWhatItCannotScan) {
    video.addObject(line({4, kRow}, {43, kRow}));
    const CDim& l = *video.currentDimList().at(0);
    auto scan = newScan();
    ordavia::LineScanSampler sampler(*scan, &key);
    ASSERT_TRUE(sampler.start(video, l));
    EXPECT_EQ(sampler.points(0).size(), 40u);
    // One source at a time: a second feeder is refused and changes nothing.
    int other = 0;
    ordavia::LineScanSampler second(*scan, &other);
    EXPECT_FALSE(second.start(video, l));
    EXPECT_EQ(scan->source(), &key);

    ordavia::MovieFrameImage scratch;
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(sampler.addFrame(video.movie().peekFrame(k, scratch)));
    EXPECT_FALSE(second.addFrame(video.movie().peekFrame(3, scratch)));  // not the source: no sample
    const C2DTrace* t = scan->scanTrace();
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->width(), 40u);
    // Column k holds frame k's grey values from the first point to the last.
    const auto frames = movingFrames();
    for (uint32_t k = 0; k < 3; ++k)
        for (uint32_t i = 0; i < 40; i += 13)
            EXPECT_EQ(t->data->valueAt(k, i), frames[k][size_t(kRow) * kW + 4 + i]) << k << "," << i;
    EXPECT_EQ(sampler.samples(), 3u);
    EXPECT_DOUBLE_EQ(t->xInterval, 0.04);  // a frame lasts 1/25 s

    // A line of one vertex, and the two-line method without a second line.
    auto lone = std::make_unique<CDimLine>();
    lone->addVertex({3, 3});
    auto fresh = newScan();
    EXPECT_FALSE(ordavia::LineScanSampler(*fresh, &key).start(video, *lone));
    ordavia::CbvParams two;
    two.method = 2;
    auto pair = newScan(two);
    EXPECT_FALSE(ordavia::LineScanSampler(*pair, &key).start(video, l));
    EXPECT_FALSE(pair->running());
    auto l2 = line({4, kRow + 2}, {43, kRow + 2});
    EXPECT_TRUE(ordavia::LineScanSampler(*pair, &key).start(video, l, l2.get()));
    EXPECT_NE(pair->line1Trace(), nullptr);
}

TEST_F(ScanFromVideo, CalculateAllScansEachLineOverTheSelectionEitherWay) {
    auto circle = std::make_unique<CDimCircle>();
    circle->addVertex({10, 3});
    circle->addVertex({14, 3});
    video.addObject(std::move(circle));                // not a line: not scanned
    video.addObject(line({2, kRow}, {61, kRow}));      // along the moving cells
    video.addObject(line({2, 2}, {61, 2}));            // on the still background
    EXPECT_EQ(ordavia::scannableLines(video), (std::vector<int>{1, 2}));

    video.setSelection(5, 35);
    video.goToFrame(3);
    ASSERT_TRUE(svc.profile.WriteInt("linescan", "NoPtsToSample", 77));
    auto made = ordavia::scanWholeVideo(video, 1, &svc.services);
    ASSERT_TRUE(made.ok()) << made.reason();
    auto scan = std::move(made).value();
    EXPECT_FALSE(scan->running());
    EXPECT_EQ(scan->scanTrace()->sampleCount(), 30u);    // one column per selected frame
    EXPECT_EQ(video.currentFrame(), 3);                   // the frames were not shown
    EXPECT_EQ(svc.profile.GetInt("linescan", "NoPtsToSample", 0), 77);  // the user's setting stays

    const ordavia::CbvSummary s = scan->summary(0, 0);
    EXPECT_EQ(s.visited, 30u);
    EXPECT_GT(s.percentGood, 60.0);
    // 2 points per frame at 25 frames per second, one pixel per point.
    EXPECT_NEAR(s.mean, kSpeed * 25, kSpeed * 25 * 0.1);
    EXPECT_EQ(s.units, "pixel/s");

    // A line drawn against the flow is measured the other way round.
    video.addObject(line({61, kRow}, {2, kRow}));
    bool reversed = false;
    auto againstMade = ordavia::scanBothWays(video, 3, &svc.services, {}, &reversed);
    ASSERT_TRUE(againstMade.ok()) << againstMade.reason();
    auto against = std::move(againstMade).value();
    EXPECT_TRUE(reversed);
    EXPECT_NEAR(against->summary(0, 0).mean, kSpeed * 25, kSpeed * 25 * 0.1);
    auto alongMade = ordavia::scanBothWays(video, 1, &svc.services, {}, &reversed);
    ASSERT_TRUE(alongMade.ok()) << alongMade.reason();
    auto along = std::move(alongMade).value();
    EXPECT_FALSE(reversed);
    EXPECT_NEAR(along->summary(0, 0).mean, s.mean, 1e-9);

    // Cancelling stops the run and leaves no scan, as a cancel and not as a
    // failure; a line that is not there fails with its reason. The still
    // line has no flow.
    EXPECT_TRUE(ordavia::scanWholeVideo(video, 1, &svc.services, [](int f) { return f < 4; }).isCancelled());
    EXPECT_TRUE(ordavia::scanBothWays(video, 1, &svc.services, [](int f) { return f < 40; }).isCancelled());
    const auto missing = ordavia::scanBothWays(video, 40, &svc.services);
    EXPECT_EQ(missing.code(), ordavia::StatusCode::NotFound);
    EXPECT_EQ(missing.reason(), "There is no line 41 to scan.");
    auto stillMade = ordavia::scanWholeVideo(video, 2, &svc.services);
    ASSERT_TRUE(stillMade.ok()) << stillMade.reason();
    auto still = std::move(stillMade).value();
    EXPECT_EQ(still->summary(0, 0).good, 0u);
}

TEST_F(ScanFromVideo, BothWaysGivesEachWaysOwnScanOnOneThreadAndOnFour) {
    video.addObject(line({61, kRow}, {2, kRow}));  // against the flow
    auto both = [&](int threads) {
        return withThreads(threads, [&] {
            bool reversed = false;
            auto scan = ordavia::scanBothWays(video, 0, &svc.services, {}, &reversed);
            EXPECT_TRUE(reversed);
            return scan ? scan.value()->saveToBytes() : std::vector<uint8_t>{};
        });
    };
    const std::vector<uint8_t> one = both(1);
    ASSERT_FALSE(one.empty());
    EXPECT_EQ(one, both(4));
    // The same bytes as the reversed scan run alone, frame by frame.
    const auto alone = ordavia::scanWholeVideo(video, 0, &svc.services, {}, true);
    ASSERT_TRUE(alone.ok()) << alone.status().reason();
    EXPECT_EQ(one, alone.value()->saveToBytes());
}

TEST(KymographImport, AnotherInstrumentsPictureAndAChartsStackOfScanLinesAreMeasured) {
    ordavia::test::TestServices svc;
    ZlineScanBaseDoc doc;
    svc.adopt(doc);
    ASSERT_TRUE(doc.OnNewDocument());
    const linescantest::MovingTexture tex;
    ordavia::Kymograph k;
    k.times = 80;
    k.points = 48;
    for (uint32_t t = 0; t < k.times; ++t) {
        const std::vector<double> v = tex.sample(k.points, 2.0, t);
        k.values.insert(k.values.end(), v.begin(), v.end());
    }
    // Refused without a trace made: no time scale, no scale along the line, too small.
    EXPECT_FALSE(ordavia::importKymograph(doc, k, 0.0, 0.5));
    EXPECT_FALSE(ordavia::importKymograph(doc, k, 0.002, -1));
    EXPECT_FALSE(ordavia::importKymograph(doc, ordavia::Kymograph{1, 48, std::vector<double>(48)}, 0.002, 0.5));
    EXPECT_EQ(doc.traceCount(), 0);

    ASSERT_TRUE(ordavia::importKymograph(doc, k, 0.002, 0.5, "cells.tif"));
    ASSERT_NE(doc.sourceTrace(), nullptr);
    EXPECT_EQ(doc.scanTrace(), doc.sourceTrace());
    EXPECT_EQ(doc.sourceTrace()->sampleCount(), 80u);
    // 2 points per line of 0.5 um every 2 ms: 500 um/s.
    const ordavia::CbvSummary s = doc.summary(0, 0);
    EXPECT_EQ(s.units, "um/s");
    EXPECT_NEAR(s.mean, 500.0, 50.0);
    EXPECT_GT(s.percentGood, 60.0);
    // The chart review starts unmodified from a copy of a stack of scan
    // lines, and calculates the velocity of such a stack only.
    C2DTrace stack(12, 60, 40);
    stack.xInterval = 0.01;
    stack.yScale = 0.5;
    stack.yUnits = "um";
    stack.xUnits = "s";
    for (uint32_t r = 0; r < 60; ++r) {
        const std::vector<double> v = tex.sample(40, 3.0, r);
        for (uint32_t i = 0; i < 40; ++i) stack.data->setD(size_t(r) * 40 + i, v[i]);
        stack.extent->setD(r, 40);
    }
    ZchartReviewDoc review;
    svc.adopt(review);
    ASSERT_TRUE(review.OnNewDocument());
    ASSERT_TRUE(review.beginReview(stack, ordavia::CbvParams{}, "review of a.zvl"));
    EXPECT_FALSE(review.IsModified());
    ASSERT_NE(review.addTrace(std::make_unique<CTrace>(8, 10), true), nullptr);
    EXPECT_FALSE(review.calculateVelocity(1, 0, 0));
    EXPECT_EQ(review.traceCount(), 2);
    ASSERT_TRUE(review.calculateVelocity(0, 0, 0));
    ASSERT_EQ(review.traceCount(), 4);
    EXPECT_EQ(review.trace(2)->name, "correlation");
    EXPECT_EQ(review.trace(3)->name, "cbv");
    // 3 points of 0.5 um per 10 ms: 150 um/s in the rows that correlate.
    const CTrace& cbv = *review.trace(3);
    EXPECT_EQ(cbv.yUnits, "um/s");
    int near = 0;
    for (uint32_t r = 1; r < 60; ++r) near += std::fabs(cbv.physical(r) - 150.0) < 1e-9;
    EXPECT_GT(near, 50);
}

}  // namespace
