// Reads a DICOM picture from arbitrary bytes, as the picture and movie
// readers do; whatever is read must hold the pixels its size promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "dicom/DicomPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ordavia::DicomPicture pic;
    if (!ordavia::readDicom(data, size, pic)) return 0;
    if (pic.pixels.size() != pic.frameBytes() * size_t(pic.frames)) std::abort();
    return 0;
}
