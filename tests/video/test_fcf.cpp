// Functional capillary flow: block statistics, the ".zvfcf" layout and its
// side files, the results row, the run in blocks, the per-pixel spectra.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "base/Archive.h"
#include "base/FileIO.h"
#include "results/CResultDoc.h"
#include "image/CZVimage.h"
#include "tests/support/MemoryMovie.h"
#include "tests/support/MveBytes.h"
#include "tests/support/TestServices.h"
#include "video/PixelSpectra.h"
#include "video/fcfdoc.h"

using namespace testsupport;
using namespace ordavia;

namespace {

// A flow document that saves and opens without asking.
std::unique_ptr<fcfdoc> quietDoc(test::TestServices& ts) {
    auto d = ts.make<fcfdoc>();
    d->setQuiet(true);
    return d;
}

// A flow document of a 3 x 2 block with hand-made statistics.
std::unique_ptr<fcfdoc> smallDoc(test::TestServices& ts) {
    auto d = quietDoc(ts);
    d->OnNewDocument();
    d->setBlock(FcfBlock{.width = 3, .height = 2, .originX = -2, .originY = 1, .common = {1, 0, 3, 2},
                         .sdD = {1, 2, 3, 4, 5, 6}, .sdI = {10, 4.9, 5, 0, 2.5, 20}});
    return d;
}

}  // namespace

TEST(FcfStatistics, CanvasSumsMatchAPlainRecomputationAcrossChunksAndStrips) {
    // 37 frames (three chunks) of 24 x 35 (three strips), moved by offsets.
    CZVMovie m;
    std::mt19937 rng(7);
    memoryMovie(m, 37, 24, 35, [&](int, int, int) { return int(rng() % 256); });
    for (int k = 0; k < 37; ++k) m.SetOffsets(int(rng() % 7) - 3, int(rng() % 5) - 2, k, k + 1);
    FcfBlock b;
    ASSERT_TRUE(fcfBlockStatistics(m, 2, 36, b));
    const CZVMovie::Bounds bounds = m.OffsetBounds(2, 36);
    ASSERT_EQ(b.width, bounds.width);
    ASSERT_EQ(b.height, bounds.height);
    EXPECT_EQ(b.originX, bounds.minX);
    // Plain recomputation in doubles, one pixel at a time.
    int maxX = INT32_MIN, maxY = INT32_MIN;
    std::vector<double> s1(b.sdI.size()), s2(s1.size()), d1(s1.size()), d2(s1.size()), prev(s1.size());
    std::vector<int> cnt(s1.size());
    for (int k = 2; k < 36; ++k) {
        CZVimage f;
        m.CopyFrame(k, f);
        maxX = std::max(maxX, f.originX());
        maxY = std::max(maxY, f.originY());
        for (int y = 0; y < 35; ++y)
            for (int x = 0; x < 24; ++x) {
                const size_t p = size_t(y + f.originY() - b.originY) * size_t(b.width) + size_t(x + f.originX() - b.originX);
                const double v = f.row(y)[x];
                if (cnt[p]++) {
                    s1[p] += v, s2[p] += v * v, d1[p] += v - prev[p], d2[p] += (v - prev[p]) * (v - prev[p]);
                }
                prev[p] = v;
            }
    }
    for (size_t p = 0; p < s1.size(); ++p) {
        const double mm = cnt[p] - 1;
        const double si = mm > 0 ? std::sqrt(std::max(0.0, (s2[p] - s1[p] * s1[p] / mm) / mm)) : 0;
        const double sd = mm > 0 ? std::sqrt(std::max(0.0, (d2[p] - d1[p] * d1[p] / mm) / mm)) : 0;
        ASSERT_NEAR(b.sdI[p], si, 1e-9) << p;
        ASSERT_NEAR(b.sdD[p], sd, 1e-9) << p;
    }
    EXPECT_EQ(b.common, (ZRect{maxX - b.originX, maxY - b.originY, 24, 35}));

    // A single frame has no statistics.
    CZVMovie still;
    memoryMovie(still, 5, 8, 4, [](int, int x, int) { return x * 9; });
    EXPECT_FALSE(fcfBlockStatistics(still, 3, 3, b));
    // Offsets far beyond the frame are damage, not a bigger canvas.
    still.SetOffsets(10000, 0, 1, 2);
    EXPECT_FALSE(fcfBlockStatistics(still, -1, -1, b));
}

