#include "linescan/CbvParams.h"

#include <algorithm>
#include <cmath>

#include "settings/ProfileStore.h"

namespace ordavia {

namespace {
constexpr const char* kCorr = "correlation";
constexpr const char* kScan = "linescan";

// Some keys were stored as reals by older versions: read them as reals and
// keep the whole part.
int32_t wholeOf(const ProfileStore& s, const char* section, const char* key, int32_t def) {
    const double v = s.GetDouble(section, key, def);
    if (!std::isfinite(v) || v > 1e9 || v < -1e9) return def;
    return static_cast<int32_t>(v);
}
}  // namespace

void CbvParams::load(const ProfileStore& s) {
    coefLimit = s.GetInt(kCorr, "coeflimit", 200) * 0.001;
    gap = s.GetInt(kCorr, "gap", 1);
    points = s.GetInt(kCorr, "noofpoints", 10);
    filter = s.GetInt(kCorr, "filter", 4);
    hipass = s.GetInt(kCorr, "hipass", 1) != 0;
    smoothing = s.GetDouble(kCorr, "smoothing", 0.05);
    twoD = s.GetInt(kCorr, "2D", 0) != 0;
    zeroPeak = s.GetInt(kCorr, "zeropeak", 0) != 0;
    correl2velo = s.GetInt(kCorr, "correl2velo", 0) != 0;
    correlPeakWindow = s.GetInt(kCorr, "correlpeakwindow", 15);
    subpixel = s.GetInt(kCorr, "subpixel", 0) != 0;
    method = s.GetInt(kScan, "cbvmethod", 0);
    useInterlace = s.GetInt(kScan, "useinterlace", 0) != 0;
    houghDifThreshold = s.GetDouble(kScan, "houghdifthreshold", 0.7);
    doHough = s.GetInt(kScan, "dohough", 0) != 0;
    houghPeakWindow = s.GetInt(kScan, "houghpeakwindow", 0);
    houghMin = s.GetDouble(kScan, "houghmin", 50.0);
    houghThreshold = wholeOf(s, kScan, "houghthreshold", 60);
    houghLowPass = s.GetInt(kScan, "houghlowpass", 3);
    showCbvCorrel = s.GetInt(kScan, "showcbvcorrel", 0) != 0;
    showCbvVCoef = s.GetInt(kScan, "showcbvvcoef", 1) != 0;
    correlThreshold = wholeOf(s, kScan, "correlthreshold", 15);
    houghTol = wholeOf(s, kScan, "houghtol", 15);
    correlTol = wholeOf(s, kScan, "correltol", 10);
    clamp();
}

void CbvParams::save(const ProfileStore& s) const {
    (void)s.WriteInt(kCorr, "coeflimit", static_cast<int>(std::lround(coefLimit * 1000.0)));
    (void)s.WriteInt(kCorr, "gap", gap);
    (void)s.WriteInt(kCorr, "noofpoints", points);
    (void)s.WriteInt(kCorr, "filter", filter);
    (void)s.WriteInt(kCorr, "hipass", hipass ? 1 : 0);
    (void)s.WriteDouble(kCorr, "smoothing", smoothing);
    (void)s.WriteInt(kCorr, "2D", twoD ? 1 : 0);
    (void)s.WriteInt(kCorr, "zeropeak", zeroPeak ? 1 : 0);
    (void)s.WriteInt(kCorr, "correl2velo", correl2velo ? 1 : 0);
    (void)s.WriteInt(kCorr, "correlpeakwindow", correlPeakWindow);
    (void)s.WriteInt(kCorr, "subpixel", subpixel ? 1 : 0);
    (void)s.WriteInt(kScan, "cbvmethod", method);
    (void)s.WriteInt(kScan, "useinterlace", useInterlace ? 1 : 0);
    (void)s.WriteDouble(kScan, "houghdifthreshold", houghDifThreshold);
    (void)s.WriteInt(kScan, "dohough", doHough ? 1 : 0);
    (void)s.WriteInt(kScan, "houghpeakwindow", houghPeakWindow);
    (void)s.WriteDouble(kScan, "houghmin", houghMin);
    (void)s.WriteInt(kScan, "houghthreshold", houghThreshold);
    (void)s.WriteInt(kScan, "houghlowpass", houghLowPass);
    (void)s.WriteInt(kScan, "showcbvcorrel", showCbvCorrel ? 1 : 0);
    (void)s.WriteInt(kScan, "showcbvvcoef", showCbvVCoef ? 1 : 0);
    (void)s.WriteInt(kScan, "correlthreshold", correlThreshold);
    (void)s.WriteInt(kScan, "houghtol", houghTol);
    (void)s.WriteInt(kScan, "correltol", correlTol);
}

void CbvParams::clamp() {
    // A gap or filter below 1 would divide by zero; a method outside 0..2
    // has no meaning; non-finite reals fall back to the defaults.
    method = std::clamp(method, 0, 2);
    gap = std::clamp(gap, 1, 100000);
    filter = std::clamp(filter, 1, 100000);
    points = std::clamp(points, 1, 100000);
    if (!std::isfinite(coefLimit)) coefLimit = 0.2;
    if (!std::isfinite(smoothing)) smoothing = 0.05;
    smoothing = std::clamp(smoothing, 0.0, 1.0);
    if (!std::isfinite(houghDifThreshold)) houghDifThreshold = 0.7;
    if (!std::isfinite(houghMin) || houghMin < 0) houghMin = 50.0;
    houghThreshold = std::clamp(houghThreshold, 0, 100);
    houghTol = std::clamp(houghTol, 0, 100);
}

}  // namespace ordavia
