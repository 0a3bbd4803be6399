// Both tortuosity measures of a dimension line on curves worked through by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "measure/CDimLine.h"

using namespace ordavia;

namespace {

CDimLine line(std::initializer_list<ZPoint> pts) {
    CDimLine d;
    for (ZPoint p : pts) d.addVertex(p);
    return d;
}

// A zig-zag of one flat step and four diagonal legs: every leg turns the
// other way by a right angle, so every vertex from the second diagonal on
// closes a curve. Only the first curve (flat step plus first leg) is bent;
// the others are straight and add nothing to the sum.
CDimLine zigzag() { return line({{0, 0}, {20, 0}, {40, 20}, {60, 0}, {80, 20}, {100, 0}}); }

const double kRoot2 = std::sqrt(2.0), kRoot5 = std::sqrt(5.0);
const double kZigzagSum = (1 + kRoot2) / kRoot5 - 1;  // (20 + 20 root2) / (20 root5) - 1
const double kZigzagTotal = 20 + 80 * kRoot2;
const double kZigzag = 2 * kZigzagSum / kZigzagTotal;  // (count - 1) * sum / total, count 3

TEST(Tortuosity, StraightAndShortLines) {
    CDimLine straight = line({{0, 0}, {50, 0}, {100, 0}});
    EXPECT_DOUBLE_EQ(straight.tortuosityRatio(), 1.0);
    int n = -1;
    EXPECT_DOUBLE_EQ(straight.tortuosity(1, 1, n, TortuosityParams()), 0.0);
    // The only turn is the closing vertex, which just records its sign.
    EXPECT_EQ(n, 0);
    EXPECT_EQ(straight.curveMarks(), (std::vector<ZPoint>{{0, 0}}));

    // A path back to its start has no chord: no ratio rather than infinity.
    EXPECT_DOUBLE_EQ(line({{0, 0}, {10, 0}, {0, 0}}).tortuosityRatio(), 0.0);
}

TEST(Tortuosity, ZigzagCurvesCountedAndWeightedAndAOneWayArcIsOneCurve) {
    CDimLine z = zigzag();
    int n = 0;
    EXPECT_NEAR(z.tortuosity(1, 1, n, TortuosityParams()), kZigzag, 1e-15);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(z.curveMarks(), (std::vector<ZPoint>{{0, 0}, {40, 20}, {60, 0}, {80, 20}}));

    // Scaling both axes by 2 doubles the total length; the ratios stay.
    EXPECT_NEAR(z.tortuosity(2, 2, n, TortuosityParams()), kZigzag / 2, 1e-15);
    EXPECT_EQ(n, 3);

    // Vertices closer than the minimum length to the anchor are skipped.
    CDimLine dense = line({{0, 0}, {5, 0}, {20, 0}, {25, 5}, {40, 20}, {60, 0}, {80, 20}, {100, 0}});
    EXPECT_NEAR(dense.tortuosity(1, 1, n, TortuosityParams()), kZigzag, 1e-15);
    EXPECT_EQ(n, 3);

    // Curves no longer than the minimum curve length do not count.
    TortuosityParams strict;
    strict.minCurveLength = 50.0;
    EXPECT_DOUBLE_EQ(z.tortuosity(1, 1, n, strict), 0.0);
    EXPECT_EQ(n, 0);
    // Turns below the minimum angle do not end curves.
    TortuosityParams blunt;
    blunt.minAngle = 95.0;
    EXPECT_DOUBLE_EQ(z.tortuosity(1, 1, n, blunt), 0.0);
    EXPECT_EQ(n, 0);
    // A half circle of radius 50 in 10 steps turns the same way throughout.
    CDimLine arc;
    for (int i = 0; i <= 10; ++i) {
        const double t = std::numbers::pi * i / 10;
        arc.addVertex({static_cast<int>(std::lround(50 - 50 * std::cos(t))),
                       static_cast<int>(std::lround(50 * std::sin(t)))});
    }
    int curves = -1;
    EXPECT_DOUBLE_EQ(arc.tortuosity(1, 1, curves, TortuosityParams()), 0.0);
    EXPECT_EQ(curves, 1);
    EXPECT_NEAR(arc.tortuosityRatio(), std::numbers::pi / 2, 0.03);
}

}  // namespace
