#include "image/GreyConversion.h"

#include "image/CZVimage.h"

namespace ordavia {

namespace {

// A one-byte picture of the same shape and place as `img`.
bool sizedLike(CZVimage& plane, const CZVimage& img) {
    if (!plane.resize(img.width(), img.rows(), 1)) return false;
    plane.setTag(img.tag());
    plane.setInterlace(img.interlace());
    plane.setOriginX(img.originX());
    plane.setStoredOriginY(img.storedOriginY());
    return true;
}

}  // namespace

bool convertToGrey(CZVimage& img, const GreyWeights& w) {
    if (img.isEmpty() || img.colour() == CZVimage::kGrey) return false;
    if (img.colour() == CZVimage::kBayer) {
        img.bayerToGrey();
        return true;
    }
    CZVimage grey;
    if (!sizedLike(grey, img)) return false;
    for (int y = 0; y < img.rows(); ++y) {
        const uint8_t* s = img.row(y);
        uint8_t* d = grey.row(y);
        // Blue, green, red: the order in which a 24-bit bitmap is read.
        for (int x = 0; x < img.width(); ++x, s += 3)
            d[x] = uint8_t(weightedGrey(w.blue, s[0], w.green, s[1], w.red, s[2]));
    }
    img.adoptData(std::move(grey));
    return true;
}

CZVimage greyCopyOf(const CZVimage& img, const GreyWeights& w) {
    CZVimage out;
    if (img.isEmpty() || !out.Copy(img)) return CZVimage();
    if (out.colour() != CZVimage::kGrey && !convertToGrey(out, w)) return CZVimage();
    return out;
}

int greyAt(const CZVimage& img, int x, int y, const GreyWeights& w) {
    const int first = img.getParentPixel(x, y);
    if (first < 0 || img.colour() != CZVimage::kColour) return first;
    const int r = img.isField() ? y / 2 - img.storedOriginY() : y - img.originY();
    const uint8_t* p = img.row(r) + ptrdiff_t(x - img.originX()) * 3;
    return weightedGrey(w.blue, p[0], w.green, p[1], w.red, p[2]);
}

bool forEachChannel(CZVimage& img, const std::function<bool(CZVimage&)>& filter) {
    if (img.colour() != CZVimage::kColour) return filter(img);
    CZVimage plane;
    if (!sizedLike(plane, img)) return false;
    bool changed = false;
    for (int c = 0; c < 3; ++c) {
        for (int y = 0; y < img.rows(); ++y) {
            const uint8_t* s = img.row(y) + c;
            uint8_t* d = plane.row(y);
            for (int x = 0; x < img.width(); ++x) d[x] = s[3 * x];
        }
        if (!filter(plane)) continue;
        changed = true;
        for (int y = 0; y < img.rows(); ++y) {
            const uint8_t* s = plane.row(y);
            uint8_t* d = img.row(y) + c;
            for (int x = 0; x < img.width(); ++x) d[3 * x] = s[x];
        }
    }
    return changed;
}

}  // namespace ordavia
