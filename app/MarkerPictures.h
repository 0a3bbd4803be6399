#pragma once
// The picture an image marker names. A Doppler marker names its picture by
// a bare number (the tick count at the moment it was made), and the live
// video saved that picture as "<folder>/<number>.cs1" in its saving folder;
// the marker's request to load it back has to find that file again.
#include <string>
#include <vector>

namespace ordavia {

// `name` when it names a folder of its own or no candidate exists; else the
// first existing file among folder/name and folder/name + `ext`, folder by
// folder in the order given (empty folders are skipped).
std::string markerPicturePath(const std::string& name, const std::vector<std::string>& folders,
                              const std::string& ext = ".cs1");

}  // namespace ordavia
