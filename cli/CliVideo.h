#pragma once
// Opening a movie for a command: a movie file, a foreign video, or a ".dcs"
// video document standing for its movie (with its frame table's offsets).
#include <string>

#include "base/Result.h"

class CZVMovie;
class CMotivaDoc;

namespace ordavia {

ordavia::Status openAnyMovie(const std::string& path, CZVMovie& m, CMotivaDoc* docOut = nullptr);

// The video document the workstation would show for the file: a ".dcs"
// with its movie, offsets, selection, frame rate and calibration; a movie
// file or a foreign video imported into a new document. Fails unless the
// document holds frames.
ordavia::Status openVideoDocument(const std::string& path, CMotivaDoc& doc);

}  // namespace ordavia
