// TIFF files: the tags we write read back with libtiff, grey and colour
// reading in both planar configurations, the 8-bit rule and hostile input.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <functional>
#include <cstring>
#include <ctime>
#include <regex>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "tests/image/ImageTestUtil.h"

using namespace ordavia;
using namespace imgtest;

namespace {

// Writes a TIFF with libtiff directly: spp samples of `bits` each, planar
// configuration as given, rows from a generator.
void writeTestTiff(const std::string& path, uint32_t w, uint32_t h, uint16_t spp, uint16_t bits, uint16_t planar,
                   const std::function<uint8_t(uint32_t x, uint32_t y, uint16_t s)>& value) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    ASSERT_TRUE(t);
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, spp);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, spp == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, planar);
    const size_t bytesPerSample = bits / 8;
    std::vector<uint8_t> line(size_t(w) * spp * bytesPerSample + 16, 0);
    if (planar == PLANARCONFIG_CONTIG) {
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x)
                for (uint16_t s = 0; s < spp; ++s) line[(x * spp + s) * bytesPerSample] = value(x, y, s);
            ASSERT_GE(TIFFWriteScanline(t, line.data(), y, 0), 0);
        }
    } else {
        for (uint16_t s = 0; s < spp; ++s)
            for (uint32_t y = 0; y < h; ++y) {
                for (uint32_t x = 0; x < w; ++x) line[x] = value(x, y, s);
                ASSERT_GE(TIFFWriteScanline(t, line.data(), y, s), 0);
            }
    }
    TIFFClose(t);
}

}  // namespace

TEST(TiffFormat, TagsReadBackWithLibtiff) {
    CZVimage img(7, 5, 3, 0, 0);
    fillPattern(img);
    const std::string path = tempPath("tags.tif");
    const std::time_t before = std::time(nullptr);
    ASSERT_EQ(img.Save(path), 1);
    TIFF* t = TIFFOpen(path.c_str(), "r");
    ASSERT_TRUE(t);
    for (auto [tag, want] : {std::pair{TIFFTAG_SAMPLESPERPIXEL, 1}, {TIFFTAG_BITSPERSAMPLE, 8},
                             {TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK}, {TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG},
                             {TIFFTAG_COMPRESSION, COMPRESSION_NONE}}) {
        uint16_t v = 9999;
        // Only compression may be absent (none by default).
        if (tag == TIFFTAG_COMPRESSION) TIFFGetFieldDefaulted(t, uint32_t(tag), &v);
        else TIFFGetField(t, uint32_t(tag), &v);
        EXPECT_EQ(v, want) << tag;
    }
    uint32_t w = 0, h = 0;
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h);
    EXPECT_EQ(w, 7u);
    EXPECT_EQ(h, 5u);
    for (auto [tag, want] : {std::pair{TIFFTAG_MAKE, "Norvast"}, {TIFFTAG_SOFTWARE, "Fenwyr"}, {TIFFTAG_MODEL, "Jun 13 2018"}}) {
        char* v = nullptr;
        ASSERT_TRUE(TIFFGetField(t, uint32_t(tag), &v)) << tag;
        EXPECT_STREQ(v, want);
    }
    char* date = nullptr;
    ASSERT_TRUE(TIFFGetField(t, TIFFTAG_DATETIME, &date));
    std::tm tm{};
    localtime_r(&before, &tm);
    EXPECT_TRUE(std::regex_match(date, std::regex(std::to_string(tm.tm_year + 1900) + R"(:\d\d:\d\d \d\d:\d\d:\d\d)")))
        << date;
    std::vector<uint8_t> line(7);
    for (uint32_t y = 0; y < 5; ++y) {
        ASSERT_GE(TIFFReadScanline(t, line.data(), y, 0), 0);
        EXPECT_EQ(std::memcmp(line.data(), img.row(int(y)), 7), 0);
    }
    TIFFClose(t);

    CZVimage back;
    back.setTag(77);
    ASSERT_EQ(back.Load(path, {}), 1);
    EXPECT_EQ(back.tag(), 0);
    for (int y = 0; y < 5; ++y) EXPECT_EQ(std::memcmp(back.row(y), img.row(y), 7), 0);
}

TEST(TiffFormat, ColourToGreyBothPlanarConfigurations) {
    const ordavia::GreyWeights w{0.5, 0.25, 0.25};
    auto value = [](uint32_t x, uint32_t y, uint16_t smp) { return uint8_t(smp == 0 ? 40 + x : smp == 1 ? 20 : 11 + y); };
    for (uint16_t planar : {PLANARCONFIG_CONTIG, PLANARCONFIG_SEPARATE}) {
        const std::string path = tempPath("rgb" + std::to_string(planar) + ".tif");
        writeTestTiff(path, 3, 2, 3, 8, planar, value);
        CZVimage img;
        ASSERT_EQ(img.Load(path, w), 1) << planar;
        EXPECT_EQ(img.colour(), 0);
        // red 40 -> 20; + 20 * 0.25 = 25; + 11 * 0.25 = 27.75 -> 27.
        EXPECT_EQ(img.row(0)[0], 27) << planar;
        // red 42 -> 21; 26; + 12 * 0.25 = 29.
        EXPECT_EQ(img.row(1)[2], 29) << planar;
    }
    CZVimage img(4, 3, -1, 0, CZVimage::kColour);
    fillPattern(img);
    ASSERT_EQ(img.Save(tempPath("colour.tif")), 1);
    TIFF* t = TIFFOpen(tempPath("colour.tif").c_str(), "r");
    ASSERT_TRUE(t);
    uint16_t spp = 0;
    TIFFGetField(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
    EXPECT_EQ(spp, 3);
    std::vector<uint8_t> line(12);
    ASSERT_GE(TIFFReadScanline(t, line.data(), 1, 0), 0);
    EXPECT_EQ(line[0], img.row(1)[2]);  // red first
    EXPECT_EQ(line[2], img.row(1)[0]);
    TIFFClose(t);
}

// The reason travels back to whoever shows it.
TEST(TiffFormat, SixteenBitAndHostileInputRefusedWithReason) {
    const std::string path = tempPath("sixteen.tif");
    writeTestTiff(path, 4, 4, 1, 16, PLANARCONFIG_CONTIG, [](uint32_t, uint32_t, uint16_t) { return uint8_t(1); });
    CZVimage img(2, 2, 9, 0, 0);
    const ordavia::Status s = loadPicture(path, img, {});
    EXPECT_FALSE(s);
    EXPECT_EQ(s.reason(), path + ": Not an 8 bit greylevel image!");
    EXPECT_EQ(img.width(), 2);
    EXPECT_EQ(img.tag(), 9);
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    CZVimage bad(10, 9, -1, 0, 0);
    fillPattern(bad);
    ASSERT_EQ(bad.Save(tempPath("good.tif")), 1);
    const auto good = readBytes(tempPath("good.tif"));
    CZVimage t(2, 2, 4, 0, 0);
    const uint8_t* before = t.data();
    for (size_t n = 0; n < good.size(); n += 3) {
        (void)readTiff(good.data(), n, t, {});
        if (t.data() != before) {
            // Only a complete picture may replace the image.
            EXPECT_EQ(t.width(), 10);
            break;
        }
    }
    TIFFSetErrorHandler(TIFFSetErrorHandler(nullptr));
}
