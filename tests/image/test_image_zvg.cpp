// Native ".zvg" files: the three headers, region reads and writes, the
// extension rules and hostile files.
#include <gtest/gtest.h>

#include <cstring>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "tests/image/ImageTestUtil.h"

using namespace ordavia;
using namespace imgtest;

TEST(ZvgFormat, CurrentHeaderByteLayoutAndFieldRoundTrip) {
    CZVimage img(5, 3, 1234, 0, CZVimage::kColour);
    fillPattern(img);
    img.setOrigin(-7, 9);
    const std::string path = tempPath("layout.zvg");
    ASSERT_EQ(img.Save(path), 1);
    const auto b = readBytes(path);
    ASSERT_EQ(b.size(), 36u + 5 * 3 * 3);
    expectLe32(b, {{0, -2}, {4, 36}, {8, 1234}, {12, 0}, {16, 5}, {20, 3}, {24, -7}, {28, 9}, {32, 1}});
    // Rows without padding, blue-green-red as in memory.
    for (int y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(&b[36 + 15 * y], img.row(y), 15), 0);

    CZVimage back;
    ASSERT_EQ(back.Load(path, {}), 1);
    EXPECT_EQ(back.tag(), 1234);
    EXPECT_EQ(back.colour(), 1);
    EXPECT_EQ(back.originX(), -7);
    EXPECT_EQ(back.originY(), 9);
    EXPECT_EQ(back.stride(), 24);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(back.row(y), img.row(y), 15), 0);

    // A field keeps its frame height and origin, and stores half the rows.
    CZVimage f(640, 480, 3, CZVimage::kField1, 0);
    fillPattern(f);
    f.setOrigin(0, 20);
    const std::string fieldPath = tempPath("field.ZVG");
    ASSERT_EQ(f.Save(fieldPath), 1);
    expectLe32(readBytes(fieldPath), {{12, 1}, {20, 240}, {28, 10}});
    CZVimage fieldBack;
    ASSERT_EQ(fieldBack.Load(fieldPath, {}), 1);
    EXPECT_EQ(fieldBack.height(), 480);
    EXPECT_EQ(fieldBack.rows(), 240);
    EXPECT_EQ(fieldBack.originY(), 20);
    EXPECT_EQ(fieldBack.getpixel(7, 9), f.row(4)[7]);
}

TEST(ZvgFormat, OlderHeaders) {
    // First integer 640: a 16-byte header (width, rows, tag, interlace).
    std::vector<uint8_t> old = ints({640, 2, 55, 2});
    for (int i = 0; i < 1280; ++i) old.push_back(uint8_t(i));
    CZVimage a;
    a.setOrigin(3, 3);
    ASSERT_EQ(readZvg(old.data(), old.size(), a), 1);
    EXPECT_EQ(a.width(), 640);
    EXPECT_EQ(a.rows(), 2);
    EXPECT_EQ(a.tag(), 55);
    EXPECT_EQ(a.interlace(), 2);
    EXPECT_EQ(a.originX(), 0);
    EXPECT_EQ(a.originY(), 0);
    EXPECT_EQ(a.colour(), 0);
    EXPECT_EQ(a.row(1)[0], uint8_t(640));

    // -1: 32 bytes, grey, with an origin.
    std::vector<uint8_t> v1 = ints({-1, 32, 8, 0, 3, 2, 11, 12});
    for (int i = 0; i < 6; ++i) v1.push_back(uint8_t(100 + i));
    CZVimage c;
    ASSERT_EQ(readZvg(v1.data(), v1.size(), c), 1);
    EXPECT_EQ(c.originX(), 11);
    EXPECT_EQ(c.originY(), 12);
    EXPECT_EQ(c.colour(), 0);
    EXPECT_EQ(c.row(1)[2], 105);

    // Another negative mark below -1 still reads the current header.
    std::vector<uint8_t> v2 = ints({-9, 99, 8, 0, 1, 1, 0, 0, 2});
    v2.push_back(77);
    CZVimage d;
    ASSERT_EQ(readZvg(v2.data(), v2.size(), d), 1);
    EXPECT_EQ(d.colour(), CZVimage::kBayer);
    EXPECT_EQ(d.row(0)[0], 77);
}

TEST(ZvgFormat, TruncatedAndHostileFilesFail) {
    CZVimage img(6, 4, 1, 0, 0);
    fillPattern(img);
    std::vector<uint8_t> good;
    ASSERT_TRUE(encodeZvg(img, ZRect{}, good));
    CZVimage target(2, 2, 42, 0, 0);
    const uint8_t* before = target.data();
    // Every truncation fails and leaves the image as it was.
    for (size_t n = 0; n < good.size(); ++n) {
        ASSERT_EQ(readZvg(good.data(), n, target), 0) << n;
        ASSERT_EQ(target.data(), before);
        ASSERT_EQ(target.tag(), 42);
    }
    ASSERT_EQ(readZvg(good.data(), good.size(), target), 1);
    // Sizes that would need gigabytes, negative sizes, unknown colours.
    for (auto fields : std::vector<std::vector<int32_t>>{{-2, 36, 0, 0, 100000, 100000, 0, 0, 0},
                                                         {-2, 36, 0, 0, -5, 10, 0, 0, 0},
                                                         {-2, 36, 0, 0, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0, 1},
                                                         {-2, 36, 0, 0, 1, 1, 0, 0, 7},
                                                         {-2, 36, 0, 9, 1, 1, 0, 0, 0},
                                                         {70000, 70000, 0, 0}}) {
        LeBytes b;
        for (int32_t v : fields) b.i32(v);
        b.b.resize(b.b.size() + 64, 0);
        CZVimage t;
        EXPECT_EQ(readZvg(b.b.data(), b.b.size(), t), 0);
        EXPECT_TRUE(t.isEmpty());
    }
    // Through Load as well.
    writeBytes(tempPath("short.zvg"), std::vector<uint8_t>(good.begin(), good.end() - 1));
    CZVimage t;
    EXPECT_EQ(t.Load(tempPath("short.zvg"), {}), 0);
    EXPECT_EQ(t.Load(tempPath("missing.zvg"), {}), 0);
}

