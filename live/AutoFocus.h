#pragma once
// Autofocus and automatic flash on the live picture. Both are driven frame
// by frame: the live document hands each new picture over, the controller
// measures it and moves the focus drive or changes the flash, and the
// following frame shows the effect. No timing of its own, so the same code
// runs on a real camera, on the simulated optics and in tests.
#include <string>

#include "image/CZVimage.h"
#include "image/FocusMeasures.h"

class ProfileStore;

namespace ordavia {

class CameraSource;

struct AutoFocusSettings {
    static constexpr const char* kSection = "autofocuscontrol";
    bool focusOn = true;
    int minStep = 0;
    int maxStep = 4096;
    double focusGain = 1.0;
    int focusGap = 30;
    int focusThreshold = 1;
    int method = FocusSecondDifference;
    double hysteresis = 0.9;
    int minRange = 500;
    double roi = 0.5;
    double focusnessThreshold = 4.0;
    int refocusN = 30;
    int refocusStep = 8000;

    void load(const ProfileStore& p);
    void save(const ProfileStore& p) const;
};

// The grey picture the measures read: grey and Bayer pictures as they are,
// colour pictures by their green channel (copied into `scratch`).
GreyPixels greyPixelsOf(const CZVimage& img, CZVimage& scratch);

class AutoFocus {
public:
    enum class State { Idle, Searching, Finished };

    AutoFocusSettings settings;

    // The measure of the central region with the settings' method (0 when
    // the measure is switched off).
    double measure(const CZVimage& img);
    // Starts a search over [minStep, maxStep]: the drive moves to the first
    // position at once.
    void start(CameraSource& camera);
    // A new frame taken at the drive's present position.
    void frame(CameraSource& camera, const CZVimage& img);
    void stop() { state_ = State::Idle; }

    State state() const { return state_; }
    int measurements() const { return search_.measurements(); }
    double lastMeasure() const { return last_; }
    double bestMeasure() const { return search_.best(); }
    // Where the search ended (the drive's position when finished).
    int result() const { return search_.next(); }

private:
    FocusSearch search_;
    State state_ = State::Idle;
    double last_ = 0.0;
    CZVimage scratch_;
};

// Keeps the mean brightness of the central region near a target by
// changing the flash length. The law: each frame moves the flash part of
// the way to the length that would give the target if brightness were
// proportional to the flash; a frame within the tolerance keeps the flash
// as the last good one.
class AutoFlash {
public:
    static constexpr const char* kSection = "autoflash";
    int target = 128;       // grey level wanted
    int tolerance = 8;      // grey levels either side that count as good
    double damping = 0.7;   // share of the correction applied per frame
    int flashRange = 5000;  // "fgip"/"flashrange", microseconds

    void load(const ProfileStore& p);
    void save(const ProfileStore& p) const;

    void frame(CameraSource& camera, const CZVimage& img);
    int brightness() const { return brightness_; }
    int lastGood() const { return lastGood_; }

private:
    int brightness_ = 0;
    int lastGood_ = 0;
    CZVimage scratch_;
};

}  // namespace ordavia
