// The grid metafile reader: every record a grid uses, the window mapping,
// pens and brushes through the object table, the shipped Chalkley grid,
// and hostile input (truncation, lying counts and sizes).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/ArchiveBytes.h"
#include "measure/WmfDrawing.h"
#include "measure/ZBasicDoc.h"

using namespace ordavia;

namespace {

// Builds metafiles record by record.
class WmfBuilder {
public:
    WmfBuilder& rec(uint16_t fn, std::initializer_list<int> words) {
        body_.i32(static_cast<int32_t>(3 + words.size())).u16(fn);
        for (int w : words) body_.u16(static_cast<uint16_t>(w));
        return *this;
    }
    WmfBuilder& raw(uint16_t fn, const std::vector<uint8_t>& params) {
        body_.i32(static_cast<int32_t>(3 + (params.size() + 1) / 2)).u16(fn);
        body_.b.insert(body_.b.end(), params.begin(), params.end());
        if (params.size() & 1) body_.u8(0);
        return *this;
    }
    std::vector<uint8_t> bytes(uint16_t objects = 4, bool eof = true) const {
        Bytes body = body_;
        if (eof) body.i32(3).u16(0);
        // Type, header words, version, size in words, objects, largest
        // record (unused) and no parameters.
        Bytes out;
        out.u16(1).u16(9).u16(0x300).i32(static_cast<int32_t>((18 + body.b.size()) / 2)).u16(objects).i32(0).u16(0);
        out.b.insert(out.b.end(), body.b.begin(), body.b.end());
        return out.b;
    }

private:
    Bytes body_;
};

std::vector<uint8_t> textParams(const std::string& s, std::initializer_list<int> after) {
    Bytes p;
    p.u16(static_cast<uint16_t>(s.size())).raw(s);
    if (s.size() & 1) p.u8(0);
    for (int w : after) p.u16(static_cast<uint16_t>(w));
    return p.b;
}

}  // namespace

TEST(WmfDrawing, ReadsEveryGridPrimitiveWithWindowAndObjects) {
    WmfBuilder b;
    b.rec(0x020B, {-50, -100})          // window origin y, x
        .rec(0x020C, {400, 800})        // window extent y, x
        .rec(0x02FA, {0, 2, 0, 0x00FF, 0x0000})  // pen: solid, width 2, red (object 0)
        .rec(0x02FC, {1, 0, 0, 0})      // null brush (object 1)
        .rec(0x02FB, {-24, 0, 0, 0, 400, 0, 0, 0, 0})  // font of height 24 (object 2)
        .rec(0x0214, {10, 20})          // move to (20, 10)
        .rec(0x0213, {30, 40})          // line to (40, 30)
        .rec(0x012D, {0})               // the red pen
        .rec(0x012D, {1})
        .rec(0x012D, {2})
        .rec(0x0213, {-5, -6})          // line from (40, 30) to (-6, -5)
        .rec(0x0325, {3, 0, 0, 10, 0, 10, 10})
        .rec(0x0324, {3, 1, 1, 5, 1, 5, 5})
        .rec(0x0538, {2, 3, 2, 0, 0, 1, 0, 1, 1, 7, 7, 8, 8})
        .rec(0x041B, {40, 30, 20, 10})  // rectangle bottom, right, top, left
        .rec(0x0418, {140, 130, 120, 110})
        .rec(0x0209, {0x8000, 0x0012})  // text colour
        .raw(0x0521, textParams("abc", {77, 66}))  // "abc" at (66, 77)
        // y 5, x 9, 4 characters, clipped to an empty rectangle.
        .raw(0x0A32, Bytes().u16(5).u16(9).u16(4).u16(4).raw(std::string(8, '\0')).raw("grid").b)
        .rec(0x01F0, {0})               // delete the pen; the selection stays
        .rec(0x0213, {0, 0});
    const WmfDrawing d = parseWmf(b.bytes());
    ASSERT_TRUE(d.complete) << d.error;
    EXPECT_EQ(d.window, (ZRect{-100, -50, 700, 350}));
    EXPECT_EQ(d.frame(), d.window);
    ASSERT_EQ(d.primitives.size(), 11u);

    const WmfPrimitive& first = d.primitives[0];
    EXPECT_EQ(first.kind, WmfPrimitive::kLine);
    EXPECT_EQ(first.points, (std::vector<ZPoint>{{20, 10}, {40, 30}}));
    EXPECT_FALSE(first.hasPen);  // before any pen was chosen: the grid colour

    const WmfPrimitive& second = d.primitives[1];
    EXPECT_EQ(second.points, (std::vector<ZPoint>{{40, 30}, {-6, -5}}));
    EXPECT_TRUE(second.hasPen);
    EXPECT_EQ(second.penColour, 0xFFu);
    EXPECT_TRUE(second.nullBrush);
    EXPECT_EQ(second.fontHeight, 24);

    EXPECT_EQ(d.primitives[2].kind, WmfPrimitive::kPolyline);
    EXPECT_EQ(d.primitives[2].points, (std::vector<ZPoint>{{0, 0}, {10, 0}, {10, 10}}));
    EXPECT_EQ(d.primitives[3].kind, WmfPrimitive::kPolygon);
    EXPECT_EQ(d.primitives[3].points.size(), 3u);
    EXPECT_EQ(d.primitives[4].points, (std::vector<ZPoint>{{0, 0}, {1, 0}, {1, 1}}));
    EXPECT_EQ(d.primitives[5].points, (std::vector<ZPoint>{{7, 7}, {8, 8}}));
    EXPECT_EQ(d.primitives[6].kind, WmfPrimitive::kRectangle);
    EXPECT_EQ(d.primitives[6].points, (std::vector<ZPoint>{{10, 20}, {30, 40}}));
    EXPECT_EQ(d.primitives[7].kind, WmfPrimitive::kEllipse);
    EXPECT_EQ(d.primitives[7].points, (std::vector<ZPoint>{{110, 120}, {130, 140}}));
    EXPECT_EQ(d.primitives[8].kind, WmfPrimitive::kText);
    EXPECT_EQ(d.primitives[8].text, "abc");
    EXPECT_EQ(d.primitives[8].points[0], (ZPoint{66, 77}));
    EXPECT_EQ(d.primitives[8].textColour, 0x128000u);
    EXPECT_EQ(d.primitives[9].text, "grid");
    EXPECT_EQ(d.primitives[9].points[0], (ZPoint{9, 5}));
    EXPECT_EQ(d.primitives[10].penColour, 0xFFu);
}

