// One video's analyses on four threads give, bit for bit, what one thread
// gives: movement correction, flow statistics, decoding (order, damage).
#include <gtest/gtest.h>

#include <cstring>
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
    p.frames = frames, p.width = 320, p.height = 240, p.jitter = 3.0;
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
    fine.subpixel = robust.subpixel = robust.robust = true;
    for (const MovementParams& p : {whole, fine, robust}) {
        const Corrected one = correct(p, 1), four = correct(p, 4);
        EXPECT_EQ(one.offsets, four.offsets);
        EXPECT_NE(one.offsets.front(), one.offsets.back());  // the run moved frames
        ASSERT_EQ(one.fine.size(), four.fine.size());
        for (size_t k = 0; k < one.fine.size(); ++k)  // bit for bit, not merely near
            EXPECT_TRUE(one.fine[k].set == four.fine[k].set && !std::memcmp(&one.fine[k].fx, &four.fine[k].fx, 8) &&
                        !std::memcmp(&one.fine[k].fy, &four.fine[k].fy, 8)) << k;
    }
}

TEST(ParallelVideo, FlowStatisticsAreTheSameOnOneThreadAndOnFour) {
    SyntheticVideo gen;
    CZVMovie m;
    testsupport::recordSynthetic(gen, shaky(40), m);
    for (int k = 0; k < 40; ++k) m.SetOffsets(k % 7 - 3, k % 5 - 2, k, k + 1);  // a canvas wider than a frame
    FcfBlock one, four;
    EXPECT_TRUE(withThreads(1, [&] { return fcfBlockStatistics(m, 0, 40, one); }));
    EXPECT_TRUE(withThreads(4, [&] { return fcfBlockStatistics(m, 0, 40, four); }));
    ASSERT_TRUE(!one.sdI.empty() && one.sdI.size() == four.sdI.size());
    EXPECT_EQ(std::memcmp(one.sdI.data(), four.sdI.data(), one.sdI.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(one.sdD.data(), four.sdD.data(), one.sdD.size() * sizeof(double)), 0);
}

TEST(ParallelVideo, DecoderThreadsGiveTheSameFramesInOrderAndFindTheSameDamage) {
    testsupport::ScratchDir d("decoder-threads");
    const std::vector<int> order = {0, 1, 2, 3, 9, 10, 11, 12, 13, 29, 30, 31, 47, 3, 40, 12, 11};
    for (const std::string codec : {"mjpeg", "mpeg4", "ffv1"}) {
        const std::string avi = d / (codec + ".avi");
        if (!testsupport::writeMjpegAvi(avi, 48, 64, 48, codec)) continue;
        testsupport::damageAviFrames(avi, {10, 11, 30});
        auto decode = [&](int threads) {  // the bytes of each frame read, none when it failed
            return withThreads(threads, [&] {
                std::vector<std::vector<uint8_t>> frames;
                auto r = AviReader::open(avi);
                CZVimage f;
                for (int i : order)
                    frames.push_back(r && r.value()->readFrame(i, f) ? std::vector<uint8_t>(f.data(), f.data() + f.byteCount())
                                                                     : std::vector<uint8_t>{});
                return frames;
            });
        };
        const auto one = decode(1);
        EXPECT_EQ(one, decode(4)) << codec;
        for (size_t k = 0; codec == "mjpeg" && k < order.size(); ++k)  // MJPEG loses the damaged frames alone
            EXPECT_EQ(one[k].empty(), order[k] == 10 || order[k] == 11 || order[k] == 30) << k;
    }
}
