// The Fast Track rules at their boundaries, the phase suggestion, and the
// recomputation the review runs after each hand correction: the figures and
// the pattern follow the edited findings by the same rules as the automatic
// assessment, and an uncalibrated picture never decides silently.
#include <gtest/gtest.h>

#include "measure/AssessmentFigures.h"
#include "measure/AssessmentRecord.h"
#include "measure/CapillaryAssessment.h"
#include "measure/FastTrack.h"

using namespace ordavia;

namespace {

FastTrackResult run(double density, int giants, int abnormal, int haemorrhages = 0, bool avascular = false) {
    return fastTrack({density, giants, abnormal, haemorrhages, avascular});
}

// A calibrated row 1 mm long (1 um per pixel) with `n` evenly spread
// capillaries of the given apical diameter.
CapillaryAssessment row(int n, double apexUm = 12) {
    CapillaryAssessment a;
    a.calibrated = true;
    a.lineFrom = {0, 100};
    a.lineTo = {1000, 100};
    a.pictureQuality = {1, 1, 1, 1, 1, 1};
    for (int i = 0; i < n; ++i) {
        AssessedCapillary c;
        c.apex = {(i + 0.5) * 1000.0 / n, 100};
        c.apexUm = apexUm;
        a.capillaries.push_back(c);
    }
    recomputeAssessment(a, 1.0);
    return a;
}

}  // namespace

TEST(FastTrack, EveryRuleAtItsBoundaries) {
    // Rule 1: density >= 7 and no giants.
    EXPECT_EQ(run(7.0, 0, 0).rule, 1);
    EXPECT_FALSE(run(7.0, 0, 5).scleroderma);  // shapes do not matter at normal density
    // Rule 2: any giant, whatever the density.
    EXPECT_EQ(run(9.0, 1, 0).rule, 2);
    EXPECT_TRUE(run(9.0, 1, 0).scleroderma);
    // Rule 2: density <= 3 with abnormal shapes.
    EXPECT_EQ(run(3.0, 0, 1).rule, 2);
    EXPECT_TRUE(run(3.0, 0, 1).scleroderma);
    // Rule 3: low density without abnormal shapes, density just under 7,
    // or just over 3 with abnormal shapes.
    EXPECT_EQ(run(3.0, 0, 0).rule, 3);
    EXPECT_EQ(run(6.99, 0, 0).rule, 3);
    EXPECT_EQ(run(3.01, 0, 2).rule, 3);
    EXPECT_FALSE(run(3.01, 0, 2).scleroderma);
}

TEST(FastTrack, PhaseIsSuggestedOnlyForAScleroderma) {
    EXPECT_EQ(run(8, 0, 0, 9, true).phase, ScleroPhase::kNone);
    EXPECT_EQ(run(8, 2, 0, 1).phase, ScleroPhase::kEarly);
    EXPECT_EQ(run(8, 5, 0).phase, ScleroPhase::kActive);
    EXPECT_EQ(run(8, 1, 0, 5).phase, ScleroPhase::kActive);
    EXPECT_EQ(run(5, 1, 0).phase, ScleroPhase::kActive);
    EXPECT_EQ(run(2.5, 0, 2, 0, true).phase, ScleroPhase::kLate);
    // Severe loss that still has many giants is active, not late.
    EXPECT_EQ(run(2.5, 3, 2, 0, true).phase, ScleroPhase::kActive);
}

TEST(Assessment, FiguresFollowHandCorrections) {
    CapillaryAssessment a = row(8);
    EXPECT_EQ(a.count, 8);
    EXPECT_NEAR(a.densityPerMm, 8, 1e-9);
    EXPECT_EQ(a.rule, 1);
    EXPECT_FALSE(a.correctedByHand());

    // The user marks one capillary giant: rule 2, scleroderma.
    a.capillaries[3].giant = true;
    a.capillaries[3].byHand = true;
    recomputeAssessment(a, 1.0);
    EXPECT_EQ(a.giants, 1);
    EXPECT_EQ(a.rule, 2);
    EXPECT_TRUE(a.scleroderma);
    EXPECT_TRUE(a.correctedByHand());

    // A measured diameter makes the flags of automatic findings only.
    a.capillaries[5].apexUm = 60;
    a.capillaries[6].apexUm = 30;
    recomputeAssessment(a, 1.0);
    EXPECT_EQ(a.giants, 2);
    EXPECT_EQ(a.dilated, 1);
}

