// The ".mve" reader on arbitrary bytes: open, step through a few frames
// (ring order), the offset bounds and the average.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "image/CZVimage.h"
#include "video/CZVMovie.h"
#include "video/MovieAccumulate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fuzz_mve_" + std::to_string(::getpid()) + ".mve";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
    CZVMovie m;
    if (m.Open(path)) {
        for (int i : {0, 1, m.count() - 1, m.count(), -1}) m.GoTo(i);
        CZVimage copy;
        m.CopyFrame(m.count() / 2, copy);
        (void)m.OffsetBounds(0, 4);
        CZVimage avg;
        (void)ordavia::averageRange(m, 0, 3, avg);
        (void)m.ElapsedFields();
    }
    return 0;
}
