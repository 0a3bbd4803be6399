// Movement correction: kernels, search, reference renewal, the document's
// commands and sub-pixel side table, accuracy on known synthetic shifts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "base/FileIO.h"
#include "base/Text.h"
#include "image/CZVimage.h"
#include "image/CpuDispatch.h"
#include "tests/support/MemoryMovie.h"
#include "tests/support/MveBytes.h"
#include "tests/support/SyntheticMovie.h"
#include "tests/support/TestServices.h"
#include "video/CMotivaDoc.h"
#include "video/CZVMovie.h"
#include "video/FineOffsets.h"
#include "video/MovementCorrection.h"
#include "video/MovementKernels.h"
#include "synth/SyntheticVideo.h"

using namespace ordavia;

namespace ordavia {
extern const MovementKernels kMovementBaseline;
extern const MovementKernels kMovementAvx2;
}  // namespace ordavia

namespace {

// A texture without repeats, so that exactly one shift matches.
uint8_t texture(int x, int y) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return uint8_t(h >> 24);
}

// A memory movie whose frame k shows the texture moved by shifts[k].
void shiftedMovie(CZVMovie& m, int w, int h, const std::vector<std::pair<int, int>>& shifts) {
    testsupport::memoryMovie(m, int(shifts.size()), w, h, [&](int k, int x, int y) {
        return texture(x - shifts[size_t(k)].first, y - shifts[size_t(k)].second);
    });
}

MovementParams exact() {
    MovementParams p;
    p.lowpass = 0;
    return p;
}

}  // namespace

TEST(MovementKernels, BothBuildsGiveThePlainSums) {
    std::mt19937 rng(7);
    std::vector<uint8_t> img(200000);
    for (auto& b : img) b = uint8_t(rng());
    // Lengths around the block sizes, and a sample count past the chunk.
    for (int n : {1, 2, 7, 33, 40001}) {
        std::vector<int32_t> off(static_cast<size_t>(n));
        std::vector<int16_t> ref(static_cast<size_t>(n));
        for (int s = 0; s < n; ++s) {
            off[size_t(s)] = int32_t(rng() % 100000);
            ref[size_t(s)] = int16_t(rng() % 256);
        }
        for (int nx : {1, 5, 8, 15, 16, 17, 31, 32, 33, 47, 70, 128}) {
            const size_t len = static_cast<size_t>(nx);
            std::vector<uint64_t> want(len, 0), a(len), b(len);
            for (int s = 0; s < n; ++s)
                for (int i = 0; i < nx; ++i) {
                    const int d = int(img[size_t(off[size_t(s)] + i)]) - ref[size_t(s)];
                    want[size_t(i)] += uint64_t(d * d);
                }
            kMovementBaseline.ssdRow(ref.data(), off.data(), n, img.data(), nx, a.data());
            ASSERT_EQ(a, want) << n << " " << nx;
            if (cpuHasAvx2()) {
                kMovementAvx2.ssdRow(ref.data(), off.data(), n, img.data(), nx, b.data());
                ASSERT_EQ(b, want) << n << " " << nx;
            }
        }
    }
}

TEST(MovementSearch, PatternsBoundariesAndTheFirstSmallestSum) {
    // Random points stay inside the window's rows.
    SamplePattern pat;
    for (int32_t o : pat.offsets(3, 8, 320, 240, 640)) ASSERT_TRUE(o >= 0 && o <= 239 * 640 + 319) << o;

    // On 640 x 480 with a range of 10 % the shifts run from -64 to 63 and
    // from -48 to 47, for every pattern.
    CZVMovie m;
    shiftedMovie(m, 640, 480, {{0, 0}, {-64, -48}, {63, 47}, {64, 0}, {5, -3}});
    for (int method : {1, 2, 3}) {
        MovementParams p = exact();
        p.method = method;
        p.limit = 1000;  // every frame against frame 0
        m.SetOffsets(0, 0, 0, 5);
        MovementRun run;
        ASSERT_TRUE(run.start(m, 0, 5, p));
        while (run.step()) {
        }
        const FrameInfoList& t = m.frameTable();
        EXPECT_EQ(std::make_pair(t[1].x, t[1].y), std::make_pair(64, 48));
        EXPECT_EQ(std::make_pair(t[2].x, t[2].y), std::make_pair(-63, -47));
        EXPECT_NE(t[3].x, -64);  // out of reach
        EXPECT_EQ(std::make_pair(t[4].x, t[4].y), std::make_pair(-5, 3));
        EXPECT_EQ(run.reference(), 0);
    }

    // A flat picture: every shift ties, the first searched wins.
    CZVimage flat(640, 480, 0, 0, 0), same(640, 480, 0, 0, 0);
    std::memset(flat.data(), 90, flat.byteCount());
    std::memset(same.data(), 90, same.byteCount());
    SamplePattern p2;
    Alignment a = alignToReference(flat, same, exact(), p2);
    EXPECT_TRUE(a.found);
    EXPECT_EQ(std::make_pair(a.dx, a.dy), std::make_pair(-64, -48));
    // A window and range that would leave the picture search only inside it.
    MovementParams wide = exact();
    wide.window = 90;
    a = alignToReference(flat, same, wide, p2);
    EXPECT_EQ(std::make_pair(a.dx, a.dy), std::make_pair(-32, -24));
    // Frames of another shape are not compared.
    CZVimage small(320, 240, 0, 0, 0);
    EXPECT_FALSE(alignToReference(flat, small, exact(), p2).found);
}

