#include "framework/DialogFolders.h"

#include <filesystem>
#include <system_error>

#include "base/Paths.h"

namespace ordavia {

namespace {

bool isFolder(const std::string& p) {
    std::error_code ec;
    return !p.empty() && std::filesystem::is_directory(p, ec);
}

}  // namespace

std::string DialogFolders::base() const {
    if (isFolder(last_)) return last_;
    const std::string data = dataFolder ? dataFolder() : std::string();
    return isFolder(data) ? data : std::string();
}

std::string DialogFolders::startFor(const std::string& start) const {
    if (isFolder(start)) return start;
    const std::string folder = folderOf(start);
    // The caller named a place that exists: it knows best.
    if (!folder.empty() && isFolder(folder)) return start;
    const std::string b = base();
    const std::string name = fileNameOf(start);
    if (b.empty()) return name;
    return name.empty() ? b : joinPath(b, name);
}

void DialogFolders::rememberFile(const std::string& path) { rememberFolder(folderOf(path)); }

void DialogFolders::rememberFolder(const std::string& folder) {
    if (folder.empty()) return;
    last_ = withTrailingSeparator(folder);
    if (onRemember) onRemember(last_);
}

void DialogFolders::setLast(const std::string& folder) {
    last_ = folder.empty() ? folder : withTrailingSeparator(folder);
}

}  // namespace ordavia
