#pragma once
// The kinds of files Ordavia opens, by extension (lower case, with the
// dot): one list of pictures and one of videos, for the workstation's
// choice of document and for the command line's choice of command, so
// that both take the same files the same way.
#include <string>
#include <vector>

namespace ordavia {

// Pictures: native, bitmap, TIFF, JPEG and PNG files.
const std::vector<std::string>& pictureExtensions();
// Videos of other programs, read through FFmpeg.
const std::vector<std::string>& foreignVideoExtensions();
// Everything that opens as a video: movie files, video documents and the
// videos of other programs.
const std::vector<std::string>& videoExtensions();
// DICOM files: a single frame opens as a picture, more as a video (files
// with the "DICM" signature are known by their content too).
const std::vector<std::string>& dicomExtensions();
// Whether the path's extension, in any case, is one of the list.
bool hasExtensionIn(const std::string& path, const std::vector<std::string>& list);

}  // namespace ordavia
