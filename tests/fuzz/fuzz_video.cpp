// Foreign videos through FFmpeg on arbitrary bytes, read from memory:
// open (container, stream, index), then frames in order, backwards and
// again, as the statistics and the player ask for them.
#include <cstddef>
#include <cstdint>

#include "image/CZVimage.h"
#include "video/AviReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto r = ordavia::AviReader::openMemory(data, size);
    if (!r) return 0;
    ordavia::AviReader& v = *r.value();
    CZVimage frame;
    const int n = v.count() < 8 ? v.count() : 8;
    for (int i = 0; i < n; ++i) v.readFrame(i, frame);
    for (int i : {v.count() - 1, 0, n / 2, n / 2, -1, v.count()}) v.readFrame(i, frame);
    return 0;
}
