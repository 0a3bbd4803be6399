#pragma once
// Work split over threads inside one analysis. The range is cut into
// contiguous pieces, one per thread, and every index is worked by exactly
// the code a single thread would run: callers give each index its own
// output and never add floating-point values across pieces, so that the
// result is the same, bit for bit, whatever the number of threads.
//
// The number of threads is one setting for the process: the processor's
// cores, unless ORDAVIA_THREADS in the environment or setThreadCount (the
// command line's --threads) says otherwise. A thread may lower it for the
// work it starts (ThreadLimit), as a batch running several files at once
// does; work started from inside a piece runs in that piece's thread.
#include <functional>

namespace ordavia {

// The threads an analysis may use now (1 or more).
int threadCount();
// Sets the process's count; 0 goes back to the default.
void setThreadCount(int n);
// What ORDAVIA_THREADS or the processor gives, without setThreadCount.
int defaultThreadCount();

// Lowers the count for the work the current thread starts while it lives.
class ThreadLimit {
public:
    explicit ThreadLimit(int n);
    ~ThreadLimit();
    ThreadLimit(const ThreadLimit&) = delete;
    ThreadLimit& operator=(const ThreadLimit&) = delete;

private:
    int previous_;
};

// Runs body(from, to) over pieces of [begin, end) that together cover it
// once, on up to threadCount() threads (the calling thread among them).
// Pieces hold at least `grain` indexes, so that small ranges stay on one
// thread. Returns when every piece is done; an exception from a piece is
// rethrown here after the others finished.
void parallelFor(int begin, int end, const std::function<void(int, int)>& body, int grain = 1);

}  // namespace ordavia
