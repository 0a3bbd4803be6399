// The ".zvfcf" reader on arbitrary bytes, and the raw side file reader on
// the same bytes against the sizes the document named.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "video/fcfdoc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fcfdoc doc;
    doc.setQuiet(true);
    if (!doc.readBytes(std::vector<uint8_t>(data, data + size))) return 0;
    if (int64_t(doc.arrayWidth()) * doc.arrayHeight() > 4096) return 0;
    static const std::string raw = "/tmp/fuzz_zvfcf_" + std::to_string(::getpid()) + ".zvrawfcf";
    if (FILE* f = std::fopen(raw.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
        if (doc.readRaw(raw)) {
            doc.recalculate(doc.threshold(), doc.gain());
            (void)doc.measure();
        }
        std::remove(raw.c_str());
    }
    return 0;
}
