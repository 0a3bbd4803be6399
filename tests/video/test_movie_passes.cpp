// Processing passes, deletion by skipping, the range statistics, and the
// round trip through FFmpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "base/FileIO.h"
#include "image/CZVimage.h"
#include "tests/support/MemoryMovie.h"
#include "tests/support/MveBytes.h"
#include "video/AviReader.h"
#include "video/AviWriter.h"
#include "video/CZVMovie.h"
#include "video/MovieAccumulate.h"
#include "video/MovieExport.h"
#include "video/MoviePasses.h"

using namespace testsupport;
using namespace ordavia;

TEST(MoviePasses, CorrectedExportPlacesFramesAtTheirOffsetsAndDeletionKeepsTheirRecords) {
    ScratchDir d("mve-del");
    writeBytes(d / "a.mve", mveCurrent(8, 4, 10, 10, 0));
    CZVMovie m;
    ASSERT_TRUE(m.Open(d / "a.mve"));
    m.SetOffsets(2, 1, 1, 2);
    ExportOptions o;
    o.corrected = true;
    ASSERT_TRUE(exportFrames(m, d / "c.mve", o));
    CZVMovie c;
    ASSERT_TRUE(c.Open(d / "c.mve"));
    const CZVimage& f1 = c.GoTo(1);
    ASSERT_EQ(f1.width(), 10);
    ASSERT_EQ(f1.rows(), 5);
    EXPECT_EQ(f1.row(0)[0], 0) << "not reached by the moved frame";
    EXPECT_EQ(f1.row(1)[2], 16);
    EXPECT_EQ(f1.row(2)[4], 16 + 3 + 2);
    EXPECT_EQ(c.GoTo(2).row(0)[0], 32);

    ASSERT_TRUE(m.ExportOffsets(d / "o.txt", -1, -1, 0.5, 0.5, {}, "um"));
    std::vector<uint8_t> text;
    ASSERT_TRUE(readFileBytes(d / "o.txt", text));
    EXPECT_NE(std::string(text.begin(), text.end()).find("image, offsetx (um), offsety (um)\n"), std::string::npos);

    // Deleting frames keeps the records of the frames left.
    for (int i = 0; i < 10; ++i) m.SetOffsets(i, -i, i, i + 1);
    ASSERT_TRUE(deleteSelectedPass(m, 2, 5));
    ASSERT_EQ(m.count(), 7);
    EXPECT_FALSE(m.ownFile());
    const int kept[] = {0, 1, 5, 6, 7, 8, 9};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(m.frameTable()[size_t(i)].x, kept[i]);
        EXPECT_EQ(m.frameTable()[size_t(i)].field, 2 * kept[i]);
        const CZVimage& f = m.GoTo(i);
        EXPECT_EQ(f.data()[0], uint8_t(kept[i] * 16)) << i;
        EXPECT_EQ(f.originY(), -kept[i]);
    }
    ASSERT_TRUE(deleteNonSelectedPass(m, 1, 3));
    ASSERT_EQ(m.count(), 2);
    EXPECT_EQ(m.GoTo(1).data()[0], 5 * 16);
    EXPECT_FALSE(deleteNonSelectedPass(m, 1, 1).ok());  // nothing would be left
    EXPECT_EQ(m.count(), 2);
}

