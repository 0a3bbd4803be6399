// BMP files: byte layout of what we write, both row orders, every bit
// depth we read, colour weights and hostile files.
#include <gtest/gtest.h>

#include <cstring>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "tests/image/ImageTestUtil.h"

using namespace ordavia;
using namespace imgtest;

namespace {

// A BMP of our own making: 40-byte header, optional palette, rows padded.
std::vector<uint8_t> makeBmp(int width, int height, int bits, const std::vector<uint8_t>& rowData, int paletteEntries,
                             uint32_t compression = 0, const std::vector<uint32_t>& masks = {}) {
    const int rowSize = (bits * width + 31) / 32 * 4;
    LeBytes h;
    h.b = {'B', 'M'};
    h.i32(0).i32(0).i32(0).i32(40).i32(width).i32(height).u16(1).u16(uint16_t(bits)).i32(int32_t(compression));
    h.i32(0).i32(0).i32(0).i32(paletteEntries).i32(0);
    for (uint32_t m : masks) h.i32(int32_t(m));
    std::vector<uint8_t>& b = h.b;
    for (int i = 0; i < paletteEntries; ++i) h.i32(0x00FFFFFF);  // a palette that must not be applied
    const int rows = height < 0 ? -height : height;
    const int bytesPerRow = bits * width / 8;
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < rowSize; ++x) b.push_back(x < bytesPerRow ? rowData[size_t(y) * bytesPerRow + x] : 0xEE);
    }
    return b;
}

}  // namespace

TEST(BmpFormat, GreyLayoutAndPadding) {
    CZVimage img(5, 3, -1, 0, 0);
    fillPattern(img, 1);
    img.setPalette(7);
    const std::string path = tempPath("grey.bmp");
    ASSERT_EQ(img.Save(path), 1);
    const auto b = readBytes(path);
    ASSERT_EQ(b.size(), 14u + 40 + 1024 + 24);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    expectLe32(b, {{2, int32_t(b.size())}, {6, 0}, {10, 14 + 40 + 1024}, {14, 40}, {18, 5}, {22, -3}, {30, 0}, {34, 24},
                   {38, 0}, {42, 0}, {46, 256}, {50, 0}});
    EXPECT_EQ(le16(b, 26), 1);
    EXPECT_EQ(le16(b, 28), 8);
    // The display palette (Contour4 with zero as black).
    EXPECT_EQ(le32(b, 54), 0);
    EXPECT_EQ(b[54 + 4 * 5], 3);
    EXPECT_EQ(b[54 + 4 * 5 + 2], 5);
    EXPECT_EQ(b[54 + 4 * 3], 3);
    // Rows of 8 bytes: 5 pixels, 3 zero bytes, top row first.
    const size_t bits = 14 + 40 + 1024;
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(std::memcmp(&b[bits + 8 * y], img.row(y), 5), 0);
        for (int k = 5; k < 8; ++k) EXPECT_EQ(b[bits + 8 * y + k], 0);
    }
    CZVimage back;
    ASSERT_EQ(back.Load(path, {}), 1);
    EXPECT_EQ(back.width(), 5);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(back.row(y), img.row(y), 5), 0);
}

TEST(BmpFormat, ColourAndBayerAre24Bit) {
    CZVimage img(3, 2, 8, CZVimage::kField1, CZVimage::kColour);
    img.resize(3, 2, 3);
    fillPattern(img);
    ASSERT_EQ(img.Save(tempPath("c.bmp")), 1);
    auto b = readBytes(tempPath("c.bmp"));
    ASSERT_EQ(b.size(), 14u + 40 + 12 * 2);
    expectLe32(b, {{10, 54}, {34, 24}, {46, 0}});
    EXPECT_EQ(le16(b, 28), 24);
    EXPECT_EQ(std::memcmp(&b[54], img.row(0), 9), 0);
    EXPECT_EQ(std::memcmp(&b[54 + 12], img.row(1), 9), 0);
    EXPECT_EQ(b[54 + 9], 0);
    CZVimage back;
    back.setColour(CZVimage::kColour);
    ASSERT_EQ(back.Load(tempPath("c.bmp"), {}), 1);
    EXPECT_EQ(back.colour(), CZVimage::kColour);
    EXPECT_EQ(back.tag(), 0);
    EXPECT_EQ(back.interlace(), 0);
    EXPECT_EQ(std::memcmp(back.row(1), img.row(1), 9), 0);

    CZVimage bayer(6, 6, -1, 0, CZVimage::kBayer);
    fillPattern(bayer);
    ASSERT_EQ(bayer.Save(tempPath("bayer.bmp")), 1);
    b = readBytes(tempPath("bayer.bmp"));
    EXPECT_EQ(le16(b, 28), 24);
    std::vector<uint8_t> demo(6 * 6 * 3);
    bayer.demosaic(demo.data());
    EXPECT_EQ(std::memcmp(&b[54 + 20], &demo[18], 18), 0);  // row 1
}

