#pragma once
// The review's computations on a stored Doppler spectrum, free of
// documents and dialogs: velocity and contour traces from the spectrum
// rows, the signal strength, and the beat means that the "mean" trace and
// the pulse removal share.
//
// A spectrum trace is two-dimensional: row i is the spectrum of n bins
// taken at sample i; its frequency scale, the frequency in Hz that the n
// bins span (half the sampling rate of the block), is the row's extent.
#include <cstdint>
#include <functional>
#include <vector>

class CTrace;
class C2DTrace;

namespace ordavia {

struct ArtifactFilter;

// The shift (in bins, 0 for none) of one spectrum p[0 .. n); it may change
// p (a trimmed spectrum is written back to the row).
using ShiftFinder = std::function<double(double* p, uint32_t n)>;

// The extent of row i; 0 for a row without data.
double rowFrequencyScale(const C2DTrace& spectrum, uint32_t row);

// For each row of the ring range [from, to) of the spectrum (the whole
// ring when equal): s = find(row), and s x scale / n written to the same
// sample of `target`. From the second value on a value the filter rejects
// is replaced by the last value written. Rows without data give 0. The
// target must be one-dimensional and at least as long as the spectrum.
// Returns the number of rows visited (0 when the traces do not fit).
uint32_t velocityFromSpectrum(C2DTrace& spectrum, uint32_t from, uint32_t to, const ShiftFinder& find,
                              CTrace& target, ArtifactFilter* filter = nullptr);

// The highest bin (from the top, bin 0 aside) whose power exceeds
// `level`: the frequency below which the spectrum keeps that power; 0
// when no bin does.
uint32_t levelEdge(const double* p, uint32_t n, double level);

// The power of the Doppler band, bins 1 .. n - 1, of every row of the
// range into the same samples of the target.
uint32_t signalStrengthInto(const C2DTrace& spectrum, uint32_t from, uint32_t to, CTrace& target);

// Each value of [from, to) of v replaced by the mean of its beat: beats
// run from one peak position to the next (peaks ascending, inside the
// range). Values before the first peak take the first beat's mean, after
// the last peak the last beat's; with fewer than two peaks every value
// takes the mean of the whole range.
std::vector<double> beatMeans(const std::vector<double>& v, const std::vector<uint32_t>& peaks);

}  // namespace ordavia