TEST(WmfDrawing, FrameComesFromThePlaceableHeaderOrThePrimitives) {
    WmfBuilder b;
    b.rec(0x0214, {5, 5}).rec(0x0213, {25, 45});
    const std::vector<uint8_t> plain = b.bytes();
    WmfDrawing d = parseWmf(plain);
    ASSERT_TRUE(d.complete);
    EXPECT_FALSE(d.hasWindow);
    EXPECT_EQ(d.frame(), (ZRect{5, 5, 45, 25}));

    std::vector<uint8_t> placeable{0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0xE8, 0x03, 0xF4, 0x01};
    placeable.resize(22, 0);
    placeable.insert(placeable.end(), plain.begin(), plain.end());
    d = parseWmf(placeable);
    ASSERT_TRUE(d.complete) << d.error;
    EXPECT_EQ(d.frame(), (ZRect{0, 0, 1000, 500}));
}

TEST(WmfDrawing, ShippedChalkleyGridHas25PointsInsideItsCircle) {
    const std::string path = std::string(ORDAVIA_SOURCE_DIR) + "/data/chalkley.wmf";
    const std::vector<uint8_t> bytes = readMetafileBytes(path);
    ASSERT_FALSE(bytes.empty());
    const WmfDrawing d = parseWmf(bytes);
    ASSERT_TRUE(d.complete) << d.error;
    EXPECT_EQ(d.window, (ZRect{0, 0, 1000, 1000}));
    int ellipses = 0, lines = 0;
    ZRect circle;
    for (const WmfPrimitive& p : d.primitives) {
        EXPECT_FALSE(p.hasPen);  // drawn in the grid colour
        if (p.kind == WmfPrimitive::kEllipse) {
            ++ellipses;
            circle = ZRect{p.points[0].x, p.points[0].y, p.points[1].x, p.points[1].y};
            EXPECT_TRUE(p.nullBrush);
        } else if (p.kind == WmfPrimitive::kLine) {
            ++lines;
        }
    }
    EXPECT_EQ(ellipses, 1);
    ASSERT_EQ(lines, 50);  // two strokes per cross
    const double cx = (circle.left + circle.right) / 2.0, cy = (circle.top + circle.bottom) / 2.0;
    const double r = circle.width() / 2.0;
    int crosses = 0;
    for (const WmfPrimitive& p : d.primitives) {
        if (p.kind != WmfPrimitive::kLine || p.points[0].y != p.points[1].y) continue;
        EXPECT_LT(std::hypot((p.points[0].x + p.points[1].x) / 2 - cx, p.points[0].y - cy), r);
        ++crosses;
    }
    EXPECT_EQ(crosses, 25);
}

