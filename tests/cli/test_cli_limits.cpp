// Frames too large for the memory there is: every command says "not enough
// memory" instead of crashing, and the encoders keep to the pass ceiling.
// Frames a command leaves out or cannot rank are not reported as numbers.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/CliRun.h"
#include "support/DamagedVideo.h"
#include "support/ScratchDir.h"

using clitest::cli;
using testsupport::ScratchDir;

namespace {

bool has(const std::string& s, const std::string& what) { return s.find(what) != std::string::npos; }

// A movie of `frames` grey frames of w x h pixels, all zero, as a sparse
// file: it takes almost no disc however large the frames it declares.
void writeSparseMve(const std::string& path, int w, int h, int frames) {
    std::vector<uint8_t> head = testsupport::mveCurrent(w, h, 0, 0, 0);
    head.resize(40);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
    out.seekp(std::streamoff(40 + int64_t(w) * h * frames));
    const int32_t tail[2] = {frames, 0};
    out.write(reinterpret_cast<const char*>(tail), sizeof tail);
}

// The command line run with its address space limited to `kib`.
clitest::CliRun cliLimited(const std::string& args, const std::filesystem::path& dir, long kib) {
    const std::string cmd = "ulimit -v " + std::to_string(kib) + "; exec " + std::string(ORDAVIA_PROGRAM_DIR) +
                            "/ordavia-cli --profile " + (dir / "p.ini").string() + " " + args + " 2>&1";
    clitest::CliRun r;
    FILE* p = popen(("sh -c '" + cmd + "'").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int status = pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(CliLimits, AFrameThatCannotBeAllocatedIsReportedNeverACrash) {
    ScratchDir d("cli-nomem");
    const std::string big = d / "big.mve";
    writeSparseMve(big, 8192, 8192, 2);
    // Room for the program and a frame or two, not for the copies a command makes.
    constexpr long kLimit = 360 * 1024;
    ASSERT_EQ(cliLimited("info " + big, d.dir, kLimit).code, 0) << "the limit leaves no room to start";
    for (const std::string& cmd : {"stabilise " + big, "fcf " + big, "linescan " + big + " --line 10,10,4000,10 --json",
                                   "frame " + big + " 1 " + (d / "f.zvg"), "convert " + big + " " + (d / "c.mve")}) {
        const auto r = cliLimited(cmd, d.dir, kLimit);
        EXPECT_EQ(r.code, 1) << cmd << "\n" << r.out;
        EXPECT_TRUE(has(r.out, "not enough memory") || has(r.out, "more than the")) << cmd << "\n" << r.out;
    }
}
#endif

// A small file may declare enormous frames: an encoder is refused before
// it takes gigabytes, with the ceiling's message, and nothing is written.
TEST(CliLimits, EncodersKeepToThePassCeiling) {
    ScratchDir d("cli-encode");
    const std::string big = d / "big.mve";
    writeSparseMve(big, 8192, 8190, 1);
    for (const char* out : {"c.mkv", "c.mp4"}) {
        const auto r = cli("convert " + big + " " + (d / out), d.dir);
        EXPECT_EQ(r.code, 1) << r.out;
        EXPECT_TRUE(has(r.out, "encoding frames of 8192 x 8190")) << r.out;
        EXPECT_TRUE(has(r.out, "more than the 1024 MB a pass may use")) << r.out;
        EXPECT_FALSE(std::filesystem::exists(d / out));
    }
    // Ordinary frames still encode.
    writeSparseMve(d / "small.mve", 64, 48, 3);
    EXPECT_EQ(cli("convert " + (d / "small.mve") + " " + (d / "s.mkv"), d.dir).code, 0);
}

// Frames left out have no offsets (null, not 0, 0); a gap of 0 and a video
// with nothing to focus on give no "best" frame.
TEST(CliLimits, NoNumberStandsForAFrameThatWasNotMeasured) {
    ScratchDir d("cli-null");
    const std::string avi = d / "clip.avi";
    if (!testsupport::writeMjpegAvi(avi, 12, 64, 48)) GTEST_SKIP() << "no MJPEG encoder";
    testsupport::damageAviFrames(avi, {5, 6});
    const auto r = cli("stabilise " + avi + " --skip-damaged --json", d.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    // Frames 5 and 6 are null: five pairs (and the list's own bracket) before them.
    const size_t at = r.out.find(",null,null,[");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(std::count(r.out.begin(), r.out.begin() + long(at), '['), 6) << r.out;
    EXPECT_EQ(r.out.find("null", at + 11), std::string::npos) << r.out;

    const auto gap = cli("focus " + avi + " --gap 0", d.dir);
    EXPECT_EQ(gap.code, 1) << gap.out;
    EXPECT_TRUE(has(gap.out, "--gap 0")) << gap.out;
    std::vector<std::vector<uint8_t>> flat(4, std::vector<uint8_t>(64 * 48, 77));
    testsupport::writeBytes(d / "flat.mve", testsupport::mveOf(64, 48, flat));
    const auto none = cli("focus " + (d / "flat.mve") + " --json", d.dir);
    EXPECT_EQ(none.code, 1) << none.out;
    EXPECT_TRUE(has(none.out, "\"best\": null")) << none.out;
    EXPECT_TRUE(has(none.out, "no best frame was found")) << none.out;
}