TEST(Assessment, GapsAndAvascularAreas) {
    CapillaryAssessment a = row(8);
    EXPECT_NEAR(a.longestGapUm, 125, 1e-9);
    EXPECT_FALSE(a.avascular);
    // Taking away four neighbours leaves a gap of 5 spacings = 625 um.
    a.capillaries.erase(a.capillaries.begin() + 2, a.capillaries.begin() + 6);
    a.handRemoved = true;
    recomputeAssessment(a, 1.0);
    EXPECT_NEAR(a.longestGapUm, 625, 1e-9);
    EXPECT_TRUE(a.avascular);
    EXPECT_EQ(a.rule, 3);  // 4 per mm, no giants, no abnormal shapes
    EXPECT_TRUE(a.correctedByHand());
}

TEST(Assessment, UncalibratedOrShortRowIsNotTrusted) {
    CapillaryAssessment a = row(8, 70);  // diameters that would be giant
    EXPECT_EQ(a.giants, 8);
    a.calibrated = false;
    recomputeAssessment(a, 1.0);
    // No giant decision on a guessed scale, and the pattern says so.
    EXPECT_EQ(a.giants, 0);
    EXPECT_FALSE(a.patternTrusted);
    EXPECT_NE(std::find(a.warnings.begin(), a.warnings.end(), kAssessUncalibrated), a.warnings.end());
    EXPECT_NE(std::find(a.warnings.begin(), a.warnings.end(), kAssessPatternUntrusted), a.warnings.end());
    const MeasureValues f = assessmentFigures(a);
    EXPECT_FALSE(f.value("giants").has_value());

    CapillaryAssessment s = row(4);
    s.lineTo = {400, 100};
    recomputeAssessment(s, 1.0);
    EXPECT_NE(std::find(s.warnings.begin(), s.warnings.end(), kAssessLineTooShort), s.warnings.end());
    EXPECT_LT(s.quality.density, 0.5);
}

// Shapes that could not be looked at clear nothing where they decide: a
// sparse row without abnormal shapes found is not trusted, a row too dense
// for rule 2 does not wait on its shapes, and an abnormal shape marked by
// hand is trusted as marked. Nor do apical diameters left unmeasured: the
// absence of giants rests on the row itself, whatever share of caps could
// be measured, but a giant called on an unsure diameter is not trusted.
TEST(Assessment, UnjudgedShapesOnlyMatterWhereTheyDecide) {
    for (const int n : {3, 5, 9}) {
        CapillaryAssessment a = row(n);
        a.pictureQuality.diameter = 0.1;
        recomputeAssessment(a, 1.0);
        EXPECT_EQ(a.rule, n == 9 ? 1 : 3) << n;
        EXPECT_TRUE(a.patternTrusted) << n;
    }
    CapillaryAssessment giant = row(9, 60);
    giant.pictureQuality.diameter = 0.1;
    recomputeAssessment(giant, 1.0);
    EXPECT_EQ(giant.rule, 2);
    EXPECT_FALSE(giant.patternTrusted);

    for (const int n : {2, 5}) {
        CapillaryAssessment a = row(n);
        a.pictureQuality.shape = 0.1;
        recomputeAssessment(a, 1.0);
        EXPECT_EQ(a.rule, 3) << n;
        EXPECT_EQ(a.patternTrusted, n == 5) << n;
    }
    CapillaryAssessment marked = row(2);
    marked.pictureQuality.shape = 0.1;
    marked.capillaries[0].shape = CapillaryShape::kRamified;
    recomputeAssessment(marked, 1.0);
    EXPECT_EQ(marked.rule, 2);
    EXPECT_FALSE(marked.patternTrusted) << "found by the program on a picture whose shapes it could hardly see";
    marked.capillaries[0].byHand = true;
    recomputeAssessment(marked, 1.0);
    EXPECT_TRUE(marked.patternTrusted);
    EXPECT_EQ(untrustedFigures(marked), "") << "the reviewer's finding";
}

