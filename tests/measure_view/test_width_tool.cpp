// Capillary widths and nailfold loops in an image document: calibration,
// confirmation, the results tables, and the loop constructions.
#include <gtest/gtest.h>

#include <cmath>

#include "base/Text.h"
#include "measure/CapillaryWidthTool.h"
#include "measure/ZBasicDoc.h"
#include "results/CResultDoc.h"
#include "results/ResultColumnSets.h"
#include "results/ResultTables.h"
#include "support/HairpinPicture.h"
#include "support/ScratchDir.h"
#include "support/TestServices.h"

using namespace ordavia;

namespace {

// Background 200 with a dark column of `w` pixels from x = 16.
CZVimage band(int w) {
    CZVimage img(48, 48, -1, CZVimage::kFrame, CZVimage::kGrey);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) img.row(y)[x] = (x >= 16 && x < 16 + w) ? 50 : 200;
    return img;
}

class WidthToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.profile.SetPath((scratch.dir / "p.ini").string());
        env.adopt(doc);
        doc.OnNewDocument();
    }
    void calibrate(double s) { doc.setCalibration({.xScale = s, .yScale = s, .calibrated = true}); }
    int addLine(ZPoint a, ZPoint b) {
        const int i = doc.addNewDimension(0, a);
        doc.addVertex(i, b);
        return i;
    }
    size_t rows(const char* title) {
        CResultDoc* t = env.results.find(title);
        return t ? t->rows().size() : 0;
    }
    testsupport::ScratchDir scratch{"width"};
    test::TestServices env;
    ZBasicDoc doc;
    CapillaryWidthTool tool{doc};
};

TEST_F(WidthToolTest, ThresholdWidthIsCalibratedConfirmedAndFiled) {
    doc.setImage(band(8));
    calibrate(0.5);
    WidthSettings{1, 0.9}.write(env.profile);
    const int line = addLine({10, 10}, {30, 10});
    const auto m = tool.measureLine(line, false, &env.prompter);
    EXPECT_DOUBLE_EQ(m.width.samples, 8);
    EXPECT_NEAR(m.width.units, 4.0, 1e-9);
    EXPECT_EQ(env.prompter.asked.back().text, "diameter = 4.0 um");
    EXPECT_EQ(doc.currentDimList().at(line)->label(), "4.0 um");
    ASSERT_EQ(rows(ResultTitles::kDiameter), 1u);

    // Rejected: nothing filed.
    env.prompter.pushMessageAnswer(MsgResult::Cancel);
    EXPECT_LT(tool.measureLine(line, false, &env.prompter).width.samples, 0);
    EXPECT_EQ(rows(ResultTitles::kDiameter), 1u);
}

TEST_F(WidthToolTest, SlantingLineIsCalibratedByItsSteps) {
    // Crossing an 8-pixel column at 45 degrees covers 8 * sqrt(2) pixels
    // of the line.
    doc.setImage(band(8));
    calibrate(1.0);
    for (const WidthMeasureName& m : kWidthMeasures) {
        if (m.method == WidthMethod::kOuterEdge) continue;  // a crisp column has no shoulders
        WidthSettings{int(m.method), 0.5}.write(env.profile);
        const auto r = tool.measureLine(addLine({4, 4}, {36, 36}), true, nullptr);
        EXPECT_NEAR(r.width.units, 8 * std::sqrt(2.0), 1.5) << m.name;
    }
}

TEST_F(WidthToolTest, EveryLineOfTheListAndMethodZero) {
    doc.setImage(test::hairpins(0.6, 1));
    calibrate(2.5);
    WidthSettings{0, 0.9}.write(env.profile);  // acts as the outer edges
    for (int k = 0; k < 3; ++k) addLine({40 + 60 * k, 150}, {70 + 60 * k, 150});
    doc.currentDimList().setCurrent(-1);
    const auto all = tool.findWidths(&env.prompter);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_TRUE(env.prompter.asked.empty());  // quiet
    for (const auto& m : all) EXPECT_TRUE(m.width.found());
    EXPECT_EQ(rows(ResultTitles::kDiameter), 3u);
    EXPECT_EQ(rows(ResultTitles::kCapillary), 3u);
}

