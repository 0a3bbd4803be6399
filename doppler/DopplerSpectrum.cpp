#include "doppler/DopplerSpectrum.h"

#include <algorithm>
#include <cstring>

namespace ordavia {

bool DopplerSpectrum::prepare(int points) {
    if (FftEngine::sizeCheck(points) < 1) return false;
    if (points != points_) {
        fft_ = FftEngine();
        if (!fft_.Prepare(points)) return false;
        points_ = points;
    }
    history_.assign(size_t(2 * points), 0.0);
    work_.assign(size_t(2 * points), 0.0);
    power_.assign(size_t(points), 0.0);
    return true;
}

void DopplerSpectrum::clear() { std::fill(history_.begin(), history_.end(), 0.0); }

void DopplerSpectrum::push(const int16_t* samples, int k) {
    const int m = 2 * points_;
    if (m == 0 || k <= 0) return;
    if (k >= m) {
        samples += k - m;
        k = m;
    } else {
        std::memmove(history_.data(), history_.data() + k, sizeof(double) * size_t(m - k));
    }
    double* tail = history_.data() + (m - k);
    for (int i = 0; i < k; ++i) tail[i] = samples[i];
}

double* DopplerSpectrum::compute(int window) {
    const int m = 2 * points_;
    if (m == 0) return nullptr;
    std::copy(history_.begin(), history_.end(), work_.begin());
    window_.Prepare(window, m);
    window_.Apply(work_.data());
    fft_.realPowerSpectrum(work_.data(), power_.data());
    return power_.data();
}

}  // namespace ordavia
