// "linescan" and "kymograph" as a script uses them: the documented keys,
// the sign of the direction, calibration, the saved line scan, the time
// axis of foreign kymographs and the refusals.
#include <gtest/gtest.h>

#include <fstream>

#include "base/FileIO.h"
#include "linescan/ZlineScanBaseDoc.h"
#include "support/CliRun.h"
#include "support/LineScanFeed.h"
#include "support/MveBytes.h"
#include "support/TiffBytes.h"

using namespace ordavia;

using clitest::cli;
using testsupport::ScratchDir;

namespace {

double numberAfter(const std::string& out, const std::string& key) {
    const size_t at = out.find("\"" + key + "\": ");
    if (at == std::string::npos) return NAN;
    return std::strtod(out.c_str() + at + key.size() + 4, nullptr);
}

// A kymograph of `times` lines of 120 points moving v points per line.
std::vector<uint8_t> kymograph(double v, int bits, bool timeAlongX, uint32_t times = 150) {
    linescantest::MovingTexture tex(5);
    const uint32_t points = 120;
    const uint32_t w = timeAlongX ? times : points, h = timeAlongX ? points : times;
    std::vector<uint16_t> px(size_t(w) * h);
    for (uint32_t t = 0; t < times; ++t) {
        const auto line = tex.sample(points, v, t);
        for (uint32_t i = 0; i < points; ++i) {
            const double g = bits == 16 ? line[i] * 200.0 : line[i];
            px[timeAlongX ? size_t(i) * w + t : size_t(t) * w + i] = uint16_t(g);
        }
    }
    return testsupport::greyTiffBytes(w, h, bits, px);
}

}  // namespace

TEST(CliLinescan, VideoLineGivesTheDocumentedKeysAndASavedScan) {
    ScratchDir d("cli-linescan");
    const std::string mve = d / "s.mve";
    ASSERT_EQ(cli("synth video " + mve + " --frames 30 --fps 50 --seed 4", d.dir).code, 0);
    const std::string zvl = d / "a.zvl";
    auto r = cli("linescan " + mve + " --line 100,200,140,230,150,260 --gap 2 --zvl " + zvl + " --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    for (const char* k : {"\"columns\": 30", "\"px_per_frame\"", "\"um_per_s\": null", "\"range\"", "\"percent_good\"",
                          "\"mean_correlation\"", "\"cbv\": ["})
        EXPECT_NE(r.out.find(k), std::string::npos) << k << "\n" << r.out;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(zvl, bytes).ok());
    ZlineScanBaseDoc doc;
    ASSERT_TRUE(doc.loadZvlBytes(bytes).ok());
    ASSERT_NE(doc.scanTrace(), nullptr);
    EXPECT_EQ(doc.scanTrace()->sampleCount(), 30u);
    EXPECT_EQ(doc.params().gap, 2);
    // A movie file keeps no rate: the capture rate of 25 frames per second.
    EXPECT_DOUBLE_EQ(doc.scanTrace()->xInterval, 0.04);

    r = cli("linescan " + mve + " --line 100,200,140,230 --scale 1.5 --fps 50 --method hough --zvl " + zvl + " --json",
            d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out.find("\"um_per_s\": null"), std::string::npos) << r.out;
    ASSERT_TRUE(readFileBytes(zvl, bytes).ok());
    ASSERT_TRUE(doc.loadZvlBytes(bytes).ok());
    EXPECT_DOUBLE_EQ(doc.scanTrace()->xInterval, 0.02);
    EXPECT_EQ(doc.scanTrace()->yUnits, "um");
    EXPECT_NE(doc.houghTrace(), nullptr);

    for (const char* bad : {"--line 1,2,3", "--line 1,2,x,4", "--line 5,5,6,6", "--line 1,2,50,2 --method fft",
                            "--line 1,2,50,2 --gap 0", "--line 1,2,50,2 --limit 2", "--line 1,2,50,2 --fps -1"}) {
        r = cli("linescan " + mve + " " + bad, d.dir);
        EXPECT_EQ(r.code, 1) << bad << "\n" << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
    EXPECT_EQ(cli("linescan " + (d / "missing.mve") + " --line 1,2,50,2", d.dir).code, 1);
}

TEST(CliLinescan, KymographsOfEitherAxisDepthAndDirection) {
    ScratchDir d("cli-kymograph");
    struct Case {
        double v;
        int bits;
        bool x;
    };
    for (const Case& c : {Case{2.0, 16, false}, Case{-3.0, 8, true}, Case{2.5, 8, false}}) {
        const std::string f = d / "k.tif";
        ASSERT_TRUE(writeFileAtomically(f, kymograph(c.v, c.bits, c.x)).ok());
        for (const char* method : {"correlation", "hough"}) {
            SCOPED_TRACE(std::string(method) + " v=" + std::to_string(c.v));
            const auto r = cli("kymograph " + f + " --line-period 0.001 --pixel-size 0.5 --subpixel --method " +
                                   method + (c.x ? " --time-axis x" : "") + " --json",
                               d.dir);
            ASSERT_EQ(r.code, 0) << r.out;
            // v points per line x 0.5 um / 1 ms.
            EXPECT_NEAR(numberAfter(r.out, "px_per_frame"), c.v, std::fabs(c.v) * 0.05) << r.out;
            EXPECT_NEAR(numberAfter(r.out, "um_per_s"), c.v * 500.0, std::fabs(c.v) * 25.0);
            EXPECT_NEAR(numberAfter(r.out, "mm_per_s"), c.v * 0.5, std::fabs(c.v) * 0.025);
        }
    }
    const std::string junk = d / "junk.tif";
    ASSERT_TRUE(writeFileAtomically(junk, std::vector<uint8_t>(300, 0x49)).ok());
    for (const std::string& args : {"kymograph " + junk + " --line-period 0.001 --pixel-size 0.5",
                                    "kymograph " + (d / "k.tif") + " --line-period 0 --pixel-size 0.5",
                                    "kymograph " + (d / "k.tif") + " --line-period 0.001 --pixel-size 0.5 --time-axis z"}) {
        const auto r = cli(args, d.dir);
        EXPECT_EQ(r.code, 1) << args << "\n" << r.out;
    }
}
