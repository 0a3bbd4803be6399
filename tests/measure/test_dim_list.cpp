// The dimension list: creation, removal and the current index, hit tests,
// counts and sums, moving and rotating with the selection.
#include <gtest/gtest.h>

#include <numbers>

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

TEST(DimList, NewObjectsTakeKindDefaultsAndBecomeCurrent) {
    CDimList list;
    EXPECT_EQ(list.current(), -1);
    list.setDefaultColour(0x80ff);
    list.setDefaultWidth(4);
    EXPECT_EQ(list.addNew(CDimList::kCircle, {1, 2}), 0);
    EXPECT_EQ(list.addNew(CDimList::kPolygon, {3, 4}), 1);
    EXPECT_EQ(list.addNew(CDimList::kRectangle, {5, 6}), 2);
    EXPECT_EQ(list.addNew(9, {7, 8}), 3);
    EXPECT_EQ(list.current(), 3);
    EXPECT_STREQ(list.at(0)->className(), "CDimCircle");
    EXPECT_STREQ(list.at(1)->className(), "CDimPolygon");
    EXPECT_STREQ(list.at(2)->className(), "CDimRect");
    EXPECT_STREQ(list.at(3)->className(), "CDimLine");
    for (const auto& o : list.objects()) {
        EXPECT_EQ(o->colour(), 0x80ffu);
        EXPECT_EQ(o->width(), 4);
        EXPECT_EQ(o->vertexCount(), 1);
    }
    EXPECT_EQ(list.at(2)->getVertex(0), (ZPoint{5, 6}));
    // An existing object joins without becoming current.
    EXPECT_EQ(list.add(std::make_unique<CDimLine>()), 4);
    EXPECT_EQ(list.current(), 3);
    EXPECT_EQ(list.add(nullptr), -1);
    EXPECT_EQ(list.at(5), nullptr);
    EXPECT_EQ(list.at(-1), nullptr);
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
    list.removeAll();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.current(), -1);
    list.setCurrent(0);
    EXPECT_EQ(list.current(), -1);
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
    EXPECT_DOUBLE_EQ(list.totalXExtent(2), 2 * (30 + 20));
    EXPECT_DOUBLE_EQ(list.totalYExtent(1), 40 + 20);
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

TEST(DimList, MoveAndRotateTakeTheSelectionAlong) {
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
    list.moveCurrent(-1, -2);

    // A half turn about the current line's centre (5, 0).
    list.rotateCurrent(std::numbers::pi);
    EXPECT_EQ(list.at(0)->vertices(), (std::vector<ZPoint>{{10, 0}, {0, 0}}));
    EXPECT_EQ(list.at(1)->vertices(), (std::vector<ZPoint>{{5, -10}, {5, -20}}));
    EXPECT_EQ(list.at(2)->getVertex(0), (ZPoint{100, 100}));

    // Turning towards a point puts the first vertex on the ray to it.
    const double a = list.rotateCurrentTowards({5, 100});
    EXPECT_NEAR(a, -std::numbers::pi / 2, 1e-12);
    const ZPoint v = list.at(0)->getVertex(0);
    EXPECT_NEAR(v.x, 5, 1);
    EXPECT_NEAR(v.y, 5, 1);

    // Nothing current: nothing moves.
    list.setCurrent(-1);
    list.moveCurrent(50, 50);
    EXPECT_EQ(list.at(2)->getVertex(0), (ZPoint{100, 100}));
}

}  // namespace
