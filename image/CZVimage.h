#pragma once
// CZVimage: the one in-memory picture of Ordavia. 8-bit samples only: one
// byte per pixel for grey and raw Bayer mosaics, three (blue, green, red) for
// colour. An image is either a whole video frame or one field of an
// interlaced frame, and it knows where it lies in the picture it was taken
// from (its origin), so that regions keep their parent's coordinates.
//
// Coordinates: every position or rectangle a caller passes is a FRAME
// coordinate. For a field, y values are halved before use and heights and
// origin y values reported are doubled. Accessors named "stored..." and
// row() work in stored rows.
//
// Rows are stride bytes apart; the stride is the width rounded up to a
// multiple of 4 pixels, times the bytes per pixel, so that a buffer can be
// shown or written as a device-independent bitmap without repacking.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/Geometry.h"

class CZVchildimage;
namespace ordavia {
struct GreyWeights;
}

class CZVimage {
public:
    // Interlace values.
    static constexpr int kFrame = 0;
    static constexpr int kField1 = 1;  // frame rows 0, 2, 4, ...
    static constexpr int kField2 = 2;  // frame rows 1, 3, 5, ...
    // Colour kinds.
    static constexpr int kGrey = 0;
    static constexpr int kColour = 1;  // 3 bytes per pixel: blue, green, red
    static constexpr int kBayer = 2;   // raw 8-bit mosaic, 1 byte per pixel
    // Number of display palettes (indexes 0..9).
    static constexpr int kPaletteCount = 10;
    // Size of the 40-byte bitmap information header and of the 256-entry
    // palette that follows it for grey images.
    static constexpr size_t kInfoHeaderSize = 40;
    static constexpr size_t kPaletteBytes = 1024;

    // An optional helper object that other parts attach to an image; the
    // image owns it and frees it with itself.
    class Auxiliary {
    public:
        virtual ~Auxiliary() = default;
    };

    // Empty image: no pixels, tag -1, whole frame, grey, palette 0, zero as
    // black on.
    CZVimage();
    // Allocates width x height (height / 2 stored rows for a field) and then
    // applies the colour. Check isEmpty() for allocation failure.
    CZVimage(int width, int height, int tag, int interlace, int colour);
    virtual ~CZVimage();

    CZVimage(const CZVimage&) = delete;
    CZVimage& operator=(const CZVimage&) = delete;
    // Moves take the pixels and every field; the source is left empty.
    CZVimage(CZVimage&& other) noexcept;
    CZVimage& operator=(CZVimage&& other) noexcept;

    // ---- Shape ---------------------------------------------------------
    // New stride = ((width + 3) / 4) * 4 * bytesPerPixel. Keeps the buffer
    // (contents untouched) when stride x rows is unchanged, else allocates
    // a zero-filled one. Returns 1, or 0 on failure (image unchanged, line
    // "image::resize fialed!" in the debug log).
    virtual int resize(int width, int rows, int bytesPerPixel);
    // resize() with height / 2 rows for a field, keeping bytes per pixel.
    int resizeFrame(int width, int height);
    // Changes the colour kind and resizes for its bytes per pixel; pixel
    // contents are not converted. Returns 1, or 0 when the resize failed.
    int setColour(int colour);

    bool isEmpty() const { return pixels_ == nullptr; }
    int width() const { return width_; }
    int rows() const { return rows_; }                  // stored rows
    int height() const { return isField() ? rows_ * 2 : rows_; }  // frame height
    int stride() const { return stride_; }
    int rowBytes() const { return rowBytes_; }
    int bytesPerPixel() const { return bpp_; }
    int colour() const { return colour_; }
    int interlace() const { return interlace_; }
    bool isField() const { return interlace_ == kField1 || interlace_ == kField2; }
    // stride x rows.
    size_t byteCount() const { return static_cast<size_t>(stride_) * static_cast<size_t>(rows_); }

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    // Only the interlace field; the stored rows stay as they are.
    void setInterlace(int interlace) { interlace_ = interlace; }

