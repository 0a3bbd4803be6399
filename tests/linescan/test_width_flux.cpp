// Widths of a video: the width of each line against time, and the diameter
// and flux that an accepted velocity keeps.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/CTrace.h"
#include "chart/ZchartDoc.h"
#include "linescan/CapillaryFlux.h"
#include "linescan/LineVelocityRun.h"
#include "measure/CDimList.h"
#include "results/CResultDoc.h"
#include "results/ResultTables.h"
#include "support/MemoryMovie.h"
#include "support/SyntheticMovie.h"
#include "support/TestServices.h"
#include "video/CMotivaDoc.h"
#include "video/WidthAgainstTime.h"
#include "synth/SyntheticVideo.h"

using namespace ordavia;

namespace {

int addLineTo(ZBasicDoc& doc, ZPoint a, ZPoint b) {
    const int i = doc.addNewDimension(0, a);
    doc.addVertex(i, b);
    return i;
}

// Frame k: a dark column 6 + k pixels wide from x = 16 on a light ground.
class VideoWidths : public ::testing::Test {
protected:
    void SetUp() override {
        ts.adopt(video);
        video.OnNewDocument();
        testsupport::memoryMovie(video.movie(), 6, 48, 40,
                                 [](int k, int x, int) { return x >= 16 && x < 22 + k ? 60 : 190; });
        video.SetTitle("clip");
        video.setFramesPerSecond(25);
        video.goToFrame(0);
    }
    int addLine(ZPoint a, ZPoint b) { return addLineTo(video, a, b); }
    test::TestServices ts;
    CMotivaDoc video;
};

TEST_F(VideoWidths, OneTracePerLineFollowsTheWidthFrameByFrame) {
    auto empty = widthAgainstTime(video);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty.value()->traceCount(), 0);

    addLine({6, 20}, {42, 20});
    addLine({6, 30}, {42, 30});
    int seen = 0;
    auto r = widthAgainstTime(video, [&](int) { return ++seen > 0; });
    ASSERT_TRUE(r) << r.reason();
    ASSERT_EQ(r.value()->traceCount(), 2);
    const CTrace& t = *r.value()->trace(0);
    EXPECT_DOUBLE_EQ(t.xInterval, 0.04);
    ASSERT_EQ(t.sampleCount(), 6u);
    for (uint32_t k = 0; k < 6; ++k) EXPECT_NEAR(t.physical(k), 6 + k, 0.6) << k;
    EXPECT_EQ(seen, 6);
    EXPECT_EQ(video.currentFrame(), 0);

    auto cancelled = widthAgainstTime(video, [](int k) { return k < 2; });
    EXPECT_EQ(cancelled.code(), StatusCode::Cancelled);
    EXPECT_EQ(video.currentFrame(), 0);
}

