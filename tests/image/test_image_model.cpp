// Shape, strides, field coordinates, origins, regions and copies.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "image/CZVimage.h"
#include "tests/image/ImageTestUtil.h"

using namespace ordavia;
using namespace imgtest;

TEST(ImageShape, DefaultAndStrides) {
    CZVimage g(5, 3, 7, 0, CZVimage::kGrey);
    EXPECT_EQ(g.stride(), 8);
    EXPECT_EQ(g.rowBytes(), 5);
    CZVimage c(5, 3, -1, 0, CZVimage::kColour);
    EXPECT_EQ(c.stride(), 24);
    EXPECT_EQ(c.rowBytes(), 15);
    EXPECT_EQ(c.bytesPerPixel(), 3);
    // A fresh buffer is zero, padding included.
    for (size_t i = 0; i < c.byteCount(); ++i) ASSERT_EQ(c.data()[i], 0);
}

TEST(ImageShape, ResizeKeepsBufferOfSameSize) {
    CZVimage img(10, 10, -1, 0, 0);
    EXPECT_EQ(img.stride(), 12);
    img.data()[0] = 42;
    img.data()[119] = 43;
    const uint8_t* before = img.data();
    ASSERT_EQ(img.resize(12, 10, 1), 1);
    EXPECT_EQ(img.data(), before);
    EXPECT_EQ(img.data()[0], 42);
    EXPECT_EQ(img.data()[119], 43);
    EXPECT_EQ(img.width(), 12);
    // A different byte count gives a fresh zero buffer.
    ASSERT_EQ(img.resize(13, 10, 1), 1);
    EXPECT_EQ(img.stride(), 16);
    EXPECT_EQ(img.data()[0], 0);
}

TEST(ImageShape, AllocationFailureLeavesImageUnchanged) {
    LogCapture log;
    CZVimage img(6, 4, -1, 0, 0);
    fillPattern(img);
    const uint8_t* before = img.data();
    EXPECT_EQ(img.resize(INT_MAX, INT_MAX, 3), 0);
    EXPECT_EQ(img.resize(-1, 4, 1), 0);
    EXPECT_EQ(img.data(), before);
    EXPECT_EQ(img.width(), 6);
    EXPECT_EQ(img.rows(), 4);
    EXPECT_EQ(img.getpixel(1, 1), uint8_t(31 + 7));
    EXPECT_NE(log.text().find("image::resize fialed!\n"), std::string::npos);
}

TEST(ImageFields, FieldStoresHalfTheRows) {
    CZVimage f(640, 480, -1, CZVimage::kField1, 0);
    EXPECT_EQ(f.rows(), 240);
    EXPECT_EQ(f.height(), 480);
    f.row(3)[5] = 99;
    EXPECT_EQ(f.getpixel(5, 7), 99);
    EXPECT_EQ(f.getpixel(5, 6), 99);
    f.setOriginY(101);
    EXPECT_EQ(f.storedOriginY(), 50);
    EXPECT_EQ(f.originY(), 100);
    EXPECT_EQ(f.resizeFrame(100, 81), 1);
    EXPECT_EQ(f.rows(), 40);
}

TEST(ImageFields, ParentPixelBoundaries) {
    CZVimage img(4, 3, -1, 0, 0);
    fillPattern(img);
    img.setOrigin(10, 20);
    EXPECT_EQ(img.getParentPixel(10, 20), img.row(0)[0]);
    EXPECT_EQ(img.getParentPixel(13, 22), img.row(2)[3]);
    // One past each side.
    for (auto [x, y] : {std::pair{14, 22}, {9, 20}, {10, 23}, {10, 19}}) EXPECT_EQ(img.getParentPixel(x, y), -1) << x << "," << y;

    CZVimage field(4, 6, -1, CZVimage::kField2, 0);
    fillPattern(field);
    field.setOrigin(0, 4);  // stored origin 2: frame rows 4..9
    EXPECT_EQ(field.getParentPixel(0, 3), -1);
    EXPECT_EQ(field.getParentPixel(0, 4), field.row(0)[0]);
    EXPECT_EQ(field.getParentPixel(1, 9), field.row(2)[1]);
    EXPECT_EQ(field.getParentPixel(1, 10), -1);
    EXPECT_EQ(CZVimage().getParentPixel(0, 0), -1);
}

TEST(ImageRects, ClipRules) {
    CZVimage img(10, 8, -1, 0, 0);
    EXPECT_EQ(img.clip(ZRect{}), (ZRect{0, 0, 10, 8}));
    EXPECT_EQ(img.clip(ZRect{5, 6, 2, 1}), (ZRect{2, 1, 5, 6}));  // normalised
    EXPECT_EQ(img.clip(ZRect{-3, -3, 4, 20}), (ZRect{0, 0, 4, 8}));
    img.setOrigin(100, 50);
    EXPECT_EQ(img.clip(ZRect{102, 51, 105, 53}), (ZRect{2, 1, 5, 3}));
    EXPECT_EQ(img.clipNoOrigin(ZRect{2, 1, 5, 3}), (ZRect{2, 1, 5, 3}));
    EXPECT_TRUE(img.clip(ZRect{0, 0, 50, 40}).isEmpty());
    CZVimage field(10, 16, -1, CZVimage::kField1, 0);
    EXPECT_EQ(field.clip(ZRect{1, 3, 4, 9}), (ZRect{1, 1, 4, 4}));
}

