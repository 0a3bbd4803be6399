// The assessment's synthetic truth and its accuracy. The generator's
// findings are what its truth says (gaps over 500 um, haemorrhages that
// darken the picture, dilated apexes in range); the accuracy cases assert
// what the assessment reaches on seeded pictures, with margin, under the
// clean and the typical (real 200x) condition. The typical condition is
// still short of the goals on density and apical diameter;
// bench/assess/assess_study prints the full tables.
#include <gtest/gtest.h>

#include "support/AssessScore.h"

using namespace ordavia;
using namespace ordavia::test;
using SN = SyntheticNailfold;

namespace {

SN::Params grey(uint64_t seed) {
    SN::Params p;
    p.seed = seed;
    p.width = 900;
    p.height = 360;
    p.umPerPixelX = p.umPerPixelY = 2.0;
    p.noiseSigma = 2;
    return p;
}


// Every kind of row, density 1 to 12 per mm.
SynthFindings rowFor(int i) {
    SynthFindings f;
    f.densityPerMm = 1.5 + 10.5 * ((i * 7) % 12) / 11.0;
    if (i % 4 == 1) f.giants = f.densityPerMm < 3 ? 1 : 2;
    if (i % 4 == 2) f.haemorrhages = 3;
    if (i % 4 == 3) f.dilated = 3, f.haemorrhages = 1;
    return f;
}

AssessTotals study(const std::string& condition, int cases) {
    AssessTotals t;
    for (int i = 0; i < cases; ++i) {
        const AssessScore s = scoreAssessment(condition, 500 + static_cast<uint64_t>(i), rowFor(i));
        EXPECT_TRUE(s.ok) << "case " << i;
        if (s.ok) t.add(s);
    }
    return t;
}

}  // namespace

TEST(SyntheticFindings, TruthHoldsWhatWasDrawn) {
    SN::Params p = grey(3);
    p.loops = 20;
    p.avascularGaps = 1;
    p.haemorrhages = 2;
    p.dilatedLoops = 3;
    p.ramifiedLoops = 1;
    p.bizarreLoops = 1;
    std::vector<uint8_t> px;
    SN::Truth t;
    ASSERT_TRUE(SN::generate(p, px, t));
    const AssessmentTruth a = assessmentTruth(t);
    EXPECT_TRUE(a.avascular);
    EXPECT_GT(a.longestGapUm, kAvascularGapUm);
    EXPECT_EQ(a.haemorrhages, 2);
    EXPECT_GE(a.dilated, 2);  // a crowded slot may narrow one below 20 um
    EXPECT_EQ(a.abnormalShapes, 2);
    for (const SN::Loop& L : t.loops)
        if (L.dilated) {
            EXPECT_TRUE(L.apexWidthUm >= 20 && L.apexWidthUm < 50) << L.apexWidthUm;
        }
    // A haemorrhage darkens the picture at its centre, distal to its loop.
    for (const SN::Truth::Haemorrhage& h : t.haemorrhages) {
        const int x = static_cast<int>(std::lround(h.centre.x)), y = static_cast<int>(std::lround(h.centre.y));
        EXPECT_LT(px[static_cast<size_t>(y) * p.width + x], 120) << x << "," << y;
        EXPECT_GT(h.areaUm2, 100);
    }
    // The same seed without findings draws the picture it always drew.
    SN::Params plain = grey(3);
    plain.loops = 20;
    std::vector<uint8_t> a1, a2;
    SN::Truth t1, t2;
    ASSERT_TRUE(SN::generate(plain, a1, t1));
    plain.haemorrhages = 0;
    ASSERT_TRUE(SN::generate(plain, a2, t2));
    EXPECT_EQ(a1, a2);
    // Findings that do not fit the row are refused.
    SN::Params crowded = grey(3);
    crowded.loops = 6;
    crowded.avascularGaps = 4;
    EXPECT_FALSE(crowded.validate());
}

TEST(SyntheticFindings, ExaminationsHaveTheirPattern) {
    // The truth of every finger follows from its findings; a late
    // examination is scleroderma on at least one finger, a normal one on none.
    for (const char* pattern : {"normal", "late"}) {
        const std::vector<SynthFindings> fingers = examinationFindings(pattern, 9);
        ASSERT_EQ(fingers.size(), 8u);
        bool scleroderma = false;
        for (size_t k = 0; k < 2; ++k) {
            SN::Params p;
            CapillaroscopeLook look;
            ASSERT_TRUE(assessmentScene("clean", 9 + k, fingers[k], p, look)) << pattern;
            std::vector<uint8_t> px;
            SN::Truth t;
            p.width = 1280;
            ASSERT_TRUE(SN::generate(p, px, t));
            const AssessmentTruth a = assessmentTruth(t);
            scleroderma = scleroderma || a.scleroderma;
            if (std::string(pattern) == "normal") {
                EXPECT_GE(a.densityPerMm, 7);
            } else {
                EXPECT_LE(a.densityPerMm, 3.2);
            }
        }
        EXPECT_EQ(scleroderma, std::string(pattern) == "late");
    }
    EXPECT_TRUE(examinationFindings("unknown", 1).empty());
}

