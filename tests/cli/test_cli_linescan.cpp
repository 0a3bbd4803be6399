// "linescan" and "kymograph" as a script uses them: the documented keys,
// the sign of the direction, calibration, the saved line scan, the time
// axis of foreign kymographs and the refusals.
#include <gtest/gtest.h>

#include <fstream>

#include "base/FileIO.h"
#include "linescan/LineVelocityRun.h"
#include "linescan/ZlineScanBaseDoc.h"
#include "linescan/ZlineScanDoc.h"
#include "measure/CDimLine.h"
#include "support/CliRun.h"
#include "support/LineScanFeed.h"
#include "support/MveBytes.h"
#include "support/SyntheticLimb.h"
#include "support/TestServices.h"
#include "support/TiffBytes.h"
#include "video/CMotivaDoc.h"
#include "video/SyntheticVideo.h"

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

// A synthetic video with its document (50 frames per second, 1.6 um per
// pixel) and the line along the arterial limb of its first flowing loop.
struct SynthVideo {
    std::string dcs, mve, line;
    double truthUm = 0;
    std::vector<ZPoint> vertices;
};

SynthVideo synthVideo(const ScratchDir& d, int frames = 60) {
    SynthVideo v;
    v.mve = d / "s.mve";
    v.dcs = d / "s.dcs";
    const auto r = cli("synth video " + v.mve + " --frames " + std::to_string(frames) + " --fps 50 --seed 4", d.dir);
    EXPECT_EQ(r.code, 0) << r.out;
    SyntheticVideo truth;
    SyntheticVideo::Params p;
    p.seed = 4;
    p.frames = frames;
    p.fps = 50;
    std::string error;
    EXPECT_TRUE(truth.prepare(p, &error)) << error;
    for (const auto& c : truth.truth().capillaries) {
        if (!c.flows) continue;
        v.vertices = testsupport::limbLine(c);
        v.truthUm = c.velocityUmPerS;
        break;
    }
    for (const ZPoint& q : v.vertices) v.line += (v.line.empty() ? "" : ",") + std::to_string(q.x) + "," + std::to_string(q.y);
    return v;
}

// The workstation's "Calculate all widths and velocities" on the same
// document, line and profile.
CbvSummary workstationSummary(const std::string& dcs, const std::vector<ZPoint>& vertices, const std::string& profile,
                              bool& reversed) {
    ordavia::test::TestServices svc;
    EXPECT_TRUE(svc.profile.SetPath(profile));
    CMotivaDoc video;
    svc.adopt(video);
    EXPECT_TRUE(video.OnOpenDocument(dcs));
    auto line = std::make_unique<CDimLine>();
    for (const ZPoint& q : vertices) line->addVertex(q);
    const int index = video.addObject(std::move(line));
    auto scan = scanBothWays(video, index, &svc.services, {}, &reversed);
    EXPECT_NE(scan, nullptr);
    return scan ? scan->summary(0, 0) : CbvSummary{};
}

}  // namespace

TEST(CliLinescan, TheSameDocumentAndLineGiveTheWorkstationsVelocity) {
    ScratchDir d("cli-linescan-same");
    const SynthVideo v = synthVideo(d);
    ASSERT_GE(v.vertices.size(), 2u);
    // Both read the profile: a gap of 2 frames there is used by both.
    {
        std::ofstream(d / "p.ini") << "[correlation]\ngap=2\n";
    }
    bool reversed = false;
    const CbvSummary ws = workstationSummary(v.dcs, v.vertices, d / "p.ini", reversed);
    ASSERT_GT(ws.good, 0u);
    EXPECT_EQ(ws.units, "um/s");

    const std::string zvl = d / "a.zvl";
    const auto r = cli("linescan " + v.dcs + " --line " + v.line + " --zvl " + zvl + " --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    // The document's rate and calibration: micrometres per second, the
    // workstation's number to the last digit.
    EXPECT_NEAR(numberAfter(r.out, "velocity"), (reversed ? -1 : 1) * ws.mean, 1e-9 * std::fabs(ws.mean)) << r.out;
    EXPECT_NEAR(numberAfter(r.out, "um_per_s"), (reversed ? -1 : 1) * ws.mean, 1e-9 * std::fabs(ws.mean)) << r.out;
    EXPECT_NEAR(numberAfter(r.out, "percent_good"), ws.percentGood, 1e-9) << r.out;
    EXPECT_NEAR(std::fabs(numberAfter(r.out, "um_per_s")), v.truthUm, 0.25 * v.truthUm) << r.out;
    for (const char* k : {"\"columns\": 60", "\"px_per_frame\"", "\"range\"", "\"mean_correlation\"", "\"cbv\": ["})
        EXPECT_NE(r.out.find(k), std::string::npos) << k << "\n" << r.out;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(zvl, bytes).ok());
    ZlineScanBaseDoc doc;
    ASSERT_TRUE(doc.loadZvlBytes(bytes).ok());
    EXPECT_EQ(doc.params().gap, 2);
    EXPECT_DOUBLE_EQ(doc.scanTrace()->xInterval, 0.02);
    EXPECT_EQ(doc.scanTrace()->yUnits, "um");

    // Options override the document: another rate, another scale.
    const auto o = cli("linescan " + v.dcs + " --line " + v.line + " --fps 100 --scale 0.8 --json", d.dir);
    ASSERT_EQ(o.code, 0) << o.out;
    EXPECT_NEAR(numberAfter(o.out, "um_per_s"), numberAfter(r.out, "um_per_s"), 1e-6 * v.truthUm) << o.out;
}

