// The image view's commands: delete, line width, rotation, set region, grey
// level profile, copy and paste, zoom and the eight status panes.
#include <numeric>

#include "ViewTestSupport.h"
#include "tests/support/ArchiveBytes.h"
#include "measure/CDimPolygon.h"

using namespace ordavia;

using TC = ImageToolController;

TEST_F(ViewToolTest, LineWidthIsAskedForAndAcceptedFrom1To399) {
    EXPECT_FALSE(tools->setLineWidth(prompter));  // nothing current: no question
    EXPECT_TRUE(prompter.asked.empty());
    draw(0, {{0, 0}, {100, 0}});
    prompter.pushInt(9);
    EXPECT_TRUE(tools->setLineWidth(prompter));
    EXPECT_EQ(list().at(0)->width(), 9);

    for (int bad : {0, 400, -3}) {
        prompter.pushInt(bad);
        EXPECT_FALSE(tools->setLineWidth(prompter));
        EXPECT_EQ(list().at(0)->width(), 9);
    }
    prompter.pushInt(399);
    EXPECT_TRUE(tools->setLineWidth(prompter));
    EXPECT_EQ(list().at(0)->width(), 399);
    prompter.pushInt(std::nullopt);  // cancelled
    EXPECT_FALSE(tools->setLineWidth(prompter));
    EXPECT_EQ(list().at(0)->width(), 399);
}

TEST_F(ViewToolTest, RotationIsClockwiseOnTheScreenAndTheAngleIsRemembered) {
    draw(0, {{100, 100}, {140, 100}});  // pointing right
    list().setCurrent(0);
    // The default proposal is 90 degrees.
    prompter.pushDouble(std::nullopt);
    EXPECT_FALSE(tools->rotateSelected(prompter));

    prompter.pushDouble(90.0);
    EXPECT_TRUE(tools->rotateSelected(prompter));
    // About the centre (120, 100): the line now points down the screen.
    EXPECT_EQ(list().at(0)->getVertex(0), (ZPoint{120, 80}));
    EXPECT_EQ(list().at(0)->getVertex(1), (ZPoint{120, 120}));
    EXPECT_DOUBLE_EQ(store().GetDouble("settings", "angle", 0.0), 90.0);
}

TEST_F(ViewToolTest, SetRegionWhitensThePixelsAlongTheCurrentLine) {
    giveImage(16, 8);
    EXPECT_FALSE(tools->setRegion());  // no current line
    draw(0, {{1, 1}, {6, 1}, {6, 4}, {40, 4}});  // runs out of the picture: clipped
    EXPECT_TRUE(tools->setRegion());
    for (int x = 1; x <= 6; ++x) EXPECT_EQ(doc->image().getpixel(x, 1), 255) << x;
    for (int y = 1; y <= 4; ++y) EXPECT_EQ(doc->image().getpixel(6, y), 255) << y;
    for (int x = 6; x < 16; ++x) EXPECT_EQ(doc->image().getpixel(x, 4), 255) << x;
    EXPECT_EQ(doc->image().getpixel(0, 1), 10);
    EXPECT_EQ((*doc->undoPicture()).getpixel(3, 1), 13);
    EXPECT_TRUE(doc->imageModified());
    EXPECT_EQ(doc->notes(), std::string("set region") + "\r\n");
}

TEST_F(ViewToolTest, GreyProfileFollowsThePathPixelByPixel) {
    giveImage(20, 20);
    EXPECT_TRUE(tools->greyProfile().empty());
    draw(0, {{2, 3}, {5, 3}, {5, 5}});
    // (2..5, 3) then (5, 4), (5, 5): the joint counted once.
    EXPECT_EQ(tools->greyProfile(), (std::vector<int>{32, 33, 34, 35, 45, 55}));

    // A single point is one pixel; a diagonal's steps show in the grey
    // level chart (ZBasicViewTest.GreyLevelFeedsOneLiveChartThatFollowsTheLine).
    std::vector<ZPoint> px;
    TC::appendLinePixels({3, 3}, {3, 3}, px);
    EXPECT_EQ(px.size(), 1u);
    // A polygon's path closes back to its first vertex.
    CDimPolygon square;
    for (ZPoint p : {ZPoint{0, 0}, ZPoint{2, 0}, ZPoint{2, 2}, ZPoint{0, 2}}) square.addVertex(p);
    EXPECT_EQ(TC::pathPixels(square).size(), 9u);
    // Far-apart hostile vertices do not overflow the walk.
    px.clear();
    TC::appendLinePixels({-2147483647, 0}, {-2147483640, 1}, px);
    EXPECT_EQ(px.size(), 8u);
}

TEST_F(ViewToolTest, CopyAndPasteCarryTheArchivedObject) {
    EXPECT_TRUE(tools->copyCurrent().empty());
    draw(CDimList::kPolygon, {{1, 2}, {30, 2}, {30, 40}});
    list().at(0)->setLabel("loop 3");
    list().at(0)->setWidth(3);
    const std::vector<uint8_t> bytes = tools->copyCurrent();

    doc->setCurrentList(1);
    EXPECT_TRUE(tools->paste(bytes));
    ASSERT_EQ(doc->lists()[1].count(), 1);
    const CDim* p = doc->lists()[1].at(0);
    EXPECT_EQ(doc->lists()[1].current(), 0);
    EXPECT_STREQ(p->className(), "CDimPolygon");
    EXPECT_EQ(p->label(), "loop 3");
    EXPECT_EQ(p->width(), 3);
    EXPECT_EQ(p->vertices(), doc->lists()[0].at(0)->vertices());

    // Anything but exactly one dimension is refused and changes nothing.
    std::vector<std::vector<uint8_t>> bad{{},
                                          {0, 0},
                                          {0xFF, 0xFF, 1, 0},
                                          std::vector<uint8_t>(bytes.begin(), bytes.end() - 3)};
    std::vector<uint8_t> trailing = bytes;
    trailing.push_back(0);
    bad.push_back(trailing);
    std::vector<uint8_t> wrongSchema = bytes;
    wrongSchema[2] = 2;
    bad.push_back(wrongSchema);
    // A huge vertex count in a short buffer.
    bad.push_back(Bytes().newClass("CDimLine").i32(3).i32(255).i32(1).u8(0).u16(0xFFFF).i32(0x7FFFFFFF).b);
    for (const auto& b : bad) EXPECT_FALSE(tools->paste(b)) << b.size();
    EXPECT_EQ(doc->lists()[1].count(), 1);
}

