// The mouse tools of the image view, driven in image coordinates without a
// window: what each mode does to the document, the drag states, and the
// Shift and Ctrl variants.
#include <cmath>

#include "ViewTestSupport.h"
#include "measure/CDimCircle.h"
#include "measure/CDimLine.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"

using namespace ordavia;

using TC = ImageToolController;

TEST_F(ViewToolTest, UnknownModesAreRefusedAndTheModeIsProgramWide) {
    // Modes that are no tools are refused and change nothing.
    for (int bad : {1, 2, 3, 6, 17, 19, -1}) {
        EXPECT_FALSE(tools->setToolMode(bad));
        tools->chooseTool(bad);
        EXPECT_EQ(tools->toolMode(), TC::kSelect);
    }
    // The mode is program-wide: a second view sees it.
    ZBasicDoc& other = newDoc();
    TC second(other);
    tools->chooseTool(TC::kCounting);
    EXPECT_EQ(second.toolMode(), TC::kCounting);
}

TEST_F(ViewToolTest, DustMaskToolEditsTheHiddenDustListAndGivesTheListBack) {
    doc->setCurrentList(2);
    tools->chooseTool(TC::kDustMask);
    EXPECT_EQ(doc->currentList(), ZBasicDoc::kDustList);
    EXPECT_TRUE(tools->editingDustList());
    click({10, 20});
    EXPECT_EQ(tools->dragState(), TC::kDragBuilding);
    tools->mouseMove({30, 25}, false, false);
    click({40, 50});
    EXPECT_EQ(tools->dragState(), TC::kDragNone);
    const CDimList& dust = doc->lists()[ZBasicDoc::kDustList];
    ASSERT_EQ(dust.count(), 1);
    const auto* r = dynamic_cast<const CDimRect*>(dust.at(0));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->boundingRect(), (ZRect{10, 20, 40, 50}));
    EXPECT_TRUE(dust.isHidden());
    EXPECT_EQ(doc->lists()[2].count(), 0);
    tools->chooseTool(TC::kDustMask);
    EXPECT_EQ(tools->toolMode(), TC::kSelect);
    EXPECT_EQ(doc->currentList(), 2);
}

TEST_F(ViewToolTest, SelectPicksDragsAndClearsTheCurrentObject) {
    doc->setRegion({100, 100, 200, 200});
    draw(0, {{10, 10}, {50, 10}});
    draw(0, {{10, 60}, {50, 60}});
    doc->SetModifiedFlag(false);

    // Within 3 pixels of the first vertex picks the object and drags it.
    unsigned fx = tools->buttonDown({12, 13}, false, false);
    EXPECT_TRUE(fx & TC::kCapture);
    EXPECT_EQ(list().current(), 0);
    EXPECT_EQ(tools->dragState(), TC::kDragObject);
    tools->mouseMove({22, 18}, false, false);
    fx = tools->buttonUp({22, 18}, false, false);
    EXPECT_TRUE(fx & TC::kRelease);
    EXPECT_EQ(tools->dragState(), TC::kDragNone);
    EXPECT_EQ(list().at(0)->getVertex(0), (ZPoint{20, 15}));
    EXPECT_EQ(list().at(0)->getVertex(1), (ZPoint{60, 15}));
    EXPECT_EQ(list().at(1)->getVertex(0), (ZPoint{10, 60}));  // not selected: stays
    EXPECT_TRUE(doc->IsModified());

    // Away from every outline and outside the region the current object is
    // cleared.
    click({24, 35});
    EXPECT_EQ(list().current(), -1);

    // Inside the region of interest with no object: the region is dragged.
    tools->buttonDown({150, 150}, false, false);
    EXPECT_EQ(tools->dragState(), TC::kDragRoi);
    tools->mouseMove({155, 140}, false, false);
    tools->mouseMove({160, 145}, false, false);
    tools->buttonUp({160, 145}, false, false);
    EXPECT_EQ(doc->marks().roi, (ZRect{110, 95, 210, 195}));
    // Moves without the button held change nothing.
    tools->mouseMove({0, 0}, false, false);
    EXPECT_EQ(doc->marks().roi, (ZRect{110, 95, 210, 195}));
}

