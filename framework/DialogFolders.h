#pragma once
// Where the file and folder choosers open: in the folder the user last
// chose a file from (or saved to), else where the data live (the current
// examination's folder, the data folder). A caller's own start is kept
// when its folder exists; a bare proposed name is put into that folder.
#include <functional>
#include <string>

namespace ordavia {

class DialogFolders {
public:
    // Where the data live, asked each time (the selection can change).
    std::function<std::string()> dataFolder;
    // Told of every folder remembered, to keep it for the next run.
    std::function<void(const std::string&)> onRemember;

    // The path a chooser opens on for the caller's start (a folder, a file
    // or a proposed name; empty for none).
    std::string startFor(const std::string& start) const;
    // The folder of a chosen file, or a chosen folder.
    void rememberFile(const std::string& path);
    void rememberFolder(const std::string& folder);
    // The folder last used; empty until one was chosen (or restored).
    const std::string& last() const { return last_; }
    void setLast(const std::string& folder);

private:
    std::string base() const;
    std::string last_;
};

}  // namespace ordavia
