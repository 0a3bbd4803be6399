// Synthetic nailfold pictures: the same seed gives the same bytes, the truth
// matches what was drawn, and bad parameters are refused without drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "image/CZVimage.h"
#include "synth/SyntheticNailfold.h"
#include "synth/SyntheticNailfoldDraw.h"

using namespace ordavia;

namespace {

using SN = SyntheticNailfold;

struct Drawn {
    std::vector<uint8_t> px;
    SN::Truth truth;
};

Drawn draw(const SN::Params& p) {
    Drawn d;
    EXPECT_EQ(SN::generate(p, d.px, d.truth).reason(), "");
    return d;
}

int at(const Drawn& d, double x, double y) {
    const int ix = std::clamp(static_cast<int>(std::lround(x)), 0, d.truth.width - 1);
    const int iy = std::clamp(static_cast<int>(std::lround(y)), 0, d.truth.height - 1);
    return d.px[static_cast<size_t>(iy) * static_cast<size_t>(d.truth.width) + static_cast<size_t>(ix)];
}

SN::Params withSeed(uint64_t seed) {
    SN::Params p;
    p.seed = seed;
    return p;
}

}  // namespace

TEST(SyntheticNailfold, SameSeedSameBytesAndTheSamePictureIntoAnImageAndAsJson) {
    SN::Params p = withSeed(42);
    p.tortuousFraction = 0.3;
    p.giantLoops = 1;
    const Drawn a = draw(p), b = draw(p);
    EXPECT_EQ(a.px, b.px);
    EXPECT_EQ(SN::truthJson(a.truth, p), SN::truthJson(b.truth, p));

    // Seeds differing in high bits only must not collapse to one stream.
    const Drawn hi1 = draw(withSeed(1ull << 40)), hi2 = draw(withSeed(1ull << 41));
    EXPECT_NE(hi1.px, hi2.px);
    SN::Params q = withSeed(9);
    q.width = 301;
    q.height = 203;
    q.umPerPixelX = q.umPerPixelY = 1.2;
    q.giantLoops = 0;
    const Drawn drawn = draw(q);
    CZVimage img;
    SN::Truth t;
    ASSERT_TRUE(SN::generate(q, img, t));
    ASSERT_EQ(img.width(), 301);
    ASSERT_EQ(img.height(), 203);
    EXPECT_EQ(img.colour(), CZVimage::kGrey);
    EXPECT_EQ(img.stride(), 304);
    for (int y = 0; y < 203; ++y)
        ASSERT_TRUE(std::equal(drawn.px.begin() + y * 301, drawn.px.begin() + (y + 1) * 301, img.row(y))) << y;

    const std::string json = SN::truthJson(t, q);
    EXPECT_NE(json.find("\"seed\":9,"), std::string::npos);
    EXPECT_NE(json.find("\"width\":301,\"height\":203,\"umPerPixelX\":1.2,\"umPerPixelY\":1.2"), std::string::npos);
    size_t count = 0;
    for (size_t at = json.find("\"apex\":{"); at != std::string::npos; at = json.find("\"apex\":{", at + 1)) ++count;
    EXPECT_EQ(count, t.loops.size());
    // The first loop's apex, to a hundredth of a pixel.
    char buf[96];
    std::snprintf(buf, sizeof buf, "\"apex\":{\"x\":%g,\"y\":%g}", std::round(t.loops[0].apex.x * 100) / 100,
                  std::round(t.loops[0].apex.y * 100) / 100);
    EXPECT_NE(json.find(buf), std::string::npos) << buf;
}

