// Counting capillaries in an image document: marks, labels, notes, results
// rows, recounts and corrections by clicking, on a picture with six
// hairpins at known places.
#include <gtest/gtest.h>

#include "base/Text.h"
#include "results/CResultDoc.h"
#include "results/ResultTables.h"
#include "measure/CapillaryCountTool.h"
#include "measure/ZBasicDoc.h"
#include "support/HairpinPicture.h"
#include "support/ScratchDir.h"
#include "support/TestServices.h"

using namespace ordavia;

namespace {

class CountToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.adopt(doc);
        doc.OnNewDocument();
        doc.setImage(ordavia::test::hairpins(0.5, 1));
        { ImageCalibration c = doc.calibration(); c.calibrated = true; c.xScale = 2.5; c.yScale = 2.5; c.units = "um"; doc.setCalibration(c); }
        size_t n = 0;
        const ResultColumn* cols = CapillaryCountTool::resultColumns(n);
        table = env.results.open(CapillaryCountTool::kResultTitle, cols, n);
        tool.setResultTable(table);
    }
    int addLine(ZPoint a, ZPoint b) {
        const int i = doc.addNewDimension(0, a);
        doc.addVertex(i, b);
        return i;
    }
    int marks(bool apexes = false) const {
        int n = 0;
        for (const auto& d : doc.currentDimList().objects())
            n += d->vertexCount() == 1 && CapillaryCountTool::isApexMark(*d) == apexes;
        return n;
    }

    ordavia::test::TestServices env;
    ZBasicDoc doc;
    CapillaryCountTool tool{doc};
    CResultDoc* table = nullptr;
};

TEST_F(CountToolTest, CountsALineAndRecordsItEverywhere) {
    const int line = addLine({20, 100}, {400, 100});
    auto r = tool.countLine(line);
    ASSERT_TRUE(r) << r.reason();
    EXPECT_EQ(r->result.count, 6);
    EXPECT_EQ(marks(), 6);
    EXPECT_EQ(marks(true), 6);
    EXPECT_EQ(doc.currentDimList().at(r->lineIndex)->label(), "6 capillaries, 6.3/mm");
    EXPECT_EQ(doc.result.rfind("Capillaries: 6 along 950 um, 6.3 per mm, apex to apex 150 um (limbs 16-110 um", 0), 0u)
        << doc.result;
    EXPECT_NE(doc.notes().find(doc.result + "\r\n"), std::string::npos);
    ASSERT_EQ(table->rows().size(), 1u);
    ASSERT_GE(table->rows()[0]->strings.size(), 5u);
    EXPECT_EQ(table->rows()[0]->strings[4], "   6");

    // A recount replaces the marks instead of adding more.
    ASSERT_TRUE(tool.countLine(r->lineIndex));
    EXPECT_EQ(marks(), 6);
    EXPECT_EQ(marks(true), 6);
}

// A results table that cannot take the row says so; the count itself stays.
TEST_F(CountToolTest, ARowTheTableRefusesIsReported) {
    ResultRecord filler;
    filler.first = "filler";
    while (table->addRow(filler)) {
    }
    const int line = addLine({20, 100}, {400, 100});
    auto r = tool.countLine(line);
    ASSERT_TRUE(r) << r.reason();
    ASSERT_FALSE(env.prompter.messages().empty());
    EXPECT_EQ(env.prompter.messages().back(), strprintf(CapillaryCountTool::kRowRefused, CapillaryCountTool::kResultTitle));
    EXPECT_EQ(doc.currentDimList().at(r->lineIndex)->label(), "6 capillaries, 6.3/mm");
}

TEST_F(CountToolTest, ClicksNearACountedLineAddAndRemoveMarks) {
    auto r = tool.countLine(addLine({20, 100}, {400, 100}));
    ASSERT_TRUE(r);
    const ZPoint first{static_cast<int>(std::lround(r->result.crossings[0].x)), 100};
    EXPECT_TRUE(tool.correctAt({first.x + 2, 103}));
    EXPECT_EQ(marks(), 5);
    EXPECT_EQ(marks(true), 5) << "the apex goes with its capillary";
    EXPECT_EQ(doc.result, "Capillaries: 5 along 950 um, 5.3 per mm, apex to apex 150 um - a mark removed by hand");
    EXPECT_TRUE(tool.correctAt({first.x, 96}));
    EXPECT_EQ(marks(), 6);
    EXPECT_EQ(marks(true), 6);
    EXPECT_NE(doc.currentDimList().objects().back()->getVertex(0).y, 96);  // put on the line
    EXPECT_EQ(table->rows().size(), 3u);
    // Far from every counted line nothing happens.
    EXPECT_FALSE(tool.correctAt({200, 250}));
    EXPECT_EQ(marks(), 6);
}

