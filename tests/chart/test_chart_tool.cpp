// The chart's mouse logic without a window: a plot of 500 x 300 pixels
// showing 0 .. 10 s of a 1000-sample trace at 0.01 s a sample.
#include <gtest/gtest.h>

#include "chart/ChartToolController.h"
#include "chart/ZchartDoc.h"

using namespace ordavia;
using Tool = ChartToolController;

namespace {

struct ToolFixture : ::testing::Test {
    ZchartDoc doc;
    Tool tool{doc};
    ChartViewState& s = tool.state();
    void SetUp() override {
        for (int i = 0; i < 2; ++i) {
            auto made = std::make_unique<CTrace>(8, 1000);
            made->xInterval = 0.01;
            TraceDisplay d;
            d.trace = doc.addTrace(std::move(made), true);
            d.yPerPixel = 0.01;
            s.displays.push_back(d);
        }
        tool.setPlotSize(500, 300);
        tool.setTextMetrics(8, 16);
        s.xPerPixel = 0.02;
    }
    unsigned drag(Tool::Button b, Tool::Point from, Tool::Point to, unsigned mods = 0) {
        unsigned e = tool.buttonDown(b, from, mods);
        e |= tool.mouseMove(to, b == Tool::kLeft);
        return e | tool.buttonUp(to);
    }
};

}  // namespace

TEST_F(ToolFixture, DragSelectsSamplesAndAClickOnlyPlacesTheCursor) {
    const unsigned e = drag(Tool::kLeft, {100, 50}, {200, 60});
    EXPECT_EQ(s.selFrom, 200u);
    EXPECT_EQ(s.selTo, 401u) << "a drag to the right takes the sample under the mouse";
    EXPECT_NEAR(s.cursorX, 4.0, 1e-12);
    EXPECT_TRUE(e & Tool::kReadouts);
    EXPECT_EQ(tool.readouts()[2], "dx = 2.010 ");
    drag(Tool::kLeft, {300, 50}, {302, 50});
    EXPECT_FALSE(s.hasSelection());
    EXPECT_NEAR(s.cursorX, 6.04, 1e-12);
    // Outside the plot nothing is selected.
    EXPECT_EQ(tool.buttonDown(Tool::kLeft, {-3, 50}, 0), Tool::kNothing);
}

TEST_F(ToolFixture, ShiftDragZoomsToTheBandAndLinkedAxesZoomTogether) {
    doc.setLinkYAxes(false);
    drag(Tool::kLeft, {100, 0}, {102, 200}, Tool::kShift);
    EXPECT_EQ(s.xPerPixel, 0.02) << "a band of 3 pixels is a slip";
    drag(Tool::kLeft, {100, 99}, {199, 199}, Tool::kShift);
    EXPECT_NEAR(s.xLeft, 2.0, 1e-12);
    EXPECT_NEAR(s.xPerPixel * 500, 1.98, 1e-12);
    EXPECT_NEAR(s.displays[0].yPerPixel, 0.01 * 100 / 300, 1e-12);
    EXPECT_NEAR(s.displays[0].yBottom, 0.01 * 100, 1e-12);
    EXPECT_EQ(s.displays[1].yPerPixel, 0.01) << "y axes not linked: the active trace only";
    doc.setLinkYAxes(true);
    tool.zoomY(2.0, 299);
    EXPECT_EQ(s.displays[1].yPerPixel, 0.02);
    EXPECT_EQ(s.displays[1].yBottom, 0.0) << "the bottom row stays where it was";
}

TEST_F(ToolFixture, PanWithTheMiddleButtonOrCtrlAndWheelZoomAroundTheMouse) {
    doc.setLinkYAxes(false);
    unsigned e = drag(Tool::kMiddle, {100, 100}, {150, 80});
    EXPECT_TRUE(e & Tool::kStartPan);
    EXPECT_TRUE(e & Tool::kEndGesture);
    EXPECT_NEAR(s.xLeft, -1.0, 1e-12);
    EXPECT_NEAR(s.displays[0].yBottom, -0.2, 1e-12);
    EXPECT_EQ(s.displays[1].yBottom, 0.0);
    e = drag(Tool::kLeft, {0, 0}, {-50, 0}, Tool::kCtrl);
    EXPECT_NEAR(s.xLeft, 0.0, 1e-12) << "pans from anywhere, also off the plot";
    EXPECT_FALSE(s.hasSelection());
    const double under = tool.xAt(250);
    tool.wheel(1, {250, 10}, 0);
    EXPECT_NEAR(s.xPerPixel, 0.016, 1e-12);
    EXPECT_NEAR(tool.xAt(250), under, 1e-12);
    tool.wheel(-1, {0, 0}, Tool::kShift);
    EXPECT_NEAR(tool.xAt(-40), under - 250 * 0.016, 1e-9);
}

TEST_F(ToolFixture, MarkerBoxesAreHitSelectedAndEdited) {
    doc.AddMarker(std::make_unique<CMarker>(), 4.0, "ab");  // pole at pixel 200
    doc.AddMarker(std::make_unique<CMarker>(), 40.0, "off");  // out of view: no box
    const auto boxes = Tool::markerBoxes(s, doc.markers(), 500, 8, 16);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].left, 200 - 3 * 8);
    EXPECT_EQ(boxes[0].bottom, 4 + 16);
    EXPECT_TRUE(boxes[1].isEmpty());
    EXPECT_EQ(tool.buttonDown(Tool::kLeft, {190, 10}, 0), Tool::kRedraw);
    EXPECT_EQ(s.selectedMarker, 0);
    EXPECT_FALSE(s.hasCursor()) << "a marker click is not a selection";
    s.selectedMarker = -1;
    EXPECT_EQ(tool.doubleClick({190, 10}), Tool::kEditMarker);
    EXPECT_EQ(s.selectedMarker, 0);
    EXPECT_EQ(tool.doubleClick({190, 100}), Tool::kFitAll);
    std::vector<double> seen;
    Tool::Overlay o;
    o.press = [&](Tool::Point p, unsigned) { return p.x > 250; };
    o.drag = [&](Tool::Point p) { seen.push_back(p.x); };
    o.release = [&](Tool::Point p) { seen.push_back(-p.x); };
    tool.setOverlay(o);
    drag(Tool::kLeft, {300, 10}, {320, 10});
    EXPECT_EQ(seen, (std::vector<double>{320, -320}));
    EXPECT_FALSE(s.hasSelection());
    drag(Tool::kLeft, {100, 10}, {120, 10});
    EXPECT_TRUE(s.hasSelection()) << "left of the overlay's part the press selects";
}