TEST_F(ViewToolTest, ShiftTogglesSelectionAndSelectedObjectsMoveWithTheCurrentOne) {
    for (int i = 0; i < 3; ++i) draw(0, {{10, 10 + 40 * i}, {50, 10 + 40 * i}});
    click({10, 50}, true);
    EXPECT_TRUE(list().at(1)->isSelected());
    click({10, 90}, true);
    click({10, 90}, true);
    EXPECT_FALSE(list().at(2)->isSelected());
    // Shift-click on nothing does nothing.
    EXPECT_EQ(tools->buttonDown({300, 300}, true, false), TC::kNothing);
    tools->buttonUp({300, 300}, true, false);

    drag({{10, 10}, {15, 13}});
    EXPECT_EQ(list().at(0)->getVertex(0), (ZPoint{15, 13}));
    EXPECT_EQ(list().at(1)->getVertex(0), (ZPoint{15, 53}));
    EXPECT_EQ(list().at(2)->getVertex(0), (ZPoint{10, 90}));
}

TEST_F(ViewToolTest, CtrlDragRotatesAboutTheCentreFromWhereTheDragStarted) {
    // A horizontal line centred on (100, 100); its first vertex is the handle.
    draw(0, {{60, 100}, {140, 100}});
    draw(0, {{100, 120}, {100, 140}});  // selected, below the centre
    list().at(1)->setSelected(true);

    tools->buttonDown({60, 100}, false, true);
    // Many small steps: rotating from the snapshot keeps the length exact.
    for (int k = 1; k <= 90; ++k) {
        const double a = k * M_PI / 180.0;
        tools->mouseMove({static_cast<int>(std::lround(100 - 40 * std::cos(a))),
                          static_cast<int>(std::lround(100 - 40 * std::sin(a)))},
                         false, true);
    }
    tools->buttonUp({100, 60}, false, true);
    // The handle now points straight up from the centre.
    EXPECT_NEAR(list().at(0)->getVertex(0).x, 100, 1);
    EXPECT_NEAR(list().at(0)->getVertex(0).y, 60, 1);
    EXPECT_NEAR(list().at(0)->getVertex(1).y, 140, 1);
    EXPECT_NEAR(list().at(0)->length(1, 1), 80.0, 1.5);
    // The selected line turned a quarter with it, about the same centre.
    EXPECT_NEAR(list().at(1)->getVertex(0).x, 80, 1);
    EXPECT_NEAR(list().at(1)->getVertex(1).x, 60, 1);
    EXPECT_NEAR(list().at(1)->getVertex(1).y, 100, 1);
}

TEST_F(ViewToolTest, RubberBandBecomesTheRegionInAnyDirectionAndClickOrEscapeClearsIt) {
    tools->setToolMode(TC::kRoi);
    tools->buttonDown({200, 150}, false, false);
    EXPECT_EQ(tools->dragState(), TC::kDragRubberBand);
    tools->mouseMove({50, 40}, false, false);
    EXPECT_EQ(tools->rubberBand(), (ZRect{50, 40, 200, 150}));
    EXPECT_TRUE(doc->marks().roi.isEmpty());  // only on release
    tools->buttonUp({40, 30}, false, false);
    EXPECT_EQ(doc->marks().roi, (ZRect{40, 30, 200, 150}));
    click({70, 70});
    EXPECT_EQ(doc->marks().roi, ZRect{});
    tools->setToolMode(TC::kPolyline);
    click({10, 10});
    click({20, 10});
    tools->mouseMove({30, 30}, false, false);
    const unsigned fx = tools->cancelBuilding();
    EXPECT_TRUE(fx & TC::kDocumentChanged);
    EXPECT_EQ(list().count(), 0);
    EXPECT_EQ(tools->dragState(), TC::kDragNone);
    // A fresh click starts a new object rather than extending the old one.
    click({50, 50});
    EXPECT_EQ(list().count(), 1);
    EXPECT_EQ(list().at(0)->vertexCount(), 2);
    tools->finishBuilding();

    tools->setToolMode(TC::kRoi);
    tools->buttonDown({5, 5}, false, false);
    tools->mouseMove({40, 40}, false, false);
    tools->cancelBuilding();
    tools->buttonUp({40, 40}, false, false);
    EXPECT_TRUE(doc->marks().roi.isEmpty());
}