TEST_F(VideoWidths, AcceptedVelocityKeepsDiameterAndFlux) {
    // A velocity line along the column: the diameter is taken across it.
    // The column widens from 6 to 11 pixels over the frames: the diameter is
    // the run's, whichever frame is shown (after playing, the last).
    const int line = addLine({19, 4}, {19, 36});
    // Flux is kept in um^3/s: the video is calibrated in micrometres, one
    // per pixel, so that the widths read as in pixels.
    ASSERT_TRUE(video.setCalibration({.xScale = 1, .yScale = 1, .calibrated = true, .units = "um"}));
    video.goToFrame(5);
    const double d = lineDiameter(video, line);
    video.goToFrame(0);
    EXPECT_EQ(lineDiameter(video, line), d);
    EXPECT_NEAR(d, 8.5, 1.5);
    EXPECT_DOUBLE_EQ(bloodFlux(d, -100), std::acos(-1.0) * d * d * 100 / 4);
    video.setSelection(0, 1);  // the first frame alone
    EXPECT_NEAR(lineDiameter(video, line), 6, 0.6);
    video.setSelection(-1, -1);
    CbvSummary s;
    s.mean = 100;
    s.units = "um/s";
    s.trust.inRange = true, s.trust.quality = 0.75;
    ASSERT_TRUE(acceptVelocity(video, line, s, "clip", &ts.results));
    const CResultDoc* table = ts.results.find(kCapillaryVelocityTitle);
    ASSERT_TRUE(table);
    // ..., the velocity, ..., "in range", "quality", "diameter", "flux".
    const auto& cells = table->rows().back()->strings;
    ASSERT_EQ(cells.size(), 12u);
    EXPECT_NEAR(std::stod(cells[3]), 100, 0.001);
    EXPECT_EQ(std::stod(cells[8]), 1.0);
    EXPECT_NEAR(std::stod(cells[9]), 0.75, 0.01);
    EXPECT_NEAR(std::stod(cells[10]), d, 0.01);
    EXPECT_NEAR(std::stod(cells[11]), bloodFlux(d, 100), 0.1);
    const std::string label = video.currentDimList().at(line)->label();
    EXPECT_NE(label.find(" diameter = "), std::string::npos) << label;
    EXPECT_NE(label.find(" um^3/s"), std::string::npos) << label;
    EXPECT_EQ(label.find('\n'), std::string::npos) << label;

    // Without a length calibration there is no flux in um^3/s: its cell is
    // left empty rather than filled in another unit.
    ASSERT_TRUE(video.setCalibration({.xScale = 1, .yScale = 1, .calibrated = false, .units = "um"}));
    s.units = video.unitsInEffect() + "/s";
    ASSERT_TRUE(acceptVelocity(video, line, s, "clip", &ts.results));
    const auto& uncalibrated = table->rows().back()->strings;
    EXPECT_NEAR(std::stod(uncalibrated[10]), d, 0.01);
    EXPECT_EQ(uncalibrated[11], "");
}

// A line that follows a bend has its chord's midpoint off the vessel: the
// diameter is taken across the vessel where the middle of the line lies.
TEST(LineDiameter, IsTakenAcrossTheVesselWhereTheMiddleOfABentLineLies) {
    test::TestServices ts;
    CMotivaDoc video;
    ts.adopt(video);
    video.OnNewDocument();
    // A dark vessel 8 pixels wide, down x = 16 .. 23 and round a right angle
    // along y = 40 .. 47.
    testsupport::memoryMovie(video.movie(), 1, 80, 96, [](int, int x, int y) {
        return x >= 16 && ((x < 24 && y < 48) || (y >= 40 && y < 48)) ? 60 : 190;
    });
    video.goToFrame(0);
    const int i = video.addNewDimension(0, {20, 4});
    video.addVertex(i, {20, 44});
    video.addVertex(i, {76, 44});
    EXPECT_NEAR(lineDiameter(video, i), 8, 0.6);
}

// On a synthetic video of known widths (cells and plasma gaps moving, 1.6
// um per pixel) the diameter across a line along each limb is the limb's
// width, and the limb's width line is left out of the velocities.
TEST(SyntheticLimbs, TheDiameterIsTheLimbsWidthAndWidthLinesGetNoVelocity) {
    test::TestServices ts;
    CMotivaDoc video;
    ts.adopt(video);
    video.OnNewDocument();
    SyntheticVideo gen;
    testsupport::recordSynthetic(gen, {.seed = 3, .frames = 60, .fps = 50}, video.movie());
    ASSERT_TRUE(video.setCalibration({.xScale = 1.6, .yScale = 1.6, .calibrated = true}));
    std::vector<double> errors;
    std::vector<int> along;
    for (const auto& cap : gen.truth().capillaries)
        for (const auto& limb : cap.limbs) {
            const auto at = [](SyntheticNailfold::Point q) { return ZPoint{int(std::lround(q.x)), int(std::lround(q.y))}; };
            if (!cap.flows || limb.along.size() < 13) continue;
            const int i = addLineTo(video, at(limb.along[0]), at(limb.along[limb.along.size() / 2]));
            addLineTo(video, at(limb.acrossFrom), at(limb.acrossTo));
            along.push_back(i);
            const double d = lineDiameter(video, i);
            errors.push_back(d < 0 ? 1e9 : std::fabs(d - limb.widthUm));
        }
    ASSERT_GE(errors.size(), 6u);
    std::sort(errors.begin(), errors.end());
    EXPECT_LT(errors[errors.size() / 2], 1.5) << errors.front() << " .. " << errors.back();
    EXPECT_EQ(velocityLines(video), along);
}

}  // namespace