TEST(FcfDocument, RatioPictureAndResultsRow) {
    test::TestServices ts;
    auto d = smallDoc(ts);
    // sd(I) below 5 is no flow; the ratio times 64 is the grey value.
    EXPECT_EQ(d->ratio(), (std::vector<double>{0.1, 0, 0.6, 0, 0, 0.3}));
    const CZVimage& img = d->image();
    ASSERT_EQ(img.width(), 3);
    EXPECT_EQ(img.row(0)[0], 6);
    EXPECT_EQ(img.row(0)[2], 38);
    EXPECT_EQ(img.originX(), -2);
    // The common part in the picture's frame, where the view draws it.
    EXPECT_EQ(d->marks().roi, (ZRect{-1, 1, 1, 3}));
    // Over the region: ratios 0, 0.6, 0, 0.3.
    const ResultRecord r = d->resultRecord();
    ASSERT_EQ(r.values.size(), 8u);
    EXPECT_DOUBLE_EQ(r.values[2], 4.0);  // 2 x 2 pixels, scale 1
    EXPECT_NEAR(r.values[3], 0.225, 1e-12);
    EXPECT_DOUBLE_EQ(r.values[4], 50.0);
    EXPECT_DOUBLE_EQ(r.values[5], (2 + 3 + 5 + 6) / 4.0);
    EXPECT_DOUBLE_EQ(r.values[7], 5.0);

    // A high threshold leaves no flow: FCD 0, picture black.
    d->recalculate(100, 64);
    EXPECT_EQ(d->resultRecord().values[4], 0.0);
    d->recalculate(0.5, 1000);
    EXPECT_EQ(d->image().row(0)[0], 100);
    EXPECT_EQ(d->image().row(1)[2], 255);  // limited to 255
}

