#include "chart/SpectralWindow.h"

#include <cmath>

namespace {
// 2 pi and 4 pi as single-precision constants: windows computed here must
// equal the ones stored by older spectra value for value.
constexpr double kTwoPi = 6.2831854820251465;
constexpr double kFourPi = 12.566370964050293;
}  // namespace

bool SpectralWindow::Prepare(int shape, int length) {
    if (length < 1) return false;
    if (static_cast<int>(w_.size()) != length) {
        w_.assign(static_cast<size_t>(length), 1.0);
        shape_ = -1;
    }
    if (shape < Triangular || shape > Blackman) shape = Rectangular;
    if (shape == shape_) return true;
    const int n = length;
    const double d = n - 1;
    for (int i = 0; i < n; ++i) {
        double v = 1.0;
        // A window of one point has D = 0; it stays 1 rather than 0/0.
        if (n > 1) switch (shape) {
            case Triangular: v = i < n / 2 ? 2.0 * i / d : 2.0 - 2.0 * i / d; break;
            case Hann: v = (1.0 - std::cos(i * kTwoPi / d)) * 0.5; break;
            case Hamming: v = 0.54 - 0.46 * std::cos(i * kTwoPi / d); break;
            case Blackman: v = 0.42 - 0.5 * std::cos(i * kTwoPi / d) + 0.08 * std::cos(i * kFourPi / d); break;
            default: break;
        }
        w_[static_cast<size_t>(i)] = v;
    }
    shape_ = shape;
    return true;
}

void SpectralWindow::Apply(double* samples) const {
    if (shape_ <= 0 || w_.empty() || !samples) return;
    for (size_t i = 0; i < w_.size(); ++i) samples[i] *= w_[i];
}