TEST(MovementRun, IdenticalFramesTakeTheReferenceOffsetAndRenewalFollowsTheLimit) {
    CZVMovie m;
    // Frame 2 jumps 40 pixels (the x limit is 640 x 50 % x 10 % = 32) and
    // becomes the reference; frame 3 is measured against it.
    shiftedMovie(m, 640, 480, {{0, 0}, {0, 0}, {40, 0}, {45, 2}, {45, 2}});
    m.SetOffsets(7, -3, 0, 1);
    MovementRun run;
    ASSERT_TRUE(run.start(m, -1, -1, exact()));
    ASSERT_TRUE(run.step());
    ASSERT_TRUE(run.step());
    while (run.step()) {
    }
    const FrameInfoList& t = m.frameTable();
    EXPECT_EQ(std::make_pair(t[1].x, t[1].y), std::make_pair(7, -3));
    EXPECT_EQ(t[2].x, 7 - 40);
    EXPECT_EQ(std::make_pair(t[3].x, t[3].y), std::make_pair(7 - 45, -3 - 2));
    EXPECT_EQ(t[4].x, t[3].x);
    EXPECT_EQ(run.reference(), 2);
    EXPECT_FALSE(run.start(m, 3, 3, exact()).ok());
}

TEST(MovementDocument, RunResetExportAndTheSubPixelSideTable) {
    testsupport::ScratchDir dir("movement-doc");
    ordavia::test::TestServices ts;
    {
        // A smooth picture moved by (1.5, -0.5) pixels a frame.
        CZVMovie m;
        testsupport::memoryMovie(m, 4, 640, 480, [](int k, int x, int y) {
            const double u = x - 1.5 * k, v = y + 0.5 * k;
            return 128 + 60 * std::sin(0.11 * u) * std::cos(0.07 * v) + 30 * std::sin(0.031 * u + 0.05 * v);
        });
        ASSERT_TRUE(m.SaveRange(dir / "clip.mve", -1, -1));
    }
    auto d = ts.make<CMotivaDoc>();
    ASSERT_TRUE(d->importMovie(dir / "clip.mve"));
    MovementParams p;
    p.subpixel = true;
    ASSERT_TRUE(d->startMovementCorrection(p));
    EXPECT_FALSE(d->startMovementCorrection(p).ok());  // one run at a time
    int steps = 0;
    while (d->movementStep()) ++steps;
    d->endMovementCorrection();
    EXPECT_EQ(steps, 3);
    double x, y;
    d->frameOffset(3, x, y);
    EXPECT_NEAR(x, -4.5, 0.1);
    EXPECT_NEAR(y, 1.5, 0.1);

    // The fractions travel beside the document and come back with it.
    ASSERT_TRUE(d->OnSaveDocument(dir / "clip.dcs"));
    ASSERT_TRUE(fileExists(dir / "clip.zvoff"));
    auto e = ts.make<CMotivaDoc>();
    ASSERT_TRUE(e->OnOpenDocument(dir / "clip.dcs"));
    double x2, y2;
    e->frameOffset(3, x2, y2);
    EXPECT_NEAR(x2, x, 1e-4);
    EXPECT_NEAR(y2, y, 1e-4);
    ASSERT_TRUE(e->exportOffsets(dir / "o.txt"));
    std::vector<uint8_t> text;
    ASSERT_TRUE(readFileBytes(dir / "o.txt", text));
    EXPECT_NE(std::string(text.begin(), text.end()).find(strprintf("00003, %12.3g, %12.3g\n", x, y)), std::string::npos);

    // A frame moved by hand loses its fraction; tracking moves the later frames too.
    e->goToFrame(2);
    e->shiftCurrentFrame(1, 0, true);
    e->frameOffset(2, x2, y2);
    EXPECT_EQ(x2, std::round(x2));
    e->frameOffset(3, x2, y2);
    EXPECT_EQ(x2, e->movie().frameTable()[3].x);
    e->resetOffsets();
    e->frameOffset(3, x2, y2);
    EXPECT_EQ(x2 * x2 + y2 * y2, 0);
    // Saved without fractions, the stale side file goes.
    ASSERT_TRUE(e->OnSaveDocument(dir / "clip.dcs"));
    EXPECT_FALSE(fileExists(dir / "clip.zvoff"));
}

