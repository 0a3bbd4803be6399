#pragma once
// Test seam: lets a test make the flush of a save fail, which no real disc
// does on demand. Null restores the system call.
namespace ordavia {
using FsyncFunction = int (*)(int);
void setFsyncForTesting(FsyncFunction f);
}  // namespace ordavia