// A dilated loop's cap is wide and dark, and the cut down through it runs
// on into its limbs: read alone it made a giant and flipped the pattern. A
// giant needs a giant's body across; and a row of many giants must not set
// the row's ordinary darkening so that each of them looks ordinary.
TEST(AssessAccuracy, DilatedLoopsAreNotGiantsAndRowsOfGiantsAreFound) {
    int dilatedPictures = 0, falseScleroderma = 0, falseGiants = 0, giants = 0, found = 0;
    for (const char* condition : {"clean", "typical"})
        for (uint64_t seed = 700; seed < 704; ++seed) {
            SynthFindings d;
            d.densityPerMm = 7.5 + (seed % 3);
            d.dilated = 5;
            const AssessScore s = scoreAssessment(condition, seed, d);
            ASSERT_TRUE(s.ok);
            ++dilatedPictures;
            falseScleroderma += s.found.scleroderma ? 1 : 0;
            falseGiants += s.falseGiants;
            SynthFindings g;
            g.densityPerMm = 5 + (seed % 2);
            g.giants = 5;
            g.dilated = 2;
            const AssessScore t = scoreAssessment(condition, seed + 50, g);
            ASSERT_TRUE(t.ok);
            giants += t.truthGiants;
            found += t.giantsFound;
        }
    EXPECT_LE(falseScleroderma, 1) << "of " << dilatedPictures;
    EXPECT_LE(falseGiants, 1);
    EXPECT_GE(found, giants * 8 / 10) << "of " << giants;
}

// Two or three giants far darker than the rest must not lift the mask's
// level over the row's ordinary loops: dense rows read at 67 % of their
// loops, all 10 giants measured.
TEST(AssessAccuracy, GiantsDoNotHideTheOrdinaryLoopsOfTheirRow) {
    int count = 0, truthCount = 0, giants = 0, found = 0;
    for (uint64_t seed = 810; seed < 814; ++seed) {
        SynthFindings f;
        f.densityPerMm = 9.5 + (seed % 2);
        f.giants = 2 + (seed % 2);
        const AssessScore s = scoreAssessment("typical", seed, f);
        ASSERT_TRUE(s.ok);
        count += s.found.count;
        truthCount += s.truth.count;
        giants += s.truthGiants;
        found += s.giantsFound;
    }
    EXPECT_GE(count * 10, truthCount * 6) << count << " of " << truthCount;
    EXPECT_GE(found, giants * 8 / 10) << "of " << giants;
}

// A loop's limbs run upright below its top, skin texture does not; a dense
// row's merged loops are found again between the others: 7.5 per mm off in
// all on these five rows (3 sparse, 2 dense; it was 14.7).
TEST(AssessAccuracy, RowsAreLoopsWithUprightLimbsNotSkinTexture) {
    double off = 0;
    for (const uint64_t seed : {5002u, 5017u, 11021u, 5008u, 11007u}) {
        const AssessScore s = scoreAssessment("typical", seed, studyRow(seed));
        ASSERT_TRUE(s.ok) << seed;
        off += std::abs(s.found.densityPerMm - s.truth.densityPerMm);
    }
    EXPECT_LE(off, 9.5);
}

// Measured on 12 pictures each (assess_study prints the same on its own
// seeds): clean: density MAE 0.14 /mm, apical diameter error median 1.9
// um, giants 6 of 6, no false giant in 255 capillaries, haemorrhages 12 of
// 12, pattern right 11 of 12.
namespace {

// The least each condition must reach; shares in per cent.
struct AccuracyLimits {
    double densityMae, apexMedianUm;
    int giantsFound, haemFound, patternsRight;
};

void expectWithin(const AssessTotals& t, const AccuracyLimits& at) {
    EXPECT_LE(t.densityErr / t.pictures, at.densityMae);
    EXPECT_LE(medianOf(t.apexErr), at.apexMedianUm);
    EXPECT_GE(t.giantsFound, t.giants * at.giantsFound / 100);
    EXPECT_GE(t.haemFound, t.haem * at.haemFound / 100);
    EXPECT_LE(t.falseGiants, t.capillaries * 1 / 100);
    EXPECT_GE(t.patternsRight, t.pictures * at.patternsRight / 100);
}

}  // namespace

TEST(AssessAccuracy, CleanPictures) {
    expectWithin(study("clean", 12), {.densityMae = 0.2, .apexMedianUm = 2.5, .giantsFound = 90, .haemFound = 90,
                                      .patternsRight = 90});
}

// Typical condition, the same 12 pictures: density MAE 0.64 /mm (the
// sparsest row, 1.5 per mm with faint limbs, reads 3.6: its line follows
// the deep plexus), apical error median 1.8 um, giants 6 of 6 with one
// false in 243 capillaries, pattern right 11 of 12. Faint caps are left
// unmeasured, not called dilated.
TEST(AssessAccuracy, TypicalPictures) {
    expectWithin(study("typical", 12), {.densityMae = 0.7, .apexMedianUm = 3, .giantsFound = 80, .haemFound = 80,
                                        .patternsRight = 85});
}

// Hard pictures (blur of about 29 um, low contrast): a dense row's loops
// merge into one band and sparse rows read skin texture; density MAE 3.73
// per mm on these 12 pictures, far from the typical pictures'.
TEST(AssessAccuracy, HardPicturesDensity) {
    const AssessTotals t = study("hard", 12);
    ASSERT_EQ(t.pictures, 12);
    EXPECT_LE(t.densityErr / t.pictures, 3.85);
}

// A brown, compact deposit just distal to a capillary's top is one
// wherever the row's line lies (7 of 12 found here, 3 false).
TEST(AssessAccuracy, HaemorrhagesOnHardPicturesAreFoundBesideTheLoops) {
    int truth = 0, found = 0, falsePositives = 0;
    for (uint64_t seed = 920; seed < 924; ++seed) {
        SynthFindings f;
        f.densityPerMm = 4 + (seed % 4);
        f.haemorrhages = 3;
        const AssessScore s = scoreAssessment("hard", seed, f);
        ASSERT_TRUE(s.ok);
        truth += s.truthHaem;
        found += s.haemFound;
        falsePositives += s.falseHaem;
    }
    EXPECT_GE(found, truth / 2) << "of " << truth;
    EXPECT_LE(falsePositives, truth / 2) << "of " << truth;
}
