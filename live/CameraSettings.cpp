#include "live/CameraSettings.h"

#include <algorithm>

#include "settings/ProfileStore.h"

namespace ordavia {

void CameraSettings::load(const ProfileStore& p) {
    const char* s = kSection;
    whiteLevel = p.GetInt(s, "whitelevel", 1000);
    blackLevel = p.GetInt(s, "blacklevel", 500);
    setGain(p.GetInt(s, "gain", gain));
    dualMonitor = p.GetInt(s, "DualMonitor", 0);
    inputChannel = p.GetInt(s, "InputChannel", 0);
    overlayIndex = p.GetInt(s, "OverlayIndex", 0);
    grabLeft = p.GetInt(s, "grabLeft", 0);
    grabTop = p.GetInt(s, "grabTop", 0);
    grabWidth = p.GetInt(s, "grabwidth", 768);
    grabHeight = p.GetInt(s, "grabHeight", 512);
    stepX = p.GetInt(s, "IPstepx", 1);
    stepY = p.GetInt(s, "IPstepy", 1);
    zoomX = p.GetInt(s, "zoomx", 1);
    zoomY = p.GetInt(s, "zoomy", 1);
    camera = p.GetInt(s, "Camera", 0);
    colourMode = std::clamp(p.GetInt(s, "grabcolour", colourMode), 0, 2);
    redLevel = p.GetInt(s, "redlevel", 0);
    greenLevel = p.GetInt(s, "greenlevel", 9);
    blueLevel = p.GetInt(s, "bluelevel", 30);
    binning = p.GetInt(s, "binning", 0) != 0;
    lutEnabled = p.GetInt(s, "LUTenabled", 0) != 0;
}

void CameraSettings::save(const ProfileStore& p) const {
    const char* s = kSection;
    p.WriteInt(s, "whitelevel", whiteLevel);
    p.WriteInt(s, "blacklevel", blackLevel);
    p.WriteInt(s, "gain", gain);
    p.WriteInt(s, "DualMonitor", dualMonitor);
    p.WriteInt(s, "InputChannel", inputChannel);
    p.WriteInt(s, "OverlayIndex", overlayIndex);
    p.WriteInt(s, "grabLeft", grabLeft);
    p.WriteInt(s, "grabTop", grabTop);
    p.WriteInt(s, "grabwidth", grabWidth);
    p.WriteInt(s, "grabHeight", grabHeight);
    p.WriteInt(s, "IPstepx", stepX);
    p.WriteInt(s, "IPstepy", stepY);
    p.WriteInt(s, "zoomx", zoomX);
    p.WriteInt(s, "zoomy", zoomY);
    p.WriteInt(s, "Camera", camera);
    p.WriteInt(s, "grabcolour", colourMode);
    p.WriteInt(s, "redlevel", redLevel);
    p.WriteInt(s, "greenlevel", greenLevel);
    p.WriteInt(s, "bluelevel", blueLevel);
    p.WriteInt(s, "binning", binning ? 1 : 0);
    p.WriteInt(s, "LUTenabled", lutEnabled ? 1 : 0);
}

double CameraSettings::gainFactor(int index) { return kGainFactors[size_t(std::clamp(index, 0, kGainCount - 1))]; }

void CameraSettings::setGain(int index) { gain = std::clamp(index, 0, kGainCount - 1); }

double CameraSettings::voltsOf(int grey) const {
    const double low = lowVolts(), high = highVolts();
    return (low + (high - low) * grey / 255.0) / currentGainFactor();
}

void CameraSettings::clampGrabWindow(int frameWidth, int frameHeight) {
    if (frameWidth < 1 || frameHeight < 1) return;
    grabLeft = std::clamp(grabLeft, 0, frameWidth - 1);
    grabTop = std::clamp(grabTop, 0, frameHeight - 1);
    grabWidth = std::clamp(grabWidth, 1, frameWidth - grabLeft);
    grabHeight = std::clamp(grabHeight, 1, frameHeight - grabTop);
}

}  // namespace ordavia
