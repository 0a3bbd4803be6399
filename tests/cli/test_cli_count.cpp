// "ordavia-cli count", the counting line of "synth image", "width" and
// "loops", run as a user would: the JSON keys are a contract with scripts,
// and the widths are the image document's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

#include "support/CliRun.h"
#include "image/ImageFormats.h"
#include "support/HairpinPicture.h"
#include "support/ScratchDir.h"
#include "support/TestServices.h"
#include "base/Text.h"
#include "measure/AssessmentFiling.h"
#include "measure/CDimLine.h"
#include "measure/CapillaryCountTool.h"
#include "measure/CapillaryWidthTool.h"
#include "measure/ZBasicDoc.h"

namespace fs = std::filesystem;
using namespace ordavia;

namespace {

using clitest::CliRun;

// The JSON without its layout.
std::string compact(std::string s) {
    s.erase(std::remove_if(s.begin(), s.end(), [](char ch) { return ch == ' ' || ch == '\n'; }), s.end());
    return s;
}

// The counting line "synth image" drew on the picture, "x1,y1,x2,y2", and
// the number of capillaries it crosses.
std::pair<std::string, int> synthLine(const fs::path& dir, const std::string& pic, int seed) {
    const CliRun synth = clitest::cli("synth image " + pic + " --look typical --seed " + std::to_string(seed) + " --json", dir);
    EXPECT_EQ(synth.code, 0) << synth.out;
    std::smatch m;
    const std::string json = compact(synth.out);
    if (!std::regex_search(json, m, std::regex(R"re("countLine":\[([-0-9.]+),([-0-9.]+),([-0-9.]+),([-0-9.]+)\],"count":(\d+))re")))
        return {"", -1};
    return {m[1].str() + "," + m[2].str() + "," + m[3].str() + "," + m[4].str(), std::stoi(m[5].str())};
}

int countIn(const std::string& out) {
    std::smatch m;
    const std::string json = compact(out);
    return std::regex_search(json, m, std::regex(R"re("count":(\d+))re")) ? std::stoi(m[1].str()) : -1;
}

TEST(CliCount, CountsTheSyntheticLineWithTheDocumentedKeys) {
    testsupport::ScratchDir scratch("cli-count");
    const fs::path dir = scratch.dir;
    auto run = [&](const std::string& args) { return clitest::cli(args, dir); };
    const std::string pic = (dir / "frame.bmp").string();
    const auto [line, truth] = synthLine(dir, pic, 7);
    ASSERT_GE(truth, 0);
    const CliRun c = run("count " + pic + " --line " + line + " --scale 2.6 --distal left --json");
    ASSERT_EQ(c.code, 0) << c.out;
    const std::string json = compact(c.out);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(
        json, m, std::regex(R"re(^\{"count":(\d+),"per_mm":[0-9.]+,"length_um":([0-9.]+),"crossings":\[(\[[-0-9.]+,[-0-9.]+\],?)*\],"quality":[0-9.]+,"warnings":\[\]\}$)re")))
        << c.out;
    EXPECT_NEAR(std::stoi(m[1].str()), truth, 1);
    EXPECT_NEAR(std::stod(m[2].str()), 1000, 1);
    // A short line on a picture of unknown scale says so.
    const CliRun w = run("count " + pic + " --line 100,100,250,100 --json");
    ASSERT_EQ(w.code, 0) << w.out;
    EXPECT_NE(w.out.find(R"("line shorter than 0.5 mm")"), std::string::npos) << w.out;
    EXPECT_NE(w.out.find(R"("uncalibrated")"), std::string::npos) << w.out;

    for (const std::string bad : {"--line 1,2,3", "--line 0,0,5000,0", "--line 5,5,5,5", "--line 1,1,9,9 --distal up",
                                  "--line 1,1,9,9 --scale -2"}) {
        const CliRun e = run("count " + pic + " " + bad);
        EXPECT_EQ(e.code, 1) << bad;
        EXPECT_EQ(e.out.rfind("ordavia-cli: ", 0), 0u) << e.out;
    }
    EXPECT_EQ(run("count " + (dir / "missing.bmp").string() + " --line 1,1,9,9").code, 1);

    // Six hairpins, the last one's middle at x = 360 where two lines meet:
    // it counts once.
    const std::string hairpins = (dir / "hairpins.bmp").string();
    ASSERT_TRUE(ordavia::test::hairpins(0.5, 1).Save(hairpins));
    int total = 0;
    for (const char* l : {"20,100,360,100", "360,100,410,100"}) {
        const CliRun h = run("count " + hairpins + " --line " + l + " --scale 2.5 --distal left --json");
        ASSERT_EQ(h.code, 0) << h.out;
        total += countIn(h.out);
    }
    EXPECT_EQ(total, 6);
}

