// "ordavia-cli stabilise" run as a user would: one offset pair per frame,
// frame 0 at [0, 0], the document written with --out, bad options refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "support/CliRun.h"
#include "support/MveBytes.h"

namespace fs = std::filesystem;

TEST(CliStabilise, OffsetsPerFrameAndTheDocument) {
    testsupport::ScratchDir scratch("cli-stab");
    const fs::path dir = scratch.dir;
    auto run = [&](const std::string& args) { return clitest::cli(args, dir); };
    const std::string mve = (dir / "shaky.mve").string();
    ASSERT_EQ(run("synth video " + mve + " --truth " + (dir / "t.json").string() + " --frames 6 --size 320x240 --jitter 3").code, 0);

    const auto r = run("stabilise " + mve + " --out " + (dir / "shaky.dcs").string() + " --subpixel --json");
    ASSERT_EQ(r.code, 0) << r.out;
    ASSERT_TRUE(std::regex_match(r.out, std::regex(R"(\{"offsets":\[\[0,0\](,\[-?[0-9.]+,-?[0-9.]+\]){5}\]\}\n)"))) << r.out;
    EXPECT_TRUE(fs::exists(dir / "shaky.dcs"));
    // The document brings its offsets back.
    const auto again = run("stabilise " + (dir / "shaky.dcs").string() + " --frames 0:1 --json");
    ASSERT_EQ(again.code, 0) << again.out;
    auto numbers = [](const std::string& s) {
        std::vector<double> v;
        const std::regex num(R"(-?[0-9.]+)");
        for (auto it = std::sregex_iterator(s.begin(), s.end(), num); it != std::sregex_iterator(); ++it) v.push_back(std::stod(it->str()));
        return v;
    };
    const auto a = numbers(r.out), b = numbers(again.out);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(a[i], b[i], 0.0015) << i;

    for (const char* bad : {" --step 0", " --range 60", " --frames 3", " --window x", " --out x.txt"})
        EXPECT_NE(run("stabilise " + mve + bad).code, 0) << bad;
    EXPECT_NE(run("stabilise " + (dir / "none.mve").string()).code, 0);
}

TEST(CliStabilise, TheProfilesChoicesStand) {
    testsupport::ScratchDir scratch("cli-stab-profile");
    const fs::path dir = scratch.dir;
    const std::string mve = (dir / "shaky.mve").string();
    ASSERT_EQ(clitest::cli("synth video " + mve + " --frames 6 --size 320x240 --jitter 3", dir).code, 0);
    // The profile asks for sub-pixel offsets, as the workstation would run
    // them: fractions without the option.
    std::ofstream(dir / "p.ini") << "[movement]\nsubpixel=1\n";
    const auto r = clitest::cli("stabilise " + mve + " --json", dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find('.'), std::string::npos) << r.out;
}
