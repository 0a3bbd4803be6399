// "focus" with either measure, "live" recording from the simulated cameras, and
// what the video commands say where memory or measurements run out.
#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/DamagedVideo.h"
#include "support/Sanitizer.h"
#include "support/ScratchDir.h"
#include "video/CZVMovie.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

using clitest::cli;
using testsupport::ScratchDir;

namespace {
bool has(const std::string& s, const std::string& what) { return s.find(what) != std::string::npos; }
}  // namespace

TEST(CliFocus, BothMeasuresFindTheSharpestFrameOfASweep) {
    ScratchDir d("cli-focus");
    // A focus sweep: its truth says which frame is sharp.
    const std::string sweep = d / "sweep.mve", truth = d / "sweep.json";
    ASSERT_EQ(cli("synth video " + sweep + " --frames 9 --size 160x120 --defocus 5,0.6 --truth " + truth, d.dir).code, 0);
    std::ifstream in(truth);
    const std::string json((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(json.find("\"defocus\":{\"sharpestFrame\":5,\"stepPx\":0.6,\"blurSigmaPx\":[3.231,"), std::string::npos);
    EXPECT_EQ(cli("synth video " + sweep + " --frames 9 --defocus 9", d.dir).code, 1);
    for (const std::string measure : {"", " --autofocus"}) {
        SCOPED_TRACE(measure);
        const auto r = cli("focus " + sweep + measure + " --json", d.dir);
        ASSERT_EQ(r.code, 0) << r.out;
        // A value per frame, then the sharpest.
        const size_t open = r.out.find("\"focus\": ["), close = r.out.find(']');
        ASSERT_TRUE(open != std::string::npos && close != std::string::npos) << r.out;
        EXPECT_EQ(std::count(r.out.begin() + long(open), r.out.begin() + long(close), ','), 8) << r.out;
        EXPECT_NEAR(clitest::numberAfter(r.out, "best"), 5, 1) << r.out;
        EXPECT_EQ(cli("focus " + (d / "none.mve") + measure, d.dir).code, 1);
    }
    // A damaged video document: the reason once, on one line, and exit 1.
    std::ofstream(d / "bad.dcs") << "not a video document";
    const auto bad = cli("focus " + (d / "bad.dcs"), d.dir);
    EXPECT_EQ(bad.code, 1);
    EXPECT_TRUE(has(bad.out, "bad.dcs")) << bad.out;
    EXPECT_EQ(std::count(bad.out.begin(), bad.out.end(), '\n'), 1) << bad.out;
}

// "live": frames from both simulated cameras into a movie that opens, and
// the user's profile left as it was.
TEST(CliLive, RecordsFramesFromEitherCameraWithoutTouchingTheProfile) {
    ScratchDir d("cli-live-rec");
    for (const char* source : {"pseudo", "video"}) {
        SCOPED_TRACE(source);
        const std::string out = d / (std::string(source) + ".mve");
        auto r = cli(std::string("live --source ") + source + " --frames 6 " + out + " --json", d.dir);
        ASSERT_EQ(r.code, 0) << r.out;
        EXPECT_NE(r.out.find("\"frames\": 6"), std::string::npos) << r.out;
        CZVMovie m;
        ASSERT_TRUE(m.Open(out).ok());
        EXPECT_EQ(m.count(), 6);
    }
    EXPECT_FALSE(std::filesystem::exists(d / "p.ini")) << "the recorder's settings went to a scratch profile";
    auto bad = cli("live --source nosuch --frames 3 " + (d / "x.mve"), d.dir);
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.out.find("unknown source nosuch"), std::string::npos) << bad.out;
    EXPECT_EQ(cli("live --frames 0 " + (d / "x.mve"), d.dir).code, 1);
}

// "live" writes the video document beside its movie (which keeps no rate)
// and nothing else, removing what a run killed while replacing OUT left
// (temporary, folder); "info" reports the rate the analyses use, as for a
// synthetic video made at 50 frames per second.
TEST(CliLive, KeepsTheRateAndLeavesNoTemporaries) {
    ScratchDir d("cli-live-rate");
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(cli("live --frames " + std::to_string(3 + run) + " " + (d / "rec.mve"), d.dir).code, 0);
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(d.dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"rec.dcs", "rec.mve"}));
        std::ofstream(d / ".rec.mve.Ab12Cd") << "frames of a killed run";
        std::filesystem::create_directory(d / ".rec.mve.Ef34Gh");
    }
    ASSERT_EQ(cli("synth video " + (d / "s.mve") + " --frames 4 --fps 50 --size 160x120", d.dir).code, 0);
    for (const auto& [file, fps] : {std::pair<std::string, int>{"rec.mve", 25}, {"rec.dcs", 25}, {"s.mve", 50}, {"s.dcs", 50}}) {
        EXPECT_TRUE(has(cli("info " + (d / file), d.dir).out, ", " + std::to_string(fps) + " frames per second")) << file;
        const auto json = cli("info " + (d / file) + " --json", d.dir);
        EXPECT_EQ(clitest::numberAfter(json.out, "fps"), fps) << json.out;
        EXPECT_EQ(clitest::numberAfter(json.out, "rate"), fps * 1000) << json.out;
    }
}