TEST(ZvgFormat, RegionWrite) {
    CZVimage img(10, 8, 4, 0, 0);
    fillPattern(img);
    img.setOrigin(50, 60);  // not applied to the rectangle
    const std::string path = tempPath("region.zvg");
    ASSERT_EQ(img.Save(path, ZRect{7, 5, 7 + 6, 5 + 2}), 1);
    auto b = readBytes(path);
    expectLe32(b, {{16, 3}, {20, 2}, {24, 50}});  // width 10 - 7
    ASSERT_EQ(b.size(), 36u + 6);
    EXPECT_EQ(b[36], img.row(5)[7]);
    EXPECT_EQ(b[36 + 3 + 2], img.row(6)[9]);
    EXPECT_EQ(img.Save(path, ZRect{20, 0, 25, 3}), 0);  // entirely outside
}

TEST(ZvgFormat, RegionRead) {
    CZVimage small(3, 2, -1, 0, 0);
    small.row(0)[0] = 1;
    small.row(0)[2] = 3;
    small.row(1)[0] = 4;
    small.row(1)[2] = 6;
    const std::string path = tempPath("small.zvg");
    ASSERT_EQ(small.Save(path), 1);

    // The whole file at (4, 3), and one clipped to its first pixel; the
    // image keeps its shape.
    for (auto [rect, block] : {std::pair{ZRect{4, 3, 14, 13}, ZRect{4, 3, 7, 5}}, {ZRect{0, 0, 1, 1}, ZRect{0, 0, 1, 1}}}) {
        CZVimage big(8, 6, -1, 0, 0);
        ASSERT_EQ(big.Load(path, {}, rect), 1);
        EXPECT_EQ(big.width(), 8);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(big.row(y)[x], block.contains({x, y}) ? small.row(y - block.top)[x - block.left] : 0)
                    << rect.left << ": " << x << "," << y;
    }

    // A field file into a frame fills every second row.
    CZVimage field(3, 4, -1, CZVimage::kField1, 0);
    field.row(0)[0] = 10;
    field.row(1)[0] = 11;
    ASSERT_EQ(field.Save(tempPath("fieldsmall.zvg")), 1);
    CZVimage frame(4, 6, -1, 0, 0);
    ASSERT_EQ(frame.Load(tempPath("fieldsmall.zvg"), {}, ZRect{0, 1, 4, 6}), 1);
    EXPECT_EQ(frame.row(1)[0], 10);
    EXPECT_EQ(frame.row(2)[0], 0);
    EXPECT_EQ(frame.row(3)[0], 11);

    // Different colour kinds or an empty target fail.
    CZVimage colour(8, 6, -1, 0, CZVimage::kColour);
    EXPECT_EQ(colour.Load(path, {}, ZRect{0, 0, 4, 4}), 0);
    CZVimage empty;
    EXPECT_EQ(empty.Load(path, {}, ZRect{0, 0, 4, 4}), 0);
}

TEST(ImageFiles, ExtensionRules) {
    CZVimage img(4, 4, -1, 0, 0);
    fillPattern(img);
    CZVimage t;
    // Loading goes by content, so ".tiff" loads too.
    for (const char* name : {"a.zvg", "a.ZVG", "a.bmp", "a.BMP", "a.tif", "a.TIF", "a.tiff", "a.TIFF"}) {
        EXPECT_EQ(img.Save(tempPath(name)), 1) << name;
        EXPECT_EQ(t.Load(tempPath(name), {}), 1) << name;
    }
    for (const char* name : {"a.Zvg", "a.bMp", "a.gif", "noext", "dir.zvg/x"}) EXPECT_EQ(img.Save(tempPath(name)), 0) << name;
    // Only native files take a rectangle on loading.
    CZVimage u(4, 4, -1, 0, 0);
    EXPECT_EQ(u.Load(tempPath("a.bmp"), {}, ZRect{0, 0, 2, 2}), 0);
    EXPECT_EQ(u.Load(tempPath("a.tif"), {}, ZRect{0, 0, 2, 2}), 0);
    // A rectangle is ignored when saving TIFF.
    ASSERT_EQ(img.Save(tempPath("r.tif"), ZRect{0, 0, 2, 2}), 1);
    ASSERT_EQ(u.Load(tempPath("r.tif"), {}), 1);
    EXPECT_EQ(u.width(), 4);
}