TEST_F(CountToolTest, AllLinesAndTheReasonsItRefuses) {
    addLine({20, 100}, {400, 100});
    addLine({20, 140}, {200, 140});
    auto all = tool.countAllLines();
    ASSERT_TRUE(all) << all.reason();
    ASSERT_EQ(all->size(), 2u);
    EXPECT_EQ((*all)[0].result.count, 6);
    EXPECT_EQ((*all)[1].result.count, 3);
    EXPECT_EQ(marks(), 9);

    ZBasicDoc empty;
    env.adopt(empty);
    empty.OnNewDocument();
    CapillaryCountTool none(empty);
    EXPECT_EQ(none.countAllLines().reason(), CapillaryCountTool::kNoLine);
    empty.addVertex(empty.addNewDimension(0, {1, 1}), {9, 9});
    EXPECT_EQ(none.countAllLines().reason(), CapillaryCountTool::kNoPicture);
    { ImageCalibration c = doc.calibration(); c.calibrated = false; doc.setCalibration(c); }
    EXPECT_EQ(tool.countLine(0).reason(), CapillaryCountTool::kNeedsCalibration);
    // The same picture in millimetres per pixel.
    { ImageCalibration c = doc.calibration(); c.calibrated = true; c.units = "mm"; c.xScale = 0.0025; c.yScale = 0.0025; doc.setCalibration(c); }
    EXPECT_EQ(tool.countLine(0)->result.count, 6);
    EXPECT_EQ(tool.countLine(marks() + 5).reason(), CapillaryCountTool::kNoLine);
}

TEST_F(CountToolTest, OneUndoTakesBackACorrectionWhole) {
    auto r = tool.countLine(addLine({20, 100}, {400, 100}));
    ASSERT_TRUE(r);
    const std::string label = doc.currentDimList().at(r->lineIndex)->label();
    // A mark added by hand between the first two capillaries (with its apex).
    const int between = static_cast<int>(std::lround((r->result.crossings[0].x + r->result.crossings[1].x) / 2));
    ASSERT_TRUE(tool.correctAt({between, 100}));
    ASSERT_EQ(marks(), 7);
    doc.undo();
    EXPECT_EQ(marks(), 6);
    EXPECT_EQ(marks(true), 6);
    EXPECT_EQ(doc.currentDimList().at(r->lineIndex)->label(), label);
    // And a whole count is one step too.
    doc.undo();  // redo the correction
    ASSERT_TRUE(tool.countLine(r->lineIndex));
    doc.undo();
    EXPECT_EQ(marks(), 7);
}

TEST_F(CountToolTest, TheNailSideFollowsTheLineNotTheProfile) {
    testsupport::ScratchDir scratch("count-side");
    env.profile.SetPath((scratch.dir / "ordavia.ini").string());
    CountSettings s;
    s.distal = 1;
    s.limbUm = 32;
    CapillaryCountTool::storeSettings(env.profile, s);
    EXPECT_EQ(CapillaryCountTool::storedSettings(env.profile).distal, 0) << "a side stored for one line's direction";
    // Counting by single limbs is stored: the command line reads it too.
    EXPECT_EQ(CapillaryCountTool::storedSettings(env.profile).limbUm, 32);
    s.limbUm = 0;

    // "Left" chosen for a line walking right is the top of the picture: a
    // line walking left has the nail on its right.
    ASSERT_TRUE(tool.applySettings(s, {20, 100}, {400, 100}));
    EXPECT_EQ(tool.nailSideFor({20, 140}, {400, 140}), 1);
    EXPECT_EQ(tool.nailSideFor({400, 140}, {20, 140}), 2);
    auto back = tool.countLine(addLine({400, 100}, {20, 100}));
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->result.distalLeft);
    EXPECT_FALSE(back->result.distalDecided);
    EXPECT_EQ(back->result.count, 6);
}

TEST_F(CountToolTest, NewSettingsRecountTheCountedLines) {
    auto r = tool.countLine(addLine({20, 100}, {400, 100}));
    ASSERT_TRUE(r);
    CountSettings s = tool.settings();
    s.threshold = 50;  // nothing stands out that much
    ASSERT_TRUE(tool.applySettings(s, {20, 100}, {400, 100}));
    EXPECT_EQ(doc.currentDimList().at(r->lineIndex)->label(), "0 capillaries, 0.0/mm");
    EXPECT_EQ(marks(), 0);
    s.maxLimbUm = 1;
    EXPECT_FALSE(tool.applySettings(s, {20, 100}, {400, 100}));
}

}  // namespace
