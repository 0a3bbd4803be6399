#pragma once
// The three picture file formats of CZVimage, on bytes in memory so that
// every reader can be fed hostile input directly (tests, fuzzers).
// CZVimage::Load and Save choose among them by extension and do the file
// input and output (atomic saves).
//
// Readers return 1 on success and 0 on failure; on failure `out` is left as
// it was. They check every size against the bytes present before
// allocating.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Geometry.h"
#include "base/Result.h"

class CZVimage;

namespace ordavia {

struct StartupSettings;

// How colour pictures become grey when they are read: the weights of red,
// green and blue. The defaults are the profile's ("Settings" "red", "green",
// "blue"); the application passes what its start-up settings hold.
struct GreyWeights {
    double red = 0.299, green = 0.587, blue = 0.114;
};
GreyWeights greyWeightsOf(const StartupSettings& settings);

// ---- Whole files -------------------------------------------------------------
// Loading goes by the file's first bytes (BMP, TIFF, JPEG, PNG and DICOM
// carry a signature), whatever its name: a TIFF named ".jpg" reads as TIFF. Files
// without one are native ".zvg" pictures when so named. Saving follows
// the extension (".zvg", ".bmp", ".tif", ".tiff", ".png" in lower or upper
// case). A rectangle on load places a ".zvg" file into the existing image;
// on save it writes only that part. Failures carry the reason in words,
// naming the file ("n1.bmp: No space left on device"). Colour becomes grey
// with `weights` unless `out` was colour before the read.
Status loadPicture(const std::string& path, CZVimage& out, const GreyWeights& weights,
                   const ZRect& rect = {});
// The same keeping colour pictures in colour (grey ones stay grey): what
// the workstation shows and keeps.
Status loadPictureAsIs(const std::string& path, CZVimage& out, const GreyWeights& weights);

// What the first bytes of a file say it is.
enum class PictureKind { Unknown, Bmp, Tiff, Jpeg, Png, Dicom };
PictureKind pictureKindOf(const uint8_t* data, size_t size);
// Reads the first bytes of a file; Unknown when it cannot be read.
PictureKind pictureKindOfFile(const std::string& path);
Status savePicture(const CZVimage& img, const std::string& path, const ZRect& rect = {});

// Compressed pictures are refused beyond this many pixels, before any
// decoding: a small file must not cost gigabytes. 8192 x 8192 is more than
// any capillaroscope or camera of ours gives.
constexpr uint64_t kMaxPicturePixels = uint64_t(1) << 26;
Status checkPictureSize(uint64_t width, uint64_t height);

// ---- DICOM -------------------------------------------------------------------
// The first frame of a DICOM picture (dicom/DicomPicture.h reads it): grey
// stays grey, colour stays colour when `out` was colour before the read,
// else becomes grey with `w`. A multi-frame file opens as a video
// elsewhere; here it gives its first frame.
Status readDicomPicture(const uint8_t* data, size_t size, CZVimage& out, const GreyWeights& w);

// ---- Native ".zvg" and the frames of movie files ----------------------------------
// Current header: 9 little-endian int32 (-2, 36, tag, interlace, width,
// rows, origin x, origin y, colour); older files start with -1 (8 fields,
// grey) or with the width itself (width, rows, tag, interlace). A picture
// file and every frame of a movie file carry this same header; in a movie
// the tag is the frame's field number.
struct ImageHeader {
    int headerLength = 36;  // bytes before the pixels in the file read
    int tag = -1;
    int interlace = 0;
    int width = 0;
    int rows = 0;
    int originX = 0;
    int originY = 0;  // stored rows
    int colour = 0;
    int bytesPerPixel() const { return colour == 1 ? 3 : 1; }
    int64_t frameBytes() const { return int64_t(width) * rows * bytesPerPixel(); }
};
constexpr size_t kZvgHeaderSize = 36;

// The header fields alone, in any of the three forms; false when they are
// short or out of range.
bool parseImageHeader(const uint8_t* data, size_t size, ImageHeader& h);
// The current (36-byte) form.
void encodeImageHeader(const ImageHeader& h, uint8_t out[kZvgHeaderSize]);
// The header of `img` as a file or movie frame stores it.
ImageHeader imageHeaderOf(const CZVimage& img);
// Parses and validates the header (sizes against `size`). Fails on a
// truncated file, negative sizes or an unknown colour or interlace.
bool parseZvgHeader(const uint8_t* data, size_t size, ImageHeader& h);
int readZvg(const uint8_t* data, size_t size, CZVimage& out);
// Places the file's pixels into the existing image `target` with the file's
// top-left pixel at the rectangle's top-left (frame coordinates of the
// target's parent), clipped to the rectangle, the target and the file. A
// field file into a frame fills every second row; a frame file into a
// field gives every second file row. Needs the same colour kind.
int readZvgRegion(const uint8_t* data, size_t size, CZVimage& target, const ZRect& rect);
// The whole image, or with a non-empty rectangle (frame coordinates of the
// image itself, origin not applied) only that part.
bool encodeZvg(const CZVimage& img, const ZRect& rect, std::vector<uint8_t>& out);

// ---- BMP -----------------------------------------------------------------------
// Reads 8-, 16-, 24- and 32-bit uncompressed (or bit-field) bitmaps, both
// row orders. The result's colour depends on `out`'s colour before the read
// (grey stays grey; colour takes 24/32-bit as colour and 8-bit as grey;
// Bayer takes only 8-bit data). Colour to grey uses `w`.
int readBmp(const uint8_t* data, size_t size, CZVimage& out, const GreyWeights& w);
// 8-bit with the display palette for grey, 24-bit for colour and
// (demosaiced) Bayer; top-down rows. With a non-empty rectangle, the
// clipped rectangle with left and right rounded down to multiples of 4.
bool encodeBmp(const CZVimage& img, const ZRect& rect, std::vector<uint8_t>& out);

// ---- TIFF ----------------------------------------------------------------------
// 8 bits per sample only ("Not an 8 bit greylevel image!" otherwise). Grey
// (black or white is zero), RGB and palette pictures; alpha and other extra
// samples are left out. RGB and palette pictures stay colour when `out` was
// colour before the read, else become grey with `w`. Other kinds (CMYK,
// YCbCr, Lab) are refused with their name.
constexpr const char* kTiffNot8Bit = "Not an 8 bit greylevel image!";
constexpr const char* kTiffDamaged = "damaged TIFF picture";
Status readTiff(const uint8_t* data, size_t size, CZVimage& out, const GreyWeights& w);
// Writes through libtiff to `path` (a temporary file renamed over it).
// Grey and Bayer as one 8-bit sample per pixel, colour as RGB.
Status writeTiff(const CZVimage& img, const std::string& path);

// ---- JPEG and PNG (camera pictures) ---------------------------------------------
// Colour becomes grey with the given weights exactly as for 24-bit bitmaps,
// unless `out` was colour before the read (then colour pictures stay
// colour). Sizes beyond kMaxPicturePixels are refused before decoding.
Status readJpeg(const uint8_t* data, size_t size, CZVimage& out, const GreyWeights& w);
Status readPng(const uint8_t* data, size_t size, CZVimage& out, const GreyWeights& w);
// Grey as one 8-bit channel, colour as RGB, Bayer demosaiced; through a
// temporary file renamed over `path`.
Status writePng(const CZVimage& img, const std::string& path);

// Grey from blue, green and red bytes with the given weights, truncated
// towards zero after each addition in the order given, clamped to 0..255.
inline int weightedGrey(double w1, int s1, double w2, int s2, double w3, int s3) {
    double acc = std::trunc(w1 * s1);
    acc = std::trunc(acc + w2 * s2);
    acc = std::trunc(acc + w3 * s3);
    return !(acc > 0.0) ? 0 : (acc >= 255.0 ? 255 : static_cast<int>(acc));
}

}  // namespace ordavia