TEST_F(ViewToolTest, OriginAndCrosshairGoWhereClicked) {
    tools->setToolMode(TC::kOrigin);
    click({33, 44});
    EXPECT_EQ(doc->marks().originX, 33);
    EXPECT_EQ(doc->marks().originY, 44);

    { auto v_ = doc->marks(); v_.showTarget = 0; doc->setMarks(v_); }
    tools->setToolMode(TC::kCrosshair);
    click({123, 45});
    EXPECT_EQ(doc->marks().targetX, 123);
    EXPECT_EQ(doc->marks().targetY, 45);
    EXPECT_EQ(doc->marks().showTarget, 1);
    EXPECT_EQ(store().GetInt("settings", "targetx", 0), 123);
    EXPECT_EQ(store().GetInt("settings", "targety", 0), 45);
}

TEST_F(ViewToolTest, TwoClickObjectsFollowTheCursorUntilTheSecondClick) {
    tools->setToolMode(TC::kLines);
    click({10, 10});
    EXPECT_EQ(tools->dragState(), TC::kDragBuilding);
    tools->mouseMove({30, 20}, false, false);
    ASSERT_EQ(list().count(), 1);
    EXPECT_EQ(list().at(0)->getVertex(1), (ZPoint{30, 20}));
    click({40, 50});
    EXPECT_EQ(tools->dragState(), TC::kDragNone);
    EXPECT_EQ(list().at(0)->vertexCount(), 2);
    EXPECT_EQ(list().at(0)->getVertex(1), (ZPoint{40, 50}));

    tools->setToolMode(TC::kCircle);
    click({0, 0});
    click({10, 0});
    const auto* c = dynamic_cast<const CDimCircle*>(list().at(1));
    ASSERT_NE(c, nullptr);
    EXPECT_DOUBLE_EQ(c->radius(), 5.0);
}

TEST_F(ViewToolTest, PolylinesAndPolygonsEndOnDoubleClickWithoutTheFloatingVertex) {
    tools->setToolMode(TC::kPolyline);
    click({0, 0});
    click({10, 0});
    tools->mouseMove({15, 5}, false, false);
    // The double click arrives as press, release, double click, release.
    click({10, 10});
    tools->doubleClick({10, 10}, false, false);
    tools->buttonUp({10, 10}, false, false);
    EXPECT_EQ(tools->dragState(), TC::kDragNone);
    ASSERT_EQ(list().count(), 1);
    const std::vector<ZPoint> want{{0, 0}, {10, 0}, {10, 10}};
    EXPECT_EQ(list().at(0)->vertices(), want);

    tools->setToolMode(TC::kPolygon);
    click({0, 0});
    click({10, 0});
    click({10, 10});
    click({0, 10});
    tools->doubleClick({0, 10}, false, false);
    ASSERT_EQ(list().count(), 2);
    EXPECT_STREQ(list().at(1)->className(), "CDimPolygon");
    EXPECT_DOUBLE_EQ(list().at(1)->area(1, 1), 100.0);

    // A polygon ended with two vertices measures nothing and is dropped.
    click({50, 50});
    click({60, 50});
    tools->doubleClick({60, 50}, false, false);
    EXPECT_EQ(list().count(), 2);
    // Changing the tool ends a building object too.
    tools->setToolMode(TC::kPolyline);
    click({0, 100});
    click({20, 100});
    tools->chooseTool(TC::kCircle);
    ASSERT_EQ(list().count(), 3);
    EXPECT_EQ(list().at(2)->vertexCount(), 2);
}

