#pragma once
// A whole raw recording through the monitor and the pulse analysis, as the
// command line and the accuracy checks run it: the board plays the
// recording once, the monitor steps it block by block exactly as its timer
// would, and each block's velocity goes on to the pulse analysis as it is
// made. The monitor keeps a short ring only, the file is read a buffer at
// a time and the velocity series handed back is bounded: memory does not
// grow with the recording's length.
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"
#include "doppler/PulseAnalysis.h"
#include "settings/StartupSettings.h"

namespace ordavia {

class Trv2Board;

struct DopplerRunOptions {
    double rate = 40000.0;
    int points = 256;       // 64 or 256
    int32_t threshold = -1;  // < 0: 200, or 90 (%) for method 2
    double smooth = 0.02;   // running filter before the pulse analysis, s
    int halfWidth = -1;     // pulse window half-width in velocities; < 0: 0.35 s
    // Most velocities handed back in DopplerRun::cbv (a million: 43 minutes
    // at 40 kHz); a longer recording gives the means of consecutive ones.
    size_t maxVelocities = size_t(1) << 20;
};

struct DopplerRun {
    // mm/s, one per block of 100 samples; for a recording of more than
    // maxVelocities blocks, the means of cbvStep consecutive blocks.
    std::vector<double> cbv;
    double cbvRate = 0.0;     // values of cbv per second
    int cbvStep = 1;
    uint64_t velocities = 0;  // blocks analysed, every one in `pulses`
    int32_t threshold = 0;    // the threshold used (after the noise floor)
    int halfWidth = 0;
    PulseSummary pulses;
    // Most blocks read the noise at the top of the band (SaturationWatch).
    bool saturated = false;
    double saturatedShare = 0.0;  // of the blocks, 0..1
    // What a reader of the figures must know, in words: saturation, no
    // beats, a stray last byte, a shortened velocity series.
    std::vector<std::string> warnings;
    // Whether mean, systolic, diastolic, PI and RI are a measurement.
    bool measured() const { return !saturated && pulses.hasBeats(); }
};

// The detection settings come from `settings` ("cbvMethod", "FFTwindow",
// "autonoise", ...). Fails without samples for one block, at a rate the
// board cannot take, or when the recording cannot be read to its end.
Result<DopplerRun> runDopplerRecording(Trv2Board& board, const StartupSettings& settings,
                                       const DopplerRunOptions& options);

}  // namespace ordavia
