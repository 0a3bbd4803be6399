#include "framework/RecentFileList.h"

#include <algorithm>

namespace ordavia {

void RecentFileList::add(const std::string& path) {
    if (path.empty()) return;
    remove(path);
    entries_.insert(entries_.begin(), path);
    if (entries_.size() > size_) entries_.resize(size_);
}

void RecentFileList::remove(const std::string& path) { std::erase(entries_, path); }

void RecentFileList::setEntries(const std::vector<std::string>& paths) {
    entries_.clear();
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) add(*it);
}

}  // namespace ordavia
