#pragma once
// The picture every image view shows: a CZVimage turned into a QImage with
// its display palette (auto contrast and zero as black included). Bayer
// mosaics are demosaiced; a field is drawn at frame height, each stored
// row twice.
#include <QImage>

class CZVimage;

namespace ordavia {

// A null QImage for an empty image or when memory runs out.
QImage imageToQImage(const CZVimage& image);

}  // namespace ordavia
