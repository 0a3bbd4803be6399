#pragma once
// Pulse analysis of a velocity series: systolic peaks and diastolic minima
// found by a sliding window of 2w + 1 values, the gaps between them filled,
// and the pulsatility and resistance indexes per position. Plain functions
// over values, so that the review document and the command line compute
// the same numbers.
#include <cstddef>
#include <vector>

namespace ordavia {

struct PulseMarks {
    // Same length as the input; 0 where a position is not marked.
    std::vector<double> systolic, diastolic;
};

// Step 2 of the analysis: the centre c of every full window is a peak when
// no other value in the window is greater, else a minimum when no other is
// smaller. The first and last w values are never classified. A flat series
// is all peaks. w < 1 classifies nothing.
PulseMarks classifyPulses(const std::vector<double>& v, int w);
// Every 0 of the systolic series takes the last non-zero value before it;
// every 0 of the diastolic series the first non-zero value after it.
void fillPulseGaps(PulseMarks& marks);
// The "mean" trace: the mean of the whole series at every position.
std::vector<double> meanTrace(const std::vector<double>& v);
// (systolic - diastolic) / mean x 1000, 0 where the mean is 0.
std::vector<double> pulsatilityIndex(const PulseMarks& filled, const std::vector<double>& mean);
// (systolic - diastolic) / systolic x 1000, 0 where the systolic value is 0.
std::vector<double> resistanceIndex(const PulseMarks& filled);

// The chart's running filter over a velocity series before its pulses are
// judged: each value from the second on moves the level by alpha x (value -
// level). alpha = 1 - exp(-period / tau); tau <= 0 leaves the series as it is.
void runningFilter(std::vector<double>& v, double period, double tau);

struct PulseSummary {
    double mean = 0, systolic = 0, diastolic = 0;  // velocity units
    double pi = 0, ri = 0;                          // plain ratios
    size_t peaks = 0, minima = 0;
    // Positions where both a systolic and a diastolic value are known: the
    // positions PI and RI are the means over.
    size_t known = 0;
    // Whether the series had beats to measure: peaks and minima, and
    // positions between them. Without, the figures above are no
    // measurement (a flat or silent series) and are not to be reported.
    bool hasBeats() const { return peaks > 0 && minima > 0 && known > 0; }
};
// The whole analysis: mean of the series; systolic and diastolic as the
// means of the marked peaks and minima; PI and RI as the means of their
// traces over the positions where both marks are known. Computed one value
// at a time (PulseAccumulator), as long recordings are.
PulseSummary summarisePulses(const std::vector<double>& v, int w);

}  // namespace ordavia
