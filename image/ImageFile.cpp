// Pictures as files: the format follows the text after the last '.' of the
// file name, in lower or upper case. "tiff" saves but does not load, as it
// always has.

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"
#include "settings/StartupSettings.h"

using namespace ordavia;

namespace {

enum class Kind { None, Zvg, Bmp, Tif, Tiff, Jpeg, Png };

Kind kindOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return Kind::None;
    const std::string ext = name.substr(dot + 1);
    if (ext == "zvg" || ext == "ZVG") return Kind::Zvg;
    if (ext == "bmp" || ext == "BMP") return Kind::Bmp;
    if (ext == "tif" || ext == "TIF") return Kind::Tif;
    if (ext == "tiff" || ext == "TIFF") return Kind::Tiff;
    if (ext == "jpg" || ext == "JPG" || ext == "jpeg" || ext == "JPEG") return Kind::Jpeg;
    if (ext == "png" || ext == "PNG") return Kind::Png;
    return Kind::None;
}

// Native and bitmap files are uncompressed: their pixels cost what the file
// costs. Compressed ones are bounded by kMaxPicturePixels in their readers.
constexpr uint64_t kMaxFileBytes = uint64_t(1) << 31;

Status withPath(const std::string& path, const Status& s) {
    if (s) return s;
    // Reasons from the file layer already name the file.
    if (s.reason().compare(0, path.size(), path) == 0) return s;
    return s.context(path);
}

}  // namespace

ordavia::GreyWeights ordavia::greyWeightsOf(const StartupSettings& settings) {
    return GreyWeights{settings.red, settings.green, settings.blue};
}

Status ordavia::checkPictureSize(uint64_t width, uint64_t height) {
    if (width == 0 || height == 0) return Status::failure("picture without pixels");
    if (width > INT32_MAX / 4 || height > INT32_MAX || width * height > kMaxPicturePixels)
        return Status::failure(strprintf("picture of %llu x %llu pixels is larger than the %llu pixels Ordavia opens",
                                         static_cast<unsigned long long>(width),
                                         static_cast<unsigned long long>(height),
                                         static_cast<unsigned long long>(kMaxPicturePixels)));
    return Status::success();
}

Status ordavia::loadPicture(const std::string& path, CZVimage& out, const ordavia::GreyWeights& weights, const ZRect& rect) {
    const Kind kind = kindOf(path);
    if (kind == Kind::None || kind == Kind::Tiff) return Status::failure(path + ": not a picture format Ordavia reads");
    const bool region = !rect.isEmpty();
    if (region && kind != Kind::Zvg) return Status::failure(path + ": only .zvg pictures load into a region");
    std::vector<uint8_t> bytes;
    if (Status s = readFileBytes(path, bytes, kMaxFileBytes); !s) return s;
    switch (kind) {
        case Kind::Zvg: {
            const int ok = region ? readZvgRegion(bytes.data(), bytes.size(), out, rect)
                                  : readZvg(bytes.data(), bytes.size(), out);
            return ok ? Status::success() : Status::failure(path + ": not a readable .zvg picture");
        }
        case Kind::Bmp:
            return readBmp(bytes.data(), bytes.size(), out, weights) ? Status::success()
                                                            : Status::failure(path + ": not a readable BMP picture");
        case Kind::Tif: return withPath(path, readTiff(bytes.data(), bytes.size(), out, weights));
        case Kind::Jpeg: return withPath(path, readJpeg(bytes.data(), bytes.size(), out, weights));
        case Kind::Png: return withPath(path, readPng(bytes.data(), bytes.size(), out, weights));
        default: return Status::failure(path + ": not a picture format Ordavia reads");
    }
}

Status ordavia::savePicture(const CZVimage& img, const std::string& path, const ZRect& rect) {
    std::vector<uint8_t> bytes;
    switch (kindOf(path)) {
        case Kind::Zvg:
            if (!encodeZvg(img, rect, bytes)) return Status::failure(path + ": nothing to save in that region");
            break;
        case Kind::Bmp:
            if (!encodeBmp(img, rect, bytes)) return Status::failure(path + ": nothing to save in that region");
            break;
        case Kind::Tif:
        case Kind::Tiff: return writeTiff(img, path);
        case Kind::Png: return writePng(img, path);
        default: return Status::failure(path + ": pictures are saved as .bmp, .zvg, .tif or .png");
    }
    return writeFileAtomically(path, bytes);
}

int CZVimage::Load(const std::string& path, const ordavia::GreyWeights& weights, const ZRect& rect) {
    return loadPicture(path, *this, weights, rect) ? 1 : 0;
}

int CZVimage::Save(const std::string& path, const ZRect& rect) const {
    return savePicture(*this, path, rect) ? 1 : 0;
}
