// The video commands on damaged and hostile input: frames that do not
// decode fail a command unless --skip-damaged, an output is never its
// input, temporaries do not outlive a run, and what is not a regular file
// or shows nothing to align is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/CliRun.h"
#include "support/DamagedVideo.h"
#include "support/MveBytes.h"

using clitest::cli;
using testsupport::ScratchDir;

namespace {

bool has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

// Names in the folder that the test did not put there.
std::vector<std::string> leftovers(const ScratchDir& d, const std::set<std::string>& expected) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(d.dir))
        if (!expected.count(e.path().filename().string())) out.push_back(e.path().filename().string());
    return out;
}

}  // namespace

TEST(CliVideoDamage, DamagedFramesFailUnlessSkipped) {
    ScratchDir d("cli-damaged");
    const std::string avi = d / "clip.avi";
    if (!testsupport::writeMjpegAvi(avi, 16, 64, 48)) GTEST_SKIP() << "no MJPEG encoder";
    testsupport::damageAviFrames(avi, {5, 6, 7});
    for (const std::string& cmd : {"average " + avi + " " + (d / "a.zvg"), "convert " + avi + " " + (d / "c.mve"),
                                   "fcf " + avi, "stabilise " + avi}) {
        auto r = cli(cmd, d.dir);
        EXPECT_NE(r.code, 0) << cmd << "\n" << r.out;
        EXPECT_TRUE(has(r.out, "3 frames cannot be decoded (5-7)")) << cmd << "\n" << r.out;
        EXPECT_TRUE(has(r.out, "--skip-damaged")) << r.out;
    }
    EXPECT_EQ(leftovers(d, {"clip.avi", "p.ini"}), std::vector<std::string>{});
    auto r = cli("frame " + avi + " 6 " + (d / "f.zvg"), d.dir);
    EXPECT_NE(r.code, 0) << r.out;
    EXPECT_TRUE(has(r.out, "frame 6 cannot be decoded")) << r.out;
    EXPECT_FALSE(std::filesystem::exists(d / "f.zvg"));

    for (const std::string& cmd : {"average " + avi + " " + (d / "a.zvg"), "convert " + avi + " " + (d / "c.mve"),
                                   "fcf " + avi, "stabilise " + avi}) {
        r = cli(cmd + " --skip-damaged", d.dir);
        EXPECT_EQ(r.code, 0) << cmd << "\n" << r.out;
        EXPECT_TRUE(has(r.out, "3 damaged frames left out (5-7)")) << cmd << "\n" << r.out;
    }
    r = cli("info " + (d / "c.mve") + " --json", d.dir);
    EXPECT_TRUE(has(r.out, "\"count\": 13")) << r.out;

    // A video cut short says what is missing.
    auto bytes = testsupport::readBytes(avi);
    bytes.resize(bytes.size() / 2);
    testsupport::writeBytes(d / "cut.avi", bytes);
    r = cli("info " + (d / "cut.avi"), d.dir);
    EXPECT_TRUE(has(r.out, "the video is truncated: its header declares 16 frames")) << r.out;
}

TEST(CliVideoDamage, OutputIsNeverTheInputAndNoTemporaryStays) {
    ScratchDir d("cli-same");
    const std::string mve = d / "a.mve";
    testsupport::writeBytes(mve, testsupport::mveCurrent(8, 4, 5, 5, 0));
    const auto before = testsupport::readBytes(mve);
    ASSERT_EQ(::symlink(mve.c_str(), (d / "link.mve").c_str()), 0);
    for (const std::string& out : {mve, d / "link.mve", d.dir.string() + "/./a.mve"}) {
        for (const std::string& cmd : {"convert " + mve + " " + out + " --range 0:1", "average " + mve + " " + out}) {
            auto r = cli(cmd, d.dir);
            EXPECT_NE(r.code, 0) << cmd << "\n" << r.out;
            EXPECT_TRUE(has(r.out, "the output is the input")) << r.out;
        }
    }
    EXPECT_EQ(testsupport::readBytes(mve), before);

    // A good run leaves its output and nothing else, also over an older output.
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(cli("convert " + mve + " " + (d / "b.mve") + " --range 1:4", d.dir).code, 0);
        ASSERT_EQ(cli("convert " + mve + " " + (d / "b.avi"), d.dir).code, 0);
        ASSERT_EQ(cli("synth video " + (d / "s.mve") + " --frames 3 --size 160x128", d.dir).code, 0);
    }
    EXPECT_EQ(leftovers(d, {"a.mve", "link.mve", "b.mve", "b.avi", "s.mve", "s.dcs", "p.ini"}), std::vector<std::string>{});
}

TEST(CliVideoDamage, NonFilesAndFeaturelessFramesAreRefused) {
    ScratchDir d("cli-refuse");
    ASSERT_EQ(::mkfifo((d / "pipe.mve").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((d / "pipe.avi").c_str(), 0600), 0);
    for (const std::string& in : {d / "pipe.mve", d / "pipe.avi"})
        for (const std::string& cmd : {"info " + in, "average " + in + " " + (d / "x.zvg"), "stabilise " + in, "fcf " + in}) {
            auto r = cli(cmd, d.dir);
            EXPECT_NE(r.code, 0) << cmd;
            EXPECT_TRUE(has(r.out, "not a regular file")) << cmd << "\n" << r.out;
        }
    std::vector<std::vector<uint8_t>> flat(4, std::vector<uint8_t>(64 * 48, 77));
    testsupport::writeBytes(d / "flat.mve", testsupport::mveOf(64, 48, flat));
    auto r = cli("stabilise " + (d / "flat.mve"), d.dir);
    EXPECT_NE(r.code, 0) << r.out;
    EXPECT_TRUE(has(r.out, "nothing could be aligned")) << r.out;
}