// Each figure says whether it can be trusted. Out of focus, apical
// diameters and shapes lose their trust but a giant keeps it (it is found by
// the blood its loop holds); where no giant is found, that rests on the row.
// A giant marked by hand is the reviewer's finding. The record keeps what
// the qualities are derived from, so a filed assessment says the same.
TEST(Assessment, EachFigureSaysWhetherItIsTrusted) {
    CapillaryAssessment sharp = row(9);
    EXPECT_EQ(untrustedFigures(sharp), "");
    EXPECT_EQ(untrustedFiguresLine(sharp), "");
    ASSERT_EQ(figureQualities(sharp).size(), 6u);
    EXPECT_STREQ(figureQualities(sharp)[1].key, "apex_um");

    CapillaryAssessment blurred = row(9, 60);
    blurred.pictureWarnings = {kAssessOutOfFocus};
    blurred.pictureQuality.density = 0.3;
    recomputeAssessment(blurred, 1.0);
    EXPECT_EQ(blurred.rule, 2);
    EXPECT_TRUE(blurred.patternTrusted) << "the giants decide, and blur does not hide them";
    EXPECT_LE(blurred.quality.diameter, 0.4);
    EXPECT_LE(blurred.quality.shape, 0.4);
    EXPECT_EQ(blurred.quality.giants, 1.0);
    EXPECT_EQ(untrustedFiguresLine(blurred), "Not trusted: density, apical diameters, abnormal shapes, longest gap");
    const auto again = readAssessmentRecord(assessmentRecord(blurred));
    ASSERT_TRUE(again) << again.reason();
    EXPECT_EQ(untrustedFigures(*again), untrustedFigures(blurred));
    EXPECT_EQ(again->quality.pattern, blurred.quality.pattern);

    // No giant found: as sure as the row is.
    CapillaryAssessment none = row(9);
    none.pictureQuality.density = 0.3;
    recomputeAssessment(none, 1.0);
    EXPECT_EQ(none.quality.giants, 0.3);
    EXPECT_FALSE(none.patternTrusted);

    // A giant marked by hand on a poor picture.
    CapillaryAssessment marked = row(9);
    marked.pictureQuality.diameter = 0.2;
    marked.capillaries[3].giant = true;
    marked.capillaries[3].byHand = true;
    recomputeAssessment(marked, 1.0);
    EXPECT_EQ(marked.rule, 2);
    EXPECT_TRUE(marked.patternTrusted);
    EXPECT_EQ(untrustedFigures(marked), "apical diameters");

    // Without a scale nothing is sized.
    CapillaryAssessment unscaled = row(9);
    unscaled.calibrated = false;
    recomputeAssessment(unscaled, 1.0);
    EXPECT_EQ(untrustedFigures(unscaled), "density, apical diameters, giants, longest gap");
}

TEST(AssessmentRecord, RoundTripKeepsHandCorrectionsAndRefusesDamage) {
    CapillaryAssessment a = row(8, 25);
    a.finger = "L3";
    a.capillaries[2].giant = true;
    a.capillaries[2].byHand = true;
    a.capillaries[4].apexUm = std::nan("");
    a.capillaries[5].shape = CapillaryShape::kRamified;
    a.pictureWarnings = {kAssessGlare};
    Haemorrhage h;
    h.centre = {300, 80};
    h.areaUm2 = 812.5;
    h.byHand = true;
    h.outline = {{290, 75}, {310, 75}, {300, 90}};
    a.haemorrhages.push_back(h);
    recomputeAssessment(a, 1.0);

    const Result<CapillaryAssessment> back = readAssessmentRecord(assessmentRecord(a));
    ASSERT_TRUE(back) << back.reason();
    EXPECT_EQ(back->finger, "L3");
    EXPECT_EQ(back->count, a.count);
    EXPECT_EQ(back->giants, a.giants);
    EXPECT_EQ(back->dilated, a.dilated);
    EXPECT_EQ(back->rule, a.rule);
    EXPECT_EQ(back->abnormalShapes, 1);
    EXPECT_TRUE(std::isnan(back->capillaries[4].apexUm));
    EXPECT_TRUE(back->capillaries[2].byHand);
    ASSERT_EQ(back->haemorrhages.size(), 1u);
    EXPECT_EQ(back->haemorrhages[0].outline.size(), 3u);
    EXPECT_EQ(back->warnings, a.warnings);
    EXPECT_EQ(assessmentRecord(*back), assessmentRecord(a));

    const std::string good = assessmentRecord(a);
    for (const std::string& damaged :
         {std::string("nonsense"), good.substr(0, good.find("line")), good + "cap 1 2\n", good + "haem 1 2 3 0 1000000 5\n",
          good + "cap 1 2 nan 0 0 9 0 0 0 0 0\n", good + "scale -1 1 1\n", good + "what 1\n"}) {
        const Result<CapillaryAssessment> r = readAssessmentRecord(damaged);
        EXPECT_FALSE(r) << damaged;
        EXPECT_EQ(r.code(), StatusCode::BadFormat);
    }
}
