#pragma once
// The power spectrum of the newest 2 x points samples of a Doppler signal.
// Blocks of any length are pushed in; each spectrum is taken over the last
// 2 x points samples, so short blocks give overlapping spectra (the monitor
// pushes at most 100 samples per block against 512 per spectrum).
#include <cstdint>
#include <vector>

#include "chart/FftEngine.h"
#include "chart/SpectralWindow.h"

namespace ordavia {

class DopplerSpectrum {
public:
    // points: 4, 16, 64, 256, 1024 or 4096 bins. False for any other.
    bool prepare(int points);
    int points() const { return points_; }

    void push(const int16_t* samples, int k);
    void clear();
    // Windows a copy of the history with the window shape (as
    // SpectralWindow) and returns the points() bin powers.
    double* compute(int window);
    double* power() { return power_.data(); }

private:
    int points_ = 0;
    FftEngine fft_;
    SpectralWindow window_;
    std::vector<double> history_, work_, power_;
};

}  // namespace ordavia