TEST(BmpFormat, RectangleEdgesRoundDownAndRowOrders) {
    CZVimage img(16, 4, -1, 0, 0);
    fillPattern(img);
    img.setOrigin(100, 0);
    ASSERT_EQ(img.Save(tempPath("rect.bmp"), ZRect{105, 1, 115, 3}), 1);
    auto b = readBytes(tempPath("rect.bmp"));
    expectLe32(b, {{18, 8}, {22, -2}});  // columns 4..12
    EXPECT_EQ(b[1078], img.row(1)[4]);
    EXPECT_EQ(b[1078 + 8 + 7], img.row(2)[11]);
    EXPECT_EQ(img.Save(tempPath("rect2.bmp"), ZRect{101, 0, 103, 3}), 0);  // rounds to nothing
    const std::vector<uint8_t> rows = {1, 2, 3, 4, 5, 6};  // 3 x 2, first stored row first
    CZVimage up;
    auto bottomUp = makeBmp(3, 2, 8, rows, 256);
    ASSERT_EQ(readBmp(bottomUp.data(), bottomUp.size(), up, {}), 1);
    EXPECT_EQ(up.row(0)[0], 4);  // flipped: the last stored row is the top
    EXPECT_EQ(up.row(1)[2], 3);
    CZVimage down;
    auto topDown = makeBmp(3, -2, 8, rows, 256);
    ASSERT_EQ(readBmp(topDown.data(), topDown.size(), down, {}), 1);
    EXPECT_EQ(down.row(0)[0], 1);
    EXPECT_EQ(down.row(1)[2], 6);
    EXPECT_EQ(down.rows(), 2);
}

TEST(BmpFormat, DepthsAndWeights) {
    const ordavia::GreyWeights w{0.5, 0.25, 0.25};
    // Reads a file into an image asking for the given kind.
    auto read = [&](const std::vector<uint8_t>& f, int kind) {
        CZVimage img;
        img.setColour(kind);
        EXPECT_EQ(readBmp(f.data(), f.size(), img, w), 1);
        return img;
    };
    // 24-bit: (b, g, r) = (10, 20, 40): 2.5 -> 2, 2 + 5 = 7, 7 + 20 = 27.
    const auto b24 = makeBmp(2, -1, 24, {10, 20, 40, 255, 255, 255}, 0);
    const CZVimage grey = read(b24, CZVimage::kGrey);
    EXPECT_EQ(grey.colour(), 0);
    EXPECT_EQ(grey.row(0)[0], 27);
    // 63.75 -> 63, 126.75 -> 126, 253.5 -> 253: truncated at every step.
    EXPECT_EQ(grey.row(0)[1], 253);
    const CZVimage colour = read(b24, CZVimage::kColour);
    EXPECT_EQ(colour.colour(), 1);
    EXPECT_EQ(colour.row(0)[2], 40);

    const auto b32 = makeBmp(1, -1, 32, {10, 20, 40, 99}, 0);
    const CZVimage c32 = read(b32, CZVimage::kColour);
    EXPECT_EQ(c32.row(0)[0], 10);
    EXPECT_EQ(c32.row(0)[2], 40);
    EXPECT_EQ(read(b32, CZVimage::kGrey).row(0)[0], 27);

    // 8-bit into a colour image gives grey; the palette is not applied.
    const auto b8 = makeBmp(2, 1, 8, {7, 8}, 256);
    const CZVimage c8 = read(b8, CZVimage::kColour);
    EXPECT_EQ(c8.colour(), 0);
    EXPECT_EQ(c8.row(0)[1], 8);

    // 16-bit 5-5-5: full red (0x7C00) scales to 255.
    const CZVimage c16 = read(makeBmp(2, -1, 16, {0x00, 0x7C, 0x1F, 0x00}, 0), CZVimage::kColour);
    EXPECT_EQ(c16.row(0)[2], 255);
    EXPECT_EQ(c16.row(0)[0], 0);
    EXPECT_EQ(c16.row(0)[3], 255);
    // 16-bit 5-6-5 through bit-field masks: green 63.
    const CZVimage g565 = read(makeBmp(1, -1, 16, {0xE0, 0x07}, 0, 3, {0xF800, 0x07E0, 0x001F}), CZVimage::kColour);
    EXPECT_EQ(g565.row(0)[1], 255);
    EXPECT_EQ(g565.row(0)[2], 0);

    // Bayer accepts only 8-bit data.
    LogCapture log;
    const CZVimage bayer = read(b8, CZVimage::kBayer);
    EXPECT_EQ(bayer.colour(), CZVimage::kBayer);
    EXPECT_EQ(bayer.row(0)[0], 7);
    EXPECT_EQ(read(b24, CZVimage::kBayer).row(0)[0], 0);
    EXPECT_NE(log.text().find("BAYER can olny read 8bit colour!!!\n"), std::string::npos);
}

TEST(BmpFormat, HostileFiles) {
    const std::vector<uint8_t> px = {1, 2, 3, 4, 5, 6, 7, 8};
    const auto good = makeBmp(4, 2, 8, px, 256);
    {
        CZVimage ok;
        ASSERT_EQ(readBmp(good.data(), good.size(), ok, {}), 1);
        EXPECT_EQ(ok.row(0)[0], 5);
    }
    CZVimage t(2, 2, 5, 0, 0);
    const uint8_t* before = t.data();
    for (size_t n = 0; n < good.size(); ++n) {
        ASSERT_EQ(readBmp(good.data(), n, t, {}), 0) << n;
        ASSERT_EQ(t.data(), before);
    }
    // Huge and negative sizes, INT_MIN height, a huge header or palette,
    // RLE, a 4-bit depth.
    for (auto [at, v] : {std::pair{18, 0x7FFFFFFF}, {22, 0x7FFFFFFF}, {22, INT32_MIN}, {18, -4}, {46, 0x40000000},
                         {14, 0x7FFFFFFF}, {30, 1}, {28, 4}}) {
        auto b = good;
        std::memcpy(&b[size_t(at)], &v, 4);
        CZVimage img;
        EXPECT_EQ(readBmp(b.data(), b.size(), img, {}), 0) << at << ": " << v;
    }
}
