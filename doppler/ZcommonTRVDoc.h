#pragma once
// What the Doppler monitor and the Doppler review share: the detection
// threshold, Doppler-shift detection on a spectrum with the run's
// "TRVcalcs" settings, and the commands on them (method, CBV parameters,
// trimming, units, full scale). Each operation checks its value, marks the
// document and tells its views, as every chart operation does.
//
// The detection settings are the run's (StartupSettings on the services):
// a change of method reaches every Doppler document at its next spectrum.
// A document without start-up settings (one run headless) keeps a copy of its own. The running noise
// floor of "autonoise" is this document's own.
#include <cstdint>
#include <string>

#include "chart/ZchartDoc.h"
#include "doppler/DopplerDetector.h"
#include "settings/StartupSettings.h"

class ZcommonTRVDoc : public ZchartDoc {
public:
    ZcommonTRVDoc();
    ~ZcommonTRVDoc() override;

    static constexpr int32_t kDefaultThreshold = 200;
    // mm/s per Hz of Doppler shift: a 780 nm laser diode seen in
    // back-scatter along the flow (v = f x lambda / 2).
    static constexpr double kDefaultVelocityFactor = 0.39e-3;
    static constexpr const char* kCbvName = "CBV";
    static constexpr const char* kSpectrumName = "Doppler spectrum";
    static constexpr const char* kMmPerS = "mm/s";
    static constexpr const char* kKHz = "kHz";
    static constexpr long kHintDetection = 20;

    // The run's detection settings (or this document's own without them).
    ordavia::StartupSettings& detection() const;
    int method() const { return detection().cbvMethod; }
    // 0..4; false for any other.
    bool setMethod(int method);
    int32_t threshold() const { return threshold_; }
    void setThreshold(int32_t t);
    // "CBV parameters...": the "TRVcalcs" values of `edited` and T; the
    // settings are written to the profile when there is one. False (nothing
    // changed) for a method outside 0..4, a run length or noise-floor divisor
    // below 1, weights outside 0..100 or a full-scale fraction that is not
    // a finite number in 0..1.
    bool setCbvParameters(const ordavia::StartupSettings& edited, int32_t threshold);
    // "&Trim Doppler Spectrum".
    void toggleTrim();
    bool trimming() const { return detection().cutDopTop != 0; }

    // The Doppler shift of the spectrum (bin position, 0: none found), with
    // this document's threshold and noise floor.
    double FindDopplerShift(double* p, int n);
    ordavia::DopplerDetector& detector() { return detector_; }

    // mm/s per Hz of shift; positive and finite, else refused.
    double velocityFactor() const { return velocityFactor_; }
    bool setVelocityFactor(double f);

    // The velocity trace ("CBV") and the spectrum trace, or null.
    CTrace* cbvTrace() const;
    C2DTrace* spectrumTrace() const;
    // "swap units mm/s <-> kHz" on the velocity trace; its display full
    // scale follows. False without a velocity trace.
    bool swapUnits();
    // "&Reduce full scale" / "&Increase  full scale" on the spectrum's
    // intensity range; with "FSlinkthreshold" T becomes FSthreshold x the
    // new full scale. Returns the full scale kept (negative: no spectrum).
    double changeFullScale(bool increase);

private:
    mutable ordavia::StartupSettings ownSettings_;
    ordavia::DopplerDetector detector_;
    int32_t threshold_ = kDefaultThreshold;
    double velocityFactor_ = kDefaultVelocityFactor;
};