    // Origin in frame coordinates (y doubled for a field).
    int originX() const { return originX_; }
    int originY() const { return isField() ? originY_ * 2 : originY_; }
    // Origin y in stored rows, as kept in the native file.
    int storedOriginY() const { return originY_; }
    void setOriginX(int x) { originX_ = x; }
    // y in frame rows: a field stores y / 2.
    void setOriginY(int y) { originY_ = isField() ? y / 2 : y; }
    void setOrigin(int x, int y) {
        setOriginX(x);
        setOriginY(y);
    }
    void setStoredOriginY(int y) { originY_ = y; }

    // Raw pixels, stored row r at data() + r * stride().
    uint8_t* data() { return pixels_; }
    const uint8_t* data() const { return pixels_; }
    uint8_t* row(int storedRow) { return pixels_ + static_cast<ptrdiff_t>(storedRow) * stride_; }
    const uint8_t* row(int storedRow) const { return pixels_ + static_cast<ptrdiff_t>(storedRow) * stride_; }

    // ---- Pixel access (first byte of a colour pixel) ---------------------
    // Frame coordinates relative to this image, origin ignored; no bounds
    // check.
    int getpixel(int x, int y) const;
    // Parent coordinates (origin applied); -1 outside the image or when
    // there are no pixels.
    int getParentPixel(int x, int y) const;
    // Parent coordinates; no bounds check.
    void setParentPixel(int x, int y, int value);

    // ---- Rectangles ------------------------------------------------------
    // Normalises; an empty rectangle means the whole image (0, 0, width,
    // rows). Otherwise halves top and bottom for a field, moves by minus
    // the origin and intersects with (0, 0, width, rows). The result is in
    // stored rows.
    ordavia::ZRect clip(const ordavia::ZRect& r) const;
    // The same without the move by the origin.
    ordavia::ZRect clipNoOrigin(const ordavia::ZRect& r) const;
    // clip(); then, when this image is a whole frame and field is 1 or 2,
    // halves top and bottom and sets *halved (when given).
    ordavia::ZRect clipForField(const ordavia::ZRect& r, int field, bool* halved = nullptr) const;

    // ---- Copies and regions ------------------------------------------------
    // Same shape, tag, interlace, origin, colour, palette, zero as black
    // and pixels as the source. Returns 0 only when allocation fails.
    int Copy(const CZVimage& src);
    // The clipped rectangle of the source, origin (0, 0); an empty
    // rectangle is a whole Copy().
    int copyRect(const CZVimage& src, const ordavia::ZRect& r);
    // Copies the pixels inside the rectangle (parent coordinates) from src
    // into this image at the same parent coordinates, over the part that
    // lies in both images; an empty rectangle means all of src. Needs equal
    // interlace and colour.
    int copyROI(const CZVimage& src, const ordavia::ZRect& r);
    // A window onto the clipped rectangle of this image; the caller owns
    // it and it must not outlive this image's buffer. Null when the clipped
    // rectangle is empty.
    std::unique_ptr<CZVchildimage> childFor(const ordavia::ZRect& r);
    // Fills this already-sized image from a source of the same colour; a
    // whole-frame source with field 1 or 2 gives every second row.
    int extractfrom(const CZVimage& src, int field);
    // Fills this image from a source of the same or another colour over
    // the smaller width and rows (Bayer to colour demosaics).
    int convertFrom(const CZVimage& src);
    // Swaps row i with row rows - 1 - i.
    void flipVertical();

    // ---- Bayer -------------------------------------------------------------
    // Demosaics a Bayer image into out (rows rows of outStride bytes,
    // width * 3 bytes used; outStride 0 means packed width * 3). Pixels no
    // 2 x 2 block covers are set to zero. Returns 0 when this is not a
    // Bayer image or out is null.
    int demosaic(uint8_t* out, int outStride = 0) const;
    // A colour image holding the demosaiced picture, with this image's
    // tag, interlace and origin. Returns 0 on failure.
    int demosaicTo(CZVimage& colourImage) const;
    // Replaces the non-green mosaic bytes by green estimates in place and
    // makes the image grey; nothing for other colours or an empty image.
    void bayerToGrey();

