// "Mark functional capillary density" on a flow picture whose origin is not
// 0: both counting rules, every region shape, what it writes, refusals.
#include <gtest/gtest.h>

#include "results/CResultDoc.h"
#include "measure/CDimList.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/TestServices.h"
#include "video/FcdTool.h"
#include "video/fcfdoc.h"

using namespace ordavia;
using testsupport::ScratchDir;

namespace {

constexpr int kW = 10, kH = 8, kOx = -3, kOy = 2;

// Columns 0-3 vary below the threshold (ratio 0), columns 4-6 drift
// (ratio 0.3), columns 7-9 flicker (ratio 1.4).
std::unique_ptr<fcfdoc> flowDoc(test::TestServices& ts) {
    auto d = ts.make<fcfdoc>();
    d->OnNewDocument();
    d->SetTitle("clip FCF-0-50");
    std::vector<double> sdD, sdI;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            sdI.push_back(x < 4 ? 2 : 10);
            sdD.push_back(x < 4 ? 2.8 : x < 7 ? 3 : 14);
        }
    // The whole picture is common: no region of interest.
    d->setBlock(FcfBlock{.width = kW, .height = kH, .originX = kOx, .originY = kOy, .common = {0, 0, kW, kH},
                         .sdD = std::move(sdD), .sdI = std::move(sdI)});
    d->SetModifiedFlag(false);
    return d;
}

// An object of the kind through the given vertices (parent frame), current.
void draw(fcfdoc& d, int kind, std::initializer_list<ZPoint> pts) {
    CDimList& list = d.currentDimList();
    auto o = CDimList::create(kind);
    for (ZPoint p : pts) (void)o->addVertex(p);
    list.setCurrent(list.add(std::move(o)));
}

// Picture pixel (x, y) in the parent frame.
ZPoint at(int x, int y) { return {x + kOx, y + kOy}; }

}  // namespace

TEST(FcdTool, CountsTheRegionOfInterestUnderBothRulesAndRecordsIt) {
    test::TestServices ts;
    ScratchDir dir("fcd-roi");
    ts.profile.SetPath(dir / "p.ini");
    auto d = flowDoc(ts);
    // Columns 2-7, rows 1-4: 24 pixels; 16 above threshold, 4 flickering.
    const ZPoint a = at(2, 1), b = at(8, 5);
    d->setRegion({a.x, a.y, b.x, b.y});
    FcdTool tool(*d);
    auto r = tool.measure(FcdSettings{});
    ASSERT_TRUE(r) << r.reason();
    EXPECT_EQ(r->pixels, 24);
    EXPECT_EQ(r->functional, 16);
    EXPECT_NEAR(r->density, 66.6667, 1e-3);
    EXPECT_NEAR(r->fcf, (12 * 0.3 + 4 * 1.4) / 24, 1e-12);
    // The document's own row over the same region agrees.
    EXPECT_NEAR(d->measure().fcd, r->density, 1e-9);
    auto manual = tool.measure(FcdSettings{true, 0.5});
    ASSERT_TRUE(manual);
    EXPECT_EQ(manual->functional, 4);

    // The command: notes, results row and a labelled rectangle; marking the
    // same region again replaces rather than adds.
    auto m = tool.run(ts.prompter, ts.profile);
    ASSERT_TRUE(m);
    EXPECT_NE(d->notes().find("functional capillary density = 66.7 (region of interest: 16 of 24 pixels, auto, "
                              "threshold 5.0)\r\n"),
              std::string::npos);
    EXPECT_TRUE(d->IsModified());
    CResultDoc* table = ts.results.find("Functional Capillary Flow and Density Results");
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->rowTotal(), 1u);
    ASSERT_EQ(d->currentDimList().count(), 1);
    EXPECT_EQ(d->currentDimList().at(0)->label(), "FCD 66.7%");
    ts.profile.WriteString("fcf", "FCDtype", "manual");
    ts.prompter.pushDouble(0.5);
    ASSERT_TRUE(tool.run(ts.prompter, ts.profile));
    EXPECT_EQ(d->currentDimList().count(), 1);
    EXPECT_EQ(d->currentDimList().at(0)->label(), "FCD 16.7%");
    EXPECT_EQ(ts.profile.GetDouble("fcf", "FCDlevel", 0), 0.5);  // the answer is kept
    d->undo();
    EXPECT_EQ(d->currentDimList().at(0)->label(), "FCD 66.7%");

    // Saving puts the region's figures first and keeps the marked density.
    d->setQuiet(true);
    ASSERT_EQ(d->OnSaveDocument(dir / "a.zvfcf").reason(), "");
    EXPECT_EQ(d->result.rfind("FCF ", 0), 0u);
    EXPECT_NE(d->result.find(", functional capillary density = 16.7"), std::string::npos);
}

