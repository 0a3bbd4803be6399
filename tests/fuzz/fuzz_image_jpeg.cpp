// JPEG reader (libjpeg on memory) on arbitrary bytes, as grey and colour.
#include <cstddef>
#include <cstdint>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"

using namespace ordavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CZVimage grey;
    if (readJpeg(data, size, grey, ordavia::GreyWeights{}) && !grey.isEmpty()) {
        int lo, hi;
        grey.statistics(ZRect{}, nullptr, &lo, &hi);
    }
    CZVimage colour;
    colour.setColour(CZVimage::kColour);
    (void)readJpeg(data, size, colour, ordavia::GreyWeights{});
    return 0;
}
