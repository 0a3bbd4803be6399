#pragma once
// The Doppler monitor: blocks of samples from the interface board become
// power spectra, each spectrum one Doppler shift, and the live traces
// ("CBV", "Doppler spectrum", "raw", the enabled auxiliary inputs "IP1"
// ..) grow by one block at a time. In the workstation a timer from the
// services steps the monitor; the command line calls processBlock in a
// loop over a recording. Saved, the recording is an ordinary ".zv1" chart,
// which opens for review.
//
// Each block appends one velocity value and one spectrum row (the shift
// and spectrum of that block), and its k raw samples: the velocity and
// spectrum traces run at rate / k, the raw trace at the sampling rate.
// Velocities are stored as the shift in Hz; the trace's y calibration
// turns them into mm/s (the velocity factor) or kHz (0.001), so a change
// of bandwidth does not change the meaning of what was recorded before.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "doppler/DopplerSpectrum.h"
#include "doppler/SaturationWatch.h"
#include "doppler/ZcommonTRVDoc.h"

namespace ordavia {
class Timer;
class Trv2Board;
}  // namespace ordavia

class Ctrv2Doc : public ZcommonTRVDoc {
public:
    Ctrv2Doc();
    ~Ctrv2Doc() override;

    static constexpr int kBlockLimit = 100;
    static constexpr int kAuxInputs = 7;
    static constexpr double kBandwidths[4] = {6250.0, 12500.0, 25000.0, 50000.0};
    static constexpr const char* kRawName = "raw";
    static constexpr const char* kNotDetected = "TRV2interface board not detected";
    static constexpr const char* kBandwidthFormat = "BW=%.2fkHz";
    // Timer period of the workstation's monitor, in ms.
    static constexpr int kTickMs = 20;
    static constexpr long kHintBlock = 21;

    const char* settingsClassName() const override { return "Ctrv2Doc"; }
    bool OnNewDocument() override;
    void DeleteContents() override;
    void OnCloseDocument() override;
    // A recording saved before its traces are full keeps what was recorded
    // only: the rest of each ring holds no samples, and a review must not
    // read it as a stopped flow.
    void Serialize(ordavia::Archive& ar) override;

    // The board: the services' unless one is given here (the command line
    // plays a recording through a board of its own).
    void setBoard(ordavia::Trv2Board* board) { board_ = board; }
    ordavia::Trv2Board* board() const;
    bool boardPresent() const;

    // ---- Settings of the monitor (each rebuilds what depends on it) ----
    double samplingRate() const { return rate_; }
    int spectrumPoints() const { return points_; }
    // "Input &Settings...": the kept lengths in seconds of the velocity and
    // spectrum traces and of the raw trace, and 64 or 256 spectrum points.
    // The traces are rebuilt (what they held is lost). False for lengths
    // that are not positive or that no memory holds, or other points.
    bool setInput(double cbvSeconds, double rawSeconds, int points);
    double cbvSeconds() const { return cbvSeconds_; }
    double rawSeconds() const { return rawSeconds_; }
    // Display smoothing factor of the shown levels, 0 < k <= 1.
    double smoothing() const { return smoothing_; }
    bool setSmoothing(double k);
    // Auxiliary inputs 1..7: an enabled input gets its trace "IP<n>".
    bool auxEnabled(int input) const { return input >= 1 && input <= kAuxInputs && aux_[input - 1]; }
    bool setAuxEnabled(int input, bool on);
    // "&Input channel...": the board's input 0..7 (modulo 8).
    int inputChannel() const;
    void setInputChannel(int n);
    // "&Laser": the board's laser on or off (checked while on).
    void toggleLaser();
    bool laserOn() const;
    // "Hard&ware settings...": the board's address, written to
    // "trv2"/"address"; the board is initialised again. Fails as NotFound
    // with kNotDetected, for the caller to tell, when no board answers there.
    ordavia::Status setHardwareAddress(int address);
    // "Lower/Raise Doppler shift detection threshold": one tenth of the
    // threshold, at least 1.
    void stepThreshold(bool raise);

    // Bandwidth index 0..3 into kBandwidths; sets the sampling rate to
    // twice the bandwidth.
    int bandwidthIndex() const { return bandwidth_; }
    double bandwidthHz() const { return rate_ * 0.5; }
    bool setBandwidth(int index);
    // "&Decrease Bandwidth" / "&Increase Bandwidth": false at either end.
    bool stepBandwidth(bool increase);
    std::string statusText() const;

    // ---- Acquisition ----
    bool canRun() const override { return true; }
    // Starts (board present) or stops the timer of the services.
    void run(bool on) override;
    bool running() const { return running_; }
    // "&Record Doppler signal": a recording from now on (the traces are
    // emptied and the monitor runs) until stopRecording, which stops the
    // monitor and leaves the recording to be saved. False when the board
    // cannot run.
    bool startRecording();
    void stopRecording();
    bool recording() const { return recording_ && running_; }
    // Ends the run when the current sweep of the velocity trace is full.
    void setStopAtSweepEnd(bool on) { stopAtSweepEnd_ = on; }
    // One timer tick: every sample the board produced since the last tick,
    // in blocks of at most kBlockLimit (a quarter second at most per tick).
    int step();
    // One block of k samples from the board (k above the limit takes the
    // limit; a negative k counts as 110). False when the board gave none.
    bool processBlock(int k);
    // Blocks processed since the traces were built.
    uint64_t blocks() const { return blocks_; }
    // Seconds of signal processed since the traces were built.
    double elapsed() const { return elapsed_; }
    // Duration of the last block, for the views' scrolling.
    double lastBlockSeconds() const { return lastBlock_; }
    // The newest Doppler shift in bins, and its spectrum.
    double lastShift() const { return lastShift_; }
    const std::vector<double>& lastSpectrum() const { return lastSpectrum_; }
    // The newest spectrum's noise floor (SaturationWatch::noiseFloorOf),
    // taken before the detection trims or weights it.
    double lastNoiseFloor() const { return lastFloor_; }
    // Over the last kWatchSeconds of blocks: whether the velocity reads the
    // noise at the top of the band rather than the flow. The views say so
    // and do not show such a trace as a measurement.
    static constexpr double kWatchSeconds = 2.0;
    const ordavia::SaturationWatch& saturation() const { return watch_; }

    // The values of a ring trace from its oldest sample on, with its y
    // calibration (the velocity trace: mm/s or kHz); only the samples
    // written so far.
    std::vector<double> orderedValues(const CTrace& t) const;

private:
    bool buildTraces();
    void setRate(double hz);
    void appendRow(C2DTrace& t, const double* p, int n);

    ordavia::Trv2Board* board_ = nullptr;
    std::unique_ptr<ordavia::Timer> timer_;
    ordavia::DopplerSpectrum spectrum_;
    double rate_ = 40000.0;
    int points_ = 256;
    double cbvSeconds_ = 60.0, rawSeconds_ = 10.0;
    double smoothing_ = 0.1;
    std::array<bool, kAuxInputs> aux_{};
    int bandwidth_ = 2;
    bool running_ = false;
    bool recording_ = false;
    bool stopAtSweepEnd_ = false;
    uint32_t counter_ = 0;
    long pending_ = 0;
    uint64_t blocks_ = 0;
    uint64_t rawWritten_ = 0;
    double elapsed_ = 0.0, lastBlock_ = 0.0, lastShift_ = 0.0, lastFloor_ = 0.0;
    ordavia::SaturationWatch watch_;
    std::vector<double> lastSpectrum_;
    std::vector<int16_t> samples_;
};
