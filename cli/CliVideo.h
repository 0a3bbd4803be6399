#pragma once
// Opening a movie for a command: a movie file, a foreign video, or a ".dcs"
// video document standing for its movie (with its frame table's offsets);
// and what the video commands say about frames that cannot be decoded.
#include <string>

#include "base/Result.h"

class CZVMovie;
class CMotivaDoc;

namespace ordavia {

class AppServices;
struct CliArgs;

ordavia::Status openAnyMovie(const std::string& path, CZVMovie& m, AppServices& services, CMotivaDoc* docOut = nullptr);

// The video document the workstation would show for the file: a ".dcs"
// with its movie, offsets, selection, frame rate and calibration; a movie
// file or a foreign video imported into a new document. Fails unless the
// document holds frames.
ordavia::Status openVideoDocument(const std::string& path, CMotivaDoc& doc, AppServices& services);
// The option every video command takes: damaged frames are left out of
// the result (and named on stderr) instead of failing the command.
constexpr const char* kSkipDamagedHelp =
    "  --skip-damaged  leaves frames that cannot be decoded out of the result (named on stderr)\n"
    "                  instead of failing";
void takeSkipDamaged(const CliArgs& a, CZVMovie& m);
// After a command that succeeded: one line on stderr naming the frames of
// the movie that were left out, if any.
void reportSkippedFrames(const std::string& in, const CZVMovie& m);
// The command's error for a failure on `in`; a damaged frame adds how to
// leave such frames out.
int movieError(const std::string& in, const Status& s);

}  // namespace ordavia
