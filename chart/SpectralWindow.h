#pragma once
// Spectral windows of one length and shape: 1 triangular, 2 Hann,
// 3 Hamming, 4 Blackman, anything else rectangular (kept as shape 0).
#include <vector>

class SpectralWindow {
public:
    enum Shape { Rectangular = 0, Triangular = 1, Hann = 2, Hamming = 3, Blackman = 4 };

    // False when length < 1. Recomputes only when length or shape changed.
    bool Prepare(int shape, int length);
    // Multiplies the first length samples in place (nothing for rectangular).
    void Apply(double* samples) const;

    int length() const { return static_cast<int>(w_.size()); }
    int shape() const { return shape_; }
    const std::vector<double>& values() const { return w_; }

private:
    int shape_ = -1;
    std::vector<double> w_;
};
