// "linescan" and "kymograph" as a script uses them: the documented keys,
// the sign of the direction, calibration, the saved line scan, the time
// axis of foreign kymographs and the refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "base/FileIO.h"
#include "base/Text.h"
#include "linescan/CapillaryFlux.h"
#include "linescan/LineVelocityRun.h"
#include "linescan/VelocityTrust.h"
#include "linescan/ZlineScanBaseDoc.h"
#include "linescan/ZlineScanDoc.h"
#include "measure/CDimLine.h"
#include "results/CResultDoc.h"
#include "support/CliRun.h"
#include "support/LineScanFeed.h"
#include "support/MveBytes.h"
#include "support/SyntheticLimb.h"
#include "support/TestServices.h"
#include "support/TiffBytes.h"
#include "video/CMotivaDoc.h"
#include "synth/SyntheticVideo.h"

using namespace ordavia;

using clitest::cli;
using clitest::numberAfter;
using testsupport::ScratchDir;

namespace {

// A kymograph of 150 lines of 120 points moving v points per line.
std::vector<uint8_t> kymograph(double v, int bits, bool timeAlongX) {
    linescantest::MovingTexture tex(5);
    const uint32_t points = 120, times = 150;
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

SynthVideo synthVideo(const ScratchDir& d) {
    const int frames = 60;
    SynthVideo v;
    v.dcs = d / "s.dcs";
    v.mve = d / "s.mve";
    EXPECT_EQ(cli("synth video " + v.mve + " --frames " + std::to_string(frames) + " --fps 50 --seed 4", d.dir).code, 0);
    SyntheticVideo truth;
    SyntheticVideo::Params p;
    p.seed = 4;
    p.frames = frames;
    p.fps = 50;
    EXPECT_EQ(truth.prepare(p).reason(), "");
    for (const auto& c : truth.truth().capillaries)
        if (c.flows && v.vertices.empty()) v.vertices = testsupport::limbLine(c), v.truthUm = c.velocityUmPerS;
    for (const ZPoint& q : v.vertices) v.line += (v.line.empty() ? "" : ",") + std::to_string(q.x) + "," + std::to_string(q.y);
    return v;
}

// The zvl a run saved.
std::unique_ptr<ZlineScanBaseDoc> savedScan(const std::string& zvl) {
    std::vector<uint8_t> bytes;
    auto doc = std::make_unique<ZlineScanBaseDoc>();
    EXPECT_TRUE(readFileBytes(zvl, bytes).ok() && doc->loadZvlBytes(bytes).ok());
    return doc;
}

}  // namespace

TEST(CliLinescan, TheSameDocumentAndLineGiveTheWorkstationsVelocityOrFail) {
    ScratchDir d("cli-linescan-same");
    const SynthVideo v = synthVideo(d);
    std::ofstream(d / "p.ini") << "[correlation]\ngap=2\n";  // read by both
    // The workstation's "Calculate all widths and velocities" on the line.
    ordavia::test::TestServices svc;
    ASSERT_TRUE(svc.profile.SetPath(d / "p.ini"));
    CMotivaDoc video;
    svc.adopt(video);
    ASSERT_TRUE(video.OnOpenDocument(v.dcs));
    auto line = std::make_unique<CDimLine>();
    for (const ZPoint& q : v.vertices) line->addVertex(q);
    bool reversed = false;
    const int index = video.addObject(std::move(line));
    auto made = scanBothWays(video, index, &svc.services, {}, &reversed);
    ASSERT_TRUE(made.ok()) << made.reason();
    auto scan = std::move(made).value();
    const CbvSummary ws = scan->summary(0, 0);
    const double expected = (reversed ? -1 : 1) * ws.mean;
    // Accepted with the last frame in view, as after playing the scan.
    video.goToFrame(video.frameCount() - 1);
    ASSERT_TRUE(acceptVelocity(video, index, ws, "s", &svc.results));

    const auto r = cli("linescan " + v.dcs + " --line " + v.line + " --zvl " + (d / "a.zvl") + " --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(numberAfter(r.out, "velocity"), expected) << r.out;
    EXPECT_EQ(numberAfter(r.out, "um_per_s"), expected) << r.out;
    // The diameter and flux the workstation filed, to the last digit.
    const auto& cells = svc.results.find(kCapillaryVelocityTitle)->rows().back()->strings;
    const double filedDiameter = lineDiameter(video, index);
    EXPECT_EQ(numberAfter(r.out, "diameter_um"), filedDiameter) << r.out;
    EXPECT_EQ(numberAfter(r.out, "flux"), bloodFlux(filedDiameter, ws.mean)) << r.out;
    EXPECT_EQ(std::stod(cells[3]), std::stod(strprintf("%.3f", std::fabs(expected))));
    EXPECT_EQ(std::stod(cells[10]), std::stod(strprintf("%.2f", numberAfter(r.out, "diameter_um"))));
    EXPECT_EQ(std::stod(cells[11]), std::stod(strprintf("%.1f", numberAfter(r.out, "flux"))));
    EXPECT_NEAR(numberAfter(r.out, "percent_good"), ws.percentGood, 1e-9) << r.out;
    EXPECT_NEAR(numberAfter(r.out, "quality"), ws.trust.quality, 1e-9) << r.out;
    EXPECT_NE(r.out.find(ws.trust.inRange ? "\"in_range\": true" : "\"in_range\": false"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(trusted(ws.trust) ? "\"trusted\": true" : "\"trusted\": false"), std::string::npos) << r.out;
    EXPECT_NEAR(std::fabs(expected), v.truthUm, 0.25 * v.truthUm);
    EXPECT_NE(r.out.find("\"columns\": 60"), std::string::npos) << r.out;
    const auto saved = savedScan(d / "a.zvl");
    EXPECT_EQ(saved->params().gap, 2);
    EXPECT_DOUBLE_EQ(saved->scanTrace()->xInterval, 0.02);

    // Options override the document: twice the rate and half the scale.
    const auto o = cli("linescan " + v.dcs + " --line " + v.line + " --fps 100 --scale 0.8 --json", d.dir);
    EXPECT_NEAR(numberAfter(o.out, "um_per_s"), expected, 1e-6 * v.truthUm) << o.out;

    // A movie file opens at the rate the workstation gives it, uncalibrated.
    CMotivaDoc movie;
    svc.adopt(movie);
    ASSERT_TRUE(movie.OnNewDocument() && movie.importMovie(v.mve));
    const auto m = cli("linescan " + v.mve + " --line " + v.line + " --method hough --zvl " + (d / "m.zvl") + " --json", d.dir);
    ASSERT_EQ(m.code, 0) << m.out;
    EXPECT_NE(m.out.find("\"um_per_s\": null"), std::string::npos) << m.out;
    EXPECT_DOUBLE_EQ(savedScan(d / "m.zvl")->scanTrace()->xInterval, 1.0 / movie.framesPerSecond());

    SCOPED_TRACE("no scan or no velocity is an error");
    for (const char* bad : {"--line 1,2,3", "--line 1,2,x,4", "--line 5,5,6,6", "--line 1,2,50,2 --method fft",
                            "--line 1,2,50,2 --gap 0", "--line 1,2,50,2 --limit 2", "--line 1,2,50,2 --fps -1",
                            "--line -5,10,40,10", "--line 600,10,700,10"}) {
        const auto e = cli("linescan " + v.dcs + " " + bad, d.dir);
        EXPECT_EQ(e.code, 1) << bad << "\n" << e.out;
        EXPECT_EQ(std::count(e.out.begin(), e.out.end(), '\n'), 1) << e.out;
    }
    EXPECT_EQ(cli("linescan " + (d / "missing.mve") + " --line 1,2,50,2", d.dir).code, 1);
    // Nothing correlates above a limit of 1: no velocity, no success.
    const auto none = cli("linescan " + v.dcs + " --line " + v.line + " --limit 1 --json", d.dir);
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.out.find("no velocity found"), std::string::npos) << none.out;
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
        SCOPED_TRACE(c.v);
        const std::string f = d / "k.tif";
        ASSERT_TRUE(writeFileAtomically(f, kymograph(c.v, c.bits, c.x)).ok());
        const auto r = cli("kymograph " + f + " --line-period 0.001 --pixel-size 0.5 --subpixel" +
                               (c.x ? " --time-axis x" : "") + " --json",
                           d.dir);
        ASSERT_EQ(r.code, 0) << r.out;
        // v points per line x 0.5 um / 1 ms.
        EXPECT_NEAR(numberAfter(r.out, "px_per_frame"), c.v, std::fabs(c.v) * 0.05) << r.out;
        EXPECT_NEAR(numberAfter(r.out, "um_per_s"), c.v * 500.0, std::fabs(c.v) * 25.0);
        EXPECT_NEAR(numberAfter(r.out, "mm_per_s"), c.v * 0.5, std::fabs(c.v) * 0.025);
        EXPECT_NE(r.out.find("\"in_range\": true"), std::string::npos) << r.out;
        EXPECT_GT(numberAfter(r.out, "quality"), 0.3) << r.out;
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
