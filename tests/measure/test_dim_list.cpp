// The dimension list: creation, removal and the current index, hit tests,
// counts and sums, moving with the selection.
#include <gtest/gtest.h>

#include "measure/CDimCircle.h"
#include "measure/CDimLine.h"
#include "measure/CDimList.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"

using namespace ordavia;

namespace {

CDimList threeLines() {
    CDimList list;
    for (int i = 0; i < 3; ++i) {
        list.addNew(0, {10 * i, 0});
        list.at(i)->addVertex({10 * i, 10});
    }
    return list;
}

// Colour and width defaults reach new objects: DimArchive's round trip.
TEST(DimList, NewObjectsTakeTheirKindsClassAndBecomeCurrent) {
    CDimList list;
    EXPECT_EQ(list.addNew(CDimList::kCircle, {1, 2}), 0);
    EXPECT_EQ(list.addNew(CDimList::kPolygon, {3, 4}), 1);
    EXPECT_EQ(list.addNew(CDimList::kRectangle, {5, 6}), 2);
    EXPECT_EQ(list.addNew(9, {7, 8}), 3);
    EXPECT_EQ(list.current(), 3);
    EXPECT_STREQ(list.at(0)->className(), "CDimCircle");
    EXPECT_STREQ(list.at(1)->className(), "CDimPolygon");
    EXPECT_STREQ(list.at(2)->className(), "CDimRect");
    EXPECT_STREQ(list.at(3)->className(), "CDimLine");
    // An existing object joins without becoming current.
    EXPECT_EQ(list.add(std::make_unique<CDimLine>()), 4);
    EXPECT_EQ(list.current(), 3);
}

TEST(DimList, RemovalKeepsTheCurrentObject) {
    CDimList list = threeLines();
    list.setCurrent(0);
    list.remove(0);
    EXPECT_EQ(list.current(), -1);
    EXPECT_EQ(list.count(), 2);

    list = threeLines();
    list.setCurrent(2);
    const CDim* cur = list.currentObject();
    list.remove(0);  // before the current one: the index follows the object
    EXPECT_EQ(list.currentObject(), cur);
    list.remove(1);  // the current one: steps back
    EXPECT_EQ(list.current(), 0);
    list.remove(7);  // out of range: nothing
    EXPECT_EQ(list.count(), 1);

    list = threeLines();
    list.setCurrent(0);
    list.remove(2);  // after the current one
    EXPECT_EQ(list.current(), 0);
}

TEST(DimList, CountsSumsAndHitsOnTheFirstVertex) {
    CDimList list;
    list.addNew(0, {0, 0});
    list.at(0)->addVertex({30, 40});  // length 50
    list.addNew(CDimList::kPolygon, {0, 0});
    for (ZPoint p : {ZPoint{10, 0}, ZPoint{10, 10}, ZPoint{0, 10}}) list.at(1)->addVertex(p);
    list.addNew(0, {5, 5});   // counting mark inside
    list.addNew(0, {50, 5});  // counting mark outside
    const ZRect box{0, 0, 20, 20};
    EXPECT_EQ(list.countInRect(box), 3);
    EXPECT_EQ(list.countMarksInRect(box), 1);
    EXPECT_DOUBLE_EQ(list.totalLength(1, 1), 90.0);
    // The line leaves the box through its bottom edge halfway along.
    EXPECT_DOUBLE_EQ(list.totalLengthInRect(box, 1, 1), 25.0 + 40.0);
    EXPECT_DOUBLE_EQ(list.totalAreaInRect(box, 1, 1), 100.0);
    EXPECT_DOUBLE_EQ(list.totalTortuosityRatio(), 1.0 + 0.0 + 1.0 + 1.0);
    int curves = -1;
    EXPECT_DOUBLE_EQ(list.totalTortuosity(1, 1, curves, TortuosityParams()), 0.0);
    EXPECT_EQ(curves, 0);
    // Hits pick the first object on its first vertex.
    CDimList lines = threeLines();
    lines.addNew(0, {10, 0});  // same first vertex as object 1
    EXPECT_EQ(lines.hitTest({13, 3}), 1);
    EXPECT_EQ(lines.current(), 1);
    EXPECT_EQ(lines.hitTest({20, 10}), -1);  // a last vertex is no handle
    EXPECT_EQ(lines.current(), -1);
    EXPECT_EQ(lines.hitTest({-3, -3}), 0);
}

// Rotating with the selection is driven through the tools: ViewToolTest's
// Ctrl drag and rotation command.
TEST(DimList, MovingTheCurrentObjectTakesTheSelectionAlong) {
    CDimList list;
    list.addNew(0, {0, 0});
    list.at(0)->addVertex({10, 0});
    list.addNew(0, {5, 10});
    list.at(1)->addVertex({5, 20});
    list.addNew(0, {100, 100});  // neither current nor selected
    list.at(1)->setSelected(true);
    list.setCurrent(0);
    list.at(0)->setSelected(true);  // current and selected: moved once

    list.moveCurrent(1, 2);
    EXPECT_EQ(list.at(0)->vertices(), (std::vector<ZPoint>{{1, 2}, {11, 2}}));
    EXPECT_EQ(list.at(1)->vertices(), (std::vector<ZPoint>{{6, 12}, {6, 22}}));
    EXPECT_EQ(list.at(2)->getVertex(0), (ZPoint{100, 100}));
}

}  // namespace
