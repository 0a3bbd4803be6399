// Native image reader on arbitrary bytes: whole reads, and region reads into
// a small existing picture.
#include <cstddef>
#include <cstdint>

#include "image/CZVimage.h"
#include "image/ImageFormats.h"

using namespace ordavia;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CZVimage img;
    if (readZvg(data, size, img) && !img.isEmpty()) {
        double mean;
        int lo, hi;
        img.statistics(ZRect{}, &mean, &lo, &hi);
        std::vector<uint8_t> out;
        encodeZvg(img, ZRect{}, out);
    }
    for (int interlace : {0, 1}) {
        CZVimage target(17, 9, -1, interlace, size > 0 ? data[0] % 3 : 0);
        readZvgRegion(data, size, target, ZRect{3, 1, 15, 8});
    }
    return 0;
}
