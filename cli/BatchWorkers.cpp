#include "cli/BatchWorkers.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "base/ParallelFor.h"

namespace ordavia {

int threadsPerJob(int total, int jobsAtOnce) { return std::max(1, total / std::max(1, jobsAtOnce)); }

void runBatchWorkers(int workers, const std::function<void()>& work) {
    const int each = threadsPerJob(threadCount(), workers);
    std::vector<std::thread> pool;
    pool.reserve(static_cast<size_t>(std::max(workers, 0)));
    for (int i = 0; i < workers; ++i)
        pool.emplace_back([&work, each] {
            const ThreadLimit limit(each);
            work();
        });
    for (std::thread& t : pool) t.join();
}

}  // namespace ordavia
