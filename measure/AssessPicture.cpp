#include "image/CZVimage.h"
#include "measure/CapillaryAssessment.h"

namespace ordavia {

Result<CapillaryAssessment> assessPicture(const CZVimage& image, const AssessOptions& options) {
    if (image.width() <= 0 || image.height() <= 0) return Status::failure(StatusCode::OutOfRange, "the picture is empty");
    CapillaryAssessment a;
    a.finger = options.finger;
    a.calibrated = options.umPerPixel > 0;
    a.umPerPixel = a.calibrated ? options.umPerPixel : options.guessUmPerPixel;
    a.colour = image.colour() != CZVimage::kGrey;
    a.lineAutomatic = !(options.lineFrom && options.lineTo);
    if (!a.lineAutomatic) {
        a.lineFrom = *options.lineFrom;
        a.lineTo = *options.lineTo;
    }
    recomputeAssessment(a, a.umPerPixel);
    return a;
}

}  // namespace ordavia
