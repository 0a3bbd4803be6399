#include "live/PseudoPicture.h"

#include <algorithm>

#include "image/ImageFormats.h"

namespace ordavia {

const char* PseudoPicture::fileFor(int colourMode) {
    switch (colourMode) {
        case 1: return "pseudocol.bmp";
        case 2: return "pseudobayer.zvg";
        default: return "pseudo.bmp";
    }
}

Status PseudoPicture::prepare(int colourMode) {
    const std::string path = folder_ + fileFor(colourMode);
    CZVimage loaded;
    // A colour picture stays colour only where colour is asked for; the
    // Bayer file keeps its mosaic as it is stored.
    Status s = colourMode == 0 ? loadPicture(path, loaded, GreyWeights{}) : loadPictureAsIs(path, loaded, GreyWeights{});
    if (!s) return s;
    if (loaded.isField()) loaded.setInterlace(CZVimage::kFrame);
    picture_ = std::move(loaded);
    lastX_ = lastY_ = -1;
    return Status::success();
}

void PseudoPicture::invertBlock(int x, int y) {
    const int bpp = picture_.bytesPerPixel();
    const int w = std::min(kBlock, picture_.width() - x), h = std::min(kBlock, picture_.rows() - y);
    for (int r = 0; r < h; ++r) {
        uint8_t* p = picture_.row(y + r) + ptrdiff_t(x) * bpp;
        for (int i = 0; i < w * bpp; ++i) p[i] = uint8_t(255 - p[i]);
    }
}

void PseudoPicture::advance(int32_t fieldCounter, bool first) {
    if (picture_.isEmpty()) return;
    // Inverting again restores the pixels under the old place.
    if (!first && lastX_ >= 0) invertBlock(lastX_, lastY_);
    lastX_ = blockX(fieldCounter, picture_.width());
    lastY_ = blockY(fieldCounter, picture_.rows());
    invertBlock(lastX_, lastY_);
}

}  // namespace ordavia
