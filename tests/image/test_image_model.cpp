// Shape, strides, field coordinates, origins, regions and copies.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "image/CZVchildimage.h"
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
    CZVimage b(4, 2, -1, 0, CZVimage::kBayer);
    EXPECT_EQ(b.stride(), 4);
    EXPECT_EQ(b.bytesPerPixel(), 1);
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
    img.setParentPixel(12, 21, 200);
    EXPECT_EQ(img.row(1)[2], 200);

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
    bool halved = true;
    EXPECT_EQ(field.clipForField(ZRect{1, 3, 4, 9}, 1, &halved), (ZRect{1, 1, 4, 4}));
    EXPECT_FALSE(halved);
    CZVimage frame(10, 16, -1, 0, 0);
    EXPECT_EQ(frame.clipForField(ZRect{1, 3, 4, 9}, 2, &halved), (ZRect{1, 1, 4, 4}));
    EXPECT_TRUE(halved);
    EXPECT_EQ(frame.clipForField(ZRect{1, 3, 4, 9}, 0, &halved), (ZRect{1, 3, 4, 9}));
    EXPECT_FALSE(halved);
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

TEST(ImageChild, WindowOntoParent) {
    CZVimage parent(10, 6, 9, 0, 0);
    fillPattern(parent);
    parent.setOrigin(100, 200);
    auto child = parent.childFor(ZRect{102, 201, 107, 204});
    ASSERT_TRUE(child);
    EXPECT_EQ(child->width(), 5);
    EXPECT_EQ(child->rows(), 3);
    EXPECT_EQ(child->stride(), parent.stride());
    EXPECT_EQ(child->originX(), 102);
    EXPECT_EQ(child->originY(), 201);
    EXPECT_EQ(child->tag(), 9);
    EXPECT_EQ(child->data(), parent.row(1) + 2);
    // Writes through the child reach the parent; point operations keep to
    // the child's columns.
    child->negative(ZRect{});
    EXPECT_EQ(parent.row(1)[2], uint8_t(255 - uint8_t(31 + 14)));
    EXPECT_EQ(parent.row(1)[7], uint8_t(31 + 49));
    EXPECT_EQ(parent.row(0)[2], uint8_t(14));

    LogCapture log;
    EXPECT_EQ(child->resizedata(13, 3, 1), 0);
    EXPECT_NE(log.text().find("fail CZVchildimage::resizedata! from 5,3 to 13,3\n"), std::string::npos);
    EXPECT_EQ(child->resizedata(12, 2, 1), 1);
    EXPECT_EQ(child->width(), 12);
    child.reset();  // must not free the parent's pixels
    EXPECT_EQ(parent.row(5)[9], uint8_t(5 * 31 + 63));
    EXPECT_FALSE(parent.childFor(ZRect{0, 0, 5, 5}));  // outside after the origin
}

TEST(ImageCopies, ExtractFieldFromFrame) {
    CZVimage frame(6, 8, 17, 0, 0);
    fillPattern(frame);
    frame.setOrigin(1, 1);
    CZVimage f2(6, 8, -1, CZVimage::kField2, 0);
    ASSERT_EQ(f2.extractfrom(frame, 2), 1);
    EXPECT_EQ(f2.interlace(), 2);
    EXPECT_EQ(f2.tag(), 17);
    EXPECT_EQ(f2.originX(), 0);
    for (int y = 0; y < 4; ++y) EXPECT_EQ(f2.row(y)[3], frame.row(2 * y + 1)[3]);
    // Smaller target: the smaller width and rows.
    CZVimage small(3, 2, -1, 0, 0);
    ASSERT_EQ(small.extractfrom(frame, 1), 1);
    EXPECT_EQ(small.row(1)[2], frame.row(2)[2]);

    LogCapture log;
    CZVimage colour(6, 8, -1, 0, CZVimage::kColour);
    EXPECT_EQ(colour.extractfrom(frame, 0), 0);
    EXPECT_NE(log.text().find("CZVimage::extractfrom() colour missmatch!\n"), std::string::npos);
}

TEST(ImageCopies, ConvertBetweenKindsAndFlipVertical) {
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
    CZVimage img(3, 5, -1, 0, 0);
    fillPattern(img);
    CZVimage ref;
    ref.Copy(img);
    img.flipVertical();
    for (int y = 0; y < 5; ++y) EXPECT_EQ(std::memcmp(img.row(y), ref.row(4 - y), 3), 0);
}

