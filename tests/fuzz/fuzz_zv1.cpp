// Charts (".zv1") and the trace import readers from hostile bytes: a chart
// either loads or gives an error, and one that loads saves and loads again
// to the same bytes; the text and binary readers take any file with any
// settings derived from the first bytes, within the file's own size.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "chart/DataFileFormat.h"
#include "chart/ZchartDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    {
        ZchartDoc doc;
        if (doc.loadFromBytes(bytes).ok()) {
            const auto saved = doc.saveToBytes();
            ZchartDoc again;
            if (!again.loadFromBytes(saved).ok() || again.saveToBytes() != saved) __builtin_trap();
            for (int i = 0; i < doc.traceCount(); ++i) {
                (void)doc.copyBytes(i, 1, 0);
                (void)doc.powerSpectrum(i, 1.0);
            }
        }
    }
    if (size < 8) return 0;
    DataFileFormat f;
    f.binary = data[0] & 1;
    f.inputType = data[1] % 8;
    f.outputType = data[2] % 8;
    f.headerBytes = data[3];
    f.blockSize = 1 + data[4] % 16;
    f.blockSkip = data[5] % 8;
    f.swapBytes = data[6] & 1;
    f.columns = 1 + data[7] % 5;
    f.count = 1 + static_cast<int>(size);
    if (f.binary) (void)f.planBinary(size, f.availablePoints(size));
    ZchartDoc target;
    target.importTraces(bytes, f);
    return 0;
}
