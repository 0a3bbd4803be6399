#pragma once
// ZlineScanDoc: the live line scan. A view whose dimension line is scanned
// (the source; one at a time) starts the scan, then for every displayed
// frame or field fills the present sample vector with the grey values
// along the line (points per line sample x points, in line order) and
// calls addSample. Only one ZlineScanDoc is the live one at a time; the
// application keeps that reference.
//
// Profile keys beyond the base document's: section "linescan":
// "sampleperiod", "subtracting", "NoPtsToSample", "cbvON".
#include <cstdint>
#include <string>
#include <vector>

#include "linescan/ZlineScanBaseDoc.h"

class ZlineScanDoc : public ZlineScanBaseDoc {
public:
    ZlineScanDoc();
    ~ZlineScanDoc() override;

    const char* settingsClassName() const override { return "ZlineScanDoc"; }
    static constexpr const char* kTitle = "Linescan";
    static constexpr int32_t kDefaultColumns = 500;

    void loadProfileSettings() override;
    bool OnNewDocument() override;

    // ---- starting ----
    // From one dimension line: refused (false, nothing changed) while a
    // source is set, with no points, or with method 2. sourceView
    // identifies the view; fieldPeriod is seconds per field; yScale and
    // yUnits the line's calibration per line point.
    bool startScan(const void* sourceView, uint32_t points, int32_t pointsPerLineSample, double fieldPeriod,
                   double yScale, const std::string& yUnits, const std::string& traceName = "linescan");
    // The two-line method (method 2): "line1" and "line2" of
    // columnsToSample values, x sample period 1 / frame rate.
    bool startTwoLines(const void* sourceView, uint32_t points, double captureFrameRate);
    // Sample period: fields per sample x field period, x 2 without interlace.
    double samplePeriod(double fieldPeriod) const;

    // ---- sampling ----
    // The present sample of line 0 or 1; the view writes into it before
    // addSample (its size is set by the start).
    std::vector<double>& sampleVector(int line) { return present_[line & 1]; }
    // One sample, s the running sample number. Every "fields per sample"
    // samples the views are told (kHintLiveColumn) and the answer is true.
    bool addSample(uint32_t s);
    // Time at the right edge of the chart after sample s.
    double scrollTime(uint32_t s) const;

    // ---- state ----
    const void* source() const { return sourceView_; }
    bool running() const override { return sourceView_ != nullptr; }
    // The scan's title once it knows its video line; the views show the
    // started scan whole.
    void setScanTitle(const std::string& title);
    // "stop" or the source closing: ends the scan and runs what follows a
    // run inside the document: the Hough velocities with "dohough", the
    // lines from the correlation peaks with "correl2velo". The charts of
    // velocity against correlation ("showcbvvcoef", "showcbvcorrel") are
    // the caller's: they open documents of their own.
    void stop();
    void sourceClosed(const void* view) {
        if (view == sourceView_) stop();
    }
    bool subtracting() const { return subtracting_; }
    bool calculateCbv() const { return calculateCbv_; }
    int32_t columnsToSample() const { return columnsToSample_; }
    // For this scan only: the profile's "NoPtsToSample" is the user's and
    // is read when a scan starts, never written by a calculation.
    void setColumnsToSample(int32_t n);
    double fieldPeriod() const { return fieldPeriod_; }

    // ---- commands ----
    // "&Subtract scans".
    void toggleSubtracting();
    // "&Calculate cbv": also creates or removes the result traces; the
    // views show the traces whole.
    void toggleCalculateCbv();
    // "Set sample &rate": a positive value is stored in "sampleperiod" and
    // the traces' x sample period follows (the document is modified, the
    // views refit). True when the message "x scales will now be incorrect
    // for existing data." is due (scan not running).
    bool setSampleRate(int32_t fieldsPerSample);
    static constexpr const char* kScaleWarning = "x scales will now be incorrect for existing data.";
    static constexpr const char* kSampleRatePrompt = "Linescan sample rate in no. of fields per sample";

private:
    void advanceRing(uint32_t next);
    void resetSamples(uint32_t values);
    const void* sourceView_ = nullptr;
    bool subtracting_ = false;
    bool calculateCbv_ = true;
    double fieldPeriod_ = 0.02;
    uint32_t points_ = 0;
    // Per line: present, previous, the one before and their difference.
    std::vector<double> present_[2], previous_[2], older_[2], sampleDiff_[2];
    bool havePrevious_[2] = {false, false};
};
