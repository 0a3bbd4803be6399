#include "doppler/DopplerRecording.h"

#include <algorithm>
#include <cmath>

#include "base/Text.h"
#include "doppler/Ctrv2Doc.h"
#include "doppler/Trv2Board.h"

namespace ordavia {

namespace {
constexpr double kHalfWidthSeconds = 0.35;
}  // namespace

Result<DopplerRun> runDopplerRecording(Trv2Board& board, const StartupSettings& settings,
                                       const DopplerRunOptions& o) {
    if (!board.present()) return Status::failure(StatusCode::BadFormat, "no 16-bit samples to play");
    if (std::fabs(board.setSamplingRate(o.rate) - o.rate) > 1e-6 * o.rate)
        return Status::failure(StatusCode::OutOfRange, strprintf("the board cannot sample at %g Hz (nearest %g Hz)",
                                                                 o.rate, board.samplingRate()));
    const size_t blocks = board.playback().size() / Ctrv2Doc::kBlockLimit;
    if (blocks == 0) return Status::failure(StatusCode::BadFormat, "shorter than one block of 100 samples");

    Ctrv2Doc doc;
    doc.setBoard(&board);
    doc.detection() = settings;
    // The velocity trace holds the whole recording; the raw trace is not read.
    if (!doc.OnNewDocument() ||
        !doc.setInput(double(blocks + 1) * Ctrv2Doc::kBlockLimit / o.rate, 0.01, o.points))
        return Status::failure(StatusCode::NoMemory, "no memory for the velocity trace of this recording");
    // A percentage of the power for method 2, where the monitor's 200 would find nothing.
    doc.setThreshold(o.threshold >= 0 ? o.threshold
                     : settings.cbvMethod == 2 ? 90
                                               : ZcommonTRVDoc::kDefaultThreshold);
    for (size_t b = 0; b < blocks; ++b) doc.processBlock(Ctrv2Doc::kBlockLimit);

    DopplerRun r;
    r.cbv = doc.orderedValues(*doc.cbvTrace());
    r.cbvRate = o.rate / Ctrv2Doc::kBlockLimit;
    r.threshold = doc.threshold();
    std::vector<double> filtered = r.cbv;
    runningFilter(filtered, 1.0 / r.cbvRate, o.smooth);
    r.halfWidth = o.halfWidth > 0 ? o.halfWidth : std::max(1, int(std::lround(kHalfWidthSeconds * r.cbvRate)));
    r.pulses = summarisePulses(filtered, r.halfWidth);
    return r;
}

}  // namespace ordavia
