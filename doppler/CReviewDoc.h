#pragma once
// The review of a saved Doppler recording (".zv1"): the velocity trace
// computed again from the stored spectrum with the monitor's detection,
// power and level contours of the spectrum, the signal strength, and the
// pulse measures of a velocity trace (systolic peaks, diastolic minima,
// the beat mean, pulsatility and resistance indexes). Every result is a
// new trace of the same chart; the spectrum itself changes only where the
// detection trims it.
#include <cstdint>
#include <string>
#include <vector>

#include "doppler/ReviewAlgorithms.h"
#include "doppler/ZcommonTRVDoc.h"

class CReviewDoc : public ZcommonTRVDoc {
public:
    const char* settingsClassName() const override { return "CReviewDoc"; }

    static constexpr const char* kSystolicName = "systolic peak";
    static constexpr const char* kDiastolicName = "diastolic min";
    static constexpr const char* kMeanName = "mean";
    static constexpr const char* kPulsatilityName = "Pulsatility Index";
    static constexpr const char* kResistanceName = "Resistance Index";
    static constexpr const char* kNeedsSpectrum = "This command needs a Doppler spectrum as the active trace.";
    static constexpr const char* kNeedsVelocity = "This command needs a velocity trace as the active trace.";
    static constexpr const char* kNeedsCbv = "There is no CBV trace and Doppler spectrum to recalculate.";
    static constexpr const char* kPulseTooShort =
        "The selection is shorter than the pulse window (twice the half-width and one sample).";

    // The trace the spectrum commands work on when the active one is not a
    // spectrum: "Doppler spectrum", else the first two-dimensional trace;
    // -1 when there is none.
    int reviewSpectrum(int active = -1) const;
    // The rows of the spectrum a monitor filled before it was saved (rows it
    // never reached keep no band): from the first such row after the head
    // to the last, as a ring range (equal ends: all of it). False when no
    // row was filled or there is no spectrum.
    bool recordedRange(int spectrum, uint32_t& from, uint32_t& to) const;
    // One-dimensional traces in "mm/s" (the choices of "&Calculate CBV").
    std::vector<int> velocityTraces() const;

    // "&Calculate CBV": the velocity of every row of [from, to) of the
    // spectrum (the whole trace when equal) into trace `target`, or into a
    // new "CBV" trace when target is -1. The trace written, or null (not
    // a spectrum, a target that is not a velocity trace long enough, low
    // memory).
    const CTrace* calculateCbv(int spectrum, uint32_t from, uint32_t to, int target = -1);
    // "Recalculate Doppler Shift": the existing "CBV" trace computed again
    // over the whole spectrum; false when either is missing.
    bool recalculateDopplerShift();
    // "&Power contour": the ten traces "95% contour" .. "50% contour";
    // the method and threshold in force afterwards are those from before.
    // The percentages hold with the automatic noise floor on, too.
    int powerContours(int spectrum, uint32_t from, uint32_t to);
    // "&Level contour...": `count` traces "%3u contour", level k x interval
    // for k = 1 .. count; the frequency below which the spectrum keeps
    // that power.
    int levelContours(int spectrum, uint32_t from, uint32_t to, double interval, int count);
    // "&Signal Strength": the power of the Doppler band of every row.
    const CTrace* signalStrength(int spectrum, uint32_t from, uint32_t to);

    // The pulse analysis of velocity trace `velocity` over [from, to) with
    // half-width w: "systolic peak", "diastolic min" and "mean" traces
    // (found or added, as long as the velocity trace, zero outside the
    // range; the mean is that of the whole range, as the command line
    // reports it), then the index trace; the figures go to the chart
    // results table as rows of their own. Null when the trace is not a plain
    // trace, w is 0 or the range is shorter than a window.
    const CTrace* pulsatilityIndex(int velocity, uint32_t from, uint32_t to, uint32_t w);
    const CTrace* resistanceIndex(int velocity, uint32_t from, uint32_t to, uint32_t w);
    // "&Remove Pulse": each value of the range becomes the mean of its
    // beat, beats running from one systolic peak to the next.
    bool removePulse(int velocity, uint32_t from, uint32_t to, uint32_t w);

private:
    struct Pulse;
    bool pulseAnalysis(int velocity, uint32_t from, uint32_t to, uint32_t w, Pulse& out);
    CTrace* indexTrace(const char* name, const Pulse& p, bool pulsatility);
    // One undo step that adds the named index trace of the pulse analysis.
    const CTrace* indexStep(const char* step, const char* name, bool pulsatility, int velocity, uint32_t from,
                            uint32_t to, uint32_t w);
    void fileResults(const Pulse& p, const char* indexName, const std::vector<double>& index);
    CTrace* resultTrace(const std::string& name, const CTrace& like, uint32_t colour);
    CTrace* velocityTarget(const C2DTrace& spectrum, int target);
    std::vector<int> plainTraces() const;
    ordavia::ShiftFinder shiftFinder();
};