TEST(SyntheticNailfold, NoiseAndBlurLeaveTheAnatomyAlone) {
    // Separate random streams: the same loops at any noise level, so a
    // sweep over noise measures the detector and nothing else.
    SN::Params quiet = withSeed(7), loud = withSeed(7);
    quiet.noiseSigma = 0;
    loud.noiseSigma = 12;
    loud.blurSigma = 2.5;
    const Drawn a = draw(quiet), b = draw(loud);
    ASSERT_EQ(a.truth.loops.size(), b.truth.loops.size());
    for (size_t i = 0; i < a.truth.loops.size(); ++i) {
        EXPECT_EQ(a.truth.loops[i].apex.x, b.truth.loops[i].apex.x);
        EXPECT_EQ(a.truth.loops[i].polygon.size(), b.truth.loops[i].polygon.size());
    }
    EXPECT_NE(a.px, b.px);

    // Noise sigma 12 shows as roughly that spread of pixel differences.
    double sum = 0, sum2 = 0;
    SN::Params noisy = quiet;
    noisy.noiseSigma = 12;
    const Drawn c = draw(noisy);
    size_t n = 0;
    for (size_t i = 0; i < a.px.size(); ++i) {
        if (a.px[i] < 20 || a.px[i] > 235) continue;  // clamping would shrink the spread
        const double diff = double(c.px[i]) - double(a.px[i]);
        sum += diff;
        sum2 += diff * diff;
        ++n;
    }
    const double mean = sum / n, sd = std::sqrt(sum2 / n - mean * mean);
    EXPECT_NEAR(mean, 0.0, 0.2);
    EXPECT_NEAR(sd, 12.0, 0.6);
}

TEST(SyntheticNailfold, TruthMatchesThePicture) {
    struct Case {
        const char* name;
        SN::Params p;
    };
    auto with = [](uint64_t seed, auto change) {
        SN::Params p = withSeed(seed);
        change(p);
        return p;
    };
    const std::vector<Case> cases{
        {"default", withSeed(1)},
        {"tortuous and giant", with(2, [](SN::Params& p) { p.tortuousFraction = 0.5, p.giantLoops = 2; })},
        {"two rows", with(3, [](SN::Params& p) { p.secondRow = true, p.loops = 12; })},
        // odd width: rows are not a multiple of 4
        {"non-square pixels, small",
         with(4, [](SN::Params& p) { p.umPerPixelX = 1.0, p.umPerPixelY = 2.0, p.width = 301, p.height = 250; })},
        {"low magnification, clean",
         with(5, [](SN::Params& p) { p.umPerPixelX = p.umPerPixelY = 2.8, p.noiseSigma = 0, p.vignetting = 0; })},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Drawn d = draw(c.p);
        const SN::Truth& t = d.truth;
        if (!c.p.secondRow) {
            EXPECT_EQ(static_cast<int>(t.loops.size()), c.p.effectiveLoops());
        }
        int giants = 0, tortuous = 0;
        for (size_t i = 0; i < t.loops.size(); ++i) {
            SCOPED_TRACE(i);
            const SN::Loop& L = t.loops[i];
            giants += L.giant;
            tortuous += L.tortuous;
            // Everything drawn lies inside the picture.
            for (const auto* poly : {&L.polygon, &L.envelope, &L.centreLine})
                for (const SN::Point& q : *poly) {
                    ASSERT_GE(q.x, 0);
                    ASSERT_GE(q.y, 0);
                    ASSERT_LE(q.x, t.width - 1);
                    ASSERT_LE(q.y, t.height - 1);
                }
            // The apex is on the blood column and below the nailfold edge.
            EXPECT_TRUE(L.covers(L.apex.x, L.apex.y));
            EXPECT_LT(L.distanceToCentreLine(L.apex.x, L.apex.y), 0.75);
            const auto edge = std::lower_bound(t.nailEdge.begin(), t.nailEdge.end(), L.apex.x,
                                               [](const SN::Point& q, double x) { return q.x < x; });
            ASSERT_NE(edge, t.nailEdge.end());
            EXPECT_GT(L.apex.y, edge->y);
            // Widths: the arterial limb is the thinner, the apex the widest.
            EXPECT_LT(L.arterialWidthUm, L.venousWidthUm);
            EXPECT_LE(L.venousWidthUm, L.apexWidthUm);
            if (L.giant) {
                EXPECT_GT(L.arterialWidthUm, 50);
            } else {
                EXPECT_GE(L.limbSpacingUm, (L.arterialWidthUm + L.venousWidthUm) / 2 + 4.9);
                EXPECT_LE(L.limbSpacingUm, 40);
            }
            // The envelope holds the blood column and the skin between the
            // limbs, a little below the apex.
            const double below = L.apex.y + (L.limbSpacingUm / 2 + L.apexWidthUm) / t.umPerPixelY;
            EXPECT_TRUE(L.encloses(L.apex.x, below));
            // Loops never overlap: no centre-line point of one lies in
            // another's blood column.
            for (size_t j = 0; j < t.loops.size(); ++j) {
                if (j == i) continue;
                for (size_t k = 0; k < L.centreLine.size(); k += 5)
                    ASSERT_FALSE(t.loops[j].covers(L.centreLine[k].x, L.centreLine[k].y)) << "loop " << j;
            }
        }
        EXPECT_EQ(giants, c.p.giantLoops);
        EXPECT_EQ(tortuous, static_cast<int>(std::lround(c.p.tortuousFraction * c.p.effectiveLoops())));
        if (c.p.secondRow) {
            EXPECT_TRUE(std::any_of(t.loops.begin(), t.loops.end(), [](auto& L) { return L.row == 1; }));
        }
    }
}

