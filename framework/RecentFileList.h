#pragma once
// The most-recently-used file list of the File menu: newest first, no
// duplicates (compared as paths), at most `size` entries. The application
// keeps it in a persistent store of its choice.
#include <string>
#include <vector>

namespace ordavia {

class RecentFileList {
public:
    explicit RecentFileList(size_t size = 4) : size_(size) {}
    void add(const std::string& path);
    void remove(const std::string& path);
    const std::vector<std::string>& entries() const { return entries_; }
    size_t size() const { return size_; }

    // Replaces the entries (as read back from a store), keeping the rules.
    void setEntries(const std::vector<std::string>& paths);

private:
    size_t size_;
    std::vector<std::string> entries_;
};

}  // namespace ordavia
