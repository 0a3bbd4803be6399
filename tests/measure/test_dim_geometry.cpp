// Measures and transformations of single dimensions on hand-checked shapes.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>

#include "measure/CDimCircle.h"
#include "measure/CDimLine.h"
#include "measure/CDimPolygon.h"
#include "measure/CDimRect.h"

using namespace ordavia;

namespace {

constexpr double kPi = std::numbers::pi;

template <class T>
T make(std::initializer_list<ZPoint> pts) {
    T d;
    for (ZPoint p : pts) d.addVertex(p);
    return d;
}

TEST(DimGeometry, LineLengthsExtentsAndAngles) {
    CDimLine l = make<CDimLine>({{0, 0}, {3, 4}});
    EXPECT_DOUBLE_EQ(l.length(1, 1), 5.0);
    EXPECT_DOUBLE_EQ(l.angle(0, 1, 1, 1), std::atan2(4.0, 3.0));
    EXPECT_DOUBLE_EQ(l.xExtent(1), 3.0);
    EXPECT_DOUBLE_EQ(l.yExtent(0.5), 2.0);
    EXPECT_DOUBLE_EQ(l.length(2, 1), std::sqrt(36.0 + 16.0));
    EXPECT_DOUBLE_EQ(l.area(1, 1), 0.0);
    // Out-of-range indexes measure nothing.
    EXPECT_DOUBLE_EQ(l.angle(0, 2, 1, 1), 0.0);
    EXPECT_DOUBLE_EQ(l.angle(-1, 1, 1, 1), 0.0);
    EXPECT_DOUBLE_EQ(l.distance(0, 5, 1, 1), 0.0);
    EXPECT_EQ(l.getVertex(9), (ZPoint{0, 0}));

    CDimLine zig = make<CDimLine>({{0, 0}, {10, 0}, {10, -5}, {0, -5}});
    EXPECT_DOUBLE_EQ(zig.length(1, 1), 25.0);
    EXPECT_DOUBLE_EQ(zig.pathLength(1, 3, 1, 1), 15.0);
    EXPECT_DOUBLE_EQ(zig.pathLength(-4, 99, 1, 1), 25.0);  // clamped to the path
    EXPECT_DOUBLE_EQ(zig.angle(0, 2, 1, 1), std::atan2(-5.0, 10.0));
}

TEST(DimGeometry, PolygonUsesTheClosedPath) {
    CDimPolygon sq = make<CDimPolygon>({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    EXPECT_DOUBLE_EQ(sq.area(1, 1), 100.0);
    EXPECT_DOUBLE_EQ(sq.area(0.5, 2), 100.0);
    EXPECT_DOUBLE_EQ(sq.length(1, 1), 40.0);
    EXPECT_DOUBLE_EQ(sq.xExtent(1), 20.0);
    EXPECT_DOUBLE_EQ(sq.yExtent(3), 60.0);
    // The path length between vertices stays open.
    EXPECT_DOUBLE_EQ(sq.pathLength(0, 3, 1, 1), 30.0);
    // Clockwise and anticlockwise give the same area; a triangle is half.
    CDimPolygon tri = make<CDimPolygon>({{0, 0}, {0, 10}, {10, 0}});
    EXPECT_DOUBLE_EQ(tri.area(1, 1), 50.0);
    double x, y;
    EXPECT_EQ(tri.centre(x, y), (ZPoint{3, 3}));
    EXPECT_DOUBLE_EQ(x, 10.0 / 3);
    EXPECT_DOUBLE_EQ(y, 10.0 / 3);
    // Area inside a rectangle is all or nothing, on any vertex inside.
    EXPECT_DOUBLE_EQ(sq.areaInRect({9, 9, 20, 20}, 1, 1), 100.0);
    EXPECT_DOUBLE_EQ(sq.areaInRect({1, 1, 9, 9}, 1, 1), 0.0);
    // Coordinates of a damaged file must not overflow the shoelace sum.
    CDimPolygon huge = make<CDimPolygon>({{INT_MIN, INT_MIN}, {INT_MAX, INT_MIN}, {INT_MAX, INT_MAX}});
    EXPECT_GT(huge.area(1, 1), 0.0);
    EXPECT_TRUE(std::isfinite(huge.length(1, 1)));
}

TEST(DimGeometry, CircleTakesTwoVerticesAndKeepsItsBounds) {
    CDimCircle c = make<CDimCircle>({{0, 0}, {10, 0}});
    EXPECT_EQ(c.addVertex({5, 5}), -1);
    EXPECT_EQ(c.vertexCount(), 2);
    EXPECT_DOUBLE_EQ(c.radius(), 5.0);
    EXPECT_DOUBLE_EQ(c.area(1, 1), 25.0 * kPi);
    EXPECT_DOUBLE_EQ(c.area(2, 0.5), 25.0 * kPi);
    EXPECT_EQ(c.boundingRect(), (ZRect{0, -5, 10, 5}));
    EXPECT_DOUBLE_EQ(c.areaInRect({9, 4, 20, 20}, 1, 1), 25.0 * kPi);
    EXPECT_DOUBLE_EQ(c.areaInRect({10, 5, 20, 20}, 1, 1), 0.0);  // touching is not meeting
    EXPECT_EQ(c.centrePoint(), (ZPoint{5, 0}));

    // Odd diameters: the centre is exact and the edges truncate towards zero.
    CDimCircle odd = make<CDimCircle>({{-3, 0}, {0, 0}});
    EXPECT_EQ(odd.boundingRect(), (ZRect{-3, -1, 0, 1}));
    double x, y;
    EXPECT_EQ(odd.centre(x, y), (ZPoint{-1, 0}));
    EXPECT_DOUBLE_EQ(x, -1.5);
    // The bounds follow every change of vertices.
    odd.moveTo({100, 100});
    EXPECT_EQ(odd.boundingRect(), (ZRect{100, 98, 103, 101}));
}

TEST(DimGeometry, RectangleAreaIsSignedAsDrawnAndClipsPositive) {
    CDimRect r = make<CDimRect>({{10, 10}, {0, 20}});
    EXPECT_EQ(r.addVertex({1, 1}), -1);
    EXPECT_EQ(r.boundingRect(), (ZRect{10, 10, 0, 20}));
    EXPECT_DOUBLE_EQ(r.area(1, 1), -100.0);
    EXPECT_DOUBLE_EQ(r.areaInRect({5, 0, 50, 15}, 1, 1), 25.0);
    EXPECT_DOUBLE_EQ(r.areaInRect({5, 0, 50, 15}, 2, 3), 150.0);
    EXPECT_DOUBLE_EQ(r.areaInRect({20, 20, 30, 30}, 1, 1), 0.0);
    EXPECT_EQ(r.centrePoint(), (ZPoint{5, 15}));
    CDimRect one = make<CDimRect>({{4, 4}});
    EXPECT_DOUBLE_EQ(one.area(1, 1), 0.0);
    EXPECT_EQ(one.centrePoint(), (ZPoint{4, 4}));
}

TEST(DimGeometry, LengthInRectangleClipsAtTheEdges) {
    const ZRect box{0, 0, 10, 10};
    // Crossing the whole box, entering from the left and leaving to the right.
    EXPECT_DOUBLE_EQ(make<CDimLine>({{-10, 5}, {20, 5}}).lengthInRect(box, 1, 1), 10.0);
    // Starting inside.
    EXPECT_DOUBLE_EQ(make<CDimLine>({{5, 5}, {5, 50}}).lengthInRect(box, 1, 1), 5.0);
    // Diagonal through a corner region, scaled.
    EXPECT_NEAR(make<CDimLine>({{-5, 0}, {15, 20}}).lengthInRect(box, 1, 1), 5 * std::sqrt(2.0), 1e-12);
    EXPECT_NEAR(make<CDimLine>({{-5, 0}, {15, 20}}).lengthInRect(box, 2, 2), 10 * std::sqrt(2.0), 1e-12);
    // Entirely outside, and along an edge (the edges belong to the box).
    EXPECT_DOUBLE_EQ(make<CDimLine>({{11, 0}, {11, 10}}).lengthInRect(box, 1, 1), 0.0);
    EXPECT_DOUBLE_EQ(make<CDimLine>({{0, -5}, {0, 5}}).lengthInRect(box, 1, 1), 5.0);
    // A rectangle given corner-swapped clips the same.
    EXPECT_DOUBLE_EQ(make<CDimLine>({{-10, 5}, {20, 5}}).lengthInRect({10, 10, 0, 0}, 1, 1), 10.0);
    // A polygon counts its closing side too.
    EXPECT_DOUBLE_EQ(make<CDimPolygon>({{2, 2}, {8, 2}, {8, 8}}).lengthInRect({0, 0, 5, 10}, 1, 1),
                     3.0 + 3.0 * std::sqrt(2.0));
}

TEST(DimGeometry, HitAndRectangleTestsAtTheirBoundaries) {
    CDimLine l = make<CDimLine>({{100, 200}, {300, 200}});
    EXPECT_TRUE(l.hit({100, 200}));
    EXPECT_TRUE(l.hit({103, 197}));
    EXPECT_TRUE(l.hit({97, 203}));
    EXPECT_FALSE(l.hit({104, 200}));
    EXPECT_FALSE(l.hit({100, 196}));
    EXPECT_FALSE(l.hit({300, 200}));  // only the first vertex is a handle
    EXPECT_FALSE(CDimLine().hit({0, 0}));
    // Far-apart coordinates must not wrap round into a hit.
    CDimLine edge = make<CDimLine>({{INT_MIN, 0}});
    EXPECT_FALSE(edge.hit({INT_MAX, 0}));

    // Right and bottom edges are outside, as in the stored rectangles.
    EXPECT_TRUE(l.anyVertexInRect({100, 200, 101, 201}));
    EXPECT_FALSE(l.anyVertexInRect({0, 0, 100, 200}));
    EXPECT_FALSE(l.allVerticesInRect({0, 0, 300, 201}));
    EXPECT_TRUE(l.allVerticesInRect({0, 0, 301, 201}));
}

TEST(DimGeometry, MoveRotateScaleAndRescale) {
    CDimLine l = make<CDimLine>({{10, 10}, {20, 10}, {20, 30}});
    l.moveTo({0, 0});
    EXPECT_EQ(l.vertices(), (std::vector<ZPoint>{{0, 0}, {10, 0}, {10, 20}}));

    // A quarter turn: x' = dx cos a + dy sin a + cx, y' = dy cos a - dx sin a + cy.
    CDimLine r = make<CDimLine>({{10, 0}, {0, 5}});
    r.rotate(kPi / 2, 0, 0);
    EXPECT_EQ(r.vertices(), (std::vector<ZPoint>{{0, -10}, {5, 0}}));
    // About a centre other than the origin, with truncation towards zero.
    CDimLine c = make<CDimLine>({{12, 10}});
    c.rotate(kPi / 4, 10, 10);  // (2,0) -> (1.414.., -1.414..)
    EXPECT_EQ(c.getVertex(0), (ZPoint{11, 8}));

    CDimLine s = make<CDimLine>({{1, 1}, {4, 5}});
    s.setLength(10);
    EXPECT_EQ(s.vertices(), (std::vector<ZPoint>{{1, 1}, {7, 9}}));
    EXPECT_DOUBLE_EQ(s.length(1, 1), 10.0);
    CDimLine zero = make<CDimLine>({{1, 1}, {1, 1}});
    zero.setLength(10);  // no direction to grow in: unchanged
    EXPECT_EQ(zero.getVertex(1), (ZPoint{1, 1}));

    CDimPolygon p = make<CDimPolygon>({{-7, 9}, {10, 3}});
    p.rescale(1, 2);
    EXPECT_EQ(p.vertices(), (std::vector<ZPoint>{{-3, 4}, {5, 1}}));
    p.rescale(3, 0);  // ignored rather than dividing by zero
    EXPECT_EQ(p.vertices(), (std::vector<ZPoint>{{-3, 4}, {5, 1}}));

    // Moving near the coordinate limits saturates instead of wrapping.
    CDimLine big = make<CDimLine>({{0, 0}, {INT_MAX, 0}});
    big.moveTo({10, 0});
    EXPECT_EQ(big.getVertex(1), (ZPoint{INT_MAX, 0}));
}

TEST(DimGeometry, CentresClonesAndPerpendiculars) {
    double x, y;
    // The point uses integer halves, the doubles exact halves.
    EXPECT_EQ(make<CDimLine>({{0, 0}, {50, 50}, {3, -3}}).centre(x, y), (ZPoint{1, -1}));
    EXPECT_DOUBLE_EQ(x, 1.5);
    EXPECT_DOUBLE_EQ(y, -1.5);

    // A clone is of the same class, with its derived bounds.
    CDimCircle c = make<CDimCircle>({{0, 0}, {4, 0}});
    c.setLabel("loop");
    std::unique_ptr<CDim> copy = c.clone();
    EXPECT_STREQ(copy->className(), "CDimCircle");
    EXPECT_EQ(copy->label(), "loop");
    EXPECT_EQ(static_cast<CDimCircle&>(*copy).boundingRect(), c.boundingRect());

    CDimLine l = make<CDimLine>({{0, 0}, {10, 0}});
    l.setColour(0xFF00);
    std::unique_ptr<CDimLine> perp = l.perpendicular();
    ASSERT_TRUE(perp);
    EXPECT_EQ(perp->colour(), 0xFF00u);
    EXPECT_EQ(perp->vertices(), (std::vector<ZPoint>{{5, -5}, {5, 5}}));
    EXPECT_DOUBLE_EQ(perp->length(1, 1), l.length(1, 1));
    EXPECT_FALSE(make<CDimLine>({{1, 1}}).perpendicular());
}

TEST(DimGeometry, BandOutlineOffsetsHalfTheWidth) {
    CDimLine h = make<CDimLine>({{0, 0}, {10, 0}});
    h.setWidth(6);
    EXPECT_TRUE(h.drawnAsBand());
    // Left side forward, then right side backward.
    EXPECT_EQ(h.bandOutline(), (std::vector<ZPoint>{{0, 3}, {10, 3}, {10, -3}, {0, -3}}));

    CDimLine v = make<CDimLine>({{0, 0}, {0, 10}, {0, 20}});
    v.setWidth(5);  // odd widths lose the half pixel
    EXPECT_EQ(v.bandOutline(), (std::vector<ZPoint>{{-2, 0}, {-2, 10}, {-2, 20}, {2, 20}, {2, 10}, {2, 0}}));

    CDimLine d = make<CDimLine>({{0, 0}, {10, 10}});
    d.setWidth(10);  // 5 * sin 45 = 3.53 -> 3
    EXPECT_EQ(d.bandOutline(), (std::vector<ZPoint>{{-3, 3}, {7, 13}, {13, 7}, {3, -3}}));

    CDimLine thin = make<CDimLine>({{0, 0}, {10, 10}});
    EXPECT_FALSE(thin.drawnAsBand());
    CDimLine single = make<CDimLine>({{0, 0}});
    single.setWidth(9);
    EXPECT_FALSE(single.drawnAsBand());
    EXPECT_TRUE(single.bandOutline().empty());
    // Removing vertices rebuilds it.
    h.removeVertex(1);
    EXPECT_TRUE(h.bandOutline().empty());
}

}  // namespace