TEST(SyntheticNailfold, EachLimbsWidthIsTheDipAcrossItsLine) {
    // Sharp and noise-free, so that the dip's extent is the drawn column:
    // the run of samples along the line, from the limb's centre outwards,
    // more than 3 grey levels under the skin just beside the limb.
    for (const auto& scale : {std::pair{1.0, 1.0}, std::pair{1.6, 1.6}, std::pair{1.0, 2.0}}) {
        SN::Params p = withSeed(7);
        p.umPerPixelX = scale.first, p.umPerPixelY = scale.second;
        p.noiseSigma = 0, p.blurSigma = 0, p.plexus = 0, p.tortuousFraction = 0.3;
        const Drawn d = draw(p);
        int limbs = 0;
        for (const SN::Loop& L : d.truth.loops) {
            ASSERT_EQ(L.limbs.size(), 2u);
            for (const SN::Loop::Limb& b : L.limbs) {
                SCOPED_TRACE(testing::Message() << "x " << b.acrossFrom.x << " scale " << scale.second);
                EXPECT_EQ(b.widthUm, b.arterial ? L.arterialWidthUm : L.venousWidthUm);
                EXPECT_EQ(b.onLeft, b.arterial == L.arterialOnLeft);
                for (const SN::Point& q : b.along) EXPECT_LT(L.distanceToCentreLine(q.x, q.y), 0.25);
                if (L.tortuous) continue;  // the other limb may wind under the line
                const double dx = b.acrossTo.x - b.acrossFrom.x, dy = b.acrossTo.y - b.acrossFrom.y;
                const double len = std::hypot(dx, dy);
                const int n = static_cast<int>(len * 8);
                std::vector<int> g(static_cast<size_t>(n) + 1);
                for (int i = 0; i <= n; ++i)
                    g[static_cast<size_t>(i)] = at(d, b.acrossFrom.x + dx * i / n, b.acrossFrom.y + dy * i / n);
                const double outside = std::max(L.limbSpacingUm / 2, 2.5 * b.widthUm) / b.widthUm * b.widthPx;
                const int c = static_cast<int>(std::lround(outside * 8)), beside = static_cast<int>(b.widthPx * 4 + 16);
                ASSERT_TRUE(c - beside >= 0 && c + beside <= n);
                const int skin = std::min(g[static_cast<size_t>(c - beside)], g[static_cast<size_t>(c + beside)]);
                int lo = c, hi = c;
                while (lo > c - beside && g[static_cast<size_t>(lo - 1)] < skin - 3) --lo;
                while (hi < c + beside && g[static_cast<size_t>(hi + 1)] < skin - 3) ++hi;
                EXPECT_NEAR((hi - lo) / 8.0, b.widthPx, 1.0);
                EXPECT_NEAR((hi + lo) / 16.0, c / 8.0, 0.5);
                ++limbs;
            }
        }
        EXPECT_GE(limbs, 8);
    }
}

