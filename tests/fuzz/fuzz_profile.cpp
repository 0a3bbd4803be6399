// The profile reader and its rewrite on arbitrary file contents: lookups,
// a write in place or a new key, and a new section; what is written must
// read back.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "settings/ProfileStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/ordavia_fuzz_" +
        std::to_string(getpid()) + ".ini";
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f << text;
    }
    ProfileStore store(path);
    (void)store.GetInt("Settings", "showdb", 1);
    (void)store.GetString("TRVcalcs", "ped1", "x");
    (void)store.GetDouble("a", "b", 0.5);
    const std::string key = size ? std::string(1, char('a' + data[0] % 26)) : "k";
    store.WriteString("Settings", key, "1");
    // What was written reads back, through the cache and from the file.
    if (store.GetString("Settings", key, "?") != "1") std::abort();
    if (ProfileStore(path).GetString("Settings", key, "?") != "1") std::abort();
    store.WriteString("New section", "k", "v");
    std::remove(path.c_str());
    return 0;
}
