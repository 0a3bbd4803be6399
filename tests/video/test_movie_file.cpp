// The ".mve" forms byte by byte, random access through the ring, hostile
// files, saving ranges and recording.
#include <gtest/gtest.h>

#include <cstring>

#include "image/CZVimage.h"
#include "tests/support/MveBytes.h"
#include "tests/support/TinyDisc.h"
#include "video/CZVMovie.h"

using namespace testsupport;

namespace {

bool frameIs(const CZVimage& img, int k) {
    const auto want = testFrame(k, img.width(), img.rows());
    for (int y = 0; y < img.rows(); ++y)
        if (std::memcmp(img.row(y), &want[size_t(y) * size_t(img.width())], size_t(img.width())) != 0) return false;
    return true;
}

}  // namespace

TEST(MovieFile, RingFileShowsOldestSlotFirstClampsIndexesAndSavesRangesInLogicalOrder) {
    ScratchDir d("mve-ring");
    writeBytes(d / "ring.mve", mveCurrent(8, 4, 10, 10, 3));
    CZVMovie m;
    ASSERT_TRUE(m.Open(d / "ring.mve"));
    EXPECT_EQ(m.count(), 10);
    EXPECT_TRUE(m.wrapped());
    EXPECT_TRUE(frameIs(m.GoTo(0), 3));
    EXPECT_EQ(m.currentImage().tag(), 6);  // 2 x slot
    EXPECT_TRUE(frameIs(m.GoTo(9), 2));
    EXPECT_TRUE(frameIs(m.GoTo(10), 3));
    EXPECT_EQ(m.currentIndex(), 0);
    EXPECT_TRUE(frameIs(m.GoTo(-4), 3));
    EXPECT_EQ(m.PhysicalIndex(7), 0);
    EXPECT_EQ(m.Next(), 1);
    m.GoTo(9);
    EXPECT_EQ(m.Next(), 0);
    CZVimage copy;
    m.CopyFrame(8, copy);
    EXPECT_TRUE(frameIs(copy, 1));
    EXPECT_EQ(m.currentIndex(), 9);

    // Saving a range writes the current form in logical order.
    m.SetOffsets(5, -2, 1, 2);
    ASSERT_TRUE(m.SaveRange(d / "part.mve", 0, 3));
    LeBytes want;
    want.i32(-23).i32(-2).i32(36).i32(6).i32(0).i32(8).i32(4).i32(0).i32(0).i32(0);
    for (int s : {3, 4, 5}) want.raw(testFrame(s, 8, 4));
    want.i32(3).i32(0);
    EXPECT_EQ(readBytes(d / "part.mve"), want.b);
    // The movie now is the saved file and keeps the frames' records.
    EXPECT_EQ(m.fileName(), d / "part.mve");
    EXPECT_TRUE(m.ownFile());
    EXPECT_EQ(m.ringStart(), 0);
    EXPECT_EQ(m.frameTable()[1].x, 5);
    EXPECT_EQ(m.GoTo(1).originY(), -2);
    // A whole-movie save of an own file is a byte copy; onto itself, nothing.
    ASSERT_TRUE(m.save(d / "copy.mve", -1, -1));
    EXPECT_EQ(readBytes(d / "copy.mve"), want.b);
    EXPECT_TRUE(m.save(d / "copy.mve", -1, -1));
}

TEST(MovieFile, OlderFormsWithPerFrameHeaders) {
    ScratchDir d("mve-old");
    writeBytes(d / "a.mve", mveNoTrailer16(6, 3, 4));
    CZVMovie m;
    ASSERT_TRUE(m.Open(d / "a.mve"));
    EXPECT_TRUE(m.perFrameHeaders());
    EXPECT_EQ(m.count(), 4);
    EXPECT_TRUE(frameIs(m.GoTo(2), 2));
    EXPECT_EQ(m.currentImage().tag(), 114);
    EXPECT_EQ(m.ElapsedFields(), 14);

    writeBytes(d / "b.mve", mveTrailer32(5, 2, 3));
    ASSERT_TRUE(m.Open(d / "b.mve"));
    EXPECT_TRUE(m.perFrameHeaders());
    EXPECT_EQ(m.count(), 3);
    const CZVimage& f = m.GoTo(2);
    EXPECT_TRUE(frameIs(f, 2));
    EXPECT_EQ(f.tag(), 52);
    EXPECT_EQ(f.originX(), 2);
    EXPECT_EQ(f.originY(), 4);
}