    // ---- Point operations (grey; an empty rectangle is the whole image) ----
    // Mean, minimum and maximum byte; each output is optional. An empty
    // area gives mean 0, minimum 0 and maximum 0.
    void statistics(const ordavia::ZRect& r, double* mean, int* min, int* max) const;
    // p = clamp(trunc(gain * p + offset), 0, 255).
    void linearMap(const ordavia::ZRect& r, double gain, double offset);
    // p = p > level ? 255 : 0.
    void threshold(const ordavia::ZRect& r, int level);
    // p = 255 - p.
    void negative(const ordavia::ZRect& r);
    // Same width and rows only: p = clamp(p - q + offset). Returns 1 when done.
    int subtract(const CZVimage& other, int offset);
    // Same width and rows only: p = p AND q. Returns 1 when done.
    int mask(const CZVimage& other);
    // All three the same width and rows: over the overlap of a and b
    // (shifted by their origins) p = min((a - b)^2, 255). Returns 1 when done.
    int squaredDifference(const CZVimage& a, const CZVimage& b);

    // ---- Display (palettes, cached bitmap header) -------------------------
    int paletteIndex() const { return paletteIndex_; }
    // -1 only rebuilds; below -1 becomes 9, above 9 becomes 0. Returns the
    // index in force.
    int setPalette(int index);
    // The next (delta 1) or previous (delta -1) palette, wrapping between 0
    // and 9 both ways. Returns the index in force.
    int stepPalette(int delta);
    bool zeroAsBlack() const { return zeroAsBlack_; }
    void setZeroAsBlack(bool on);
    bool autoContrast() const { return autoContrast_; }
    void setAutoContrast(bool on);
    // Flips the flag and takes the central fraction now in the profile
    // ("settings"/"adjustsz"), which the caller reads.
    void toggleAutoContrast(double adjustSize);
    // The central fraction used by auto contrast (default 0.2).
    double adjustSize() const { return adjustSize_; }
    void setAdjustSize(double a);
    // The 40-byte bitmap information header, followed for grey and Bayer
    // images shown as grey by 256 palette entries (blue, green, red, 0);
    // rebuilt when dropped or when the shape changed. Null for an empty
    // image.
    const uint8_t* displayHeader() const;
    size_t displayHeaderSize() const;
    // The 256 palette entries in force (auto contrast applied), or null
    // for colour images.
    const uint8_t* displayPalette() const;
    void dropDisplayHeader() { header_.clear(); }

    // ---- Auxiliary object --------------------------------------------------
    Auxiliary* auxiliary() const { return aux_.get(); }
    void setAuxiliary(std::unique_ptr<Auxiliary> aux) { aux_ = std::move(aux); }

    // ---- Files -------------------------------------------------------------
    // Load goes by the file's signature (BMP, TIFF, JPEG, PNG), else by
    // the name ".zvg"/".ZVG"; Save by the text after the last '.'
    // (case-sensitive): "zvg"/"ZVG", "bmp"/"BMP", "tif"/"TIF", "tiff"/
    // "TIFF", "png"/"PNG". An empty rectangle means none. Colour pictures
    // read as grey take `weights`. Return 1 on success, 0 on failure (image
    // unchanged).
    int Load(const std::string& path, const ordavia::GreyWeights& weights, const ordavia::ZRect& rect = {});
    int Save(const std::string& path, const ordavia::ZRect& rect = {}) const;

    // Takes the pixels and data fields (shape, tag, interlace, origin,
    // colour) of a freshly made image, keeping this image's display
    // settings and auxiliary object. Used by the file readers.
    void adoptData(CZVimage&& from);

protected:
    void releasePixels();

    mutable std::vector<uint8_t> header_;  // cached display header
    bool autoContrast_ = false;
    int tag_ = -1;
    int interlace_ = kFrame;
    int width_ = 0;
    int rows_ = 0;
    int originX_ = 0;
    int originY_ = 0;  // stored rows
    uint8_t* pixels_ = nullptr;
    bool ownsPixels_ = true;
    int stride_ = 0;
    int rowBytes_ = 0;
    int paletteIndex_ = 0;
    bool zeroAsBlack_ = true;
    std::unique_ptr<Auxiliary> aux_;
    int colour_ = kGrey;
    int bpp_ = 1;
    double adjustSize_ = 0.2;

    friend class CZVchildimage;
};
