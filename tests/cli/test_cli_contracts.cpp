// What every command owes its user: global options that lead nowhere are
// errors, help answers for a group of commands, an output never replaces
// its input, and a full disc is called a full disc.
#include <gtest/gtest.h>

#include <fstream>

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

TEST(CliContracts, HelpAnswersForEveryGroup) {
    ScratchDir d("cli-help");
    const std::pair<const char*, std::vector<const char*>> groups[] = {
        {"fcf", {"usage: ordavia-cli fcf VIDEO"}},
        {"synth", {"usage: ordavia-cli synth image", "usage: ordavia-cli synth video"}},
        {"chart", {"usage: ordavia-cli chart import", "usage: ordavia-cli chart export"}},
        {"convert", {"usage: ordavia-cli convert IN OUT [--rect", "usage: ordavia-cli convert VIDEO OUT"}},
        {"chart import", {"usage: ordavia-cli chart import"}},
    };
    for (const auto& [name, lines] : groups) {
        const auto r = cli(std::string("help ") + name, d.dir);
        EXPECT_EQ(r.code, 0) << name << "\n" << r.out;
        for (const char* l : lines) EXPECT_NE(r.out.find(l), std::string::npos) << name << ": " << l << "\n" << r.out;
    }
    EXPECT_EQ(cli("help nonsense", d.dir).code, 1);
}

TEST(CliContracts, AnOutputIsNeverItsOwnInput) {
    ScratchDir d("cli-same-file");
    const std::string pic = d / "a.bmp";
    ASSERT_EQ(cli("synth image " + pic + " --size 200x160 --loops 2", d.dir).code, 0);
    fs::create_symlink(pic, d / "link.bmp");
    fs::create_hard_link(pic, d / "hard.bmp");
    const auto before = fs::file_size(pic);
    for (const std::string& out : {pic, d / "./a.bmp", d / "link.bmp", d / "hard.bmp"}) {
        for (const std::string& args : {"filter " + pic + " " + out + " --op negative", "convert " + pic + " " + out + " --rect 0,0,8,8"}) {
            const auto r = cli(args, d.dir);
            EXPECT_EQ(r.code, 1) << args << "\n" << r.out;
            EXPECT_NE(r.out.find("input"), std::string::npos) << r.out;
        }
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
    ASSERT_NE(f, nullptr);
    ordavia::ConsolePrompter p(f, "ordavia-cli");
    // Nobody answers: the proposed answer, and the text on one line.
    EXPECT_EQ(p.messageBox("Low memory.  Save all data & exit.\n", ordavia::MsgButtons::Ok, ordavia::MsgIcon::Warning, ""),
              ordavia::MsgResult::Ok);
    EXPECT_EQ(p.messageBox("Unexpected file format.\nx.rst: damaged", ordavia::MsgButtons::YesNo,
                           ordavia::MsgIcon::Question, ""),
              ordavia::MsgResult::Yes);
    std::rewind(f);
    char buf[256] = {};
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buf, n),
              "ordavia-cli: Low memory.  Save all data & exit.\nordavia-cli: Unexpected file format. x.rst: damaged\n");
}
