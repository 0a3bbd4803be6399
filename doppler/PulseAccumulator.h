#pragma once
// The pulse summary of a velocity series taken one value at a time, so that
// a recording of any length is summarised in memory of the window's size:
// the same peaks and minima as classifyPulses, the same gap filling, the
// same PI and RI as the traces of the review give over the positions
// where both marks are known. summarisePulses is this over a vector.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "doppler/PulseAnalysis.h"

namespace ordavia {

class PulseAccumulator {
public:
    // w: the half-width of the sliding window (w < 1 classifies nothing).
    explicit PulseAccumulator(int w);
    void add(double v);
    uint64_t count() const { return count_; }
    // The summary of every value added; the accumulator is then spent.
    PulseSummary finish();

private:
    // The next position in order, with its marks (0: none).
    void place(double systolic, double diastolic);

    int w_;
    size_t span_;
    std::vector<double> ring_;  // the newest span_ + 1 values by index
    std::vector<uint64_t> hi_, lo_;  // monotonic queues of indexes (as deques)
    size_t hiHead_ = 0, loHead_ = 0;
    uint64_t count_ = 0, placed_ = 0;
    double sum_ = 0.0;
    PulseSummary s_;
    double sysSum_ = 0.0, diaSum_ = 0.0;
    // Systolic filled forwards: the last mark so far.
    double lastSys_ = 0.0;
    // Diastolic filled backwards: the positions waiting for the next
    // minimum, as sums over those whose systolic value is known.
    uint64_t waiting_ = 0;
    double waitSys_ = 0.0, waitInvSys_ = 0.0;
    uint64_t known_ = 0;
    double diffSum_ = 0.0, riSum_ = 0.0;
};

}  // namespace ordavia
