// Camera pictures (JPEG, PNG) and the pixel ceiling of every compressed
// format: colour to grey as for 24-bit bitmaps, exact PNG round trips,
// and small hostile files that claim huge pictures.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "tests/image/ImageTestUtil.h"
#include "tests/support/PictureBytes.h"

using namespace ordavia;
using namespace imgtest;
using namespace testsupport;

namespace {
const ordavia::GreyWeights kWeights{};
int expectedGrey(int r, int g, int b) { return weightedGrey(kWeights.blue, b, kWeights.green, g, kWeights.red, r); }
}  // namespace

// Kept colour, and its channel order, go through PictureContent.ColourKeptAndItsGreyUnchanged.
TEST(CameraPictures, JpegColourBecomesGreyLikeABitmap) {
    const auto jpg = jpegBytes(24, 16, true, [](int, int, int k) { return k == 0 ? 200 : k == 1 ? 100 : 50; });
    CZVimage grey;
    ASSERT_TRUE(readJpeg(jpg.data(), jpg.size(), grey, kWeights));
    EXPECT_EQ(grey.colour(), CZVimage::kGrey);
    EXPECT_EQ(grey.width(), 24);
    EXPECT_EQ(grey.height(), 16);
    EXPECT_NEAR(grey.row(7)[11], expectedGrey(200, 100, 50), 1);

    const auto progressive = jpegBytes(40, 30, false, [](int x, int, int) { return x * 6; }, true);
    CZVimage p;
    ASSERT_TRUE(readJpeg(progressive.data(), progressive.size(), p, kWeights));
    EXPECT_NEAR(p.row(10)[20], 120, 3);
}

TEST(CameraPictures, PngIsExactBothWays) {
    std::vector<uint8_t> raw;
    for (int y = 0; y < 5; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < 7; ++x) raw.insert(raw.end(), {uint8_t(30 * x), uint8_t(40 * y), 77});
    }
    const auto png = PngBuilder().header(7, 5, 2).rows(raw).end();
    CZVimage grey;
    ASSERT_TRUE(readPng(png.data(), png.size(), grey, kWeights));
    EXPECT_EQ(grey.row(4)[6], expectedGrey(180, 160, 77));

    CZVimage img(13, 9, 0, 0, CZVimage::kColour);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13 * 3; ++x) img.row(y)[x] = uint8_t(x * 7 + y);
    const std::string path = tempPath("round.png");
    ASSERT_TRUE(savePicture(img, path));
    CZVimage back;
    back.setColour(CZVimage::kColour);
    ASSERT_TRUE(loadPicture(path, back, kWeights));
    ASSERT_EQ(back.width(), 13);
    for (int y = 0; y < 9; ++y) EXPECT_EQ(0, std::memcmp(back.row(y), img.row(y), 13 * 3)) << y;
}

// Small files that claim pictures of gigabytes are refused from their
// headers, with the reason, before anything is decoded.
TEST(CameraPictures, HugeClaimsAreRefusedFromTheHeader) {
    auto jpg = jpegBytes(16, 16, true, [](int, int, int) { return 9; });
    patchJpegSize(jpg, 60000, 60000);
    CZVimage img(2, 2, 5, 0, 0);
    ordavia::Status s = readJpeg(jpg.data(), jpg.size(), img, kWeights);
    EXPECT_NE(s.reason().find("60000 x 60000 pixels is larger than"), std::string::npos) << s.reason();
    EXPECT_EQ(img.width(), 2);

    const auto png = PngBuilder().header(65536, 65536, 0).rows(std::vector<uint8_t>(65537, 0)).end();
    s = readPng(png.data(), png.size(), img, kWeights);
    EXPECT_NE(s.reason().find("65536 x 65536 pixels is larger than"), std::string::npos) << s.reason();

    // A 1 MB deflated TIFF claiming 32768 x 32768: a gigabyte if decoded.
    const std::string path = tempPath("huge.tif");
    TIFFSetErrorHandler(nullptr);
    ASSERT_TRUE(writeDeflatedZeroTiff(path, 32768, 32768, 32768, 4));
    std::filesystem::resize_file(path, 1 << 20);
    s = loadPicture(path, img, kWeights);
    EXPECT_NE(s.reason().find("32768 x 32768 pixels is larger than"), std::string::npos) << s.reason();
}

TEST(CameraPictures, DamagedFilesFailCleanly) {
    const auto jpg = jpegBytes(32, 32, true, [](int x, int y, int k) { return x * y + k; });
    const auto png = PngBuilder().header(8, 8, 0).rows(std::vector<uint8_t>(72, 3)).end();
    for (const auto* good : {&jpg, &png}) {
        for (size_t n = 0; n < good->size(); n += 5) {
            CZVimage t;
            (void)readJpeg(good->data(), n, t, kWeights);
            (void)readPng(good->data(), n, t, kWeights);
        }
    }
    CZVimage t;
    EXPECT_EQ(readPng(png.data(), 20, t, kWeights).reason().rfind("damaged PNG picture", 0), 0u);
}
