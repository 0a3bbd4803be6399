// The ".dcs" reader on arbitrary bytes: the image-document part and the
// video fields of every layout version.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "video/CMotivaDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CMotivaDoc doc;
    doc.setQuiet(true);
    if (doc.readBytes(std::vector<uint8_t>(data, data + size))) {
        (void)doc.storedFrameTable().size();
        (void)doc.framesPerSecond();
    }
    return 0;
}
