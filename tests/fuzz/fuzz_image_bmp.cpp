// BMP reader on arbitrary bytes, into each of the three target kinds.
#include <cstddef>
#include <cstdint>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"

using namespace ordavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int kind : {CZVimage::kGrey, CZVimage::kColour, CZVimage::kBayer}) {
        CZVimage img;
        img.setColour(kind);
        if (readBmp(data, size, img, {}) && !img.isEmpty()) {
            int lo, hi;
            img.statistics(ZRect{}, nullptr, &lo, &hi);
        }
    }
    return 0;
}
