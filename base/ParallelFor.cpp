#include "base/ParallelFor.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <thread>
#include <vector>

namespace ordavia {

namespace {

std::atomic<int> gCount{0};       // 0: the default
thread_local int tLimit = 0;       // 0: no limit of this thread
thread_local bool tInPiece = false;

// A count in words, or 0 when the text is no count (1 to 1024).
int parseCount(const char* text) {
    if (!text || !*text) return 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    return (*end == '\0' && v >= 1 && v <= 1024) ? int(v) : 0;
}

}  // namespace

int defaultThreadCount() {
    static const int n = [] {
        if (const int env = parseCount(std::getenv("ORDAVIA_THREADS"))) return env;
        const unsigned cores = std::thread::hardware_concurrency();
        return cores ? int(std::min(cores, 1024u)) : 1;
    }();
    return n;
}

void setThreadCount(int n) { gCount.store(n > 0 ? std::min(n, 1024) : 0); }

int threadCount() {
    if (tInPiece) return 1;
    const int set = gCount.load();
    int n = set > 0 ? set : defaultThreadCount();
    if (tLimit > 0) n = std::min(n, tLimit);
    return std::max(1, n);
}

ThreadLimit::ThreadLimit(int n) : previous_(tLimit) { tLimit = n > 0 ? n : previous_; }
ThreadLimit::~ThreadLimit() { tLimit = previous_; }

void parallelFor(int begin, int end, const std::function<void(int, int)>& body, int grain) {
    if (end <= begin) return;
    const long long len = (long long)end - begin;
    const long long byGrain = len / std::max(1, grain);
    const int pieces = int(std::max<long long>(1, std::min<long long>(threadCount(), byGrain)));
    if (pieces == 1) {
        body(begin, end);
        return;
    }
    auto bounds = [&](int i) { return begin + int(len * i / pieces); };
    std::vector<std::exception_ptr> errors(static_cast<size_t>(pieces));
    auto run = [&](int i) {
        const bool was = tInPiece;
        tInPiece = true;
        try {
            body(bounds(i), bounds(i + 1));
        } catch (...) {
            errors[size_t(i)] = std::current_exception();
        }
        tInPiece = was;
    };
    std::vector<std::thread> threads;
    threads.reserve(size_t(pieces - 1));
    int started = 1;
    try {
        for (; started < pieces; ++started) threads.emplace_back(run, started);
    } catch (...) {
        // No thread to be had: the pieces left run here.
    }
    run(0);
    for (int i = started; i < pieces; ++i) run(i);
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

}  // namespace ordavia