TEST(ImageCopies, CopyTakesEverything) {
    CZVimage src(7, 5, 33, CZVimage::kField2, CZVimage::kColour);
    fillPattern(src);
    src.setOrigin(3, 8);
    src.setPalette(4);
    src.setZeroAsBlack(false);
    CZVimage dst;
    ASSERT_EQ(dst.Copy(src), 1);
    EXPECT_EQ(dst.width(), 7);
    EXPECT_EQ(dst.rows(), 2);
    EXPECT_EQ(dst.tag(), 33);
    EXPECT_EQ(dst.interlace(), 2);
    EXPECT_EQ(dst.originX(), 3);
    EXPECT_EQ(dst.originY(), 8);
    EXPECT_EQ(dst.colour(), 1);
    EXPECT_EQ(dst.paletteIndex(), 4);
    EXPECT_FALSE(dst.zeroAsBlack());
    EXPECT_EQ(std::memcmp(dst.data(), src.data(), src.byteCount()), 0);
}

TEST(ImageCopies, CopyRectClipsAndResetsOrigin) {
    CZVimage src(8, 6, 5, 0, 0);
    fillPattern(src);
    src.setOrigin(10, 10);
    CZVimage dst;
    ASSERT_EQ(dst.copyRect(src, ZRect{12, 11, 30, 13}), 1);
    EXPECT_EQ(dst.width(), 6);
    EXPECT_EQ(dst.rows(), 2);
    EXPECT_EQ(dst.originX(), 0);
    EXPECT_EQ(dst.originY(), 0);
    EXPECT_EQ(dst.tag(), 5);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_EQ(dst.row(y)[x], src.row(1 + y)[2 + x]);
    // An empty rectangle is a whole copy, origin included.
    ASSERT_EQ(dst.copyRect(src, ZRect{}), 1);
    EXPECT_EQ(dst.width(), 8);
    EXPECT_EQ(dst.originX(), 10);
}

TEST(ImageCopies, CopyROIAtParentCoordinates) {
    LogCapture log;
    CZVimage part(4, 4, -1, 0, 0);
    fillPattern(part, 1);
    part.setOrigin(3, 2);
    // The whole of part lands at (3..6, 2..5) of big; a rectangle partly
    // outside part copies only the common block; one reaching past the
    // source but not the target keeps the pixels' parent coordinates.
    for (auto [rect, block] : {std::pair{ZRect{}, ZRect{3, 2, 7, 6}}, {ZRect{5, 4, 9, 9}, ZRect{5, 4, 7, 6}},
                               {ZRect{0, 0, 10, 10}, ZRect{3, 2, 7, 6}}}) {
        CZVimage big(10, 10, -1, 0, 0);
        ASSERT_EQ(big.copyROI(part, rect), 1);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(big.row(y)[x], block.contains({x, y}) ? part.row(y - 2)[x - 3] : 0)
                    << rect.left << ": " << x << "," << y;
    }
    // A field: rectangle rows are frame rows.
    CZVimage fa(4, 8, -1, CZVimage::kField1, 0), fb(4, 8, -1, CZVimage::kField1, 0);
    fillPattern(fb, 3);
    ASSERT_EQ(fa.copyROI(fb, ZRect{0, 2, 4, 4}), 1);
    EXPECT_EQ(fa.row(1)[0], fb.row(1)[0]);
    EXPECT_EQ(fa.row(0)[0], 0);
    EXPECT_EQ(fa.row(2)[0], 0);

    CZVimage colour(4, 4, -1, 0, CZVimage::kColour);
    EXPECT_EQ(part.copyROI(colour, ZRect{}), 0);
    EXPECT_NE(log.text().find("copyROI failed. different interlace or colour!\n"), std::string::npos);
}

TEST(ImageCopies, ConvertBetweenGreyAndColour) {
    CZVimage grey(5, 3, -1, 0, 0);
    fillPattern(grey);
    CZVimage colour(5, 3, -1, 0, CZVimage::kColour);
    ASSERT_EQ(colour.convertFrom(grey), 1);
    for (int x = 0; x < 5; ++x)
        for (int k = 0; k < 3; ++k) ASSERT_EQ(colour.row(2)[3 * x + k], grey.row(2)[x]);
    colour.row(1)[3] = 77;  // blue of pixel 1
    CZVimage back(4, 2, -1, 0, 0);
    ASSERT_EQ(back.convertFrom(colour), 1);
    EXPECT_EQ(back.row(1)[1], 77);
    EXPECT_EQ(back.row(0)[3], grey.row(0)[3]);
}

