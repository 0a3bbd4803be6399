// DICOM pictures into CZVimage: the DICOM layer decodes to 8-bit grey or
// RGB; here the first frame becomes a picture the way PNG ones do.
#include <cstring>

#include "dicom/DicomPicture.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"

namespace ordavia {

Status readDicomPicture(const uint8_t* data, size_t size, CZVimage& out, const GreyWeights& w) {
    DicomPicture pic;
    if (Status s = readDicom(data, size, pic); !s) return s;
    if (Status s = checkPictureSize(uint64_t(pic.width), uint64_t(pic.height)); !s) return s;
    const bool keepColour = pic.colour && out.colour() == CZVimage::kColour;
    CZVimage img(pic.width, pic.height, 0, 0, keepColour ? CZVimage::kColour : CZVimage::kGrey);
    if (img.isEmpty()) return Status::failure(StatusCode::NoMemory, "not enough memory for the picture");
    const uint8_t* src = pic.frame(0);
    for (int y = 0; y < pic.height; ++y) {
        uint8_t* dst = img.row(y);
        const uint8_t* s = src + size_t(y) * size_t(pic.width) * size_t(pic.samples());
        if (!pic.colour) {
            std::memcpy(dst, s, size_t(pic.width));
        } else if (keepColour) {
            // Red first in DICOM; blue first in CZVimage.
            for (int x = 0; x < pic.width; ++x)
                dst[3 * x] = s[3 * x + 2], dst[3 * x + 1] = s[3 * x + 1], dst[3 * x + 2] = s[3 * x];
        } else {
            for (int x = 0; x < pic.width; ++x)
                dst[x] = uint8_t(weightedGrey(w.blue, s[3 * x + 2], w.green, s[3 * x + 1], w.red, s[3 * x]));
        }
    }
    out.adoptData(std::move(img));
    return Status::success();
}

}  // namespace ordavia
