#pragma once
// Runs the same work with one thread and with several, for the checks that
// an analysis worked on many threads gives what one thread gives.
#include "base/ParallelFor.h"

namespace testsupport {

// f() with the process's thread count set to n; the default afterwards.
template <class F>
auto withThreads(int n, F&& f) {
    struct Reset {
        ~Reset() { ordavia::setThreadCount(0); }
    } reset;
    ordavia::setThreadCount(n);
    return f();
}

}  // namespace testsupport
