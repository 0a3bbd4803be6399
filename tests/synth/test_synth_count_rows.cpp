// Count rows of 1 to 12 capillaries per mm: what the generator draws, and
// how the counter follows the truth over that range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "support/CountRowScore.h"

using namespace ordavia;

namespace {

struct Row {
    SyntheticNailfold::Params p;
    CapillaroscopeLook look;
    CZVimage img;
    SyntheticNailfold::Truth truth;
};

Row drawRow(double perMm, uint64_t seed, double clutter = -1) {
    Row r;
    EXPECT_TRUE(countRowScene("typical", seed, perMm, r.p, r.look));
    if (clutter >= 0) r.p.gapClutter = clutter;
    EXPECT_TRUE(generateCapillaroscope(r.p, r.look, r.img, r.truth));
    return r;
}

std::vector<const SyntheticNailfold::Loop*> firstRow(const SyntheticNailfold::Truth& t) {
    std::vector<const SyntheticNailfold::Loop*> row;
    for (const auto& L : t.loops)
        if (L.row == 0) row.push_back(&L);
    std::sort(row.begin(), row.end(), [](auto* a, auto* b) { return a->apex.x < b->apex.x; });
    return row;
}

TEST(CountRows, DenseRowsCrowdTheirLimbsAndSparseRowsCarryClutterOutsideTheTruth) {
    // 12 per mm: a loop's limbs spread over most of half its slot, so that
    // the neighbour's nearer limb lies hardly twice as far as the loop's own
    // other limb, and hardly a loop has its limbs close together.
    const Row dense = drawRow(12, 7);
    const auto row = firstRow(dense.truth);
    ASSERT_GE(row.size(), 36u);
    std::vector<double> own, between;
    for (size_t i = 1; i < row.size(); ++i) {
        const double pitch = (row[i]->apex.x - row[i - 1]->apex.x) * dense.p.umPerPixelX;
        own.push_back(row[i]->limbSpacingUm);
        between.push_back(pitch - (row[i]->limbSpacingUm + row[i - 1]->limbSpacingUm) / 2);
    }
    std::sort(own.begin(), own.end());
    std::nth_element(between.begin(), between.begin() + between.size() / 2, between.end());
    EXPECT_GE(own[own.size() / 5], 25);
    EXPECT_GE(own[own.size() / 2], 28);
    EXPECT_LE(between[between.size() / 2], 2.1 * own[own.size() / 2]);
    // A line across it crosses ten or more.
    EXPECT_GE(distalRowLine(dense.truth, dense.p.width / 2.0, 1000).count, 10);

    // 2 per mm: deep vessels and texture darken the gaps, yet the loops and
    // their truth are those of the same row without them.
    const Row sparse = drawRow(2, 8), bare = drawRow(2, 8, 0);
    ASSERT_EQ(sparse.truth.loops.size(), bare.truth.loops.size());
    for (size_t i = 0; i < sparse.truth.loops.size(); ++i) {
        EXPECT_EQ(sparse.truth.loops[i].apex.x, bare.truth.loops[i].apex.x);
        EXPECT_EQ(sparse.truth.loops[i].apex.y, bare.truth.loops[i].apex.y);
    }
    long darker = 0;
    for (size_t i = 1; i < sparse.img.byteCount(); i += 3) darker += sparse.img.data()[i] + 8 < bare.img.data()[i];
    EXPECT_GT(darker, 2000);
    // Out of range is refused, not clamped.
    SyntheticNailfold::Params p;
    p.gapClutter = 3;
    EXPECT_EQ(p.validate().code(), StatusCode::OutOfRange);
    p.gapClutter = 0;
    p.loopFill = -0.1;
    EXPECT_EQ(p.validate().code(), StatusCode::OutOfRange);
}

// The counter over the whole range on typical rows, three 1 mm lines per
// picture. The figures are those reached now, with a margin: the counter
// still compresses the range (sparse rows counted high as clutter makes
// peaks, dense ones a little low), which is what a better method must
// change; these assertions keep it from getting worse meanwhile.
TEST(CountAccuracy, FollowsTheTruthFromSparseToDenseRows) {
    const auto pics = test::countRowPictures("typical", 1);
    ASSERT_EQ(pics.size(), 12u);
    const test::CountRowScore sc = test::scoreCountRows(pics, CountSettings{});
    EXPECT_EQ(sc.all.lines(), 36);
    EXPECT_LE(sc.all.mae(), 2.0);
    EXPECT_GE(sc.all.pearson(), 0.8);
    EXPECT_GE(sc.all.within1(), 0.5);
    EXPECT_GE(sc.all.slope(), 0.4);
    // Denser rows are counted higher, band after band from 4 per mm on.
    EXPECT_GT(sc.band[2].meanFound(), sc.band[1].meanFound() + 1);
    EXPECT_GT(sc.band[3].meanFound(), sc.band[2].meanFound() + 1);
    EXPECT_LE(sc.band[2].mae(), 1.0);
    EXPECT_LE(sc.band[3].mae(), 1.6);
}

}  // namespace
