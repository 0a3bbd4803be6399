#include "doppler/DopplerRecording.h"

#include <algorithm>
#include <cmath>

#include "base/Text.h"
#include "doppler/Ctrv2Doc.h"
#include "doppler/PulseAccumulator.h"
#include "doppler/SaturationWatch.h"
#include "doppler/Trv2Board.h"

namespace ordavia {

namespace {
constexpr double kHalfWidthSeconds = 0.35;
// The monitor's rings while a recording streams through it: the newest
// velocity is all that is read back.
constexpr int kRingBlocks = 64;
}  // namespace

Result<DopplerRun> runDopplerRecording(Trv2Board& board, const StartupSettings& settings,
                                       const DopplerRunOptions& o) {
    if (!board.present()) return Status::failure(StatusCode::BadFormat, "no 16-bit samples to play");
    if (std::fabs(board.setSamplingRate(o.rate) - o.rate) > 1e-6 * o.rate)
        return Status::failure(StatusCode::OutOfRange, strprintf("the board cannot sample at %g Hz (nearest %g Hz)",
                                                                 o.rate, board.samplingRate()));
    const uint64_t blocks = board.sampleCount() / Ctrv2Doc::kBlockLimit;
    if (blocks == 0) return Status::failure(StatusCode::BadFormat, "shorter than one block of 100 samples");

    Ctrv2Doc doc;
    doc.setBoard(&board);
    doc.detection() = settings;
    if (!doc.OnNewDocument() ||
        !doc.setInput(double(kRingBlocks) * Ctrv2Doc::kBlockLimit / o.rate, 0.01, o.points))
        return Status::failure(StatusCode::NoMemory, "no memory for the monitor's traces");
    // A percentage of the power for method 2, where the monitor's 200 would find nothing.
    doc.setThreshold(o.threshold >= 0 ? o.threshold
                     : settings.cbvMethod == 2 ? 90
                                               : ZcommonTRVDoc::kDefaultThreshold);
    const CTrace* cbv = doc.cbvTrace();
    if (!cbv || !cbv->hasData()) return Status::failure(StatusCode::NoMemory, "no memory for the velocity trace");

    DopplerRun r;
    const double velocityRate = o.rate / Ctrv2Doc::kBlockLimit;
    r.cbvStep = int(std::max<uint64_t>(1, (blocks + o.maxVelocities - 1) / std::max<size_t>(o.maxVelocities, 1)));
    r.cbvRate = velocityRate / r.cbvStep;
    r.halfWidth = o.halfWidth > 0 ? o.halfWidth : std::max(1, int(std::lround(kHalfWidthSeconds * velocityRate)));
    r.cbv.reserve(size_t((blocks + uint64_t(r.cbvStep) - 1) / uint64_t(r.cbvStep)));
    PulseAccumulator pulses(r.halfWidth);
    SaturationWatch watch;
    // The running filter of runningFilter, a value at a time.
    const double alpha = o.smooth > 0 ? 1.0 - std::exp(-1.0 / velocityRate / o.smooth) : 1.0;
    double level = 0.0, groupSum = 0.0;
    int group = 0;
    for (uint64_t b = 0; b < blocks; ++b) {
        if (!doc.processBlock(Ctrv2Doc::kBlockLimit))
            return Status::failure(StatusCode::IoError, board.playbackError().empty() ? "the recording could not be read"
                                                                                      : board.playbackError());
        const double v = cbv->physical((cbv->head + cbv->sampleCount() - 1) % cbv->sampleCount());
        level = b == 0 ? v : level + alpha * (v - level);
        pulses.add(level);
        watch.add(doc.lastShift(), doc.spectrumPoints(), doc.lastNoiseFloor(), doc.threshold(), doc.method());
        groupSum += v;
        if (++group == r.cbvStep) {
            r.cbv.push_back(groupSum / group);
            groupSum = 0.0;
            group = 0;
        }
    }
    if (group) r.cbv.push_back(groupSum / group);
    r.velocities = blocks;
    r.threshold = doc.threshold();
    r.pulses = pulses.finish();
    r.saturated = watch.saturated();
    r.saturatedShare = double(watch.saturatedBlocks()) / double(std::max<uint64_t>(watch.blocks(), 1));

    if (r.saturated) r.warnings.push_back(watch.warning());
    if (!r.pulses.hasBeats())
        r.warnings.push_back("no beats: the velocity has no systolic peaks and diastolic minima to measure "
                             "(silence, a flat signal or a recording shorter than a beat); mean, systolic, "
                             "diastolic, PI and RI are not reported");
    else if (r.saturated)
        r.warnings.push_back("mean, systolic, diastolic, PI and RI are not reported: they would be read from the noise");
    if (board.strayByte())
        r.warnings.push_back("the file's length is odd: its last byte is not a whole 16-bit sample and was not read");
    if (r.cbvStep > 1)
        r.warnings.push_back(strprintf("the velocity series is given as the means of %d consecutive velocities (%g per "
                                       "second) to keep it to %zu values; the figures are from every velocity",
                                       r.cbvStep, r.cbvRate, o.maxVelocities));
    return r;
}

}  // namespace ordavia
