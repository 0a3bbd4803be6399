// TIFF reader (libtiff on memory) on arbitrary bytes. libtiff's own
// messages are silenced here only, to keep the run fast.
#include <tiffio.h>

#include <cstddef>
#include <cstdint>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"

using namespace ordavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool quiet = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)quiet;
    CZVimage img;
    if (readTiff(data, size, img, {}) && !img.isEmpty()) {
        int lo, hi;
        img.statistics(ZRect{}, nullptr, &lo, &hi);
    }
    return 0;
}
