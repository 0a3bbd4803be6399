#include "image/ui/ImageToQImage.h"

#include <cstring>

#include "image/CZVimage.h"

namespace ordavia {

QImage imageToQImage(const CZVimage& image) {
    if (image.isEmpty() || image.width() <= 0 || image.rows() <= 0) return {};
    CZVimage demosaiced;
    const CZVimage* src = &image;
    if (image.colour() == CZVimage::kBayer) {
        if (!image.demosaicTo(demosaiced)) return {};
        src = &demosaiced;
    }
    const bool grey = src->colour() == CZVimage::kGrey;
    const int repeat = image.isField() ? 2 : 1;
    QImage out(src->width(), src->rows() * repeat, grey ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (out.isNull()) return {};
    if (grey) {
        const uint8_t* pal = image.displayPalette();
        QList<QRgb> table(256);
        for (int i = 0; i < 256; ++i) table[i] = qRgb(pal[4 * i + 2], pal[4 * i + 1], pal[4 * i]);
        out.setColorTable(table);
    }
    const size_t bytes = size_t(src->rowBytes());
    for (int y = 0; y < src->rows(); ++y)
        for (int k = 0; k < repeat; ++k) std::memcpy(out.scanLine(y * repeat + k), src->row(y), bytes);
    return out;
}

}  // namespace ordavia
