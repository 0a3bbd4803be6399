#pragma once
// Laser Doppler recordings of a nailfold capillary whose velocity is known.
//
// The red cells in the measuring volume move at speeds spread below the
// centre-line velocity v(t) (fast cells crowd the top of the spread, as in a
// blunt capillary profile); each cell contributes a beat note at its speed
// over the velocity factor, its amplitude wandering as cells enter and leave
// the volume. So the spectrum is a band whose upper edge is v(t) / factor
// and whose mean lies some way below it, over a strong low-frequency tissue
// component, white detector noise, a DC offset and 16-bit quantisation.
// v(t) is a pulsatile waveform (upstroke, systolic decline, dicrotic wave,
// diastolic run-off) with beat-to-beat changes of period and amplitude.
//
// The truth is taken from v(t) itself, beat by beat: the mean velocity, the
// mean of the beats' maxima (systolic) and minima (diastolic), and
// PI = (systolic - diastolic) / mean, RI = (systolic - diastolic) / systolic.
#include <cstdint>
#include <string>
#include <vector>

namespace ordavia {

struct DopplerSynthParams {
    double seconds = 10.0;
    double rate = 40000.0;       // samples per second
    double heartRate = 72.0;     // beats per minute
    double vmax = 1.2;           // systolic centre-line velocity, mm/s
    double vmin = 0.4;           // diastolic centre-line velocity, mm/s
    double noise = 0.3;          // white noise RMS over the Doppler signal's RMS
    // The detector and converter's own white noise, RMS in percent of the
    // 16-bit full scale (32768), whatever the signal: about 2 on a real
    // monitor, where it is the floor the detection threshold must clear.
    double floor = 0.0;
    double velocityFactor = 0.39e-3;  // mm/s per Hz of shift
    double signalRms = 413.0;    // ADC units of the Doppler band
    uint32_t seed = 1;
};

struct DopplerTruth {
    double mean = 0, systolic = 0, diastolic = 0, pi = 0, ri = 0;
    int beats = 0;
    double velocityRate = 100.0;  // samples per second of `velocity`
    std::vector<double> velocity;  // v(t), mm/s
};

struct SyntheticDoppler {
    std::vector<int16_t> samples;
    DopplerTruth truth;
};

// False reasons in words for parameters no recording can have.
std::string checkDopplerParams(const DopplerSynthParams& p);
SyntheticDoppler synthesiseDoppler(const DopplerSynthParams& p);
// The truth and the parameters as one JSON object.
std::string dopplerTruthJson(const DopplerSynthParams& p, const DopplerTruth& t);

}  // namespace ordavia
