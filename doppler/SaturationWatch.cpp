#include "doppler/SaturationWatch.h"

#include <algorithm>
#include <cmath>

#include "base/Text.h"

namespace ordavia {

void SaturationWatch::reset(size_t window) {
    window_ = window;
    floors_.assign(window, 0.0);
    flags_.assign(window, 0);
    next_ = 0;
    blocks_ = saturated_ = 0;
    floorSum_ = 0.0;
    threshold_ = 0;
}

double SaturationWatch::noiseFloorOf(const double* p, int n) {
    if (!p || n < 2) return 0.0;
    const int top = std::min(16, n - 1);
    double sum = 0.0;
    for (int i = n - top; i < n; ++i) sum += p[i];
    return sum / top;
}

bool SaturationWatch::blockSaturated(double shift, int n, double noiseFloor, int32_t threshold, int method) {
    if (n < 2) return false;
    const double top = double(n - 1) - double(n) / 32.0;
    if (shift >= top) return true;
    return (method == 0 || method == 1 || method == 4) && noiseFloor > double(threshold);
}

void SaturationWatch::add(double shift, int n, double noiseFloor, int32_t threshold, int method) {
    const bool sat = blockSaturated(shift, n, noiseFloor, threshold, method);
    threshold_ = threshold;
    if (window_ > 0) {
        if (blocks_ == window_) {
            floorSum_ -= floors_[next_];
            saturated_ -= flags_[next_];
            --blocks_;
        }
        floors_[next_] = noiseFloor;
        flags_[next_] = sat ? 1 : 0;
        next_ = (next_ + 1) % window_;
    }
    ++blocks_;
    saturated_ += sat ? 1 : 0;
    floorSum_ += noiseFloor;
    // A long window's running sum drifts: started again from the ring now
    // and then.
    if (window_ > 0 && next_ == 0) {
        floorSum_ = 0.0;
        for (size_t i = 0; i < size_t(blocks_); ++i) floorSum_ += floors_[i];
    }
}

std::string SaturationWatch::warning() const {
    if (!saturated()) return {};
    return strprintf("saturated: in %.0f %% of the spectra the Doppler shift sits at the top of the band or the "
                     "threshold (%d) lies under the noise floor (about %.0f); the velocity follows the noise and is "
                     "not a measurement. Use the automatic noise floor or a threshold above the noise floor",
                     100.0 * double(saturated_) / double(blocks_), int(threshold_), noiseFloor());
}

}  // namespace ordavia
