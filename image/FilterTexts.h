#pragma once

namespace ordavia {

// The texts the image commands write for the filters and detectors: history
// lines for the notes, result-image name suffixes, the density result and
// the timing line of the debug log. Kept here so that the commands and the
// command-line tool use the same words.

// History lines (appended to the notes before the region text).
inline constexpr const char* kHistoryEqualise = "Equalise";
inline constexpr const char* kHistoryNegative = "Invert";
inline constexpr const char* kHistoryLowPass = "Low pass (%ix%i)";    // window size twice
inline constexpr const char* kHistoryHighPass = "High pass (%ix%i)";  // window size twice
inline constexpr const char* kHistoryBlur = "blur ";                  // then kHistorySigma and the value
inline constexpr const char* kHistorySigma = "sigma ";
inline constexpr const char* kHistoryBinned = "binned\r\n";
inline constexpr const char* kHistoryRemoveDust = "Remove Dust";
inline constexpr const char* kHistorySimpleThreshold = "simple threshold";
inline constexpr const char* kHistoryMinimaWindow = " found %li minima. w=%i h=%i, t=%i";
inline constexpr const char* kHistoryMinimaTolerance = " found %li minima. t=%i, tol=%i";
inline constexpr const char* kHistoryEightRegions = "find 8 regions\r\n";

// Suffixes of the result images' names.
inline constexpr const char* kSuffixMinima = "-minima";
inline constexpr const char* kSuffixMinima8 = "-minima8";
inline constexpr const char* kSuffixEightRegions = "-8region";

// Density result text: density, then area.
inline constexpr const char* kDensityResultFormat = "%7.3f, capillary density, %7.3f, area";
// Debug log line after "Threshold Capillaries", with the seconds taken.
inline constexpr const char* kFindCapsLogFormat = "findcaps=%fsecs\n";

}  // namespace ordavia
