#pragma once
// The shared FFT: a radix-4 complex transform of 4, 16, 64, 256, 1024 or
// 4096 points with its own twiddle tables, a real-input power spectrum of
// twice that many samples built on it, and a complex power spectrum. The
// forward transform is scaled by 1/n; the real spectrum is unpacked with the
// factors 1/sqrt(2) (bins 0 and n) and 1/(2 sqrt(2)), so that its powers are
// |X[k]|^2 / (2 n^2) of the unscaled transform X of the 2n samples.
#include <cstddef>
#include <cstdint>
#include <vector>

class FftEngine {
public:
    FftEngine() = default;

    // 1..6 for the accepted sizes; -3 above 4096, -1 below 4, -2 otherwise.
    static int sizeCheck(int n);

    // Allocates the work arrays and tables for n complex points. Fails when
    // already prepared or when n is not an accepted size.
    bool Prepare(int n);
    int size() const { return n_; }
    int sizeCode() const { return code_; }

    // In place on size() complex values.
    void complexTransform(double* re, double* im, bool inverse);
    // 2n real samples in, n powers out.
    void realPowerSpectrum(const double* samples, double* power);
    // Forward transform in place, then n powers.
    void complexPowerSpectrum(double* re, double* im, double* power);

    // The twiddle tables: cos[k] ~ cos(2 pi k / n), sin[k] ~ -sin(2 pi k / n).
    const std::vector<double>& cosTable() const { return cos_; }
    const std::vector<double>& sinTable() const { return sin_; }

private:
    void unpackReal();
    // The forward or inverse radix-4 passes without the final 1/n scaling;
    // firstDone: the values are reordered and through the first stage.
    void passes(double* re, double* im, bool inverse, bool firstDone = false);

    int n_ = 0;
    int code_ = 0;
    // Work: 2n real parts, then 2n imaginary parts a few cache lines
    // further on, so that the quarter-rows of the two never fall into the
    // same cache sets (which made a transform's time depend on where the
    // allocator put the arrays).
    std::vector<double> work_;
    size_t imOffset_ = 0;
    std::vector<double> unRe_, unIm_;      // unpacked spectrum, 2n each
    std::vector<double> cos_, sin_;        // n each
    std::vector<double> halfCos_, halfSin_;  // odd half-steps for the real unpacking
    std::vector<uint32_t> swaps_;          // digit-reversal pairs
    std::vector<uint32_t> reversed_;       // base-4 digit reversal of each index
    // The main table's twiddles of each stage laid out in butterfly order
    // (w1, w2, w3 real and imaginary, m entries each, kTwPad entries apart
    // for the same reason as the work), so that the butterflies of a group
    // run over contiguous memory.
    static constexpr int kTwPad = 8;
    std::vector<double> stageTw_;
};
