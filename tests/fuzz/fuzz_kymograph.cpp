// Kymograph TIFFs of other instruments on arbitrary bytes; the first byte
// chooses whether time runs along x.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "linescan/LineScanRun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::vector<uint8_t> bytes(data + 1, data + size);
    (void)ordavia::loadKymograph(bytes, (data[0] & 1) != 0);
    return 0;
}
