#pragma once
// The charts and windows a line scan opens: the chart review of its source
// trace, the "average cbv vs correlation limit" chart and the "cbv vs
// correlation" chart (one of each, kept open and reused), the follow-up
// analyses after a run, and the run summary offered for acceptance.
#include <cstdint>
#include <string>

class CMotivaDoc;
namespace ordavia {
class Document;
}  // namespace ordavia
class ZlineScanBaseDoc;

namespace ordavia::linescanui {

// "&Calculate velocity", "CBV using FFT": a chart review document holding a
// copy of the scan's source trace.
void openChartReview(ZlineScanBaseDoc& scan);
// "average cbv vs correlation limit" and "cvb vs correlation points".
void showAverageCbvVsLimit(ZlineScanBaseDoc& scan);
void showCbvVsCorrelation(ZlineScanBaseDoc& scan);
// After a run ends: the analyses switched on in the parameters
// ("showcbvvcoef", "showcbvcorrel", "dohough", "correl2velo").
void runFollowUps(ZlineScanBaseDoc& scan);

// Where a scan came from: the video and the index of its line in the
// video's current list (video null when unknown).
struct ScanOrigin {
    CMotivaDoc* video = nullptr;
    int line = -1;
};
// The run summary of the ring range [from, to) of "cbv" as a question.
// Accepting keeps it with the line and in the velocity table; rejecting
// asks whether to mark another part and, on Yes, says how.
enum class SummaryAnswer { Accepted, Rejected, MarkAnotherPart };
SummaryAnswer offerSummary(ZlineScanBaseDoc& scan, uint32_t from, uint32_t to, const ScanOrigin& origin);

// Hands a document to the application for a window (through its services).
Document* showDocument(Document& owner, Document* doc);

}  // namespace ordavia::linescanui
