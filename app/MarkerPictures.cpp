#include "app/MarkerPictures.h"

#include <filesystem>

namespace ordavia {

std::string markerPicturePath(const std::string& name, const std::vector<std::string>& folders, const std::string& ext) {
    namespace fs = std::filesystem;
    if (name.empty() || name.find('/') != std::string::npos) return name;
    std::error_code ec;
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        for (const std::string& candidate : {name, name + ext}) {
            const fs::path p = fs::path(folder) / candidate;
            if (fs::is_regular_file(p, ec)) return p.string();
        }
    }
    return name;
}

}  // namespace ordavia
