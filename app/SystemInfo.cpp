#include "app/SystemInfo.h"

#include <sys/resource.h>
#include <sys/statvfs.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace ordavia {

namespace {

// "Key:   1234 kB" lines of a /proc file, in bytes.
uint64_t procValue(const char* file, const char* key) {
    std::ifstream in(file);
    std::string line;
    const size_t klen = std::strlen(key);
    while (std::getline(in, line)) {
        if (line.compare(0, klen, key) == 0 && line.size() > klen && line[klen] == ':') {
            std::istringstream s(line.substr(klen + 1));
            uint64_t v = 0;
            s >> v;
            return v * 1024;
        }
    }
    return 0;
}

// The user address space of a 64-bit Linux process (47 bits).
constexpr uint64_t kUserAddressSpace = 0x7FFFFFFFF000ull;

}  // namespace

MemoryStatus readMemoryStatus() {
    MemoryStatus m;
    m.totalPhys = procValue("/proc/meminfo", "MemTotal");
    m.availPhys = procValue("/proc/meminfo", "MemAvailable");
    if (m.totalPhys) m.load = static_cast<unsigned long>(100 - (m.availPhys * 100) / m.totalPhys);
    struct rlimit rl {};
    m.totalVirtual = kUserAddressSpace;
    if (getrlimit(RLIMIT_AS, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY && rl.rlim_cur < kUserAddressSpace)
        m.totalVirtual = rl.rlim_cur;
    const uint64_t used = procValue("/proc/self/status", "VmSize");
    m.availVirtual = used < m.totalVirtual ? m.totalVirtual - used : 0;
    return m;
}

bool readDiskFree(const std::string& path, uint64_t& freeBytes, std::string& mountPoint) {
    struct statvfs st {};
    if (statvfs(path.c_str(), &st) != 0) return false;
    freeBytes = static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
    // The mount point: the longest /proc/mounts entry that prefixes the path.
    mountPoint.assign(1, '/');  // not = "/": GCC 12 reports a false -Wrestrict there
    std::ifstream in("/proc/mounts");
    std::string dev, mnt, rest;
    size_t best = 1;
    while (in >> dev >> mnt && std::getline(in, rest)) {
        if (mnt.size() > best && path.compare(0, mnt.size(), mnt) == 0 &&
            (path.size() == mnt.size() || path[mnt.size()] == '/')) {
            best = mnt.size();
            mountPoint = mnt;
        }
    }
    return true;
}

}  // namespace ordavia
