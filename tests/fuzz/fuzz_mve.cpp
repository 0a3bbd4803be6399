// The ".mve" reader on arbitrary bytes: open, step through a few frames
// (ring order), the offset bounds and the average. The bytes live in an
// anonymous memory file, so that no run leaves a file behind.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/FileIO.h"
#include "image/CZVimage.h"
#include "video/CZVMovie.h"
#include "video/MovieAccumulate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = ::memfd_create("fuzz_mve", MFD_CLOEXEC);
    if (fd < 0) return 0;
    const bool written = ordavia::writeAll(fd, data, size).ok();
    {
        CZVMovie m;
        if (written && m.Open("/proc/self/fd/" + std::to_string(fd))) {
            for (int i : {0, 1, m.count() - 1, m.count(), -1}) m.GoTo(i);
            CZVimage copy;
            m.CopyFrame(m.count() / 2, copy);
            (void)m.OffsetBounds(0, 4);
            CZVimage avg;
            (void)ordavia::averageRange(m, 0, 3, avg);
            (void)m.ElapsedFields();
        }
    }
    ::close(fd);
    return 0;
}
