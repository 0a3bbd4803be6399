#pragma once
// The worker threads of a batch and the threads each job's analyses may
// use: the process's count (--threads, ORDAVIA_THREADS or the cores) shared
// out over the jobs that run at once, so that N jobs of parallel analyses
// (and their video decoders) never ask the machine for N times its cores.
#include <functional>

namespace ordavia {

// max(1, total / jobsAtOnce).
int threadsPerJob(int total, int jobsAtOnce);

// Runs `work` on `workers` threads and waits for them all; in each of them
// the analyses use threadsPerJob(threadCount(), workers) threads.
void runBatchWorkers(int workers, const std::function<void()>& work);

}  // namespace ordavia
