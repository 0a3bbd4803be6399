// The video commands of ordavia-cli as a script uses them: a synthetic
// movie described by info, converted to AVI and back, a frame, the
// average and the rms written as pictures, the stabiliser's offsets, and
// damaged and hostile input: frames that do not decode fail a command
// unless --skip-damaged, an output is never its input, temporaries do not
// outlive a run, and what is not a regular file or shows nothing to align
// is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <vector>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"
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

TEST(CliVideo, InfoConvertFrameAverageRms) {
    ScratchDir d("cli-video");
    const std::string mve = d / "s.mve";
    auto r = cli("synth video " + mve + " --truth " + (d / "s.json") + " --frames 12 --fps 50 --size 160x120 --seed 4", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    r = cli("info " + mve + " --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    for (const char* k : {"\"count\": 12", "\"width\": 160", "\"height\": 120", "\"ring_start\": 0"})
        EXPECT_NE(r.out.find(k), std::string::npos) << k << "\n" << r.out;

    // Uncompressed AVI of frames 2..9, every second one, and back again.
    const std::string avi = d / "part.avi";
    r = cli("convert " + mve + " " + avi + " --range 2:10 --every 2", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    r = cli("info " + avi + " --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("\"count\": 4"), std::string::npos) << r.out;
    ASSERT_EQ(cli("convert " + avi + " " + (d / "back.mve"), d.dir).code, 0);
    ASSERT_EQ(cli("frame " + mve + " 4 " + (d / "f4.zvg"), d.dir).code, 0);
    ASSERT_EQ(cli("frame " + (d / "back.mve") + " 1 " + (d / "b1.zvg"), d.dir).code, 0);
    CZVimage a, b;
    ASSERT_TRUE(a.Load(d / "f4.zvg", {}));
    ASSERT_TRUE(b.Load(d / "b1.zvg", {}));
    ASSERT_EQ(a.width(), 160);
    ASSERT_EQ(b.rows(), 120);
    EXPECT_EQ(0, std::memcmp(a.row(60), b.row(60), 160)) << "frame 4 is the second frame kept";

    // Average and rms of a range are pictures of the frame's size.
    ASSERT_EQ(cli("average " + mve + " " + (d / "avg.zvg") + " --range 0:12", d.dir).code, 0);
    ASSERT_EQ(cli("rms " + mve + " " + (d / "rms.zvg"), d.dir).code, 0);
    CZVimage avg, rms;
    ASSERT_TRUE(avg.Load(d / "avg.zvg", {}));
    ASSERT_TRUE(rms.Load(d / "rms.zvg", {}));
    EXPECT_GE(avg.width(), 160);
    EXPECT_EQ(rms.width(), 160);

    // Refusals name the problem and fail the script.
    for (const std::string& bad : {"frame " + mve + " 12 " + (d / "x.zvg"), "convert " + mve + " " + avi + " --range 9:x",
                                   "info " + (d / "missing.mve"), "average " + (d / "s.json") + " " + (d / "y.zvg")}) {
        r = cli(bad, d.dir);
        EXPECT_NE(r.code, 0) << bad;
        EXPECT_FALSE(r.out.empty()) << bad;
    }
}

TEST(CliStabilise, OffsetsPerFrameTheDocumentAndTheProfilesChoices) {
    ScratchDir d("cli-stab");
    const std::string mve = d / "shaky.mve";
    ASSERT_EQ(cli("synth video " + mve + " --truth " + (d / "t.json") + " --frames 6 --size 320x240 --jitter 3", d.dir).code, 0);

    const std::regex offsets(R"(\{"offsets":\[\[0,0\](,\[-?[0-9.]+,-?[0-9.]+\]){5}\],"frames":6,"max_shift_px":[0-9.]+\}\n)");
    const auto r = cli("stabilise " + mve + " --out " + (d / "shaky.dcs") + " --subpixel --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    ASSERT_TRUE(std::regex_match(r.out, offsets)) << r.out;
    // The document's offsets, whatever frames are asked for: the values that
    // come back are MovementDocument.RunResetExportAndTheSubPixelSideTable's.
    const auto again = cli("stabilise " + (d / "shaky.dcs") + " --frames 0:1 --json", d.dir);
    ASSERT_EQ(again.code, 0) << again.out;
    EXPECT_TRUE(std::regex_match(again.out, offsets)) << again.out;

    for (const char* bad : {" --step 0", " --range 60", " --frames 3", " --window x", " --out x.txt"})
        EXPECT_NE(cli("stabilise " + mve + bad, d.dir).code, 0) << bad;
    EXPECT_NE(cli("stabilise " + (d / "none.mve"), d.dir).code, 0);

    // The profile asks for sub-pixel offsets, as the workstation would run
    // them: fractions without the option.
    std::ofstream(d / "p.ini") << "[movement]\nsubpixel=1\n";
    const auto p = cli("stabilise " + mve + " --json", d.dir);
    ASSERT_EQ(p.code, 0) << p.out;
    EXPECT_NE(p.out.find('.'), std::string::npos) << p.out;
}

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
    // A line scan cannot leave a frame out: one column per frame.
    for (const char* skip : {"", " --skip-damaged"}) {
        r = cli("linescan " + avi + " --line 4,24,60,24 --json" + std::string(skip), d.dir);
        EXPECT_NE(r.code, 0) << r.out;
        EXPECT_TRUE(has(r.out, "3 frames cannot be decoded (5-7)")) << r.out;
    }

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
    for (const std::string& cmd : {"convert " + mve + " " + (d / "link.mve") + " --range 0:1", "average " + mve + " " + mve}) {
        auto r = cli(cmd, d.dir);
        EXPECT_NE(r.code, 0) << cmd << "\n" << r.out;
        EXPECT_TRUE(has(r.out, "the output is the input")) << r.out;
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