TEST_F(ViewToolTest, FreehandAddsAVertexPerMoveWhileTheButtonIsDown) {
    tools->setToolMode(TC::kFreehandLine);
    const unsigned fx = drag({{0, 0}, {1, 0}, {1, 0} /* same pixel: no new vertex */, {2, 1}, {3, 3}});
    EXPECT_TRUE(fx & TC::kRelease);
    ASSERT_EQ(list().count(), 1);
    EXPECT_EQ(list().at(0)->vertexCount(), 4);
    // Moves after release add nothing.
    tools->mouseMove({9, 9}, false, false);
    EXPECT_EQ(list().at(0)->vertexCount(), 4);

    tools->setToolMode(TC::kFreehandArea);
    drag({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    ASSERT_EQ(list().count(), 2);
    EXPECT_STREQ(list().at(1)->className(), "CDimPolygon");
    EXPECT_DOUBLE_EQ(list().at(1)->area(1, 1), 100.0);
    // A click without moving leaves a single point: dropped.
    click({50, 50});
    EXPECT_EQ(list().count(), 2);
}

TEST_F(ViewToolTest, TraceBlackensTheCapillaryUnderTheClickWithAnUndoCopy) {
    // A dark vertical capillary three pixels wide on a bright background.
    doc->setImage(CZVimage(40, 30, 0, CZVimage::kFrame, CZVimage::kGrey));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) doc->pictureForPreview().row(y)[x] = (x >= 10 && x < 13 && y >= 5 && y < 25) ? 40 : 200;
    tools->setToolMode(TC::kTrace);
    const unsigned fx = tools->buttonDown({11, 12}, false, false);
    tools->buttonUp({11, 12}, false, false);
    EXPECT_TRUE(fx & TC::kImageChanged);
    EXPECT_EQ(doc->image().getpixel(10, 5), 0);
    EXPECT_EQ(doc->image().getpixel(13, 12), 200);
    EXPECT_EQ((*doc->undoPicture()).getpixel(11, 12), 40);
    EXPECT_TRUE(doc->imageModified());
    EXPECT_TRUE(doc->IsModified());
    // Outside the picture nothing is traced.
    EXPECT_EQ(tools->buttonDown({70, 3}, false, false), TC::kNothing);
}

TEST_F(ViewToolTest, TraceWithoutATracerSaysSo) {
    giveImage(20, 20);
    tools->setTraceFunction(nullptr);
    tools->setToolMode(TC::kTrace);
    click({5, 5});
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0], TC::kTraceUnavailable);
    EXPECT_FALSE(doc->imageModified());
}

TEST_F(ViewToolTest, ObjectsArePickedAnywhereAlongTheirOutline) {
    draw(0, {{10, 10}, {110, 10}});
    draw(CDimList::kCircle, {{200, 100}, {240, 100}});  // centre 220,100, radius 20
    list().at(1)->update();
    draw(CDimList::kPolygon, {{300, 300}, {340, 300}, {300, 340}});  // closing edge 300,340 - 300,300

    EXPECT_EQ(tools->objectAt(list(), {60, 13}), 0);    // the middle of the line
    EXPECT_EQ(tools->objectAt(list(), {60, 15}), -1);   // 5 pixels off
    EXPECT_EQ(tools->objectAt(list(), {220, 121}), 1);  // the circle's rim
    EXPECT_EQ(tools->objectAt(list(), {220, 100}), -1); // not its centre
    EXPECT_EQ(tools->objectAt(list(), {298, 320}), 2);  // the polygon's closing edge
    // Zoomed out, the same four screen pixels cover more of the picture.
    tools->setZoom(1, 4);
    EXPECT_EQ(tools->objectAt(list(), {60, 24}), 0);
    // A wide band is picked over its whole width.
    tools->setZoom(1, 1);
    list().at(0)->setWidth(21);
    EXPECT_EQ(tools->objectAt(list(), {60, 22}), 0);

    // A click on the rim makes it current.
    click({240, 101});
    EXPECT_EQ(list().current(), 1);
}