TEST(CliLinescan, AMovieFileRunsAtTheRateTheWorkstationGivesIt) {
    ScratchDir d("cli-linescan-mve");
    const SynthVideo v = synthVideo(d, 40);
    ordavia::test::TestServices svc;
    CMotivaDoc video;
    svc.adopt(video);
    ASSERT_TRUE(video.OnNewDocument());
    ASSERT_TRUE(video.importMovie(v.mve));
    const std::string zvl = d / "m.zvl";
    const auto r = cli("linescan " + v.mve + " --line " + v.line + " --method hough --zvl " + zvl + " --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("\"um_per_s\": null"), std::string::npos) << "a movie file has no calibration\n" << r.out;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readFileBytes(zvl, bytes).ok());
    ZlineScanBaseDoc doc;
    ASSERT_TRUE(doc.loadZvlBytes(bytes).ok());
    EXPECT_DOUBLE_EQ(doc.scanTrace()->xInterval, 1.0 / video.framesPerSecond());
    EXPECT_NE(doc.houghTrace(), nullptr);
}

TEST(CliLinescan, NoScanOrNoVelocityIsAnError) {
    ScratchDir d("cli-linescan-fail");
    const SynthVideo v = synthVideo(d, 30);
    for (const char* bad : {"--line 1,2,3", "--line 1,2,x,4", "--line 5,5,6,6", "--line 1,2,50,2 --method fft",
                            "--line 1,2,50,2 --gap 0", "--line 1,2,50,2 --limit 2", "--line 1,2,50,2 --fps -1",
                            "--line 600,10,700,10", "--line -5,10,40,10"}) {
        const auto r = cli("linescan " + v.dcs + " " + bad, d.dir);
        EXPECT_EQ(r.code, 1) << bad << "\n" << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
    EXPECT_NE(cli("linescan " + v.dcs + " --line 600,10,700,10", d.dir).out.find("outside the 640 x 480 frame"),
              std::string::npos);
    EXPECT_EQ(cli("linescan " + (d / "missing.mve") + " --line 1,2,50,2", d.dir).code, 1);
    // Nothing correlates above a limit of 1: no velocity, no success.
    auto r = cli("linescan " + v.dcs + " --line " + v.line + " --limit 1 --json", d.dir);
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("no velocity found"), std::string::npos) << r.out;
    // A profile asking for the two-line method cannot scan one line.
    std::ofstream(d / "p.ini") << "[linescan]\ncbvmethod=2\n";
    EXPECT_EQ(cli("linescan " + v.dcs + " --line " + v.line, d.dir).code, 1);
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
    const std::string junk = d / "junk.tif", flat = d / "flat.tif";
    ASSERT_TRUE(writeFileAtomically(junk, std::vector<uint8_t>(300, 0x49)).ok());
    // Nothing moves: no velocity, and no success.
    ASSERT_TRUE(writeFileAtomically(flat, testsupport::greyTiffBytes(120, 150, 8, std::vector<uint16_t>(120 * 150, 90))).ok());
    for (const std::string& args : {"kymograph " + junk + " --line-period 0.001 --pixel-size 0.5",
                                    "kymograph " + flat + " --line-period 0.001 --pixel-size 0.5 --json",
                                    "kymograph " + (d / "k.tif") + " --line-period 0 --pixel-size 0.5",
                                    "kymograph " + (d / "k.tif") + " --line-period 0.001 --pixel-size 0.5 --time-axis z"}) {
        const auto r = cli(args, d.dir);
        EXPECT_EQ(r.code, 1) << args << "\n" << r.out;
    }
}
