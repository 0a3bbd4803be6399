// The shared parallel-for: every index once, pieces in order, work started
// inside a piece stays on its thread, failures reach the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/ParallelFor.h"
#include "tests/support/ThreadCounts.h"

using namespace ordavia;
using testsupport::withThreads;

TEST(ParallelFor, EveryIndexOnceInContiguousPiecesWhateverTheCount) {
    for (int threads : {1, 2, 3, 4, 7}) {
        for (int n : {0, 1, 2, 5, 100, 1001}) {
            std::vector<std::atomic<int>> seen(size_t(n) + 1);
            std::atomic<int> pieces{0};
            withThreads(threads, [&] {
                parallelFor(3, 3 + n, [&](int from, int to) {
                    ASSERT_LT(from, to);
                    ++pieces;
                    for (int i = from; i < to; ++i) ++seen[size_t(i - 3)];
                });
                return 0;
            });
            for (int i = 0; i < n; ++i) ASSERT_EQ(seen[size_t(i)].load(), 1) << threads << " " << n << " " << i;
            EXPECT_LE(pieces.load(), std::max(1, std::min(threads, n)));
        }
    }
    // A grain keeps small ranges on one thread.
    std::atomic<int> pieces{0};
    withThreads(4, [&] {
        parallelFor(0, 100, [&](int, int) { ++pieces; }, 64);
        return 0;
    });
    EXPECT_EQ(pieces.load(), 1);
}

TEST(ParallelFor, NestedWorkAndLimitsStayOnTheirThreadAndFailuresReachTheCaller) {
    withThreads(4, [] {
        EXPECT_EQ(threadCount(), 4);
        parallelFor(0, 4, [](int, int) {
            // Inside a piece nothing spreads further.
            EXPECT_EQ(threadCount(), 1);
            const std::thread::id me = std::this_thread::get_id();
            parallelFor(0, 100, [&](int, int) { EXPECT_EQ(std::this_thread::get_id(), me); });
        });
        {
            ThreadLimit one(2);
            EXPECT_EQ(threadCount(), 2);
        }
        EXPECT_EQ(threadCount(), 4);
        EXPECT_THROW(parallelFor(0, 8, [](int from, int) {
                         if (from > 0) throw std::runtime_error("piece");
                     }),
                     std::runtime_error);
        return 0;
    });
    EXPECT_EQ(threadCount(), defaultThreadCount());
}
