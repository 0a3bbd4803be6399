// Every kind of option value goes through one reader: junk, values out of
// range and malformed lists, points and spans are refused before any file
// is touched, with one line naming the option, the value and what it takes.
#include <gtest/gtest.h>

#include "support/CliRun.h"
#include "support/ScratchDir.h"

using clitest::cli;
using testsupport::ScratchDir;

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
