#pragma once
// Memory and disc figures for the start-up log and the About box, read from
// the Linux equivalents of the Windows memory status: /proc/meminfo for
// physical memory, the address-space limit and /proc/self/status for
// virtual memory, statvfs for free disc space.
#include <cstdint>
#include <string>

namespace ordavia {

struct MemoryStatus {
    uint64_t totalPhys = 0;     // bytes
    uint64_t availPhys = 0;     // bytes
    unsigned long load = 0;     // percent of physical memory in use
    uint64_t totalVirtual = 0;  // bytes of address space the process may use
    uint64_t availVirtual = 0;  // bytes of it not yet used
};

MemoryStatus readMemoryStatus();
// Free bytes on the file system holding path; false when unreadable.
bool readDiskFree(const std::string& path, uint64_t& freeBytes, std::string& mountPoint);

}  // namespace ordavia
