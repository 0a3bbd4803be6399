// The grid metafile reader on arbitrary bytes: it must stop cleanly, keep
// its primitives within the input's size, and produce points the view can
// map without overflow.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "measure/WmfDrawing.h"

using namespace ordavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const WmfDrawing d = parseWmf(data, size);
    if (d.primitives.size() > size / 6 + 1) std::abort();
    for (const WmfPrimitive& p : d.primitives)
        for (const ZPoint& q : p.points)
            if (q.x < -32768 || q.x > 32767 || q.y < -32768 || q.y > 32767) std::abort();
    const ZRect f = d.frame();
    (void)f;
    return 0;
}