TEST(MoviePasses, FramePassesInPlaceAndToNewFiles) {
    ScratchDir d("mve-pass");
    writeBytes(d / "a.mve", mveCurrent(8, 4, 3, 3, 0));
    CZVMovie m;
    m.options.tempFolder = d.dir.string();
    ASSERT_TRUE(m.Open(d / "a.mve"));
    // The user's own file is never written: the pass makes a new one.
    ASSERT_TRUE(framePass(m, [](CZVimage& f) { f.negative({}); }));
    EXPECT_EQ(readBytes(d / "a.mve"), mveCurrent(8, 4, 3, 3, 0));
    EXPECT_FALSE(m.ownFile());
    const std::string temp = m.fileName();
    EXPECT_NE(temp, d / "a.mve");
    EXPECT_EQ(m.GoTo(2).data()[1], 255 - 33);
    // A temporary output is rewritten in place.
    ASSERT_TRUE(framePass(m, [](CZVimage& f) { f.negative({}); }));
    EXPECT_EQ(m.fileName(), temp);
    EXPECT_EQ(m.GoTo(2).data()[1], 33);
    // Subtract trace drops the last frame: frame i - frame i+1 + 128.
    ASSERT_TRUE(subtractTracePass(m));
    ASSERT_EQ(m.count(), 2);
    EXPECT_EQ(m.GoTo(0).data()[0], 128 - 16);
    // A memory movie changes in place and is marked modified.
    CZVMovie mem;
    memoryMovie(mem, 3, 4, 2, [](int k, int x, int) { return 10 * k + x; });
    CZVimage one;
    mem.CopyFrame(1, one);
    ASSERT_TRUE(subtractImagePass(mem, one, 5));
    EXPECT_EQ(mem.mode(), StorageMode::Memory);
    EXPECT_EQ(mem.GoTo(0).data()[3], 0);
    EXPECT_EQ(mem.GoTo(2).data()[3], 10 + 5);
    // A name that is taken is never overwritten by a pass.
    CZVMovie busy;
    ASSERT_TRUE(busy.Open(d / "a.mve"));
    writeBytes(d / "out.mve", {1, 2, 3});
    ASSERT_TRUE(busy.openprocessing(false, d / "out"));
    busy.GoTo(1);
    busy.GoTo(0);
    ASSERT_TRUE(busy.FinishProcessing());
    EXPECT_EQ(readBytes(d / "out.mve"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(busy.count(), 2);
    EXPECT_NE(busy.fileName(), d / "out.mve");
}

TEST(MovieStatistics, AverageOnTheOffsetCanvasRmsAndSpeed) {
    CZVMovie m;
    memoryMovie(m, 4, 4, 2, [](int k, int x, int y) { return k % 2 ? 100 : 50 + x + y; });
    CZVimage avg;
    ASSERT_TRUE(averageRange(m, -1, -1, avg));
    EXPECT_EQ(avg.width(), 4);
    EXPECT_EQ(avg.row(1)[2], (100 + 53) / 2);
    CZVimage rms;
    ASSERT_TRUE(rmsRange(m, 0, 2, rms));
    EXPECT_EQ(rms.row(0)[0], 25);  // 50 and 100: deviation 25
    // Offsets move frames on the canvas; uncovered pixels are 0.
    m.SetOffsets(2, 1, 1, 2);
    ASSERT_TRUE(averageRange(m, 0, 2, avg));
    EXPECT_EQ(avg.width(), 6);
    EXPECT_EQ(avg.rows(), 3);
    EXPECT_EQ(avg.row(0)[0], 50);
    EXPECT_EQ(avg.row(2)[5], 100);
    EXPECT_EQ(avg.row(2)[0], 0);
    EXPECT_EQ(avg.row(1)[3], (54 + 100) / 2);
    EXPECT_EQ(avg.row(1)[1], 52);
    // Damaged offsets never ask for a gigantic canvas.
    m.SetOffsets(1 << 30, 0, 0, 1);
    EXPECT_FALSE(averageRange(m, 0, 2, avg).ok());
    // Speed by rms: steady pixels fall under the threshold.
    CZVMovie s;
    memoryMovie(s, 5, 4, 1, [](int k, int x, int) { return x == 0 ? 80 : (k % 2 ? 120 : 80); });
    CZVimage speed;
    int calls = 0;
    ASSERT_TRUE(speedByRms(s, -1, -1, 2.0, 64.0, speed, [&](const std::string&) { return ++calls > 0; }));
    EXPECT_EQ(calls, 6);
    EXPECT_EQ(speed.row(0)[0], 0);
    EXPECT_EQ(speed.row(0)[1], 128);  // sd(d) 40 x 64 / sd(I) 20
}

TEST(MovieVideo, UncompressedAviRoundTripAndCompressedContainers) {
    ScratchDir d("avi");
    CZVMovie m;
    memoryMovie(m, 12, 36, 20, [](int k, int x, int y) { return (k * 37 + x * 5 + y * 11) & 255; });
    m.setRate(30000, 1001);
    ASSERT_TRUE(m.SaveRange(d / "src.mve", -1, -1));
    AviWriter::Params p{36, 20, false, 30000, 1001, ""};
    auto w = AviWriter::open(d / "raw.avi", p);
    ASSERT_TRUE(w);
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(w.value()->write(m.GoTo(i)));
    ASSERT_TRUE(w.value()->close());
    CZVMovie back;
    ASSERT_TRUE(back.Open(d / "raw.avi"));
    EXPECT_EQ(back.count(), 12);
    EXPECT_EQ(back.rate(), 30000);
    EXPECT_EQ(back.scale(), 1001);
    for (int i : {0, 7, 3, 11, 4, 5}) {
        const CZVimage& a = back.GoTo(i);
        CZVimage b;
        m.CopyFrame(i, b);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 36; ++x) ASSERT_EQ(a.row(y)[x], b.row(y)[x]) << i << " row " << y << " x " << x;
        EXPECT_EQ(a.tag(), 2 * i);
    }
    // Lossless and lossy codecs in other containers: count and rate exact.
    for (const char* name : {"v.mkv", "v.mp4"}) {
        AviWriter::Params q{36, 20, false, 25, 1, std::string(name) == "v.mkv" ? "ffv1" : ""};
        auto c = AviWriter::open(d / name, q);
        ASSERT_TRUE(c) << c.reason();
        for (int i = 0; i < 30; ++i) ASSERT_TRUE(c.value()->write(m.GoTo(i % 12)));
        ASSERT_TRUE(c.value()->close());
        auto r = AviReader::open(d / name);
        ASSERT_TRUE(r) << r.reason();
        EXPECT_EQ(r.value()->count(), 30) << name;
        EXPECT_EQ(double(r.value()->rate()) / r.value()->scale(), 25.0) << name;
        CZVimage f;
        ASSERT_TRUE(r.value()->readFrame(29, f));
        ASSERT_TRUE(r.value()->readFrame(13, f));
        CZVimage want;
        m.CopyFrame(1, want);
        int worst = 0;
        for (int x = 0; x < 36; ++x) worst = std::max(worst, std::abs(int(f.row(10)[x]) - int(want.row(10)[x])));
        EXPECT_LE(worst, std::string(name) == "v.mkv" ? 0 : 40) << name;
    }
    // Hostile: a file that is no video.
    writeBytes(d / "junk.avi", {'R', 'I', 'F', 'F', 1, 0, 0, 0, 'A', 'V', 'I', ' '});
    EXPECT_FALSE(back.Open(d / "junk.avi").ok());
    EXPECT_EQ(back.mode(), StorageMode::Closed);
}

TEST(MoviePasses, ReformatPassesChangeTheKindOfEveryFrame) {
    ScratchDir d("mve-reformat");
    auto owned = std::make_unique<CZVMovie>();
    CZVMovie& m = *owned;
    m.options.tempFolder = d.dir.string();
    ASSERT_TRUE(m.Record("", 3, 6, 4, CZVimage::kBayer));
    CZVimage raw(6, 4, 0, 0, CZVimage::kBayer);
    for (int k = 0; k < 3; ++k) {
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x) raw.row(y)[x] = uint8_t(40 * k + x + y);
        raw.setTag(7 + k);
        m.AddFrame(raw, true);
    }
    m.stopRecording();
    CZVimage expected;
    m.CopyFrame(2, raw);
    ASSERT_TRUE(raw.demosaicTo(expected));
    // Bayer to colour: the frames leave the mosaic's single byte behind.
    ASSERT_TRUE(reformatPass(m, [](CZVimage& f) {
        CZVimage rgb;
        if (f.demosaicTo(rgb)) f = std::move(rgb);
    }));
    ASSERT_EQ(m.count(), 3);
    EXPECT_EQ(m.formatImage().colour(), CZVimage::kColour);
    const CZVimage& f2 = m.GoTo(2);
    ASSERT_EQ(f2.bytesPerPixel(), 3);
    EXPECT_EQ(f2.tag(), 9);
    EXPECT_EQ(std::memcmp(f2.row(1), expected.row(1), 18), 0);
    // A cancelled reformat leaves the movie as it was.
    const std::string before = m.fileName();
    EXPECT_FALSE(reformatPass(m, [](CZVimage& f) { f.setColour(CZVimage::kGrey); }, [](int) { return false; }));
    EXPECT_EQ(m.fileName(), before);
    EXPECT_EQ(m.formatImage().colour(), CZVimage::kColour);
    // Scratch outputs do not pile up: the next pass's output replaces the
    // last one, and the movie takes its scratch file with it.
    ASSERT_TRUE(reformatPass(m, [](CZVimage& f) {
        CZVimage grey(f.width(), f.height(), f.tag(), f.interlace(), CZVimage::kGrey);
        f = std::move(grey);
    }));
    EXPECT_FALSE(std::filesystem::exists(before));
    const std::string last = m.fileName();
    EXPECT_TRUE(std::filesystem::exists(last));
    {
        CZVMovie user;
        ASSERT_TRUE(user.Open(last));
    }  // a file the user opened is kept
    EXPECT_TRUE(std::filesystem::exists(last));
    owned.reset();
    EXPECT_FALSE(std::filesystem::exists(last));
}
