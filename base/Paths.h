#pragma once
// Path helpers. Stored paths may come from Windows ("D:\data\a.mve"), so
// names are split on both separators; paths we make use '/'.
#include <string>
#include <string_view>

namespace ordavia {

// The last path component, after the last '\' or '/'.
std::string fileNameOf(std::string_view path);
// Everything up to and including the last '\' or '/' (empty when none).
std::string folderOf(std::string_view path);
// The extension including its dot, from the last '.' of the file name (empty when none).
std::string extensionOf(std::string_view path);
// The path with the extension of its file name removed.
std::string withoutExtension(std::string_view path);
// Joins a folder and a name with a single '/'.
std::string joinPath(std::string_view folder, std::string_view name);
// The folder with a trailing '/' (unchanged when it already ends in a separator).
std::string withTrailingSeparator(std::string_view folder);

}  // namespace ordavia
