#include "doppler/ZcommonTRVDoc.h"

#include <cmath>

#include "framework/AppServices.h"
#include "settings/ProfileStore.h"

using ordavia::StartupSettings;

ZcommonTRVDoc::ZcommonTRVDoc() = default;
ZcommonTRVDoc::~ZcommonTRVDoc() = default;

StartupSettings& ZcommonTRVDoc::detection() const {
    if (services().startupSettings) return *services().startupSettings;
    return ownSettings_;
}

bool ZcommonTRVDoc::setMethod(int method) {
    if (method < 0 || method > 4) return false;
    if (detection().cbvMethod != method) {
        detection().cbvMethod = method;
        notify(kHintDetection);
    }
    return true;
}

void ZcommonTRVDoc::setThreshold(int32_t t) {
    if (t == threshold_) return;
    threshold_ = t;
    notify(kHintDetection);
}

bool ZcommonTRVDoc::setCbvParameters(const StartupSettings& e, int32_t threshold) {
    const auto percent = [](int v) { return v >= 0 && v <= 100; };
    if (e.cbvMethod < 0 || e.cbvMethod > 4 || e.nOverThresh < 1 || e.noisefloorRC < 1 || !percent(e.ped1) ||
        !percent(e.ped2) || !percent(e.ped3) || !std::isfinite(e.FSthreshold) || e.FSthreshold < 0 ||
        e.FSthreshold > 1)
        return false;
    StartupSettings& s = detection();
    s.cbvMethod = e.cbvMethod;
    s.minThreshold = e.minThreshold;
    s.threshOfAv2 = e.threshOfAv2;
    s.nOverThresh = e.nOverThresh;
    s.LoCutOff = e.LoCutOff;
    s.noisefloorRC = e.noisefloorRC;
    s.autonoise = e.autonoise;
    s.ped1 = e.ped1;
    s.ped2 = e.ped2;
    s.ped3 = e.ped3;
    s.keepDop = e.keepDop;
    s.cutDopTop = e.cutDopTop;
    s.FFTwindow = e.FFTwindow;
    s.FSlinkthreshold = e.FSlinkthreshold;
    s.FSthreshold = e.FSthreshold;
    threshold_ = threshold;
    if (services().profileStore) s.save(*services().profileStore);
    notify(kHintDetection);
    return true;
}

void ZcommonTRVDoc::toggleTrim() {
    detection().cutDopTop = detection().cutDopTop ? 0 : 1;
    notify(kHintDetection);
}

double ZcommonTRVDoc::FindDopplerShift(double* p, int n) {
    return detector_.FindDopplerShift(p, n, threshold_, detection());
}

bool ZcommonTRVDoc::setVelocityFactor(double f) {
    if (!(f > 0) || !std::isfinite(f)) return false;
    velocityFactor_ = f;
    return true;
}

CTrace* ZcommonTRVDoc::cbvTrace() const { return traces().find(kCbvName); }

C2DTrace* ZcommonTRVDoc::spectrumTrace() const {
    CTrace* t = traces().find(kSpectrumName);
    return t && t->isTwoD() ? static_cast<C2DTrace*>(t) : nullptr;
}

bool ZcommonTRVDoc::swapUnits() {
    CTrace* t = cbvTrace();
    if (!t) return false;
    const double old = t->yScale;
    if (t->yUnits == kMmPerS) {
        t->yUnits = kKHz;
        t->yScale = 0.001;
    } else {
        t->yUnits = kMmPerS;
        t->yScale = velocityFactor_;
    }
    if (old != 0) t->displayYScale *= t->yScale / old;
    SetModifiedFlag();
    notify(kHintTraces);
    return true;
}

double ZcommonTRVDoc::changeFullScale(bool increase) {
    C2DTrace* t = spectrumTrace();
    if (!t) return -1.0;
    const int index = traces().indexOf(t);
    const double kept = setIntensityRange(index, increase ? t->intensityRange * 2.0 : t->intensityRange * 0.5);
    if (kept >= 0 && detection().FSlinkthreshold) setThreshold(int32_t(detection().FSthreshold * kept));
    return kept;
}
