#pragma once
// "Calculate all widths and velocities": every dimension line of a video
// scanned over the selected frames exactly as playback would sample it,
// each line's run summary offered to the user, and an accepted summary
// kept with the line (its label) and in the "Capillary Velocity Results"
// table (velocity, range, percent good, average correlation per line).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "linescan/ZlineScanBaseDoc.h"

class CMotivaDoc;
namespace ordavia {
class ResultTables;
}  // namespace ordavia
class ZlineScanDoc;
namespace ordavia {

struct ResultColumn;

class AppServices;

// Indexes of the current list's lines that a scan can follow (open lines
// of two or more vertices).
std::vector<int> scannableLines(const CMotivaDoc& video);

// Scans line `index` of the current list over the selected frames [first,
// last) (the whole video when the selection is -1, -1) into a new scan
// document that keeps every frame as a column. progress(frame) returning
// false cancels (a Cancelled failure); a line or selection that cannot be
// scanned fails with its reason. The video's current frame is left as it was.
// The run takes the settings of lineScanSettings; `params`, when given,
// replace the profile's calculation parameters for this run only.
Result<std::unique_ptr<ZlineScanDoc>> scanWholeVideo(CMotivaDoc& video, int index, AppServices* services,
                                                    const std::function<bool(int)>& progress = {},
                                                    bool reversed = false, const CbvParams* params = nullptr);

// The correlation sees flow from the first point of a line towards the
// last only. This scans the line both ways and keeps the way whose good
// columns correlate better (a line drawn against the flow is measured too);
// `reversedOut` tells which. progress counts 2 x the selected frames.
Result<std::unique_ptr<ZlineScanDoc>> scanBothWays(CMotivaDoc& video, int index, AppServices* services,
                                                  const std::function<bool(int)>& progress = {},
                                                  bool* reversedOut = nullptr, const CbvParams* params = nullptr);

// A summary that is not trusted says why: beside the columns that agree
// with it, whether fewer than half the columns correlate or the good ones
// correlate weakly. A trusted one is offered as sound.
inline constexpr double kDoubtfulPercentGood = 50.0;
inline constexpr double kDoubtfulCorrelation = 0.5;
// Why a summary is doubtful, in words; empty when it is not.
std::string summaryDoubt(const CbvSummary& s);

// The text the user reads for a summary, with the question: the summary,
// the outliers left out of the range, the doubt, and "Accept this
// velocity?". A doubtful summary is asked with No as the default. A summary
// that cannot be accepted ends with kNotAcceptable instead of the question.
std::string summaryQuestion(const CbvSummary& s, int lineNumber);
// A summary without a good column, or whose velocity lies outside the band
// the method can see, is no measurement: it is shown, never offered.
bool summaryAcceptable(const CbvSummary& s);
inline constexpr const char* kNotAcceptable = "This velocity cannot be accepted.";

// The velocity table, its columns from the measure catalogue's "linescan"
// set: "filename", "units", "line", "velocity", "low", "high", "percent
// good", "correlation", "in range", "quality", "diameter", "flux".
inline constexpr const char* kCapillaryVelocityTitle = "Capillary Velocity Results";
const ResultColumn* capillaryVelocityColumns(size_t& count);
// What an accepted velocity states on its line (one line of text): the
// summary, the range warning, and the diameter (when known, -1 if not)
// with the flux.
std::string acceptedVelocityText(const CbvSummary& s, int lineNumber, double diameter);
// The one place a velocity's row is filed: every figure of the summary,
// the diameter and flux missing when not known. A failure when the table
// could not be opened or refused the row.
Status fileVelocityRow(ResultTables* tables, const std::string& source, const CbvSummary& s, int lineNumber,
                     double diameter = -1);

// Accepting: the summary text joins the line's label (one line of text)
// and a row goes to the velocity table (when tables are given); the
// failure of that row is returned for the user to read.
Status acceptVelocity(CMotivaDoc& video, int index, const CbvSummary& s, const std::string& source,
                    ResultTables* tables);

// Said when a summary is rejected, and on Yes.
inline constexpr const char* kRejectedQuestion =
    "Velocity rejected. Do you want to change the selected part of the velocity trace?";
inline constexpr const char* kMarkGoodPart = "Mark good part in linescan, then click on Calculate";

}  // namespace ordavia
