// CZVimage::Load and Save: the format follows the text after the last '.'
// of the file name, compared case-sensitively. "tiff" saves but does not
// load, as it always has.

#include "base/FileIO.h"
#include "base/Paths.h"
#include "image/CZVimage.h"
#include "image/ImageFormats.h"

namespace {

enum class Kind { None, Zvg, Bmp, Tif, Tiff };

Kind kindOf(const std::string& path) {
    const std::string name = fileNameOf(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return Kind::None;
    const std::string ext = name.substr(dot + 1);
    if (ext == "zvg" || ext == "ZVG") return Kind::Zvg;
    if (ext == "bmp" || ext == "BMP") return Kind::Bmp;
    if (ext == "tif" || ext == "TIF") return Kind::Tif;
    if (ext == "tiff" || ext == "TIFF") return Kind::Tiff;
    return Kind::None;
}

// Native and bitmap files of any size we accept are read whole.
constexpr uint64_t kMaxFileBytes = uint64_t(1) << 32;

}  // namespace

int CZVimage::Load(const std::string& path, const ZRect& rect) {
    const Kind kind = kindOf(path);
    if (kind == Kind::None || kind == Kind::Tiff) return 0;
    const bool region = !rect.isEmpty();
    if (region && kind != Kind::Zvg) return 0;
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes, kMaxFileBytes).ok) return 0;
    switch (kind) {
        case Kind::Zvg:
            return region ? readZvgRegion(bytes.data(), bytes.size(), *this, rect)
                          : readZvg(bytes.data(), bytes.size(), *this);
        case Kind::Bmp:
            return readBmp(bytes.data(), bytes.size(), *this);
        case Kind::Tif:
            return readTiff(bytes.data(), bytes.size(), *this);
        default:
            return 0;
    }
}

int CZVimage::Save(const std::string& path, const ZRect& rect) const {
    std::vector<uint8_t> bytes;
    switch (kindOf(path)) {
        case Kind::Zvg:
            if (!encodeZvg(*this, rect, bytes)) return 0;
            break;
        case Kind::Bmp:
            if (!encodeBmp(*this, rect, bytes)) return 0;
            break;
        case Kind::Tif:
        case Kind::Tiff:
            return writeTiff(*this, path) ? 1 : 0;
        default:
            return 0;
    }
    return writeFileAtomically(path, bytes).ok ? 1 : 0;
}