TEST(FcfDocument, FileLayoutSideFileAndDamagedInput) {
    test::TestServices ts;
    ScratchDir dir("fcf");
    // The flow fields follow the image part: version, threshold, gain, W, H.
    // The flicker threshold (1001) adds a flag; a picture away from (0, 0)
    // (1002) also keeps its place, since a BMP beside the document cannot.
    auto d = smallDoc(ts), z = smallDoc(ts), dr = smallDoc(ts), dr0 = smallDoc(ts);
    z->pictureForPreview().setOrigin(0, 0);
    dr->recalculate(5, 64, true);
    dr0->recalculate(5, 64, true);
    dr0->pictureForPreview().setOrigin(0, 0);
    const auto fields = [](int32_t version) { return LeBytes().i32(version).f64(5.0).f64(64.0).i32(3).i32(2); };
    const struct {
        fcfdoc* doc;
        const char* name;
        std::vector<uint8_t> tail;
    } layouts[] = {
        {d.get(), "a.zvfcf", fields(1002).i32(0).i32(-2).i32(1).b},
        {z.get(), "z.zvfcf", fields(1000).b},
        {dr.get(), "d.zvfcf", fields(1002).i32(1).i32(-2).i32(1).b},
        {dr0.get(), "d0.zvfcf", fields(1001).i32(1).b},
    };
    for (const auto& l : layouts) {
        ASSERT_EQ(l.doc->OnSaveDocument(dir / l.name).reason(), "");
        const std::vector<uint8_t> bytes = readBytes(dir / l.name);
        ASSERT_GT(bytes.size(), l.tail.size());
        EXPECT_EQ(std::vector<uint8_t>(bytes.end() - std::ptrdiff_t(l.tail.size()), bytes.end()), l.tail) << l.name;
    }
    const std::string path = dir / "a.zvfcf";
    const std::vector<uint8_t> file = readBytes(dir / "z.zvfcf");
    const size_t t = file.size() - 28;
    // The side file: sd(difference), then sd(intensity), row by row.
    const std::vector<uint8_t> raw = readBytes(dir / "a.zvrawfcf");
    EXPECT_EQ(raw, LeBytes().f64(1).f64(2).f64(3).f64(4).f64(5).f64(6).f64(10).f64(4.9).f64(5).f64(0).f64(2.5).f64(20).b);

    // Reopening computes ratio and picture from the side file again, with
    // the flicker flag and the region of interest kept.
    auto o = quietDoc(ts);
    ASSERT_EQ(o->OnOpenDocument(dir / "d.zvfcf").reason(), "");
    EXPECT_TRUE(o->ignoreDrift());
    EXPECT_EQ(o->ratio(), dr->ratio());
    EXPECT_EQ(o->marks().roi, dr->marks().roi);
    EXPECT_EQ(o->image().originY(), 1);
    EXPECT_EQ(o->resultRecord().values, dr->resultRecord().values);
    EXPECT_TRUE(o->rawProblem().empty());

    // A short or missing side file: the saved picture stays, and no
    // statistics means no recalculation and no side file written over.
    for (size_t keep : {size_t(95), size_t(0)}) {
        writeBytes(dir / "a.zvrawfcf", std::vector<uint8_t>(raw.begin(), raw.begin() + std::ptrdiff_t(keep)));
        if (keep == 0) std::filesystem::remove(dir / "a.zvrawfcf");
        auto b = quietDoc(ts);
        ASSERT_TRUE(b->OnOpenDocument(path));
        EXPECT_FALSE(b->rawProblem().empty());
        EXPECT_FALSE(b->hasStatistics());
        EXPECT_EQ(b->image().row(0)[2], 38);
        b->recalculate(0, 64);
        EXPECT_EQ(b->image().row(0)[2], 38);
    }
    // Damaged numbers in the side file count as no spread.
    std::vector<uint8_t> nan = raw;
    const double bad = std::nan("");
    std::memcpy(nan.data() + 48, &bad, 8);
    writeBytes(dir / "a.zvrawfcf", nan);
    auto n = quietDoc(ts);
    ASSERT_TRUE(n->OnOpenDocument(path));
    EXPECT_EQ(n->sdIntensity()[0], 0.0);

    // A size no side file can have is a damaged document; a version outside
    // 1000..1999 leaves the defaults; a file that ends after the image part
    // is an older one.
    std::vector<uint8_t> huge = file;
    huge[t + 20] = 0xFF, huge[t + 21] = 0xFF, huge[t + 22] = 0xFF, huge[t + 23] = 0x7F;
    auto h = ts.make<fcfdoc>();
    Archive in(huge);
    EXPECT_THROW(h->Serialize(in), ArchiveError);
    std::vector<uint8_t> other = file;
    other[t + 1] = 0x08;  // 2024
    auto v = ts.make<fcfdoc>();
    Archive in2(other);
    v->Serialize(in2);
    EXPECT_EQ(v->arrayWidth(), 0);
    EXPECT_EQ(v->threshold(), 5.0);
    Archive in3(std::vector<uint8_t>(file.begin(), file.begin() + std::ptrdiff_t(t)));
    EXPECT_NO_THROW(v->Serialize(in3));
    Archive in4(std::vector<uint8_t>(file.begin(), file.end() - 3));
    EXPECT_THROW(v->Serialize(in4), ArchiveError);
}

