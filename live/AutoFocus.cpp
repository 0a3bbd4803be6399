#include "live/AutoFocus.h"

#include <algorithm>
#include <cmath>

#include "live/CameraSource.h"
#include "settings/ProfileStore.h"

namespace ordavia {

void AutoFocusSettings::load(const ProfileStore& p) {
    const char* s = kSection;
    focusOn = p.GetInt(s, "focuson", 1) != 0;
    minStep = p.GetInt(s, "minstep", 0);
    maxStep = p.GetInt(s, "maxstep", 4096);
    focusGain = p.GetInt(s, "focusgain", 1);
    focusGap = p.GetInt(s, "focusgap", 30);
    focusThreshold = p.GetInt(s, "focusthreshold", 1);
    method = p.GetInt(s, "fmethod", FocusSecondDifference);
    hysteresis = p.GetDouble(s, "fhyst", 0.9);
    minRange = p.GetInt(s, "fminrange", 500);
    roi = p.GetDouble(s, "ROI", 0.5);
    focusnessThreshold = p.GetDouble(s, "focusnessthreshold", 4.0);
    refocusN = p.GetInt(s, "refocusn", 30);
    refocusStep = p.GetInt(s, "refocusstep", 8000);
}

void AutoFocusSettings::save(const ProfileStore& p) const {
    const char* s = kSection;
    p.WriteInt(s, "focuson", focusOn ? 1 : 0);
    p.WriteInt(s, "minstep", minStep);
    p.WriteInt(s, "maxstep", maxStep);
    p.WriteInt(s, "focusgain", int(focusGain));
    p.WriteInt(s, "focusgap", focusGap);
    p.WriteInt(s, "focusthreshold", focusThreshold);
    p.WriteInt(s, "fmethod", method);
    p.WriteDouble(s, "fhyst", hysteresis);
    p.WriteInt(s, "fminrange", minRange);
    p.WriteDouble(s, "ROI", roi);
    p.WriteDouble(s, "focusnessthreshold", focusnessThreshold);
    p.WriteInt(s, "refocusn", refocusN);
    p.WriteInt(s, "refocusstep", refocusStep);
}

GreyPixels greyPixelsOf(const CZVimage& img, CZVimage& scratch) {
    if (img.isEmpty()) return {};
    if (img.bytesPerPixel() == 1) return {img.data(), img.width(), img.rows(), img.stride()};
    if (scratch.width() != img.width() || scratch.rows() != img.rows() || scratch.bytesPerPixel() != 1)
        scratch = CZVimage(img.width(), img.rows(), -1, CZVimage::kFrame, CZVimage::kGrey);
    for (int y = 0; y < img.rows(); ++y) {
        const uint8_t* s = img.row(y);
        uint8_t* d = scratch.row(y);
        for (int x = 0; x < img.width(); ++x) d[x] = s[3 * x + 1];
    }
    return {scratch.data(), scratch.width(), scratch.rows(), scratch.stride()};
}

double AutoFocus::measure(const CZVimage& img) {
    if (!settings.focusOn) return 0.0;
    const GreyPixels g = greyPixelsOf(img, scratch_);
    const FocusRegion r = centralFocusRegion(g.width, g.height, settings.roi);
    return focusMeasure(g, r, settings.method, settings.focusGap, settings.focusThreshold);
}

void AutoFocus::start(CameraSource& camera) {
    search_.start(settings.minStep, settings.maxStep, settings.minRange);
    state_ = State::Searching;
    camera.moveFocus(search_.next());
}

void AutoFocus::frame(CameraSource& camera, const CZVimage& img) {
    if (state_ != State::Searching) return;
    last_ = measure(img);
    search_.report(last_);
    camera.moveFocus(search_.next());
    if (search_.finished()) state_ = State::Finished;
}

void AutoFlash::load(const ProfileStore& p) {
    flashRange = p.GetInt("fgip", "flashrange", 5000);
    target = p.GetInt(kSection, "target", 128);
    tolerance = p.GetInt(kSection, "tolerance", 8);
}

void AutoFlash::save(const ProfileStore& p) const {
    p.WriteInt(kSection, "target", target);
    p.WriteInt(kSection, "tolerance", tolerance);
}

void AutoFlash::frame(CameraSource& camera, const CZVimage& img) {
    const GreyPixels g = greyPixelsOf(img, scratch_);
    const FocusRegion r = centralFocusRegion(g.width, g.height, 0.5);
    if (r.x1 <= r.x0 || r.y1 <= r.y0) return;
    uint64_t sum = 0;
    for (int y = r.y0; y < r.y1; ++y)
        for (int x = r.x0; x < r.x1; ++x) sum += g.at(x, y);
    brightness_ = int(sum / uint64_t(int64_t(r.x1 - r.x0) * (r.y1 - r.y0)));
    const int flash = camera.flash();
    if (std::abs(brightness_ - target) <= tolerance) {
        lastGood_ = flash;
        return;
    }
    // A black picture says nothing about how far to go: double the flash.
    const double wanted = brightness_ > 0 ? double(flash) * target / brightness_ : 2.0 * std::max(flash, 1);
    const int next = int(std::lround(flash + damping * (wanted - flash)));
    camera.setFlash(std::clamp(next, 0, flashRange));
}

}  // namespace ordavia