// Full tables refuse the rows: the widths stand on the lines, and the user
// is told once for the whole command (it used to go to the debug log only).
TEST_F(WidthToolTest, RowsTheTablesRefuseAreToldOncePerCommand) {
    doc.setImage(test::hairpins(0.6, 1));
    calibrate(2.5);
    WidthSettings{0, 0.9}.write(env.profile);
    for (int k = 0; k < 3; ++k) addLine({40 + 60 * k, 150}, {70 + 60 * k, 150});
    doc.currentDimList().setCurrent(-1);
    for (const char* title : {ResultTitles::kDiameter, ResultTitles::kCapillary}) {
        CResultDoc* t = env.results.open(title);
        ASSERT_NE(t, nullptr);
        while (t->addRow({"filler", "", {}})) {
        }
    }
    const size_t before = env.prompter.messages().size();
    const auto all = tool.findWidths(&env.prompter);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_TRUE(all[0].width.found());
    ASSERT_EQ(env.prompter.messages().size(), before + 1);
    EXPECT_EQ(env.prompter.messages().back(), strprintf(CResultDoc::kRowRefused, ResultTitles::kDiameter));
}

TEST_F(WidthToolTest, LoopsGiveWidthsConstructionsAndTheRowFit) {
    // Six hairpins: limbs 4 px wide with centres 10 px apart, apex centre
    // line at y = 75.
    doc.setImage(test::hairpins(0.6, 1));
    calibrate(2.5);
    WidthSettings{2, 0.9}.write(env.profile);
    for (int k = 0; k < 6; ++k) addLine({60 + 60 * k, 62}, {60 + 60 * k, 88});
    doc.currentDimList().setCurrent(-1);
    const auto r = tool.measureLoops(true, nullptr);
    ASSERT_EQ(r.rows.size(), 6u);
    for (const auto& row : r.rows) {
        EXPECT_NEAR(row.y, 75, 1.5);
        EXPECT_NEAR(row.leftWidth, r.rows[0].leftWidth, 0.3);
        EXPECT_NEAR(row.leftWidth / 2.5, 4, 1.5);
        EXPECT_NEAR(row.rightWidth / 2.5, 4, 1.5);
        EXPECT_NEAR(row.loopWidth / 2.5, 14, 2);
    }
    EXPECT_EQ(r.summary.line, 6);
    EXPECT_NEAR(r.summary.cord, 420 * 2.5, 1);
    EXPECT_NEAR(r.summary.density, 6000 / 1050.0, 0.01);
    // Six loops' limb lines and edge lines, the apex row, the fit line.
    EXPECT_EQ(doc.lists()[CapillaryWidthTool::kConstructionList].count(), 6 * 3 + 2);
    EXPECT_EQ(rows(ResultTitles::kLoops), 7u);
    tool.measureLoops(true, nullptr);  // replaced, not added to
    EXPECT_EQ(doc.lists()[CapillaryWidthTool::kConstructionList].count(), 6 * 3 + 2);
}


TEST(EdgeWidth, ANeighbouringVesselOnTheLineIsNotTakenForAnEdge) {
    // A soft 6-sample dip in the middle; a darker, crisp neighbour to its left.
    std::vector<double> p(48, 200.0);
    for (int i = 6; i < 12; ++i) p[size_t(i)] = 20;
    for (int i = 0; i < 48; ++i) {
        const double d = std::fabs(i - 26.5);
        if (d < 5) p[size_t(i)] = d < 3 ? 100 : 100 + (d - 3) * 50;
    }
    const ProfileWidth w = profileWidth(p, int(WidthMethod::kEdge), 0.9);
    EXPECT_NEAR(w.samples, 7, 1.5);
    EXPECT_GT(w.left, 20);
}

}  // namespace
