#include "base/Paths.h"

namespace ordavia {

namespace {
size_t lastSeparator(std::string_view p) { return p.find_last_of("\\/"); }
}  // namespace

std::string fileNameOf(std::string_view path) {
    const size_t s = lastSeparator(path);
    return std::string(s == std::string_view::npos ? path : path.substr(s + 1));
}

std::string folderOf(std::string_view path) {
    const size_t s = lastSeparator(path);
    return s == std::string_view::npos ? std::string() : std::string(path.substr(0, s + 1));
}

std::string extensionOf(std::string_view path) {
    const std::string name = fileNameOf(path);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string withoutExtension(std::string_view path) {
    const std::string ext = extensionOf(path);
    return std::string(path.substr(0, path.size() - ext.size()));
}

std::string joinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    return withTrailingSeparator(folder) + std::string(name);
}

std::string withTrailingSeparator(std::string_view folder) {
    std::string f(folder);
    if (f.empty() || (f.back() != '/' && f.back() != '\\')) f += '/';
    return f;
}

}  // namespace ordavia