TEST(WmfDrawing, HostileInputStopsCleanly) {
    WmfBuilder b;
    b.rec(0x020C, {100, 100}).rec(0x0325, {2, 0, 0, 5, 5}).raw(0x0521, textParams("hello", {1, 2}));
    const std::vector<uint8_t> good = b.bytes();
    ASSERT_TRUE(parseWmf(good).complete);
    // Every truncation: never complete, never a crash.
    for (size_t n = 0; n < good.size(); ++n) {
        const WmfDrawing d = parseWmf(good.data(), n);
        EXPECT_FALSE(d.complete) << n;
        EXPECT_FALSE(d.error.empty()) << n;
    }
    EXPECT_FALSE(parseWmf(nullptr, 100).complete);

    // Not a metafile header.
    std::vector<uint8_t> v = good;
    v[2] = 8;
    EXPECT_EQ(parseWmf(v).error, "not a Windows metafile");
    // A record size below its own header would loop forever if trusted.
    v = WmfBuilder().rec(0x0214, {1, 1}).bytes();
    v[18] = 2;
    EXPECT_FALSE(parseWmf(v).complete);
    v[18] = 0;
    EXPECT_FALSE(parseWmf(v).complete);
    // A record size past the end.
    v = WmfBuilder().rec(0x0214, {1, 1}).bytes();
    v[21] = 0x40;
    EXPECT_FALSE(parseWmf(v).complete);
    // Point counts and text lengths beyond their records.
    EXPECT_FALSE(parseWmf(WmfBuilder().rec(0x0325, {30000, 1, 1}).bytes()).complete);
    EXPECT_FALSE(parseWmf(WmfBuilder().rec(0x0538, {2, 60000, 1, 0, 0}).bytes()).complete);
    EXPECT_FALSE(parseWmf(WmfBuilder().rec(0x0538, {9000}).bytes()).complete);
    EXPECT_FALSE(parseWmf(WmfBuilder().rec(0x0521, {200, 0x4141}).bytes()).complete);
    EXPECT_FALSE(parseWmf(WmfBuilder().rec(0x0A32, {0, 0, 100, 0}).bytes()).complete);
    EXPECT_FALSE(parseWmf(WmfBuilder().rec(0x041B, {1, 2}).bytes()).complete);
    // No end-of-file record.
    EXPECT_FALSE(parseWmf(WmfBuilder().rec(0x0213, {1, 1}).bytes(4, false)).complete);
    // The primitive cap holds against a file of millions of tiny records.
    WmfBuilder many;
    for (int i = 0; i < 1000; ++i) many.rec(0x0213, {i, i});
    const WmfDrawing d = parseWmf(many.bytes().data(), many.bytes().size(), 100);
    EXPECT_EQ(d.primitives.size(), 100u);
    EXPECT_FALSE(d.complete);
}

// A deleted slot is the next one filled; a full table takes no more, and
// selecting or deleting objects that do not exist is harmless.
TEST(WmfDrawing, CreatedObjectsFillTheLowestFreeSlot) {
    WmfBuilder b;
    b.rec(0x012D, {65535})
        .rec(0x01F0, {400})
        .rec(0x02FA, {0, 1, 0, 0x11, 0})  // pen 0x11 -> slot 0
        .rec(0x02FA, {0, 1, 0, 0x22, 0})  // pen 0x22 -> slot 1
        .rec(0x01F0, {0})                  // delete slot 0
        .rec(0x02FA, {0, 1, 0, 0x33, 0})  // pen 0x33 -> slot 0
        .rec(0x02FA, {0, 1, 0, 0x44, 0})  // table of two is full: nowhere
        .rec(0x012D, {0})
        .rec(0x0214, {0, 0})
        .rec(0x0213, {1, 1})
        .rec(0x012D, {1})
        .rec(0x0213, {2, 2});
    const WmfDrawing d = parseWmf(b.bytes(2));
    ASSERT_TRUE(d.complete);
    ASSERT_EQ(d.primitives.size(), 2u);
    EXPECT_EQ(d.primitives[0].penColour, 0x33u);
    EXPECT_EQ(d.primitives[1].penColour, 0x22u);
}

