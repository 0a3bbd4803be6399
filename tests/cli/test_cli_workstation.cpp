// The command line and the workstation file the same result text for the
// same file and settings: each analysis runs once through its document (as
// the workstation does) and once as "ordavia-cli ... --exam --db", and the
// row filed under the examination must read as the document's text.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "image/ImageFormats.h"
#include "base/FileIO.h"
#include "linescan/ZlineScanBaseDoc.h"
#include "measure/CapillaryCountTool.h"
#include "measure/CapillaryWidthTool.h"
#include "measure/ZBasicDoc.h"
#include "support/CliRun.h"
#include "support/HairpinPicture.h"
#include "support/ScratchDir.h"
#include "support/SyntheticLimb.h"
#include "synth/SyntheticVideo.h"
#include "support/TestServices.h"
#include "video/CMotivaDoc.h"
#include "video/FcfRun.h"
#include "video/MovementCorrection.h"
#include "video/fcfdoc.h"

namespace fs = std::filesystem;
using namespace ordavia;
using clitest::CliRun;

namespace {

struct SameText : ::testing::Test {
    testsupport::ScratchDir scratch{"cli-same"};
    fs::path dir = scratch.dir;
    std::string data = (dir / "data").string();
    std::string on;
    ordavia::test::TestServices env;

    CliRun run(const std::string& args) { return clitest::cli(args, dir); }
    void SetUp() override {
        ASSERT_EQ(run("db init " + data).code, 0);
        ASSERT_EQ(run("db subject add " + data + " --id S1 --name Ann").code, 0);
        const CliRun r = run("db exam new " + data + " --subject S1 --site x --json");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"re("id": (\d+))re"))) << r.out;
        on = " --exam " + m[1].str() + " --db " + data;
    }
    // The result filed for a file name.
    std::string filed(const std::string& name) {
        const CliRun r = run("db results " + data + on.substr(0, on.find(" --db")) + " --json");
        std::smatch m;
        if (!std::regex_search(r.out, m, std::regex("\"filename\": \"" + name + R"re(",\s*"result": "([^"]*)")re")))
            return "(nothing filed for " + name + ") " + r.out;
        // As the JSON writes it: a line break is "\n".
        return std::regex_replace(m[1].str(), std::regex(R"(\\n)"), "\n");
    }
    std::string video(int frames, const std::string& extra = "") {
        const std::string mve = (dir / "v.mve").string();
        EXPECT_EQ(run("synth video " + mve + " --frames " + std::to_string(frames) + " --size 160x128 --seed 3" + extra).code, 0);
        return mve;
    }
    // The hairpin picture as a file, and opened as the workstation opens it.
    std::string picture(ZBasicDoc& doc) {
        const std::string pic = (dir / "hairpins.bmp").string();
        EXPECT_TRUE(savePicture(ordavia::test::hairpins(0.5, 1), pic));
        env.adopt(doc);
        doc.OnNewDocument();
        EXPECT_TRUE(doc.importImage(pic));
        return pic;
    }
    void open(CMotivaDoc& doc, const std::string& path) {
        env.adopt(doc);
        doc.setQuiet(true);
        // As the workstation opens a movie: imported into a new document.
        ASSERT_TRUE(doc.OnNewDocument());
        ASSERT_TRUE(doc.importMovie(path));
    }
};

}  // namespace

TEST_F(SameText, Count) {
    ZBasicDoc doc;
    ASSERT_EQ(run("count " + picture(doc) + " --line 20,100,400,100 --scale 2.5" + on).code, 0);
    doc.setCalibration({.xScale = 2.5, .yScale = 2.5, .calibrated = true, .units = "um"});
    const int line = doc.addNewDimension(0, {20, 100});
    doc.addVertex(line, {400, 100});
    CapillaryCountTool tool(doc);
    ASSERT_TRUE(tool.countLine(line));
    EXPECT_EQ(filed("hairpins.bmp"), doc.result);
}

TEST_F(SameText, LoopsStateThemselvesAsTheCommandLineDoes) {
    ZBasicDoc doc;
    const CliRun r = run("loops " + picture(doc) + " --line 60,62,60,88 --line 120,62,120,88 --line 180,62,180,88");
    ASSERT_EQ(r.code, 0) << r.out;
    for (int x : {60, 120, 180}) {
        const int i = doc.addNewDimension(0, {x, 62});
        doc.addVertex(i, {x, 88});
    }
    doc.currentDimList().setCurrent(-1);
    CapillaryWidthTool(doc).measureLoops(true, nullptr);
    ASSERT_EQ(doc.result.rfind("3 loops, means: apex ", 0), 0u) << doc.result;
    EXPECT_NE(r.out.find(doc.result + "\n"), std::string::npos) << r.out << "\nworkstation: " << doc.result;
}

TEST_F(SameText, FcfFilesItsTextWithoutASavedDocument) {
    const std::string mve = video(12);
    ASSERT_EQ(run("fcf " + mve + on).code, 0);
    CMotivaDoc v;
    open(v, mve);
    FcfRun fcf;
    ASSERT_TRUE(fcf.start(v, -1));
    auto d = fcf.step();
    ASSERT_TRUE(d);
    const std::string text = (*d)->figures().text();
    ASSERT_EQ(text.rfind("FCF ", 0), 0u) << text;
    EXPECT_EQ(filed("v.mve"), text);
}

TEST_F(SameText, Stabilise) {
    const std::string mve = video(6, " --jitter 3");
    ASSERT_EQ(run("stabilise " + mve + on).code, 0);
    CMotivaDoc v;
    open(v, mve);
    ASSERT_TRUE(v.startMovementCorrection(MovementParams{}));
    while (v.movementStep()) {
    }
    v.endMovementCorrection();
    EXPECT_EQ(v.result, "movement corrected, 6 frames");
    EXPECT_EQ(filed("v.mve"), v.result);
}

TEST_F(SameText, LinescanFilesTheScansSummary) {
    const std::string mve = (dir / "s.mve").string(), zvl = (dir / "scan.zvl").string();
    ASSERT_EQ(run("synth video " + mve + " --frames 60 --fps 50 --seed 4").code, 0);
    SyntheticVideo truth;
    SyntheticVideo::Params p;
    p.seed = 4, p.frames = 60, p.fps = 50;
    ASSERT_TRUE(truth.prepare(p));
    std::string line;
    for (const auto& c : truth.truth().capillaries)
        if (c.flows && line.empty())
            for (const ZPoint& q : testsupport::limbLine(c))
                line += (line.empty() ? "" : ",") + std::to_string(q.x) + "," + std::to_string(q.y);
    const CliRun r = run("linescan " + mve + " --line " + line + " --zvl " + zvl + on);
    ASSERT_EQ(r.code, 0) << r.out;
    // The workstation files a line scan document with its summary.
    std::vector<uint8_t> bytes;
    ZlineScanBaseDoc scan;
    ASSERT_TRUE(readFileBytes(zvl, bytes).ok() && scan.loadZvlBytes(bytes).ok());
    const CbvSummary s = scan.summary(0, 0);
    ASSERT_GT(s.good, 0u);
    EXPECT_EQ(s.text(1).rfind("line 1 velocity = ", 0), 0u) << s.text(1);
    EXPECT_EQ(filed("scan.zvl"), s.text(1));
}
