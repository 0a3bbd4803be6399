// "assess" and "synth nailfold" as a user runs them: the documented JSON
// keys in their order, the truth beside the picture, the pattern of a
// picture with giants, what an uncalibrated picture says, and refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "support/CliRun.h"
#include "support/ScratchDir.h"

namespace fs = std::filesystem;

TEST(CliAssess, AssessesASyntheticPictureWithTheDocumentedKeys) {
    testsupport::ScratchDir scratch("cli-assess");
    const fs::path dir = scratch.dir;
    auto run = [&](const std::string& args) { return clitest::cli(args, dir); };
    const std::string pic = (dir / "g.png").string(), truth = (dir / "g.json").string();
    const clitest::CliRun s = run("synth nailfold " + pic + " --condition clean --density 9 --giants 2 --haemorrhages 2 "
                                  "--seed 4 --truth " + truth + " --json");
    ASSERT_EQ(s.code, 0) << s.out;
    EXPECT_NE(s.out.find(R"("pattern":"scleroderma")"), std::string::npos) << s.out;
    ASSERT_TRUE(fs::exists(truth));

    const std::string overlay = (dir / "o.png").string();
    const clitest::CliRun a = run("assess " + pic + " --scale 2.6 --finger R3 --overlay " + overlay + " --json");
    ASSERT_EQ(a.code, 0) << a.out;
    std::string json = std::regex_replace(a.out, std::regex(R"(\s+)"), "");
    // Every key of the contract, in its order.
    const std::regex keys(R"re(^\{"density_per_mm":[0-9.]+,"count":\d+,"line":\[[-0-9.,]+\],"capillaries":\[(\{"apex":\[[-0-9.]+,[-0-9.]+\],"apex_um":([0-9.]+|null),"dilated":(true|false),"giant":(true|false),"shape":"(hairpin|tortuous|crossing|ramified|bizarre)"\},?)+\],"giants":\d+,"dilated":\d+,"abnormal_shapes":\d+,"haemorrhages":\[(\{"centre":\[[-0-9.]+,[-0-9.]+\],"area_um2":[0-9.]+\},?)*\],"longest_gap_um":[0-9.]+,"avascular":(true|false),"pattern":"(non-)?scleroderma","rule":[123],"phase":(null|"early"|"active"|"late"),"quality":[0-9.]+,"qualities":\{"density_per_mm":[0-9.]+,"apex_um":[0-9.]+,"giants":[0-9.]+,"abnormal_shapes":[0-9.]+,"haemorrhages":[0-9.]+,"longest_gap_um":[0-9.]+\},"warnings":\[.*\]\}$)re");
    EXPECT_TRUE(std::regex_search(json, keys)) << json;
    EXPECT_NE(json.find(R"("pattern":"scleroderma","rule":2)"), std::string::npos) << json;
    EXPECT_TRUE(fs::exists(overlay));

    // Without a scale: no size decision and the pattern says it is not trusted.
    const clitest::CliRun u = run("assess " + pic + " --json");
    ASSERT_EQ(u.code, 0) << u.out;
    EXPECT_NE(u.out.find(R"("giants": null)"), std::string::npos) << u.out;
    EXPECT_NE(u.out.find(R"("uncalibrated")"), std::string::npos) << u.out;
    EXPECT_NE(u.out.find(R"("pattern not trusted")"), std::string::npos) << u.out;
    EXPECT_NE(u.out.find(R"("giants": 0,)"), std::string::npos) << "the giants figure's own quality: " << u.out;
    const clitest::CliRun ut = run("assess " + pic);
    ASSERT_EQ(ut.code, 0) << ut.out;
    EXPECT_NE(ut.out.find("not trusted: density, apical diameters, giants"), std::string::npos) << ut.out;

    for (const std::string bad : {"--finger R7", "--line 1,2,3", "--line 0,0,9000,0", "--scale -1", "--exam 3"}) {
        const clitest::CliRun e = run("assess " + pic + " " + bad);
        EXPECT_EQ(e.code, 1) << bad << ": " << e.out;
        EXPECT_EQ(e.out.rfind("ordavia-cli: ", 0), 0u) << e.out;
    }
    EXPECT_EQ(run("synth nailfold " + pic + " --pattern unknown").code, 1);
}