TEST(SyntheticNailfold, WindingRuleKeepsCrossingsInside) {
    // A square either way round.
    const std::vector<SN::Point> square{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    std::vector<SN::Point> reversed(square.rbegin(), square.rend());
    EXPECT_TRUE(SN::windingContains(square, 5, 5));
    EXPECT_TRUE(SN::windingContains(reversed, 5, 5));
    EXPECT_FALSE(SN::windingContains(square, 10.5, 5));
    EXPECT_FALSE(SN::windingContains(square, -0.1, 5));
    EXPECT_FALSE(SN::windingContains({}, 0, 0));

    // A pentagram winds twice round its centre, as an outline does where
    // crossing limbs overlap: inside by the non-zero rule (the even-odd
    // rule would leave a hole there).
    std::vector<SN::Point> star;
    for (int k = 0; k < 5; ++k) {
        const double a = (90 + 144 * k) * 3.14159265358979 / 180;
        star.push_back({10 * std::cos(a), 10 * std::sin(a)});
    }
    EXPECT_TRUE(SN::windingContains(star, 0, 0));
    EXPECT_TRUE(SN::windingContains(star, 0, 8));    // in a point
    EXPECT_FALSE(SN::windingContains(star, 5, 8));   // between points
    SN::Loop x;
    x.polygon = {{0, 1}, {1, 0}, {20, 19}, {19, 20}};  // a thin diagonal band
    EXPECT_TRUE(x.covers(10, 10));
    EXPECT_FALSE(x.covers(10, 2));
}

TEST(SyntheticNailfold, RefusesWhatCannotBeDrawn) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<std::pair<const char*, SN::Params>> bad;
    auto add = [&](const char* why, auto change) {
        SN::Params p;
        change(p);
        bad.push_back({why, p});
    };
    add("zero width", [](SN::Params& p) { p.width = 0; });
    add("negative height", [](SN::Params& p) { p.height = -576; });
    add("huge", [](SN::Params& p) { p.width = p.height = 100000; });
    add("NaN scale", [&](SN::Params& p) { p.umPerPixelX = nan; });
    add("zero scale", [](SN::Params& p) { p.umPerPixelY = 0; });
    add("infinite noise", [&](SN::Params& p) { p.noiseSigma = inf; });
    add("negative blur", [](SN::Params& p) { p.blurSigma = -1; });
    add("NaN vignetting", [&](SN::Params& p) { p.vignetting = nan; });
    add("tortuous share above 1", [](SN::Params& p) { p.tortuousFraction = 1.5; });
    add("too many loops", [](SN::Params& p) { p.loops = 40; });
    add("more giants than loops", [](SN::Params& p) { p.loops = 3, p.giantLoops = 4; });
    add("too many giants for the width", [](SN::Params& p) { p.giantLoops = 8; });
    add("too low for a loop", [](SN::Params& p) { p.height = 100; });
    add("too many loops for two rows", [](SN::Params& p) { p.secondRow = true, p.loops = 20; });
    for (auto& [why, p] : bad) {
        SCOPED_TRACE(why);
        EXPECT_EQ(p.validate().code(), ordavia::StatusCode::OutOfRange);
        std::vector<uint8_t> px{1, 2, 3};
        SN::Truth t;
        EXPECT_EQ(SN::generate(p, px, t).code(), ordavia::StatusCode::OutOfRange);
        EXPECT_EQ(px.size(), 3u);  // nothing drawn
    }
    // The boundaries themselves are accepted.
    SN::Params edge;
    edge.width = 64;
    edge.height = 64;
    edge.umPerPixelX = edge.umPerPixelY = 3.2;  // 205 micrometres
    edge.loops = 0;
    const Drawn d = draw(edge);
    EXPECT_TRUE(d.truth.loops.empty());
    EXPECT_EQ(d.px.size(), 64u * 64u);
    SN::Params crowded;
    crowded.loops = 29;  // 1213 micrometres hold 28 slots of 42
    EXPECT_FALSE(crowded.validate().ok());
    crowded.loops = 28;
    EXPECT_TRUE(crowded.validate().ok()) << crowded.validate().reason();
    EXPECT_EQ(draw(crowded).truth.loops.size(), 28u);
}

