// "ordavia-cli fcf" run as a user would on a synthetic video: the JSON keys
// are a contract with scripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "support/CliRun.h"
#include "support/MveBytes.h"
#include "support/TestServices.h"
#include "video/CMotivaDoc.h"
#include "video/FcdTool.h"
#include "video/FcfRun.h"
#include "video/fcfdoc.h"

namespace fs = std::filesystem;

TEST(CliFcf, RowsPerBlockDocumentsAndTheWholeVideoPicture) {
    testsupport::ScratchDir scratch("cli-fcf");
    const fs::path dir = scratch.dir;
    auto run = [&](const std::string& args) { return clitest::cli(args, dir); };
    const std::string video = (dir / "v.mve").string();
    ASSERT_EQ(run("synth video " + video + " --truth " + (dir / "t.json").string() + " --frames 24 --size 128x96 --scale 3").code, 0);

    const auto r = run("fcf " + video + " --block 10 --threshold 4 --gain 100 --out " + (dir / "o.zvfcf").string() +
                       " --image " + (dir / "i.zvg").string() + " --json");
    ASSERT_EQ(r.code, 0) << r.out;
    // Blocks [0, 10), [10, 20), [20, 24), each a row and a document.
    const std::regex row(R"re(\{\s*"title": "v.mve FCF-(\d+)-(\d+)",\s*"first": \d+,\s*"last": \d+,\s*"units": "pixel",\s*)re"
                         R"re("width": 128,\s*"height": 96,\s*"area": 12288,\s*"FCF": [0-9.e-]+,\s*"FCD \(%\)": [0-9.e-]+,\s*)re"
                         R"re("flux": [0-9.e-]+,\s*"conc": [0-9.e-]+,\s*"threshold": 4,\s*"file": "[^"]+o-\d+-\d+.zvfcf"\s*\})re");
    EXPECT_EQ(std::distance(std::sregex_iterator(r.out.begin(), r.out.end(), row), std::sregex_iterator()), 3) << r.out;
    EXPECT_NE(r.out.find("\"gain\": 100"), std::string::npos);
    EXPECT_NE(r.out.find("\"ignore_drift\": false"), std::string::npos);
    for (const char* f : {"o-0-10.zvfcf", "o-10-20.zvrawfcf", "o-20-24.zvfcf", "i.zvg"}) EXPECT_TRUE(fs::exists(dir / f)) << f;
    EXPECT_EQ(fs::file_size(dir / "o-20-24.zvrawfcf"), 128u * 96u * 16u);

    // Without --block: one row over the whole video, text output.
    const auto t = run("fcf " + video + " --ignore-drift");
    ASSERT_EQ(t.code, 0) << t.out;
    EXPECT_NE(t.out.find("v.mve FCF-0-24: frames 0 to 24: FCF "), std::string::npos) << t.out;

    for (const char* bad : {" --block x", " --threshold nan", " --out o.bmp"}) {
        const auto e = run("fcf " + video + bad);
        EXPECT_EQ(e.code, 1) << bad;
        EXPECT_EQ(e.out.rfind("ordavia-cli: ", 0), 0u) << e.out;
    }
    EXPECT_EQ(run("fcf " + (dir / "missing.mve").string()).code, 1);
}

// What "fcf" runs, with the results tables of the workstation: a row the
// table refuses (it is full) is reported, not dropped in silence.
TEST(CliFcf, ARowTheResultsTableRefusesIsReported) {
    testsupport::ScratchDir scratch("fcf-full-table");
    const std::string mve = (scratch.dir / "v.mve").string();
    ASSERT_EQ(clitest::cli("synth video " + mve + " --frames 8 --size 128x96 --scale 3", scratch.dir).code, 0);
    ordavia::test::TestServices svc;
    CMotivaDoc video;
    svc.adopt(video);
    ASSERT_TRUE(video.OnNewDocument() && video.importMovie(mve));
    ordavia::FcfRun run;
    ASSERT_TRUE(run.start(video, -1));
    auto flow = run.step();
    ASSERT_TRUE(flow) << flow.reason();
    CResultDoc* table = svc.results.open(ordavia::ResultTitles::kFcf);
    while (table->addRow({"filler", "pixel", {1.0}})) {
    }
    ASSERT_TRUE(run.start(video, -1));
    EXPECT_NE(run.step().reason().find("could not be added"), std::string::npos);
    // The density tool on the flow picture: the same.
    flow.value()->setRegion(ordavia::ZRect{10, 10, 60, 50});
    EXPECT_NE(ordavia::FcdTool(*flow.value()).mark({}).reason().find("could not be added"), std::string::npos);
}

// --threads: the analyses that work a file on several threads print the
// same with one thread as with three; a count that is no count is refused.
TEST(CliThreads, StabiliseFcfAndLinescanPrintTheSameOnOneThreadAndOnThree) {
    testsupport::ScratchDir scratch("cli-threads");
    const fs::path dir = scratch.dir;
    auto run = [&](const std::string& args) { return clitest::cli(args, dir); };
    const std::string video = (dir / "v.mve").string();
    ASSERT_EQ(run("synth video " + video + " --frames 30 --size 256x192 --scale 3").code, 0);
    fs::copy_file(video, dir / "w.mve");
    const auto s1 = run("stabilise " + video + " --threads 1 --json");
    const auto s3 = run("stabilise " + (dir / "w.mve").string() + " --threads 3 --json");
    ASSERT_EQ(s1.code, 0) << s1.out;
    EXPECT_EQ(std::regex_replace(s3.out, std::regex("w\\.mve"), "v.mve"), s1.out);
    for (const std::string& cmd : {"fcf " + video + " --block 10 --json", "linescan " + video + " --line 20,90,200,90 --json"}) {
        const auto one = run(cmd + " --threads 1"), three = run(cmd + " --threads 3");
        EXPECT_EQ(one.code, three.code) << cmd;
        EXPECT_EQ(one.out, three.out) << cmd;
    }
    const auto bad = run("fcf " + video + " --threads 0");
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.out.find("--threads"), std::string::npos) << bad.out;
}
