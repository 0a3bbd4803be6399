#pragma once
// The pulse figures of a Doppler recording saved by the monitor (a chart
// with its "Doppler spectrum" and "CBV" traces), as "info" and the
// examination report give them: the velocities in the recording's order,
// the running filter, the pulse analysis, and whether the velocity sat at
// the top of the band (the noise) rather than following the flow.
#include <cstdint>
#include <optional>
#include <string>

#include "doppler/PulseAnalysis.h"
#include "figures/MeasureValues.h"

class ZchartDoc;

namespace ordavia {

struct SavedDopplerSummary {
    uint32_t velocities = 0;
    double period = 0.0;        // seconds between velocities
    std::string units;          // of the velocity trace
    unsigned spectrumPoints = 0;
    double bandwidthHz = 0.0;
    PulseSummary pulses;
    // Most velocities at the top of the band: read from the noise.
    bool saturated = false;
    double saturatedShare = 0.0;  // of the velocities, 0..1

    bool measured() const { return !saturated && pulses.hasBeats(); }
    // Mean, systolic, diastolic, PI and RI; all missing unless measured().
    MeasureValues figures() const { return pulseFigures(pulses, measured()); }
    // Why the figures are missing, in words; empty when measured().
    std::string why() const;
};

// The running filter's time constant over the saved velocities: short
// against the systolic upstroke (about 100 ms), long against single noisy
// spectra.
constexpr double kSavedSmoothSeconds = 0.02;
// The pulse window's half-width: about half a beat at rest, so that each
// beat has one peak and one minimum.
constexpr double kSavedHalfWidthSeconds = 0.35;

// Nothing when the chart holds no Doppler recording.
std::optional<SavedDopplerSummary> summariseSavedDoppler(const ZchartDoc& doc);

}  // namespace ordavia