TEST(MovieFile, HostileFilesFailCleanly) {
    ScratchDir d("mve-bad");
    CZVMovie m;
    auto bad = [&](const std::vector<uint8_t>& bytes) {
        writeBytes(d / "x.mve", bytes);
        ordavia::Status s = m.Open(d / "x.mve");
        EXPECT_FALSE(s.ok());
        EXPECT_FALSE(s.reason().empty());
        EXPECT_EQ(m.mode(), StorageMode::Closed);
    };
    bad({});
    bad({0xE9, 0xFF});
    auto full = mveCurrent(8, 4, 10, 10, 3);
    bad(std::vector<uint8_t>(full.begin(), full.end() - 40));  // trailer now reads pixels
    bad(mveCurrent(8, 4, 3, 4, 0));    // trailer promises a fourth frame
    bad(mveCurrent(8, 4, 3, 3, 5));    // ring start past the frames
    bad(mveCurrent(8, 4, 3, -1, 0));   // negative count
    auto hugeW = mveCurrent(8, 4, 1, 1, 0);
    hugeW[20] = 0xFF, hugeW[21] = 0xFF, hugeW[22] = 0xFF, hugeW[23] = 0x7F;
    bad(hugeW);
    bad(std::vector<uint8_t>{0x40, 0x42, 0x0F, 0x00, 6, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // a million frames promised
    EXPECT_FALSE(m.Open(d / "missing.mve").ok());
}

TEST(MovieRecording, MemoryRingAndFileRecording) {
    CZVMovie m;
    EXPECT_FALSE(m.Record("", 3, 0, 4, 0));
    ASSERT_TRUE(m.Record("", 3, 642, 2, 0));
    EXPECT_EQ(m.formatImage().width(), 640);
    CZVimage in(640, 2, 0, 0, 0);
    int r = 0;
    for (int k = 0; k < 5; ++k) {
        if (k == 3) {
            EXPECT_EQ(r, -1);  // full and not looping
            m.loop = true;
        }
        std::memset(in.data(), k + 1, in.byteCount());
        in.setTag(10 + k);
        r = m.AddFrame(in, true);
    }
    EXPECT_EQ(r, 3);
    m.stopRecording();
    EXPECT_EQ(m.mode(), StorageMode::Memory);
    EXPECT_TRUE(m.modified());
    // The last three frames survive, oldest first.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m.GoTo(i).data()[0], 3 + i) << i;
    EXPECT_EQ(m.ElapsedFields(), 2);

    ScratchDir d("mve-rec");
    CZVMovie f;
    f.loop = true;
    ASSERT_TRUE(f.Record(d / "rec.mve", 4, 8, 4, 0));
    CZVimage fr(8, 4, 0, 0, 0);
    for (int k = 0; k < 6; ++k) {
        std::memcpy(fr.data(), testFrame(k, 8, 4).data(), 32);
        fr.setTag(2 * k);
        f.AddFrame(fr, true);
    }
    f.stopRecording();
    EXPECT_EQ(f.mode(), StorageMode::MovieFile);
    const auto bytes = readBytes(d / "rec.mve");
    ASSERT_EQ(bytes.size(), 40u + 4 * 32 + 8);
    EXPECT_EQ(bytes[bytes.size() - 8], 4);  // count
    EXPECT_EQ(bytes[bytes.size() - 4], 2);  // ring start
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(frameIs(f.GoTo(i), i + 2)) << i;
    EXPECT_EQ(f.currentImage().tag(), 10);
}

// A disc that fills mid-recording: the recording stops at the frame that
// did not fit, says so, and the file opens with every frame before it.
// The same for a compressed recording, and for a folder that cannot take
// the file at all.
TEST(MovieRecording, FullDiscKeepsEveryFrameWritten) {
    TinyDisc disc(64 * 1024);
    if (!disc.ok()) GTEST_SKIP() << "needs a tmpfs mount";
    for (bool avi : {false, true}) {
        const std::string name = disc.path(avi ? "full.avi" : "full.mve");
        CZVMovie m;
        m.options.compressOutput = avi;
        m.options.codec = "ffv1";
        m.options.captureFrameRate = 50;
        ASSERT_TRUE(m.Record(name, 200, 64, 64, 0));
        CZVimage fr(64, 64, 0, 0, 0);
        int added = 0;
        for (int k = 0; k < 200; ++k) {
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) fr.row(y)[x] = uint8_t((x * 7 + y * 13 + k * 31) ^ (k * 97 + x * y));
            fr.setTag(2 * k);
            if (m.AddFrame(fr, true) < 0) break;
            ++added;
        }
        ASSERT_GT(added, 1) << avi;
        ASSERT_LT(added, 200) << avi << ": the disc never filled";
        ordavia::Status s = m.finishRecording();
        EXPECT_FALSE(s.ok()) << avi;
        EXPECT_EQ(s.code(), ordavia::StatusCode::NoSpace) << s.reason();
        CZVMovie back;
        ASSERT_TRUE(back.Open(name).ok()) << avi;
        // A compressed file may lose the frames its muxer still held; it
        // plays at the capture rate.
        if (!avi) {
            EXPECT_EQ(back.count(), added);
        } else {
            EXPECT_EQ(double(back.rate()) / back.scale(), 50.0);
        }
        EXPECT_GE(back.count(), avi ? 1 : added) << avi;
        // Every frame kept is the frame recorded, in order and by a jump back.
        const int last = back.count() - 1;
        EXPECT_EQ(back.GoTo(last).row(5)[9], uint8_t((9 * 7 + 5 * 13 + last * 31) ^ (last * 97 + 45))) << avi;
        for (int i = 0; i < back.count(); ++i)
            EXPECT_EQ(back.GoTo(i).row(5)[9], uint8_t((9 * 7 + 5 * 13 + i * 31) ^ (i * 97 + 45))) << avi << " frame " << i;
        ::unlink(name.c_str());
    }
    CZVMovie m;
    EXPECT_FALSE(m.Record("/proc/no/such/folder/rec.mve", 3, 8, 4, 0));
    EXPECT_EQ(m.mode(), StorageMode::Closed);
    EXPECT_NE(m.recordingError().reason().find("rec.mve"), std::string::npos);
}

// A recording straight to disc that never finishes (the program killed):
// the file opens with every frame captured and says it was not finished,
// even when the frame being written had already overwritten the trailer.
// Finishing puts the header's own field number back, byte for byte.
TEST(MovieRecording, AnUnfinishedRecordingOpensWithItsFramesAndSaysSo) {
    ScratchDir d("mve-unfinished");
    const std::string name = d / "cut.mve";
    CZVMovie m;
    ASSERT_TRUE(m.Record(name, 10, 8, 4, 0));
    CZVimage fr(8, 4, 0, 0, 0);
    for (int k = 0; k < 3; ++k) {
        std::memcpy(fr.data(), testFrame(k, 8, 4).data(), 32);
        ASSERT_GE(m.AddFrame(fr, true), 0);
    }
    auto expectThreeFrames = [&](const char* when) {
        CZVMovie back;
        ASSERT_TRUE(back.Open(name).ok()) << when;
        EXPECT_TRUE(back.unfinished()) << when;
        EXPECT_NE(back.readingNotice().find("not finished"), std::string::npos) << back.readingNotice();
        ASSERT_EQ(back.count(), 3) << when;
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(frameIs(back.GoTo(i), i)) << when << " frame " << i;
    };
    expectThreeFrames("killed between frames");
    // Killed half-way through the fourth frame: its rows lie over the trailer.
    std::vector<uint8_t> bytes = readBytes(name);
    bytes.resize(40 + 3 * 32);
    bytes.insert(bytes.end(), 20, uint8_t(0xEE));
    writeBytes(name, bytes);
    expectThreeFrames("killed inside a frame");
    // The same bytes without the mark are a damaged file, as before.
    bytes[12] = 0;
    writeBytes(name + "2.mve", bytes);
    CZVMovie plain;
    EXPECT_FALSE(plain.Open(name + "2.mve").ok());

    CZVMovie done;
    ASSERT_TRUE(done.Record(d / "done.mve", 10, 8, 4, 0));
    for (int k = 0; k < 2; ++k) done.AddFrame(fr, true);
    ASSERT_TRUE(done.finishRecording().ok());
    EXPECT_FALSE(done.unfinished());
    EXPECT_TRUE(done.readingNotice().empty());
    const auto finished = readBytes(d / "done.mve");
    ASSERT_GE(finished.size(), 16u);
    const uint32_t field = uint32_t(finished[12]) | uint32_t(finished[13]) << 8 | uint32_t(finished[14]) << 16 |
                           uint32_t(finished[15]) << 24;
    EXPECT_EQ(int32_t(field), done.formatImage().tag());
}
