// The review of an assessment without a window: each click tool changes
// the findings as the user sees it, every change is one undo step, the
// figures and the pattern follow at once, and what was changed by hand is
// named. The filed findings read back to the same assessment.
#include <gtest/gtest.h>

#include <cmath>

#include "measure/AssessmentMarks.h"
#include "measure/AssessmentRecord.h"
#include "measure/ExamAssessment.h"
#include "measure/StoredAssessmentOf.h"
#include "measure/AssessmentReview.h"

using namespace ordavia;

namespace {

// A healthy row: 16 normal loops over 2 mm (8 per mm) on a calibrated
// colour picture, 2 um per pixel.
CapillaryAssessment healthyRow() {
    CapillaryAssessment a;
    a.umPerPixel = 2;
    a.calibrated = true;
    a.colour = true;
    a.lineFrom = {0, 100};
    a.lineTo = {1000, 100};
    for (int i = 0; i < 16; ++i) {
        AssessedCapillary c;
        c.apex = {31.25 + 62.5 * i, 100};
        c.apexUm = 12;
        c.widthFrom = {c.apex.x - 3, 100};
        c.widthTo = {c.apex.x + 3, 100};
        a.capillaries.push_back(c);
    }
    a.pictureQuality = {1, 1, 1, 1, 1, 1};
    recomputeAssessment(a, a.umPerPixel);
    return a;
}

TEST(AssessmentReview, EachToolChangesTheFindingsAndUndoTakesItBack) {
    AssessmentReview r(healthyRow());
    int told = 0;
    r.changed = [&] { ++told; };
    ASSERT_EQ(r.assessment().count, 16);
    ASSERT_FALSE(r.assessment().scleroderma);
    ASSERT_EQ(r.assessment().rule, 1);

    // A giant loop decides the scleroderma pattern by rule 2 at once.
    EXPECT_TRUE(r.click(ReviewTool::kGiant, 94, 102));
    EXPECT_TRUE(r.assessment().capillaries[1].giant);
    EXPECT_TRUE(r.assessment().capillaries[1].byHand);
    EXPECT_EQ(r.assessment().giants, 1);
    EXPECT_TRUE(r.assessment().scleroderma);
    EXPECT_EQ(r.assessment().rule, 2);
    EXPECT_GT(told, 0);
    const auto hand = r.handCorrected();
    EXPECT_NE(std::find(hand.begin(), hand.end(), "giants"), hand.end());
    EXPECT_NE(std::find(hand.begin(), hand.end(), "pattern"), hand.end());
    r.undo();
    EXPECT_EQ(r.assessment().giants, 0);
    EXPECT_FALSE(r.assessment().scleroderma);
    EXPECT_TRUE(r.handCorrected().empty()) << "undone is not corrected";
    r.redo();
    EXPECT_EQ(r.assessment().giants, 1);
    r.undo();

    // A capillary added between two keeps the row in order along the line;
    // a click on one takes it away.
    EXPECT_TRUE(r.click(ReviewTool::kCapillary, 500, 80));
    EXPECT_EQ(r.assessment().count, 17);
    for (size_t i = 1; i < r.assessment().capillaries.size(); ++i)
        EXPECT_LT(r.assessment().capillaries[i - 1].apex.x, r.assessment().capillaries[i].apex.x);
    EXPECT_TRUE(r.click(ReviewTool::kCapillary, 31, 100));
    EXPECT_TRUE(r.click(ReviewTool::kCapillary, 94, 100));
    EXPECT_EQ(r.assessment().count, 15);
    EXPECT_LT(r.assessment().densityPerMm, 8);
    r.undo();
    r.undo();
    r.undo();
    EXPECT_EQ(r.assessment().count, 16);
    EXPECT_EQ(r.assessment().capillaries.front().apex.x, 31.25);

    // Shape and haemorrhage toggle both ways, each an undo step.
    EXPECT_TRUE(r.click(ReviewTool::kAbnormal, 156, 100));
    EXPECT_EQ(r.assessment().abnormalShapes, 1);
    EXPECT_TRUE(r.click(ReviewTool::kAbnormal, 156, 100));
    EXPECT_EQ(r.assessment().abnormalShapes, 0);
    EXPECT_TRUE(r.click(ReviewTool::kHaemorrhage, 300, 60));
    ASSERT_EQ(r.assessment().haemorrhageCount(), 1);
    EXPECT_TRUE(r.assessment().haemorrhages[0].byHand);
    EXPECT_GT(r.assessment().haemorrhages[0].areaUm2, 0);
    EXPECT_TRUE(r.click(ReviewTool::kHaemorrhage, 305, 62));  // inside its outline
    EXPECT_EQ(r.assessment().haemorrhageCount(), 0);
    r.undo();
    EXPECT_EQ(r.assessment().haemorrhageCount(), 1);

    // A click that hits nothing changes nothing and records nothing.
    const size_t steps = r.undoStack().index();
    EXPECT_FALSE(r.click(ReviewTool::kGiant, 500, 400));
    EXPECT_FALSE(r.click(ReviewTool::kAbnormal, NAN, 100));
    EXPECT_EQ(r.undoStack().index(), steps);
}

TEST(AssessmentReview, FiledRowCarriesFiguresFindingsAndHandCorrections) {
    AssessmentReview r(healthyRow());
    r.click(ReviewTool::kGiant, 94, 100);
    r.click(ReviewTool::kHaemorrhage, 300, 60);
    const auto stored = storedAssessmentOf(r.assessment(), "p.bmp", r.handCorrected());
    EXPECT_EQ(stored.figures.at("pattern"), 1);
    EXPECT_EQ(stored.figures.at("rule"), 2);
    EXPECT_EQ(stored.figures.at("haemorrhages"), 1);
    const auto back = readAssessmentRecord(stored.findings);
    ASSERT_TRUE(back) << back.reason();
    EXPECT_EQ(back->giants, 1);
    EXPECT_TRUE(back->haemorrhages[0].byHand);
    EXPECT_EQ(figureHeadings(stored.byHand), "giants, haemorrhages, pattern, rule, phase");
}

TEST(AssessmentReview, MarksShowSizeClassesGapsAndHandChanges) {
    CapillaryAssessment a = healthyRow();
    a.capillaries[0].giant = true;
    a.capillaries[0].byHand = true;
    a.capillaries[1].apexUm = 30;
    // Four loops taken out: a gap of 5 x 125 um, over 500 um.
    a.capillaries.erase(a.capillaries.begin() + 6, a.capillaries.begin() + 10);
    recomputeAssessment(a, a.umPerPixel);
    ASSERT_TRUE(a.avascular);
    int giant = 0, dilated = 0, gaps = 0, dashed = 0;
    for (const AssessmentMark& m : assessmentMarks(a)) {
        giant += m.kind == AssessmentMark::kRing && m.colour == kGiantColour;
        dilated += m.kind == AssessmentMark::kRing && m.colour == kDilatedColour;
        gaps += m.bold;
        dashed += m.byHand;
    }
    EXPECT_EQ(giant, 1);
    EXPECT_EQ(dilated, 1);
    EXPECT_EQ(gaps, 1);
    EXPECT_GE(dashed, 1);
}

}  // namespace
