// The video commands of ordavia-cli as a script uses them: a synthetic
// movie described by info, converted to AVI and back, a frame, the
// average and the rms written as pictures, and the refusals.
#include <gtest/gtest.h>

#include <cstring>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "support/CliRun.h"
#include "support/MveBytes.h"

using clitest::cli;
using testsupport::ScratchDir;

TEST(CliVideo, InfoConvertFrameAverageRms) {
    ScratchDir d("cli-video");
    const std::string mve = d / "s.mve";
    auto r = cli("synth video " + mve + " --truth " + (d / "s.json") + " --frames 12 --fps 50 --size 160x120 --seed 4", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    r = cli("info " + mve + " --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    for (const char* k : {"\"count\": 12", "\"width\": 160", "\"height\": 120", "\"ring_start\": 0"})
        EXPECT_NE(r.out.find(k), std::string::npos) << k << "\n" << r.out;
    // The document beside the movie carries the rate the movie cannot.
    r = cli("info " + (d / "s.dcs") + " --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("\"fps\": 50"), std::string::npos) << r.out;

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
