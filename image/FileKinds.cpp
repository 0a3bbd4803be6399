#include "image/FileKinds.h"

#include <algorithm>

#include "base/Paths.h"
#include "base/Text.h"

namespace ordavia {

const std::vector<std::string>& pictureExtensions() {
    static const std::vector<std::string> kinds = {".zvg", ".bmp", ".tif", ".tiff", ".jpg", ".jpeg", ".png"};
    return kinds;
}

const std::vector<std::string>& foreignVideoExtensions() {
    static const std::vector<std::string> kinds = {".avi", ".mp4", ".mov", ".mkv", ".m4v", ".webm",
                                                   ".wmv", ".mpg", ".mpeg", ".ogv", ".flv", ".ts"};
    return kinds;
}

const std::vector<std::string>& videoExtensions() {
    static const std::vector<std::string> kinds = [] {
        std::vector<std::string> v = {".mve", ".dcs"};
        v.insert(v.end(), foreignVideoExtensions().begin(), foreignVideoExtensions().end());
        return v;
    }();
    return kinds;
}

const std::vector<std::string>& dicomExtensions() {
    static const std::vector<std::string> kinds = {".dcm", ".dicom"};
    return kinds;
}

bool hasExtensionIn(const std::string& path, const std::vector<std::string>& list) {
    const std::string ext = toLower(extensionOf(path));
    return !ext.empty() && std::find(list.begin(), list.end(), ext) != list.end();
}

}  // namespace ordavia
