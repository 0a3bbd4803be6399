#pragma once
// Opening a movie for a command: a movie file, a foreign video, or a ".dcs"
// video document standing for its movie (with its frame table's offsets).
#include <string>

#include "base/Result.h"

class CZVMovie;
class CMotivaDoc;

namespace ordavia {

ordavia::Status openAnyMovie(const std::string& path, CZVMovie& m, CMotivaDoc* docOut = nullptr);

}  // namespace ordavia
