// Line-scan files (".zvl") from hostile bytes: a file either loads or gives
// an error; one that loads saves and loads again to the same bytes, and
// its velocities, Hough transform and limit curves run over whatever
// traces it brought without reading out of range.
#include <cstddef>
#include <cstdint>

#include "linescan/ZlineScanBaseDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    ZlineScanBaseDoc doc;
    if (!doc.loadZvlBytes(bytes).ok()) return 0;
    const auto saved = doc.saveToBytes();
    ZlineScanBaseDoc again;
    if (!again.loadZvlBytes(saved).ok() || again.saveToBytes() != saved) __builtin_trap();
    // Bounded work: the transforms run only on scans of sensible size.
    const C2DTrace* s = doc.scanTrace();
    if (s && uint64_t(s->sampleCount()) * s->width() <= 200000) {
        (void)doc.recalculate();
        (void)doc.calculateHoughVelocities();
    }
    (void)doc.averageCbvVsLimit();
    (void)doc.summary(0, 0);
    return 0;
}
