// "ordavia-cli width" and "loops": the JSON contract, and the same numbers
// as the image document's width and loop measurements.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "image/ImageFormats.h"
#include "measure/CDimLine.h"
#include "measure/CapillaryWidthTool.h"
#include "measure/ZBasicDoc.h"
#include "support/CliRun.h"
#include "support/HairpinPicture.h"
#include "support/ScratchDir.h"
#include "support/TestServices.h"

using namespace ordavia;

namespace {

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
}

}  // namespace
