// Damaged and hostile videos: frames that do not decode are counted, named
// and never averaged in as black (the commands' exports and messages:
// CliVideoDamage); damage costs linear time; files that declare more than
// their bytes can hold are refused before allocating.
#include <gtest/gtest.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "base/FileIO.h"

#include "image/CZVimage.h"
#include "tests/support/DamagedVideo.h"
#include "tests/support/MemoryMovie.h"
#include "tests/support/MveBytes.h"
#include "tests/support/Sanitizer.h"
#include "video/AviReader.h"
#include "video/CZVMovie.h"
#include "video/MovementCorrection.h"
#include "video/MovieAccumulate.h"
#include "video/MovieExport.h"

using namespace testsupport;
using ordavia::StatusCode;

namespace {

// One heap for every thread: the heaps that threads would reserve let an
// allocation slip past the address-space limit below.
const int kOneHeap = ::mallopt(M_ARENA_MAX, 1);

}  // namespace

TEST(DamagedVideo, StatisticsNameDamagedFramesAndSkipThemOnlyWhenAsked) {
    ScratchDir d("damaged-avg");
    const std::string avi = d / "clip.avi";
    if (!writeMjpegAvi(avi, 12)) GTEST_SKIP() << "no MJPEG encoder";
    damageAviFrames(avi, {3, 4, 5, 9});
    CZVMovie m;
    ASSERT_TRUE(m.Open(avi));
    CZVimage avg;
    ordavia::Status s = ordavia::averageRange(m, 0, 12, avg);
    ASSERT_FALSE(s);
    EXPECT_EQ(s.code(), StatusCode::BadFormat);
    EXPECT_NE(s.reason().find("4 frames cannot be decoded (3-5, 9)"), std::string::npos) << s.reason();

    // Skipped, they weigh nothing: the average of the good frames, not of black ones.
    m.options.skipDamaged = true;
    ASSERT_TRUE(ordavia::averageRange(m, 0, 12, avg));
    int sum = 0;
    for (int k : {0, 1, 2, 6, 7, 8, 10, 11}) sum += 40 + 4 * k;
    EXPECT_NEAR(avg.row(15)[31], sum / 8, 3);
    // Nothing left to average is still a failure.
    EXPECT_FALSE(ordavia::averageRange(m, 3, 6, avg));
}

TEST(DamagedVideo, DamageIsReadOnceInOrderWithoutDecodingFromTheStart) {
    ScratchDir d("damaged-linear");
    const std::string avi = d / "clip.avi";
    if (!writeMjpegAvi(avi, 200)) GTEST_SKIP() << "no MJPEG encoder";
    std::set<int> bad;
    for (int k = 20; k < 180; ++k)
        if (k % 3) bad.insert(k);
    for (int k = 185; k < 200; ++k) bad.insert(k);  // damage up to the end
    damageAviFrames(avi, bad);
    auto r = ordavia::AviReader::open(avi);
    ASSERT_TRUE(r) << r.reason();
    CZVimage f;
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < 200; ++i) EXPECT_EQ(r.value()->readFrame(i, f), bad.count(i) == 0) << i;
    // One decode per frame the first time round, one seek back for the second.
    EXPECT_LE(r.value()->decodedFrames(), 2 * (200 - int(bad.size())) + 2);
    EXPECT_LE(r.value()->seeks(), 2);
}

TEST(DamagedVideo, DeclaredFramesBeyondTheFilesBytesAreRefusedBeforeAllocating) {
    ScratchDir d("declares");
    const std::string avi = d / "huge.avi";
    ASSERT_TRUE(writeAviDeclaring(avi, 8192, 8190));
    CZVMovie m;
    ordavia::Status s = m.Open(avi);
    ASSERT_FALSE(s);
    EXPECT_EQ(s.code(), StatusCode::BadFormat);
    EXPECT_NE(s.reason().find("8192 x 8190"), std::string::npos) << s.reason();

    // A movie file of one 4 GiB frame (sparse on the disc): refused by the
    // ceiling, not by the allocator.
    writeSparseMve(d / "huge.mve", 65536, 65536, 1);
    s = m.Open(d / "huge.mve");
    EXPECT_EQ(s.code(), StatusCode::NoMemory) << s.reason();
}

TEST(DamagedVideo, FeaturelessFramesSayNothingCouldBeAligned) {
    CZVMovie m;
    memoryMovie(m, 5, 64, 48, [](int, int, int) { return 90; });
    ordavia::MovementRun run;
    ASSERT_TRUE(run.start(m, 0, 5, {}));
    while (run.step()) {
    }
    EXPECT_EQ(run.unaligned(), 4);
    EXPECT_FALSE(run.status().ok());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(m.GoTo(i).originX(), 0);  // not the largest shift searched

    // A search beyond the ceiling is refused before it starts.
    ordavia::MovementParams p;
    p.range = 50;
    p.step = 1;
    p.window = 100;
    CZVMovie big;
    ASSERT_TRUE(big.Record("", 2, 2048, 2048, CZVimage::kGrey));
    CZVimage bigFrame;
    walkingSquare(0, 2048, 2048, bigFrame);
    for (int k = 0; k < 2; ++k) big.AddFrame(bigFrame, true);
    big.stopRecording();
    EXPECT_EQ(run.start(big, 0, 2, p).code(), StatusCode::OutOfRange);
}

// When a frame cannot be given memory, an export fails with NoMemory
// instead of writing a movie of empty frames. The limit is set in a child
// process, so that nothing else of the test run is starved.

TEST(DamagedVideo, FrameWithoutMemoryFailsWithNoMemory) {
#ifdef ORDAVIA_TEST_ASAN
    GTEST_SKIP() << "the address sanitizer reserves more address space than any limit allows";
#endif
    ScratchDir d("nomemory");
    writeSparseMve(d / "big.mve", 2048, 2048, 3);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Large blocks come from fresh mappings, not from what earlier tests
        // left in the heap, so that the limit below is what they meet.
        ::mallopt(M_MMAP_THRESHOLD, 1 << 16);
        ::malloc_trim(0);
        CZVMovie m;
        if (!m.Open(d / "big.mve")) ::_exit(10);
        long pages = 0;
        if (FILE* s = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(s, "%ld", &pages) != 1) pages = 0;
            std::fclose(s);
        }
        const rlimit lim{rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(1) << 20), RLIM_INFINITY};
        ::setrlimit(RLIMIT_AS, &lim);
        auto n = ordavia::exportFrames(m, d / "out.mve", {});
        ::_exit(n ? 11 : n.code() == StatusCode::NoMemory ? 0 : 12);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(ordavia::fileExists(d / "out.mve"));
}
