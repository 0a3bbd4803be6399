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

// With one mask level for the picture, two or three giants far darker than
// the rest lifted it over the ordinary loops of the whole row: dense rows
// read at 38 % of their loops and 4 of 10 giants went unmeasured (then 63 %
// and 9 of 10; now 67 % and 10 of 10, the merged loops found again).
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

// Under the typical condition the skin's texture makes tops as clear as a
// faint row's loops. Weighed alike, texture tops (and the ridge filter's
// guesses at the picture's top edge) took the row: sparse rows read 1.4 to
// 2.6 per mm too dense. A loop's limbs run upright below its top, texture
// does not; and in a dense row the loops the mask merged are found again
// between the others. Old: 14.7 per mm off in all on these five rows (3
// sparse, 2 dense); now 7.5.
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
// seeds): clean: density MAE 0.14 /mm (was 0.23, 0.44, and 0.54 before
// that: lost loops are found along the caps, and where the row's darkness
// repeats at a clear period, in its gaps), apical diameter error median
// 1.9 um, giants found 6 of 6, false giants none of 255 capillaries,
// haemorrhages found 12 of 12, pattern right 11 of 12.
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

// Measured on the same 12 pictures under the typical condition: density
// MAE 0.64 /mm (0.49 before tops on the cuticle's rim were moved down to
// their caps: most rows read nearer their truth since, but on the sparsest
// (picture 0, 1.5 per mm, its loops' limbs faint) the row's line now
// follows the deep plexus and reads 3.6 per mm; 0.46 before the pale loops between a row's giants were
// taken without limbs; 0.62 before rows the fills leave under 7 per mm were
// counted by the columns of their loops' limbs,
// 0.85 before tops on ridges across the row were taken out
// of sharp rows that are not dense, gaps filled at the row's period and
// the loops between giants counted along the caps,
// 1.76 before lost loops were counted along the caps and texture taken out
// of rows that are not dense, 1.96 before that), apical
// diameter error median 1.8 um (1.7 before the columns, 7.8 before
// diameters were read through the picture's blur), giants found 6 of 6, one false giant among 243 capillaries, haemorrhages found 12 of
// 12, pattern right 11 of 12. Typical: the real pictures' vessel contrast of a
// few per cent and their blur make faint caps unmeasurable (they are left
// unmeasured, not called dilated) and merge or lose loops of the row.
TEST(AssessAccuracy, TypicalPictures) {
    expectWithin(study("typical", 12), {.densityMae = 0.7, .apexMedianUm = 3, .giantsFound = 80, .haemFound = 80,
                                        .patternsRight = 85});
}

// Hard pictures (blur of about 29 um, low contrast): the loops of a dense
// row merge into one level band and most are lost, and sparse rows read
// skin texture. Density MAE on these 12 pictures 3.89 per mm before gaps
// were filled at the row's period or usual spacing, 3.73 now: far from
// what the typical pictures reach.
TEST(AssessAccuracy, HardPicturesDensity) {
    const AssessTotals t = study("hard", 12);
    ASSERT_EQ(t.pictures, 12);
    EXPECT_LE(t.densityErr / t.pictures, 3.85);
}

// On a faint, blurred picture the row's line may be fitted far from the
// loops, and deposits measured only against it were lost (1 of 12 found on
// these pictures, now 7 with 3 false); a brown, compact deposit just distal
// to a capillary's top is one wherever the line lies.
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
