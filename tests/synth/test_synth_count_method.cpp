// Counting along a line on pictures drawn by hand here, where every
// capillary's place is known exactly, and the truth of a counting line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "image/CZVimage.h"
#include "image/CapillaryCount.h"
#include "synth/SyntheticCapillaroscope.h"
#include "support/HairpinPicture.h"

using namespace ordavia;

namespace {

using ordavia::test::hairpins;

ordavia::CountResult count(const CZVimage& img, CountPoint a, CountPoint b) {
    const ordavia::CountSettings s;
    return ordavia::countAlongLine(ordavia::ridgeImage(img, 2.5, 2.5, s), a, b, s);
}

TEST(CountMethod, CountsEveryHairpinOnceWhateverTheContrast) {
    for (double depth : {0.5, 0.15})
        for (double gain : {1.0, 0.4}) {
            SCOPED_TRACE(testing::Message() << "depth " << depth << " gain " << gain);
            const CZVimage img = hairpins(depth, gain);
            const ordavia::CountResult r = count(img, {20, 100}, {400, 100});
            ASSERT_EQ(r.count, 6);
            EXPECT_TRUE(r.distalLeft);  // walking right, the nail (top) is on the left
            EXPECT_TRUE(r.distalDecided);
            EXPECT_NEAR(r.lengthUm, 950, 1e-9);
            EXPECT_NEAR(r.perMm, 6 / 0.95, 1e-9);
            for (int k = 0; k < 6; ++k) {
                EXPECT_NEAR(r.crossings[static_cast<size_t>(k)].x, 60 + 60 * k, 5);
                EXPECT_NEAR(r.apexes[static_cast<size_t>(k)].y, 75, 6);
            }
            ASSERT_EQ(r.apexDistancesUm.size(), 5u);
            EXPECT_NEAR(r.apexDistancesUm[0], 150, 25);
        }
    // Walking the other way puts the nail on the right; nothing else changes.
    const ordavia::CountResult back = count(hairpins(0.5, 1), {400, 100}, {20, 100});
    EXPECT_EQ(back.count, 6);
    EXPECT_FALSE(back.distalLeft);
    // A plain background counts next to nothing (the one grey level steps
    // of a noise-free gradient are stripes a third of a per cent deep), a
    // line with no length nothing at all.
    EXPECT_LE(count(hairpins(0, 1), {20, 100}, {400, 100}).count, 1);
    EXPECT_EQ(count(hairpins(0.5, 1), {50, 100}, {50, 100}).count, 0);
}

TEST(CountMethod, HandEditsKeepOrderAndFiguresAndNonsenseSettingsAreRefused) {
    ordavia::CountResult r = count(hairpins(0.5, 1), {20, 100}, {400, 100});
    ASSERT_EQ(r.count, 6);
    // A click near the third mark takes it away, with its apex.
    EXPECT_TRUE(ordavia::toggleCrossing(r, {20, 100}, {400, 100}, {r.crossings[2].x + 2, 103}, 6));
    EXPECT_EQ(r.count, 5);
    EXPECT_EQ(r.apexes.size(), 5u);
    EXPECT_NEAR(r.perMm, 5 / 0.95, 1e-9);
    // A click away from every mark adds one on the line, in its place.
    EXPECT_FALSE(ordavia::toggleCrossing(r, {20, 100}, {400, 100}, {180, 90}, 6));
    ASSERT_EQ(r.count, 6);
    EXPECT_DOUBLE_EQ(r.crossings[2].x, 180);
    EXPECT_DOUBLE_EQ(r.crossings[2].y, 100);
    EXPECT_LT(r.crossings[1].x, 180);
    EXPECT_GT(r.crossings[3].x, 180);
    EXPECT_EQ(r.apexDistancesUm.size(), 5u);
    EXPECT_TRUE(ordavia::CountSettings{}.validate().ok());
    // The background band narrower than twice the widest limb, among others.
    for (auto change : {+[](ordavia::CountSettings& s) { s.maxLimbUm = 3; },
                        +[](ordavia::CountSettings& s) { s.backgroundUm = 30; },
                        +[](ordavia::CountSettings& s) { s.minSpacingUm = std::nan(""); },
                        +[](ordavia::CountSettings& s) { s.limbUm = -1; }}) {
        ordavia::CountSettings s;
        change(s);
        EXPECT_EQ(s.validate().code(), ordavia::StatusCode::OutOfRange);
    }
}

TEST(CountTruth, ALoopCountsOnceWhereverItsLimbsCross) {
    SyntheticNailfold::Truth t;
    SyntheticNailfold::Loop hairpin;
    hairpin.centreLine = {{10, 100}, {10, 20}, {20, 10}, {30, 20}, {30, 100}};
    SyntheticNailfold::Loop coil;  // crosses the line four times
    coil.centreLine = {{50, 100}, {60, 60}, {50, 40}, {60, 20}, {70, 40}, {60, 60}, {70, 100}};
    t.loops = {hairpin, coil};
    const ordavia::CountLineTruth across = ordavia::countLineTruth(t, {0, 50}, {100, 50});
    EXPECT_EQ(across.count, 2);
    ASSERT_EQ(across.crossings.size(), 2u);
    EXPECT_NEAR(across.crossings[0].x, 20, 1e-9);
    EXPECT_EQ(ordavia::countLineTruth(t, {0, 5}, {100, 5}).count, 0);   // above the apexes
    EXPECT_EQ(ordavia::countLineTruth(t, {0, 50}, {40, 50}).count, 1);  // stops short of the coil
}

TEST(CountTruth, CapillaroscopeFramesAreRepeatableAndChecked) {
    SyntheticNailfold::Params p;
    p.width = 256;
    p.height = 256;
    p.umPerPixelX = p.umPerPixelY = 2.6;
    ordavia::CapillaroscopeLook look;
    CZVimage a, b;
    SyntheticNailfold::Truth ta, tb;
    ASSERT_TRUE(ordavia::generateCapillaroscope(p, look, a, ta));
    ASSERT_TRUE(ordavia::generateCapillaroscope(p, look, b, tb));
    ASSERT_EQ(a.colour(), CZVimage::kColour);
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.byteCount()));
    EXPECT_EQ(ta.loops.size(), tb.loops.size());
    look.jpegQuality = 3;
    EXPECT_EQ(ordavia::generateCapillaroscope(p, look, a, ta).code(), ordavia::StatusCode::OutOfRange);
}

}  // namespace