TEST(PixelSpectra, SpectrumFramesAndFluxConcentrationSpeed) {
    // Pixel (x, 0) flickers at bin 2x of a 16-point spectrum (the odd bins
    // of the real unpacking are approximate by design); row 1 is still.
    const int n = 16;
    ScratchDir dir("fcf-fft");
    CZVMovie m;
    m.options.tempFolder = dir.dir.string();  // where the pass writes its movie
    memoryMovie(m, 40, 4, 2, [](int k, int x, int y) {
        return y ? 7 : int(std::lround(100 + 40 * std::cos(M_PI * 2 * x * k / n)));
    });
    CZVimage speed, conc, flux;
    FluxParams p;
    ASSERT_TRUE(fluxConcSpeed(m, p, &speed, &conc, &flux));
    // A cosine of amplitude 40 at bin j has power 40^2 / 2 there: S0 = 800 / n,
    // S1 = j 800 x 2 / n^2, speed = S1 / S0 x 255 = 2 j / n x 255.
    const uint8_t fluxes[] = {0, 12, 25, 37}, speeds[] = {0, 63, 127, 191};
    for (int x = 1; x < 4; ++x) {
        // Single-precision twiddles: the powers come out a hair low.
        EXPECT_NEAR(conc.row(0)[x], 50, 1) << x;
        EXPECT_NEAR(flux.row(0)[x], fluxes[x], 1) << x;
        EXPECT_NEAR(speed.row(0)[x], speeds[x], 1) << x;
    }
    EXPECT_EQ(speed.row(1)[2], 0);  // no power in the band
    EXPECT_EQ(speed.row(0)[0], 0);
    p.nfftpts = 32;
    EXPECT_FALSE(fluxConcSpeed(m, p, &speed, nullptr, nullptr));  // not a power of 4
    p.nfftpts = 64;
    EXPECT_FALSE(fluxConcSpeed(m, p, &speed, nullptr, nullptr));  // too few frames

    // From frame 3, n = 4: eight frames become four spectrum frames and the
    // block's frames 4..7.
    EXPECT_FALSE(fftPerPixelPass(m, 35, 4));
    ASSERT_TRUE(fftPerPixelPass(m, 3, 4));
    ASSERT_EQ(m.count(), 8);
    // The still row: all its power at bin 0, 2 x 7^2 = 98.
    EXPECT_NEAR(m.GoTo(0).row(1)[0], 98, 1);
    EXPECT_EQ(m.GoTo(1).row(1)[0], 0);
    EXPECT_EQ(m.GoTo(7).row(0)[1], uint8_t(std::lround(100 + 40 * std::cos(M_PI * 2 * 10 / n))));
}

// The document, its picture and its statistics are replaced as one set:
// a set that cannot be completed leaves every old file as it was, and the
// private folder of a run that died goes at the next save.
TEST(FcfDocument, SideFilesAreReplacedTogetherOrNotAtAll) {
    test::TestServices ts;
    ScratchDir dir("fcf-set");
    auto d = smallDoc(ts);
    ASSERT_EQ(d->OnSaveDocument(dir / "f.zvfcf").reason(), "");
    for (const char* name : {"f.zvfcf", "f.bmp", "f.zvrawfcf"}) EXPECT_TRUE(ordavia::fileExists(dir / name)) << name;
    const std::vector<uint8_t> bmp = readBytes(dir / "f.bmp"), raw = readBytes(dir / "f.zvrawfcf");

    // A folder where the next document should go: nothing of the set moves.
    ASSERT_TRUE(std::filesystem::create_directory(dir / "g.zvfcf"));
    writeBytes(dir / "g.bmp", {1, 2, 3});
    writeBytes(dir / "g.zvrawfcf", {4, 5});
    d->recalculate(1, 200, false);
    EXPECT_FALSE(d->OnSaveDocument(dir / "g.zvfcf"));
    EXPECT_EQ(readBytes(dir / "g.bmp"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(readBytes(dir / "g.zvrawfcf"), (std::vector<uint8_t>{4, 5}));

    // A stale private folder (its writer gone) is cleared by the next save.
    std::filesystem::create_directory(dir / ".f.zvfcf.AbCdEf");
    writeBytes(dir / ".f.zvfcf.AbCdEf/f.bmp", {9});
    ASSERT_EQ(d->OnSaveDocument(dir / "f.zvfcf").reason(), "");
    EXPECT_NE(readBytes(dir / "f.bmp"), bmp);
    EXPECT_EQ(readBytes(dir / "f.zvrawfcf"), raw);
    size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.dir)) entries += e.path().filename().string().rfind(".f.", 0) == 0;
    EXPECT_EQ(entries, 0u);
}
