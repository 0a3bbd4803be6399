#pragma once
// The capture device's settings as the profile keeps them (section
// "Pseudo"), with the arithmetic the live picture and its capture record
// share: the gain factors and the mapping of grey values to input volts.
#include <array>

class ProfileStore;

namespace ordavia {

struct CameraSettings {
    static constexpr const char* kSection = "Pseudo";
    static constexpr int kGainCount = 5;
    static constexpr std::array<double, kGainCount> kGainFactors = {0.35, 0.47, 0.7, 0.98, 1.4};

    int whiteLevel = 1000;  // shown as "cont"
    int blackLevel = 500;   // shown as "bright"
    int gain = 2;
    int dualMonitor = 0;
    int inputChannel = 0;
    int overlayIndex = 0;
    int grabLeft = 0, grabTop = 0;
    int grabWidth = 768, grabHeight = 512;
    int stepX = 1, stepY = 1;
    int zoomX = 1, zoomY = 1;
    int camera = 0;
    int colourMode = 0;  // 0 grey, 1 colour, 2 raw Bayer
    // Held as 100 minus the percentage shown.
    int redLevel = 0, greenLevel = 9, blueLevel = 30;
    bool binning = false;
    bool lutEnabled = false;
    int lutIndex = 0;
    bool gammaEnabled = false;

    // `colourMode` keeps its current value unless the profile names one.
    void load(const ProfileStore& p);
    void save(const ProfileStore& p) const;

    static double gainFactor(int index);
    void setGain(int index);  // clamped to 0 .. 4
    double currentGainFactor() const { return gainFactor(gain); }

    // Colour balance in percent as shown.
    int redPercent() const { return 100 - redLevel; }
    int greenPercent() const { return 100 - greenLevel; }
    int bluePercent() const { return 100 - blueLevel; }
    void setRedPercent(int v) { redLevel = 100 - v; }
    void setGreenPercent(int v) { greenLevel = 100 - v; }
    void setBluePercent(int v) { blueLevel = 100 - v; }

    // The input range the grey scale covers: grey 0 stands for low volts,
    // grey 255 for high, both divided by the gain factor.
    double lowVolts() const { return blackLevel * 0.0007 - 0.35; }
    double highVolts() const { return whiteLevel * 0.00035 + 0.35; }
    double voltsOf(int grey) const;

    // The grab window kept inside a frame of the given size (at least one
    // pixel wide and high).
    void clampGrabWindow(int frameWidth, int frameHeight);
};

}  // namespace ordavia
