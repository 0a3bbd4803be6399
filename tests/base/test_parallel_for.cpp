// The shared parallel-for: every index once, work started inside a piece
// stays on its thread, limits hold, failures reach the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include "tests/support/ThreadCounts.h"

using namespace ordavia;

TEST(ParallelFor, EveryIndexOnceNestedWorkStaysOnItsThreadAndFailuresReachTheCaller) {
    for (int threads : {1, 3, 7})
        for (int n : {0, 1, 5, 1001}) {
            std::vector<std::atomic<int>> seen(size_t(n) + 1);
            testsupport::withThreads(threads, [&] {
                parallelFor(3, 3 + n, [&](int from, int to) {
                    EXPECT_EQ(threadCount(), threads > 1 && n > 1 ? 1 : threads);  // nothing spreads further
                    for (int i = from; i < to; ++i) ++seen[size_t(i - 3)];
                });
                return 0;
            });
            for (int i = 0; i < n; ++i) ASSERT_EQ(seen[size_t(i)].load(), 1) << threads << " " << n << " " << i;
        }
    testsupport::withThreads(4, [] {
        ThreadLimit two(2);
        EXPECT_EQ(threadCount(), 2);
        EXPECT_THROW(parallelFor(0, 8, [](int from, int) { if (from > 0) throw std::runtime_error("piece"); }),
                     std::runtime_error);
        return 0;
    });
    EXPECT_EQ(threadCount(), defaultThreadCount());
}
