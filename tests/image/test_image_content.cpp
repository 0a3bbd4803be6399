// Pictures by their content and in their colours: the signature decides the
// reader whatever the name, alpha channels are left out instead of making
// a picture black, a cut-short JPEG says what is missing, colour files stay
// colour for the workstation, and the grey the analyses get is the grey a
// colour file has always been read as.
#include <gtest/gtest.h>

#include "image/CZVimage.h"
#include "image/GreyConversion.h"
#include "image/ImageFormats.h"
#include "tests/image/ImageTestUtil.h"
#include "tests/support/PictureBytes.h"
#include "tests/support/TiffBytes.h"

using namespace ordavia;
using namespace imgtest;
using namespace testsupport;

namespace {

const GreyWeights kWeights{};

// 4 x 3 pixels: red 10 + 20x, green 100 + y, blue 7, alpha 0 (a transparent
// picture is still a picture).
std::vector<uint8_t> rgbaSamples() {
    std::vector<uint8_t> s;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) s.insert(s.end(), {uint8_t(10 + 20 * x), uint8_t(100 + y), 7, 0});
    return s;
}

}  // namespace

TEST(PictureContent, SignatureDecidesTheReader) {
    CZVimage img(6, 5, -1, 0, CZVimage::kGrey);
    fillPattern(img);
    ASSERT_EQ(img.Save(tempPath("real.tif")), 1);
    ASSERT_EQ(img.Save(tempPath("real.png")), 1);
    // Renamed by other programs, or named as loading used to refuse.
    writeBytes(tempPath("tiff-named.jpg"), readBytes(tempPath("real.tif")));
    writeBytes(tempPath("png-named.bmp"), readBytes(tempPath("real.png")));
    writeBytes(tempPath("no-extension"), readBytes(tempPath("real.tif")));
    for (const char* name : {"tiff-named.jpg", "png-named.bmp", "no-extension"}) {
        CZVimage back;
        ASSERT_TRUE(loadPicture(tempPath(name), back, kWeights)) << name;
        for (int y = 0; y < 5; ++y) EXPECT_EQ(std::memcmp(back.row(y), img.row(y), 6), 0) << name;
    }
    // Text under a picture's name is refused for what it is.
    writeBytes(tempPath("text.bmp"), std::vector<uint8_t>(40, 'x'));
    CZVimage keep(2, 2, 5, 0, 0);
    const Status s = loadPicture(tempPath("text.bmp"), keep, kWeights);
    EXPECT_NE(s.reason().find("not a picture Ordavia reads"), std::string::npos) << s.reason();
    EXPECT_EQ(keep.tag(), 5);
}

TEST(PictureContent, AlphaIsLeftOutNeverBlack) {
    const auto rgba = sampleTiffBytes(4, 3, 4, 2, rgbaSamples());
    CZVimage grey;
    ASSERT_TRUE(readTiff(rgba.data(), rgba.size(), grey, kWeights));
    ASSERT_EQ(grey.colour(), CZVimage::kGrey);
    // Red first in TIFF: 0.299 x 70, + 0.587 x 102, + 0.114 x 7.
    EXPECT_EQ(grey.row(2)[3], weightedGrey(0.299, 70, 0.587, 102, 0.114, 7));
    EXPECT_GT(grey.row(0)[0], 50);

    CZVimage colour;
    colour.setColour(CZVimage::kColour);
    ASSERT_TRUE(readTiff(rgba.data(), rgba.size(), colour, kWeights));
    ASSERT_EQ(colour.colour(), CZVimage::kColour);
    const uint8_t* px = colour.row(1) + 3 * 2;  // blue, green, red
    EXPECT_EQ(px[0], 7);
    EXPECT_EQ(px[1], 101);
    EXPECT_EQ(px[2], 50);

    std::vector<uint8_t> ga;
    for (int i = 0; i < 12; ++i) ga.insert(ga.end(), {uint8_t(40 + i), 255});
    const auto greyAlpha = sampleTiffBytes(4, 3, 2, 1, ga);
    CZVimage g;
    ASSERT_TRUE(readTiff(greyAlpha.data(), greyAlpha.size(), g, kWeights));
    EXPECT_EQ(g.row(0)[0], 40);
    EXPECT_EQ(g.row(2)[3], 51);

    // What cannot be read is refused by name rather than shown black.
    const auto cmyk = sampleTiffBytes(4, 3, 4, 5, rgbaSamples());
    CZVimage c;
    const Status s = readTiff(cmyk.data(), cmyk.size(), c, kWeights);
    EXPECT_FALSE(s);
    EXPECT_NE(s.reason().find("CMYK"), std::string::npos) << s.reason();
}

TEST(PictureContent, TruncatedJpegSaysWhatIsMissing) {
    auto grad = [](int x, int y, int k) { return (x * 5 + y * 3 + k * 40) & 255; };
    const auto whole = jpegBytes(64, 48, true, grad);
    CZVimage img;
    ASSERT_TRUE(readJpeg(whole.data(), whole.size(), img, kWeights));

    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(whole.size() * 2 / 3));
    CZVimage keep(3, 3, 9, 0, 0);
    Status s = readJpeg(cut.data(), cut.size(), keep, kWeights);
    ASSERT_FALSE(s);
    EXPECT_NE(s.reason().find("truncated JPEG picture"), std::string::npos) << s.reason();
    EXPECT_NE(s.reason().find("of 48; rows"), std::string::npos) << s.reason();
    EXPECT_EQ(keep.tag(), 9);

    const auto progressive = jpegBytes(64, 48, true, grad, true);
    const std::vector<uint8_t> pcut(progressive.begin(), progressive.begin() + long(progressive.size() / 2));
    s = readJpeg(pcut.data(), pcut.size(), keep, kWeights);
    ASSERT_FALSE(s);
    EXPECT_NE(s.reason().find("before the picture is complete"), std::string::npos) << s.reason();

    const std::vector<uint8_t> head(whole.begin(), whole.begin() + 40);
    s = readJpeg(head.data(), head.size(), keep, kWeights);
    EXPECT_NE(s.reason().find("truncated JPEG picture"), std::string::npos) << s.reason();
}

// The workstation keeps colour; the grey an analysis gets from it is the
// grey the file reads as directly (TIFF adds red first: one level apart).
TEST(PictureContent, ColourKeptAndItsGreyUnchanged) {
    writeBytes(tempPath("colour.jpg"), jpegBytes(20, 12, true, [](int x, int y, int k) { return (40 * k + 5 * x + y) & 255; }));
    CZVimage bmp(20, 12, -1, 0, CZVimage::kColour);
    fillPattern(bmp, 3);
    for (const char* name : {"colour.bmp", "colour.tif", "colour.png"}) ASSERT_EQ(bmp.Save(tempPath(name)), 1);
    for (const std::string name : {"colour.jpg", "colour.bmp", "colour.tif", "colour.png"}) {
        CZVimage kept, read;
        ASSERT_TRUE(loadPictureAsIs(tempPath(name), kept, kWeights)) << name;
        ASSERT_EQ(kept.colour(), CZVimage::kColour) << name;
        ASSERT_TRUE(loadPicture(tempPath(name), read, kWeights)) << name;
        const CZVimage grey = greyCopyOf(kept, kWeights);
        ASSERT_EQ(grey.colour(), CZVimage::kGrey);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 20; ++x) ASSERT_NEAR(grey.row(y)[x], read.row(y)[x], name == "colour.tif") << name;
    }
}