TEST_F(ViewToolTest, ZoomStepsFitAndWidgetToImageMapping) {
    for (int i = 0; i < 20; ++i) tools->zoomIn();
    EXPECT_EQ(tools->zoomNumerator(), 16);
    EXPECT_EQ(tools->zoomDenominator(), 1);
    EXPECT_EQ(tools->toImage(33, 47), (ZPoint{2, 2}));
    EXPECT_EQ(tools->toImage(-1, 0), (ZPoint{-1, 0}));
    for (int i = 0; i < 15; ++i) tools->zoomOut();
    EXPECT_EQ(tools->zoomNumerator(), 1);
    tools->zoomOut();
    tools->zoomOut();
    EXPECT_EQ(tools->zoomDenominator(), 3);
    EXPECT_EQ(tools->toImage(10, 11), (ZPoint{30, 33}));
    EXPECT_FALSE(tools->setZoom(2, 3));
    EXPECT_FALSE(tools->setZoom(0, 1));
    EXPECT_TRUE(tools->setZoom(4, 1));

    // Fitting picks the largest step that shows the whole picture.
    tools->fitZoom(640, 480, 800, 600);
    EXPECT_EQ(tools->zoomFactor(), 1.0);
    tools->fitZoom(100, 50, 800, 600);
    EXPECT_EQ(tools->zoomFactor(), 8.0);  // 800 x 400
    tools->fitZoom(2000, 1000, 800, 600);
    EXPECT_EQ(tools->zoomDenominator(), 3);  // 667 wide fits, 1000 does not
    tools->fitZoom(100000, 10, 800, 600);
    EXPECT_EQ(tools->zoomDenominator(), 8);  // as small as it goes
}

TEST_F(ViewToolTest, StatusPanesUseTheirFormats) {
    giveImage(50, 50);
    { auto v_ = doc->marks(); v_.originX = 10; v_.originY = 20; doc->setMarks(v_); }
    doc->setRegion({0, 0, 40, 30});
    { auto v_ = doc->calibration(); v_.xScale = 2.0; v_.yScale = 0.5; v_.calibrated = 1; doc->setCalibration(v_); }
    draw(0, {{0, 0}, {3, 8}});
    doc->setCurrentList(0);
    tools->zoomOut();
    tools->zoomOut();
    // Calibrated and from the origin; the pixel is (13 + 250) & 0xFF and
    // the line sqrt(36 + 16) long.
    const auto t = tools->statusTexts({13, 25});
    EXPECT_EQ((std::vector<std::string>(t.begin(), t.end())),
              (std::vector<std::string>{"pos=  6.0,  2.5 \u00b5m", "pixel=  7", "line1=  7.2 \u00b5m", "dimlist=0",
                                        "size= 80.0x 15.0 \u00b5m", "1", "mag=2.000, 0.500 \u00b5m/px", "zoom=  33%",
                                        "Tool: Select"}));
    // Outside the picture the pixel reads -1.
    EXPECT_EQ(tools->statusTexts({50, 5})[1], "pixel= -1");
}

TEST_F(ViewToolTest, HistogramCountsTheRegionAndDustMarksRemoveMarksOnThem) {
    giveImage(50, 50);  // pixel (x, y) = (x + 10 y) & 0xFF
    auto bins = tools->histogram();
    EXPECT_EQ(std::accumulate(bins.begin(), bins.end(), int64_t{0}), 2500);
    doc->setRegion({2, 3, 5, 4});  // one row: 32, 33, 34
    bins = tools->histogram();
    EXPECT_EQ(std::accumulate(bins.begin(), bins.end(), int64_t{0}), 3);
    EXPECT_EQ(bins[32] + bins[33] + bins[34], 3);

    EXPECT_EQ(tools->removeMarksInDustMask(), -1);  // no dust list yet
    doc->addNewDimension(0, {10, 10});              // a mark on the dust
    doc->addNewDimension(0, {30, 30});              // a mark elsewhere
    draw(CDimList::kCircle, {{8, 20}, {12, 20}});  // centre 10,20 on the dust
    draw(0, {{9, 9}, {40, 40}});  // a line starting on it stays
    doc->lists()[ZBasicDoc::kDustList].addNew(CDimList::kRectangle, {15, 25});  // drawn backwards
    doc->lists()[ZBasicDoc::kDustList].at(0)->addVertex({5, 5});
    doc->SetModifiedFlag(false);
    EXPECT_EQ(tools->removeMarksInDustMask(), 2);
    ASSERT_EQ(list().count(), 2);
    EXPECT_EQ(list().at(0)->getVertex(0), (ZPoint{30, 30}));
    EXPECT_EQ(list().at(1)->vertexCount(), 2);
    EXPECT_TRUE(doc->IsModified());
}
