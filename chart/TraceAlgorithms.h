#pragma once
// The chart's computations on traces, free of documents and dialogs, so
// that the workstation and ordavia-cli share them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTrace;
class C2DTrace;

namespace ordavia {

// Judges each sample against the last accepted one. Off by default; a
// rejected sample keeps the last accepted value. At most two rejections in
// a row: the third sample is accepted whatever it is.
struct ArtifactFilter {
    enum Mode { Off = 0, Reject = 1, Replace = 2 };
    int lowerMode = Off, upperMode = Off;
    bool lowerPercent = false, upperPercent = false;
    double lower = 0.0, upper = 0.0;
    bool exactTest = false;
    double exactValue = 0.0;

    bool enabled() const { return lowerMode != Off || upperMode != Off || exactTest; }
    // Starts a new walk.
    void restart() { rejections_ = 0; havePrev_ = false; }
    bool accept(double x);

private:
    int rejections_ = 0;
    bool havePrev_ = false;
    double prev_ = 0.0;
};

// Samples of the ring range [from, to) of a trace in walk order (the whole
// ring when from == to).
std::vector<uint32_t> ringIndices(uint32_t count, uint32_t from, uint32_t to);

// One 512-sample real FFT per row: N / 512 rows of 256 powers (window
// shape as SpectralWindow; 0 none). Rows start at head + 512 r around the
// ring. A trace of kMinSpectrumSamples to 511 samples gives one row of its
// samples padded to 512; a shorter one gives none.
inline constexpr uint32_t kMinSpectrumSamples = 16;
std::vector<std::vector<double>> powerSpectrumRows(const CTrace& source, int window = 0);
// The frequency of the strongest bin (bin 0 aside) of a "Calculated PSD"
// trace, averaged over its rows, from the Nyquist frequency each row keeps
// as its extent; -1 when there is none.
double psdPeakFrequency(const C2DTrace& psd);
// The chart's "Calculated PSD" trace (unsigned 16-bit rows); null when the
// source is too short or the memory is not there.
std::unique_ptr<C2DTrace> powerSpectrumTrace(const CTrace& source, double viewXScale, int window = 0);

// Exponential smoothing of the selection with time constant tau seconds.
void smoothSelection(CTrace& t, uint32_t from, uint32_t to, double tau, ArtifactFilter* filter);
// Reads at most 201 white-space separated coefficients.
std::vector<double> readFirCoefficients(const std::string& text);
void firFilter(CTrace& t, uint32_t from, uint32_t to, const std::vector<double>& c);

struct SelectionAverage {
    double mean = 0, maximum = 0, minimum = 0, acceptedPercent = 0, total = 0;
    uint32_t accepted = 0, visited = 0;
};
SelectionAverage averageOfSelection(const CTrace& t, uint32_t from, uint32_t to, ArtifactFilter* filter);

// Row operations on two-dimensional traces.
enum class RowOp { CutToAverage, CutPsdArtifacts, CutPedestal, DpsHistogram };
struct PedestalSettings {
    double level = 100.0;
    int run = 3;
    double p1 = 100.0, p2 = 100.0, p3 = 100.0;
};
void rowOperation(std::vector<double>& row, RowOp op, const PedestalSettings& ped = {});
void rowOperation(C2DTrace& t, uint32_t from, uint32_t to, RowOp op, const PedestalSettings& ped = {});

}  // namespace ordavia