// One line, one count: "count", "assess --line" and the workstation's count
// tool count the same capillaries on the same picture, line and scale, the
// tool at the crossings the command line gives.
TEST(CliCount, TheCountToolTheCountAndTheAssessmentAgreeOnALine) {
    testsupport::ScratchDir scratch("cli-count-agree");
    const fs::path dir = scratch.dir;
    for (const int seed : {7, 12}) {
        const std::string pic = (dir / ("frame" + std::to_string(seed) + ".bmp")).string();
        const auto [drawn, truth] = synthLine(dir, pic, seed);
        ASSERT_GE(truth, 0);
        // The workstation's lines end on whole pixels.
        double e[4] = {};
        ASSERT_EQ(std::sscanf(drawn.c_str(), "%lf,%lf,%lf,%lf", &e[0], &e[1], &e[2], &e[3]), 4);
        const ZPoint a{int(std::lround(e[0])), int(std::lround(e[1]))}, b{int(std::lround(e[2])), int(std::lround(e[3]))};
        const std::string line = strprintf("%d,%d,%d,%d", a.x, a.y, b.x, b.y);
        const CliRun c = clitest::cli("count " + pic + " --line " + line + " --scale 2.6 --json", dir);
        const CliRun as = clitest::cli("assess " + pic + " --line " + line + " --scale 2.6 --json", dir);
        ASSERT_EQ(c.code, 0) << c.out;
        ASSERT_EQ(as.code, 0) << as.out;
        const int counted = countIn(c.out);
        EXPECT_GE(counted, 3) << seed;
        EXPECT_EQ(countIn(as.out), counted) << seed << "\n" << as.out;

        test::TestServices env;
        ZBasicDoc doc;
        env.adopt(doc);
        doc.OnNewDocument();
        ASSERT_TRUE(doc.importImage(pic));
        doc.setCalibration({.xScale = 2.6, .yScale = 2.6, .calibrated = true});
        const int index = doc.addNewDimension(0, a);
        doc.addVertex(index, b);
        CapillaryCountTool tool(doc);
        const auto r = tool.countLine(index);
        ASSERT_TRUE(r) << r.reason();
        EXPECT_EQ(r->result.count, counted) << seed;
        std::string crossings;
        for (const CountPoint& p : r->result.crossings)
            crossings += (crossings.empty() ? "" : ",") + strprintf("[%g,%g]", std::round(p.x * 100) / 100, std::round(p.y * 100) / 100);
        EXPECT_NE(compact(c.out).find("\"crossings\":[" + crossings + "]"), std::string::npos) << crossings << "\n" << c.out;

        // A picture cut out of a larger frame keeps its origin: the line in
        // the document's points still crosses the same capillaries.
        CZVimage moved;
        ASSERT_TRUE(moved.Copy(doc.image()));
        moved.setOrigin(120, 48);
        doc.setImage(std::move(moved));
        const int shifted = doc.addNewDimension(0, {a.x + 120, a.y + 48});
        doc.addVertex(shifted, {b.x + 120, b.y + 48});
        const auto tr = CapillaryCountTool(doc).countLine(shifted);
        ASSERT_TRUE(tr) << tr.reason();
        EXPECT_EQ(tr->result.count, counted) << seed;
        const auto assessed = assessPicture(doc.image(), assessOptionsOf(doc));
        ASSERT_TRUE(assessed) << assessed.reason();
        EXPECT_EQ(assessed->count, counted) << seed;
    }
}

double number(const std::string& json, const std::string& key) {
    std::smatch m;
    const std::regex re("\"" + key + "\":\\s*\\{\\s*\"width_px\":\\s*([-0-9.e]+),\\s*\"width_um\":\\s*([-0-9.e]+)");
    return std::regex_search(json, m, re) ? std::stod(m[2].str()) : -1;
}

TEST(CliWidth, EveryMeasureAgreesWithTheWorkstation) {
    testsupport::ScratchDir dir("cliwidth");
    const std::string pic = (dir.dir / "h.bmp").string();
    ASSERT_TRUE(savePicture(test::hairpins(0.6, 1), pic).ok());
    const auto r = clitest::cli("width " + pic + " --line 44,150,60,150 --scale 2.5 --json", dir.dir);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("\"profile\": ["), std::string::npos);

    test::TestServices env;
    ZBasicDoc doc;
    env.adopt(doc);
    doc.OnNewDocument();
    ASSERT_TRUE(doc.importImage(pic));
    doc.setCalibration({.xScale = 2.5, .yScale = 2.5, .calibrated = true});
    CDimLine line;
    line.addVertex({44, 150});
    line.addVertex({60, 150});
    for (const WidthMeasureName& m : kWidthMeasures) {
        const LineWidth w = measureLineWidth(doc.image(), line, 2.5, 2.5, WidthSettings{int(m.method), 0.9});
        ASSERT_TRUE(w.found()) << m.name;
        EXPECT_NEAR(number(r.out, m.name), w.units, 1e-6) << m.name << "\n" << r.out;
    }

    // Loops on the picture with apex lines given, and bad input.
    const auto loops = clitest::cli("loops " + pic + " --line 60,62,60,88 --line 120,62,120,88 --json", dir.dir);
    ASSERT_EQ(loops.code, 0) << loops.out;
    EXPECT_NE(loops.out.find("\"apex width\""), std::string::npos);
    EXPECT_NE(loops.out.find("\"density\""), std::string::npos);
    EXPECT_NE(clitest::cli("width " + pic + " --line 40,150,900,150", dir.dir).code, 0);
    EXPECT_NE(clitest::cli("loops " + pic, dir.dir).code, 0);
    // An apex line off the picture or without length is refused among good
    // ones, with the reason width gives, never dropped from the count.
    for (const std::string bad : {"--line 60,62,60,900", "--line 70,70,70,70"}) {
        const auto l = clitest::cli("loops " + pic + " --line 60,62,60,88 " + bad, dir.dir);
        const auto w = clitest::cli("width " + pic + " " + bad, dir.dir);
        EXPECT_EQ(l.code, 1) << l.out;
        EXPECT_NE(l.out.find("loops" + w.out.substr(w.out.find(": the line"))), std::string::npos) << l.out;
    }
}

}  // namespace