TEST(FineOffsets, RoundTripAndHostileText) {
    FineOffsets f;
    f.set(2, 3, -1, 2.75, -1.125);
    f.set(5, 0, 0, 0.25, 0.5);
    auto r = FineOffsets::parse(f.format(), 10);
    ASSERT_TRUE(r);
    double x, y;
    ASSERT_TRUE(r->get(2, 3, -1, x, y));
    EXPECT_EQ(x, 2.75);
    EXPECT_EQ(y, -1.125);
    EXPECT_FALSE(r->get(2, 4, -1, x, y));  // the whole offsets changed
    EXPECT_FALSE(r->get(3, 0, 0, x, y));
    const std::string head = std::string(FineOffsets::kHeader) + "\n";
    for (const std::string& bad : {std::string(), std::string("junk\n"), head + "frames=99999999999\n",
                                   head + "frames=6\n1, 2, 3, 4.5, 3\n",            // fraction too far
                                   head + "frames=6\n7, 0, 0, 0, 0\n",             // beyond the frames
                                   head + "frames=6\n1, 0, 0, nan, 0\n", head + "frames=6\n1, 0, 0\n",
                                   head + "frames=6\n1.5, 0, 0, 0, 0\n", head + "frames=6\n1, 0, 0, 0, 0, 0\n"})
        EXPECT_FALSE(FineOffsets::parse(bad, 10).ok()) << bad;
    EXPECT_FALSE(FineOffsets::parse(head + "frames=11\n", 10).ok());
}

namespace {

// A synthetic shaky video in memory with its known shifts.
struct ShakyVideo {
    SyntheticVideo gen;
    CZVMovie movie;
    explicit ShakyVideo(const SyntheticVideo::Params& sp) { testsupport::recordSynthetic(gen, sp, movie); }

    // Offsets of a run against the truth: frame k should sit at minus its
    // shift relative to frame 0.
    struct Errors {
        double mean = 0, max = 0;
    };
    Errors run(const MovementParams& mp) {
        const int n = movie.count();
        movie.SetOffsets(0, 0, 0, n);
        MovementRun r;
        EXPECT_TRUE(r.start(movie, -1, -1, mp));
        while (r.step()) {
        }
        Errors e;
        const auto& s = gen.truth().shifts;
        for (int k = 1; k < n; ++k) {
            const FrameInfo& fi = movie.frameTable()[size_t(movie.PhysicalIndex(k))];
            double x = fi.x, y = fi.y;
            r.fine().get(k, fi.x, fi.y, x, y);
            const double d = std::max(std::fabs(x + s[size_t(k)].x - s[0].x), std::fabs(y + s[size_t(k)].y - s[0].y));
            e.mean += d / (n - 1);
            e.max = std::max(e.max, d);
        }
        return e;
    }
};

}  // namespace

// The documented search follows loops whose cells flow inside its window,
// and slow changes of the light pull it on still ones; the sub-pixel
// fraction (from band-passed copies) mends the second, the robust option
// (band pass, passes against the mean of the still pixels) both. Figures
// asserted with a margin over those reached.
TEST(MovementAccuracy, SyntheticJitter) {
    SyntheticVideo::Params sp;
    sp.frames = 24;
    for (int still : {100, 1}) {
        sp.stillCount = still;
        for (double jitter : {1.5, 6.0}) {
            sp.jitter = jitter;
            sp.seed = uint64_t(jitter * 10);
            ShakyVideo v(sp);
            MovementParams mp;
            const auto whole = v.run(mp);
            mp.subpixel = true;
            const auto fine = v.run(mp);
            mp.robust = true;
            const auto robustFine = v.run(mp);
            mp.subpixel = false;
            const auto robust = v.run(mp);
            EXPECT_LT(robust.max, 0.8);
            EXPECT_LT(robustFine.mean, 0.12);
            EXPECT_LT(robustFine.max, 0.25);
            if (still > 1) {
                EXPECT_LT(whole.max, 1.5);
                EXPECT_LT(fine.max, 0.15);
            } else {
                EXPECT_LT(whole.mean, 3.0);
            }
        }
    }
}
