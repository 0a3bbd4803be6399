// "focus" with either measure, and "live" recording from the simulated cameras.
#include <gtest/gtest.h>

#include "support/CliRun.h"
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

// A movie file keeps no frame rate: "live" writes the video document
// beside its movie, and "info" reports the rate the analyses use for
// either file, as for a synthetic video made at 50 frames per second.
TEST(CliLive, InfoReportsTheRateTheVideoWasTakenAt) {
    ScratchDir d("cli-live-rate");
    ASSERT_EQ(cli("live --source pseudo --frames 5 " + (d / "rec.mve"), d.dir).code, 0);
    ASSERT_EQ(cli("synth video " + (d / "s.mve") + " --frames 4 --fps 50 --size 160x120", d.dir).code, 0);
    for (const auto& [file, fps] : {std::pair<std::string, double>{"rec.mve", 25}, {"rec.dcs", 25}, {"s.mve", 50}, {"s.dcs", 50}}) {
        SCOPED_TRACE(file);
        const auto text = cli("info " + (d / file), d.dir);
        ASSERT_EQ(text.code, 0) << text.out;
        EXPECT_NE(text.out.find(", " + std::to_string(int(fps)) + " frames per second"), std::string::npos) << text.out;
        const auto json = cli("info " + (d / file) + " --json", d.dir);
        EXPECT_EQ(clitest::numberAfter(json.out, "fps"), fps) << json.out;
        EXPECT_EQ(clitest::numberAfter(json.out, "rate"), fps * 1000) << json.out;
    }
}

// "live" records straight into a new OUT and leaves nothing else behind;
// an existing OUT is replaced through a temporary, and what a killed run
// left beside it (its temporary, its private folder) goes at the next run.
TEST(CliLive, LeavesNoTemporariesAndRemovesThoseOfKilledRuns) {
    ScratchDir d("cli-live-left");
    const std::string out = d / "rec.mve";
    auto onlyOurFiles = [&] {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(d.dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    ASSERT_EQ(cli("live --frames 3 " + out, d.dir).code, 0);
    const std::vector<std::string> expected{"rec.dcs", "rec.mve"};
    EXPECT_EQ(onlyOurFiles(), expected);
    // What a run killed while replacing OUT leaves: its frames and its folder.
    { std::ofstream(d / ".rec.mve.Ab12Cd") << "frames of a killed run"; }
    std::filesystem::create_directory(d / ".rec.mve.Ef34Gh");
    { std::ofstream(d.dir / ".rec.mve.Ef34Gh" / "ordavia.ini") << "[x]\n"; }
    const auto r = cli("live --frames 7 " + out + " --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(onlyOurFiles(), expected);
    CZVMovie m;
    ASSERT_TRUE(m.Open(out).ok());
    EXPECT_EQ(m.count(), 7);
    EXPECT_FALSE(m.unfinished());
}
