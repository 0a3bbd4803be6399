#pragma once
// The calculation parameters of a line scan: what the "CBV calculation
// parameters" dialog edits and what a ".zvl" file keeps of them. Plain
// values so that the dialog, the document and ordavia-cli share one copy.
//
// Profile keys: section "correlation": "coeflimit" (the limit x 1000),
// "gap", "noofpoints", "filter", "hipass", "smoothing", "2D", "zeropeak",
// "correl2velo", "correlpeakwindow", "subpixel"; section "linescan":
// "cbvmethod", "useinterlace", "houghdifthreshold", "dohough",
// "houghpeakwindow", "houghmin", "houghthreshold", "houghlowpass",
// "showcbvcorrel", "showcbvvcoef", "correlthreshold", "houghtol",
// "correltol".
#include <cstdint>

class ProfileStore;

namespace ordavia {

struct CbvParams {
    // 0 one line, correlogram and velocity; 1 one line, correlogram only;
    // 2 two lines, correlation of their time traces.
    int32_t method = 0;
    bool useInterlace = false;
    bool hipass = true;
    bool twoD = false;
    double smoothing = 0.05;
    double coefLimit = 0.2;  // lowest accepted squared coefficient
    int32_t gap = 1;
    int32_t points = 10;  // window of the two-line correlation
    int32_t filter = 4;   // correlograms to smooth over
    bool zeroPeak = false;
    bool correl2velo = false;
    int32_t correlPeakWindow = 15;
    double houghDifThreshold = 0.7;  // standard deviations above the mean
    bool doHough = false;
    int32_t houghPeakWindow = 0;
    double houghMin = 50.0;
    int32_t houghThreshold = 60;  // percent of the largest vote
    int32_t houghTol = 15;        // percent depth of a peak
    int32_t houghLowPass = 3;
    int32_t correlThreshold = 15;
    int32_t correlTol = 10;
    bool showCbvCorrel = false;
    bool showCbvVCoef = true;
    // Refines the correlation peak to a fraction of a shift (parabola
    // through the peak and its neighbours) and the Hough angle likewise.
    // Off by default so that stored results stay comparable.
    bool subpixel = false;

    // Reads every key with its default; values that would break the
    // calculation (gap < 1, filter < 1, ...) are brought into range.
    void load(const ProfileStore& store);
    void save(const ProfileStore& store) const;
    // The same bounds as load, for values from a file or a dialog.
    void clamp();
};

}  // namespace ordavia
