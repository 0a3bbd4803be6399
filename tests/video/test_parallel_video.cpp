// The analyses of one video worked on several threads give, bit for bit,
// what one thread gives: movement correction (whole pixels, sub-pixel,
// robust), the flow statistics, and decoding with the decoder's threads
// (frames in order, damaged frames still found).
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tests/support/DamagedVideo.h"
#include "tests/support/ScratchDir.h"
#include "tests/support/SyntheticMovie.h"
#include "tests/support/ThreadCounts.h"
#include "video/AviReader.h"
#include "video/CZVMovie.h"
#include "video/FcfStatistics.h"
#include "video/MovementCorrection.h"

using namespace ordavia;
using testsupport::withThreads;

namespace {

SyntheticVideo::Params shaky(int frames) {
    SyntheticVideo::Params p;
    p.frames = frames;
    p.width = 320;
    p.height = 240;
    p.jitter = 3.0;
    return p;
}

struct Corrected {
    std::vector<std::pair<int32_t, int32_t>> offsets;
    std::vector<FineOffset> fine;
};

Corrected correct(const MovementParams& p, int threads) {
    return withThreads(threads, [&] {
        SyntheticVideo gen;
        CZVMovie m;
        testsupport::recordSynthetic(gen, shaky(12), m);
        MovementRun run;
        EXPECT_TRUE(run.start(m, 0, 12, p));
        while (run.step()) {
        }
        Corrected c;
        for (int k = 0; k < 12; ++k) c.offsets.emplace_back(m.frameTable()[size_t(k)].x, m.frameTable()[size_t(k)].y);
        c.fine = run.fine().entries();
        return c;
    });
}

}  // namespace

TEST(ParallelVideo, MovementCorrectionIsTheSameOnOneThreadAndOnFour) {
    MovementParams whole, fine, robust;
    whole.step = 4;
    fine.subpixel = true;
    robust.robust = true;
    robust.subpixel = true;
    for (const MovementParams& p : {whole, fine, robust}) {
        const Corrected one = correct(p, 1), four = correct(p, 4);
        EXPECT_EQ(one.offsets, four.offsets);
        ASSERT_EQ(one.fine.size(), four.fine.size());
        for (size_t k = 0; k < one.fine.size(); ++k) {
            EXPECT_EQ(one.fine[k].set, four.fine[k].set) << k;
            // Bit for bit: not merely near.
            EXPECT_EQ(std::memcmp(&one.fine[k].fx, &four.fine[k].fx, sizeof(double)), 0) << k;
            EXPECT_EQ(std::memcmp(&one.fine[k].fy, &four.fine[k].fy, sizeof(double)), 0) << k;
        }
        // The run moved frames, so that the comparison says something.
        EXPECT_NE(one.offsets.front(), one.offsets.back());
    }
}

TEST(ParallelVideo, FlowStatisticsAreTheSameOnOneThreadAndOnFour) {
    SyntheticVideo gen;
    CZVMovie m;
    testsupport::recordSynthetic(gen, shaky(40), m);
    // Offsets spread the frames over a canvas larger than one frame.
    for (int k = 0; k < 40; ++k) m.SetOffsets(k % 7 - 3, k % 5 - 2, k, k + 1);
    auto stats = [&](int threads) {
        return withThreads(threads, [&] {
            FcfBlock b;
            EXPECT_TRUE(fcfBlockStatistics(m, 0, 40, b));
            return b;
        });
    };
    const FcfBlock one = stats(1), four = stats(4);
    ASSERT_EQ(one.sdI.size(), four.sdI.size());
    EXPECT_EQ(std::memcmp(one.sdI.data(), four.sdI.data(), one.sdI.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(one.sdD.data(), four.sdD.data(), one.sdD.size() * sizeof(double)), 0);
    EXPECT_EQ(one.width, four.width);
}

TEST(ParallelVideo, DecoderThreadsGiveTheSameFramesInOrderAndFindTheSameDamage) {
    testsupport::ScratchDir d("decoder-threads");
    const std::set<int> bad = {10, 11, 30};
    for (const char* codec : {"mjpeg", "mpeg4", "ffv1"}) {
        const std::string avi = d / (std::string(codec) + ".avi");
        if (!testsupport::writeMjpegAvi(avi, 48, 64, 48, codec)) continue;
        testsupport::damageAviFrames(avi, bad);
        auto decode = [&](int threads) {
            return withThreads(threads, [&] {
                std::vector<std::vector<uint8_t>> frames;
                auto r = AviReader::open(avi);
                EXPECT_TRUE(r) << r.reason();
                if (!r) return frames;
                CZVimage f;
                // In order, then a few back and forth.
                for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 20, 29, 30, 31, 47, 3, 40, 12, 11}) {
                    const bool ok = r.value()->readFrame(i, f);
                    std::vector<uint8_t> bytes(f.data(), f.data() + (ok ? f.byteCount() : 0));
                    frames.push_back(bytes);
                }
                return frames;
            });
        };
        const auto one = decode(1), four = decode(4);
        EXPECT_EQ(one, four) << codec;
        // MJPEG loses the damaged frames themselves, and those alone.
        if (std::string(codec) == "mjpeg") {
            EXPECT_TRUE(one[10].empty() && one[11].empty() && one[16].empty()) << codec;
            EXPECT_FALSE(one[12].empty()) << codec;
        }
    }
}
