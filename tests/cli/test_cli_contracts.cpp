// What every command owes its user: global options that lead nowhere are
// errors, every kind of option value goes through one reader that refuses
// junk with one line naming the option, the value and what it takes, an
// output never replaces its input, and a full disc is called a full disc.
#include <gtest/gtest.h>

#include "framework/ConsolePrompter.h"
#include "support/CliRun.h"
#include "support/ScratchDir.h"
#include "support/TinyDisc.h"

namespace fs = std::filesystem;
using clitest::cli;
using testsupport::ScratchDir;

TEST(CliContracts, ProfileAndLogThatCannotBeUsedAreErrors) {
    ScratchDir d("cli-global");
    for (const std::string& bad : {"--profile " + (d / "no/such/folder/p.ini"), "--profile " + d.dir.string(),
                                   "--log " + (d / "no/such/folder/x.log"), "--log " + d.dir.string()}) {
        const auto r = cli(bad + " help", d.dir);
        EXPECT_EQ(r.code, 1) << bad << "\n" << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    }
    EXPECT_EQ(cli("--profile", d.dir).out, "ordavia-cli: --profile needs a file\n");
    // A new profile beside others and a new log are fine.
    EXPECT_EQ(cli("--profile " + (d / "new.ini") + " --log " + (d / "x.log") + " help", d.dir).code, 0);
}

TEST(CliOptions, BadValuesOfEveryKindAreRefusedByName) {
    ScratchDir d("cli-options");
    const struct {
        const char* args;
        const char* line;
    } cases[] = {
        // whole numbers: trailing junk, a leading space, out of range, a sign on an unsigned seed
        {"spectrum c.zv1 --trace t --window 1x", "bad value '1x' for --window (a whole number from 0 to 4)"},
        {"spectrum c.zv1 --trace t --window ' 3'", "bad value ' 3' for --window (a whole number from 0 to 4)"},
        {"synth stats p.bmp --line 1,2,3,4 --count 1001",
         "synth stats: bad value '1001' for --count (a whole number from 0 to 1000)"},
        {"synth image o.bmp --seed -1", "synth image: bad value '-1' for --seed (a whole number of 0 or more)"},
        // real numbers: not finite, not positive, at an open bound
        {"synth image o.bmp --noise nan", "synth image: bad value 'nan' for --noise (a number)"},
        {"synth image o.bmp --blur 1e999", "synth image: bad value '1e999' for --blur (a number)"},
        {"linescan v.mve --line 1,2,3,4 --fps 0", "bad value '0' for --fps (a positive number)"},
        {"count p.bmp --line 1,2,3,4 --scale 0.05", "count: bad value '0.05' for --scale (a number above 0.05, up to 100)"},
        // lists: too few, a bad member, a member out of range
        {"count p.bmp --line 1,2,3", "count: bad value '1,2,3' for --line (4 numbers apart by commas, each a number)"},
        {"linescan v.mve --line 1,2,,4",
         "bad value '1,2,,4' for --line (numbers apart by commas, each a whole number from -1000000 to 1000000)"},
        {"convert p.bmp q.bmp --rect 1,2,3,99999999999",
         "q.bmp: bad value '1,2,3,99999999999' for --rect (4 numbers apart by commas, each a whole number from "
         "-1000000000 to 1000000000)"},
        // points and sizes: no separator, a bad half
        {"detect p.bmp --scale 1", "p.bmp: bad value '1' for --scale (SX,SY, each a number)"},
        {"synth video o.mve --size 12X", "synth video: bad value '12X' for --size (WxH, each a whole number from 1 to 1048576)"},
        {"synth image o.bmp --scale 1,x", "synth image: bad value '1,x' for --scale (UMX,UMY, each a number)"},
        // spans of frames
        {"stabilise v.mve --range 1:x",
         "v.mve: bad value '1:x' for --range (frames A:B, each a whole number from 0 to 1073741824 or left out)"},
    };
    for (const auto& c : cases) {
        const auto r = cli(c.args, d.dir);
        EXPECT_EQ(r.code, 1) << c.args;
        EXPECT_EQ(r.out, std::string("ordavia-cli: ") + c.line + "\n") << c.args;
    }
}

TEST(CliContracts, AnOutputIsNeverItsOwnInput) {
    ScratchDir d("cli-same-file");
    const std::string pic = d / "a.bmp";
    ASSERT_EQ(cli("synth image " + pic + " --size 200x160 --loops 2", d.dir).code, 0);
    // Every other name of the same file is FileIOTest's; here one per command.
    fs::create_hard_link(pic, d / "hard.bmp");
    const auto before = fs::file_size(pic);
    for (const std::string& args : {"filter " + pic + " " + (d / "hard.bmp") + " --op negative",
                                    "convert " + pic + " " + (d / "hard.bmp") + " --rect 0,0,8,8"}) {
        const auto r = cli(args, d.dir);
        EXPECT_EQ(r.code, 1) << args << "\n" << r.out;
        EXPECT_NE(r.out.find("input"), std::string::npos) << r.out;
    }
    EXPECT_EQ(fs::file_size(pic), before);
    EXPECT_EQ(cli("filter " + pic + " " + (d / "b.bmp") + " --op negative", d.dir).code, 0);
}

TEST(CliContracts, AFullDiscIsCalledAFullDisc) {
    testsupport::TinyDisc disc(32 * 1024);
    if (!disc.ok()) GTEST_SKIP() << "mounting a small disc needs root";
    ScratchDir d("cli-full-disc");
    ASSERT_EQ(cli("synth video " + (d / "s.mve") + " --frames 2 --size 160x120", d.dir).code, 0);
    disc.fill();
    for (const std::string& args : {"frame " + (d / "s.mve") + " 0 " + disc.path("f.bmp"),
                                    "average " + (d / "s.mve") + " " + disc.path("a.zvg"),
                                    "synth image " + disc.path("s.bmp") + " --size 200x160"}) {
        const auto r = cli(args, d.dir);
        EXPECT_EQ(r.code, 1) << args;
        EXPECT_NE(r.out.find("No space left on device"), std::string::npos) << args << "\n" << r.out;
        EXPECT_EQ(r.out.find("extension"), std::string::npos) << r.out;
    }
}

TEST(CliContracts, EveryMessageOfADocumentReachesTheConsole) {
    std::FILE* f = std::tmpfile();
    ordavia::ConsolePrompter p(f, "ordavia-cli");
    // Nobody answers: the proposed answer, and the text on one line.
    EXPECT_EQ(p.messageBox("Unexpected file format.\nx.rst", ordavia::MsgButtons::YesNo, ordavia::MsgIcon::Error, ""),
              ordavia::MsgResult::Yes);
    std::rewind(f);
    char buf[64] = {};
    EXPECT_EQ(std::string(buf, std::fread(buf, 1, sizeof buf - 1, f)), "ordavia-cli: Unexpected file format. x.rst\n");
    std::fclose(f);
}
