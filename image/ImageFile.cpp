// Pictures as files. Reading goes by the signature in the first bytes, so
// that a picture renamed by another program still opens; only the native
// format has no signature and is known by its name. Writing follows the
// text after the last '.' of the file name, in lower or upper case.

#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/FileIO.h"
#include "base/Paths.h"
#include "base/Text.h"
#include "dicom/DicomPicture.h"
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

ordavia::PictureKind ordavia::pictureKindOf(const uint8_t* d, size_t n) {
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (!d) return PictureKind::Unknown;
    if (n >= 8 && std::memcmp(d, kPng, 8) == 0) return PictureKind::Png;
    if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return PictureKind::Jpeg;
    // Classic and big TIFF, both byte orders.
    if (n >= 4 && ((d[0] == 'I' && d[1] == 'I' && (d[2] == 42 || d[2] == 43) && d[3] == 0) ||
                   (d[0] == 'M' && d[1] == 'M' && d[2] == 0 && (d[3] == 42 || d[3] == 43))))
        return PictureKind::Tiff;
    if (n >= 14 + 4 && d[0] == 'B' && d[1] == 'M') return PictureKind::Bmp;
    if (hasDicomSignature(d, n)) return PictureKind::Dicom;
    return PictureKind::Unknown;
}

ordavia::PictureKind ordavia::pictureKindOfFile(const std::string& path) {
    // Opening a FIFO or a device to look would wait for a writer.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return PictureKind::Unknown;
    std::ifstream f(path, std::ios::binary);
    uint8_t head[132] = {};
    if (!f.read(reinterpret_cast<char*>(head), sizeof head) && f.gcount() <= 0) return PictureKind::Unknown;
    return pictureKindOf(head, size_t(f.gcount()));
}

Status ordavia::loadPicture(const std::string& path, CZVimage& out, const ordavia::GreyWeights& weights, const ZRect& rect) {
    std::vector<uint8_t> bytes;
    if (Status s = readFileBytes(path, bytes, kMaxFileBytes); !s) return s;
    const PictureKind kind = pictureKindOf(bytes.data(), bytes.size());
    const bool region = !rect.isEmpty();
    if (region && kind != PictureKind::Unknown) return Status::failure(path + ": only .zvg pictures load into a region");
    switch (kind) {
        case PictureKind::Bmp:
            return readBmp(bytes.data(), bytes.size(), out, weights) ? Status::success()
                                                                     : Status::failure(path + ": damaged BMP picture");
        case PictureKind::Tiff: return withPath(path, readTiff(bytes.data(), bytes.size(), out, weights));
        case PictureKind::Jpeg: return withPath(path, readJpeg(bytes.data(), bytes.size(), out, weights));
        case PictureKind::Png: return withPath(path, readPng(bytes.data(), bytes.size(), out, weights));
        case PictureKind::Dicom: return withPath(path, readDicomPicture(bytes.data(), bytes.size(), out, weights));
        case PictureKind::Unknown: break;
    }
    if (kindOf(path) != Kind::Zvg)
        return Status::failure(path + ": not a picture Ordavia reads (BMP, TIFF, JPEG, PNG, DICOM or .zvg)");
    const int ok = region ? readZvgRegion(bytes.data(), bytes.size(), out, rect) : readZvg(bytes.data(), bytes.size(), out);
    return ok ? Status::success() : Status::failure(path + ": not a readable .zvg picture");
}

Status ordavia::loadPictureAsIs(const std::string& path, CZVimage& out, const ordavia::GreyWeights& weights) {
    // The readers keep colour when the image asks for it before the read.
    CZVimage loaded;
    if (!loaded.setColour(CZVimage::kColour)) return Status::failure(path + ": not enough memory");
    if (Status s = loadPicture(path, loaded, weights); !s) return s;
    out.adoptData(std::move(loaded));
    return Status::success();
}

Status ordavia::savePicture(const CZVimage& img, const std::string& path, const ZRect& rect) {
    std::vector<uint8_t> bytes;
    // Without a region the whole picture is written: only memory can fail.
    const Status notEncoded = rect.isEmpty() && !img.isEmpty()
                                  ? Status::failure(StatusCode::NoMemory, path + ": not enough memory to write the picture")
                                  : Status::failure(path + ": nothing to save in that region");
    switch (kindOf(path)) {
        case Kind::Zvg:
            if (!encodeZvg(img, rect, bytes)) return notEncoded;
            break;
        case Kind::Bmp:
            if (!encodeBmp(img, rect, bytes)) return notEncoded;
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
