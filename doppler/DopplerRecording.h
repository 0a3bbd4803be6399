#pragma once
// A whole raw recording through the monitor and the pulse analysis, as the
// command line and the accuracy checks run it: the board plays the
// recording once, the monitor steps it block by block exactly as its timer
// would, and the velocity trace it leaves is analysed for its pulses.
#include <cstdint>
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
};

struct DopplerRun {
    std::vector<double> cbv;  // mm/s, one per block of 100 samples
    double cbvRate = 0.0;     // velocities per second
    int32_t threshold = 0;    // the threshold used (after the noise floor)
    int halfWidth = 0;
    PulseSummary pulses;
};

// The detection settings come from `settings` ("cbvMethod", "FFTwindow",
// "autonoise", ...). Fails without samples for one block, at a rate the
// board cannot take, or without memory for the velocity trace.
Result<DopplerRun> runDopplerRecording(Trv2Board& board, const StartupSettings& settings,
                                       const DopplerRunOptions& options);

}  // namespace ordavia
