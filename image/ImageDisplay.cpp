// The display side of CZVimage: palette choice, zero as black, auto
// contrast and the cached bitmap information header that drawing and BMP
// saving share.
#include <cstring>

#include "base/ByteOrder.h"
#include "image/CZVimage.h"
#include "image/Palette.h"

using namespace ordavia;

int CZVimage::setPalette(int index) {
    if (index == -1) {
        header_.clear();
        displayHeader();
        return paletteIndex_;
    }
    if (index < 0) index = kPaletteCount - 1;
    if (index >= kPaletteCount) index = 0;
    if (index == paletteIndex_) return paletteIndex_;
    paletteIndex_ = index;
    header_.clear();
    displayHeader();
    return paletteIndex_;
}

int CZVimage::stepPalette(int delta) {
    // setPalette(-1) only rebuilds, so stepping down from 0 wraps here.
    const int next = ((paletteIndex_ + delta) % kPaletteCount + kPaletteCount) % kPaletteCount;
    return setPalette(next);
}

void CZVimage::setZeroAsBlack(bool on) {
    zeroAsBlack_ = on;
    header_.clear();
    displayHeader();
}

void CZVimage::setAutoContrast(bool on) {
    autoContrast_ = on;
    header_.clear();
}

void CZVimage::toggleAutoContrast(double adjustSize) {
    autoContrast_ = !autoContrast_;
    setAdjustSize(adjustSize);
    if (!autoContrast_) {
        header_.clear();
        displayHeader();
    }
}

void CZVimage::setAdjustSize(double a) {
    // A fraction of the picture; anything else falls back to the default.
    adjustSize_ = (a > 0.0 && a <= 1.0) ? a : 0.2;
}

const uint8_t* CZVimage::displayHeader() const {
    if (!pixels_) return nullptr;
    const bool grey = colour_ == kGrey;
    const size_t size = kInfoHeaderSize + (grey ? kPaletteBytes : 0);
    const bool fresh = header_.size() != size;
    if (fresh) header_.assign(size, 0);
    uint8_t* h = header_.data();
    storeLE32(h, 40);
    storeLE32(h + 4, width_);
    storeLE32(h + 8, -rows_);
    storeLE16(h + 12, 1);
    storeLE16(h + 14, grey ? 8 : 24);
    storeLE32(h + 16, 0);
    storeLE32(h + 20, rowBytes_ * rows_);
    storeLE32(h + 24, 0);
    storeLE32(h + 28, 0);
    storeLE32(h + 32, grey ? 256 : 0);
    storeLE32(h + 36, 0);
    if (!grey) return h;
    uint8_t* pal = h + kInfoHeaderSize;
    bool stretched = false;
    if (autoContrast_) {
        // The grey range of the central region, redone at every display
        // because the pixels may have changed since.
        const double a = adjustSize_;
        const ZRect centre{int(width_ * (1.0 - a) / 2.0), int(rows_ * (1.0 - a) / 2.0), int(width_ * (1.0 + a) / 2.0),
                           int(rows_ * (1.0 + a) / 2.0)};
        if (!centre.isEmpty()) {
            int lo = 0, hi = 0;
            // Own coordinates: undo the origin (and the field halving) that
            // statistics() applies.
            const int topFrame = isField() ? 2 * (centre.top + originY_) : centre.top + originY_;
            const int bottomFrame = isField() ? 2 * (centre.bottom + originY_) : centre.bottom + originY_;
            statistics(ZRect{centre.left + originX_, topFrame, centre.right + originX_, bottomFrame}, nullptr, &lo,
                       &hi);
            stretched = fillAutoContrastPalette(lo, hi, pal);
        }
    }
    if (!stretched && (fresh || autoContrast_)) fillPalette(paletteIndex_, pal);
    if (zeroAsBlack_) pal[0] = pal[1] = pal[2] = pal[3] = 0;
    return h;
}

size_t CZVimage::displayHeaderSize() const {
    if (!pixels_) return 0;
    return kInfoHeaderSize + (colour_ == kGrey ? kPaletteBytes : 0);
}

const uint8_t* CZVimage::displayPalette() const {
    if (colour_ != kGrey) return nullptr;
    const uint8_t* h = displayHeader();
    return h ? h + kInfoHeaderSize : nullptr;
}