// Frames beyond the memory there is (a sparse 8192 x 8192 movie under a
// lowered address-space limit) are reported, never a crash; encoders keep
// to the pass ceiling and write nothing.
TEST(CliLimits, MemoryIsCheckedBeforeFramesAreTouched) {
    ScratchDir d("cli-nomem");
    const std::string big = d / "big.mve";
    testsupport::writeSparseMve(big, 8192, 8192, 2);
    for (const char* out : {"c.mkv", "c.mp4"}) {
        const auto r = cli("convert " + big + " " + (d / out), d.dir);
        EXPECT_TRUE(r.code == 1 && has(r.out, "encoding frames of 8192 x 8192") && has(r.out, "more than the 1024 MB")) << r.out;
        EXPECT_FALSE(std::filesystem::exists(d / out));
    }
#ifdef ORDAVIA_TEST_ASAN
    GTEST_SKIP() << "a sanitizer's shadow memory does not fit under an address-space limit";
#endif
    const std::string limit = "ulimit -v " + std::to_string(360 * 1024) + "; ";
    ASSERT_EQ(cli("info " + big, d.dir, limit).code, 0) << "the limit leaves no room to start";
    for (const std::string& cmd : {"stabilise " + big, "fcf " + big, "linescan " + big + " --line 10,10,4000,10",
                                   "frame " + big + " 1 " + (d / "f.zvg"), "convert " + big + " " + (d / "c.mve")}) {
        const auto r = cli(cmd, d.dir, limit);
        EXPECT_TRUE(r.code == 1 && (has(r.out, "not enough memory") || has(r.out, "more than the"))) << cmd << "\n" << r.out;
    }
}

// No number stands for a frame that was not measured: frames left out have
// null offsets; a gap of 0 is refused; a featureless video has no best frame.
TEST(CliLimits, NoNumberForWhatWasNotMeasured) {
    ScratchDir d("cli-null");
    const std::string avi = d / "clip.avi";
    if (!testsupport::writeMjpegAvi(avi, 12, 64, 48)) GTEST_SKIP() << "no MJPEG encoder";
    testsupport::damageAviFrames(avi, {5, 6});
    const auto r = cli("stabilise " + avi + " --skip-damaged --json", d.dir);
    const size_t at = r.out.find(",null,null,[");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.begin() + long(at), '['), 6) << r.out;  // after frames 0 to 4
    EXPECT_TRUE(has(cli("focus " + avi + " --gap 0", d.dir).out, "--gap 0 compares each pixel with itself"));
    testsupport::writeBytes(d / "flat.mve", testsupport::mveOf(64, 48, std::vector(4, std::vector<uint8_t>(64 * 48, 77))));
    const auto none = cli("focus " + (d / "flat.mve") + " --json", d.dir);
    EXPECT_TRUE(none.code == 1 && has(none.out, "\"best\": null") && has(none.out, "no best frame was found")) << none.out;
}
