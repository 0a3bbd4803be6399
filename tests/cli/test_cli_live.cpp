// "focus --autofocus": the live autofocus's measure of each frame and the sharpest frame.
#include <gtest/gtest.h>

#include "image/CZVimage.h"
#include "support/CliRun.h"
#include "support/ScratchDir.h"
#include "video/CZVMovie.h"

#include <filesystem>

using clitest::cli;
using testsupport::ScratchDir;

TEST(CliLive, FocusFindsTheSharpFrame) {
    ScratchDir d("cli-live");
    const std::string mve = d / "f.mve";
    {
        CZVMovie m;
        ASSERT_TRUE(m.Record(mve, 3, 160, 120, CZVimage::kGrey));
        for (int k = 0; k < 3; ++k) {
            // Frame 0 uniform, frame 1 sharp stripes, frame 2 soft stripes.
            CZVimage f(160, 120, -1, CZVimage::kFrame, CZVimage::kGrey);
            for (int y = 0; y < 120; ++y)
                for (int x = 0; x < 160; ++x)
                    f.row(y)[x] = uint8_t(k == 0 ? 100 : k == 1 ? (x % 8 < 4 ? 40 : 200) : 100 + (x % 8 < 4 ? 10 : -10));
            m.AddFrame(f, true);
        }
        ASSERT_TRUE(m.finishRecording().ok());
    }
    auto r = cli("focus " + mve + " --autofocus --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("\"focus\": [\n    0,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"best\": 1"), std::string::npos) << r.out;
    r = cli("focus " + (d / "none.mve") + " --autofocus", d.dir);
    EXPECT_EQ(r.code, 1);
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