TEST(FcdTool, PolygonsAndCirclesCountThePixelsWhoseCentresLieInside) {
    test::TestServices ts;
    auto d = flowDoc(ts);
    FcdTool tool(*d);
    // A triangle over the still columns: centres with x + y < 3, 6 pixels.
    draw(*d, CDimList::kPolygon, {at(0, 0), at(4, 0), at(0, 4)});
    auto tri = tool.measure(FcdSettings{});
    ASSERT_TRUE(tri);
    EXPECT_EQ(tri->pixels, 6);
    EXPECT_EQ(tri->functional, 0);
    // A circle of radius 2 centred between columns 6 and 7: 12 pixels in
    // columns 5-8 (2, 4, 4, 2 of them), half of them flickering.
    draw(*d, CDimList::kCircle, {at(5, 4), at(9, 4)});
    auto c = tool.measure(FcdSettings{true, 1.0});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->pixels, 12);
    EXPECT_EQ(c->functional, 6);
    EXPECT_EQ(c->bounds, (ZRect{at(5, 2).x, at(5, 2).y, at(9, 6).x, at(9, 6).y}));
    // A polygon reaching past the picture counts the part on it; its label
    // is the mark, and a label of the user's own is kept.
    draw(*d, CDimList::kPolygon, {at(7, -5), at(20, -5), at(20, 2), at(7, 2)});
    auto edge = tool.mark(FcdSettings{});
    ASSERT_TRUE(edge);
    EXPECT_EQ(edge->pixels, 6);
    EXPECT_DOUBLE_EQ(edge->density, 100.0);
    EXPECT_EQ(d->currentDimList().currentObject()->label(), "FCD 100.0%");
    d->currentDimList().currentObject()->setLabel("arterial limb");
    ASSERT_TRUE(tool.mark(FcdSettings{}));
    EXPECT_EQ(d->currentDimList().currentObject()->label(), "arterial limb");
}

TEST(FcdTool, RefusesWithoutARegionOrStatisticsAndChangesNothing) {
    test::TestServices ts;
    ScratchDir dir("fcd-refuse");
    ts.profile.SetPath(dir / "p.ini");
    auto d = flowDoc(ts);
    FcdTool tool(*d);
    // No region of interest and no area: an open line does not count.
    draw(*d, 0, {at(1, 1), at(5, 5)});
    const std::string notes = d->notes();
    auto r = tool.run(ts.prompter, ts.profile);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.reason(), FcdTool::kNoRegion);
    EXPECT_EQ(ts.prompter.messages().back(), FcdTool::kNoRegion);
    // Degenerate shapes are no area either; one off the picture is refused.
    draw(*d, CDimList::kCircle, {at(2, 2), at(2, 2)});
    EXPECT_EQ(tool.measure(FcdSettings{}).reason(), FcdTool::kNoRegion);
    draw(*d, CDimList::kPolygon, {at(30, 30), at(40, 30), at(40, 40)});
    EXPECT_EQ(tool.mark(FcdSettings{}).reason(), FcdTool::kOutside);
    EXPECT_FALSE(d->IsModified());
    EXPECT_EQ(d->notes(), notes);
    EXPECT_TRUE(d->result.empty());
    EXPECT_EQ(ts.results.find("Functional Capillary Flow and Density Results"), nullptr);
    // A cancelled level question counts nothing.
    ts.profile.WriteString("fcf", "FCDtype", "manual");
    d->setRegion({at(0, 0).x, at(0, 0).y, at(10, 8).x, at(10, 8).y});
    ts.prompter.pushDouble(std::nullopt);
    EXPECT_FALSE(tool.run(ts.prompter, ts.profile));
    EXPECT_TRUE(d->result.empty());
    // A picture without its statistics cannot be counted.
    auto empty = ts.make<fcfdoc>();
    empty->setRegion({0, 0, 4, 4});
    EXPECT_EQ(FcdTool(*empty).measure(FcdSettings{}).reason(), FcdTool::kNoStatistics);
}
