#pragma once
// A camera source without hardware: a frame producer (a stored picture, a
// recorded video) driven by a timer of the application's services. It
// simulates the optics too: a focus drive whose distance from the sharp
// position blurs the picture by a known amount, and a flash whose length
// scales the light, so that autofocus and automatic flash can be run and
// checked against a known answer.
#include <functional>
#include <memory>
#include <string>

#include "image/CZVimage.h"
#include "live/CameraSource.h"
#include "live/FrameProducer.h"

namespace ordavia {

class AppServices;
class Timer;

class SimulatedCamera : public CameraSource {
public:
    // Makes the producer for the current colour mode (a new one each start).
    using ProducerMaker = std::function<std::unique_ptr<FrameProducer>()>;

    // The optics of the simulation.
    static constexpr int kSharpFocus = 2600;       // focus steps
    static constexpr double kBlurPerStep = 1.0 / 150.0;  // Gaussian sigma in pixels per step off focus
    static constexpr int kNominalFlash = 2500;     // microseconds giving the picture as stored
    static constexpr int kExposure = 20000;        // microseconds

    SimulatedCamera(AppServices& services, ProducerMaker maker);
    ~SimulatedCamera() override;

    bool open() override;
    void close() override;
    bool isOpen() const override { return open_; }
    Status startGrab(CZVimage& target, FrameReceiver* receiver, int x, int y, int width, int height) override;
    void stopGrab(FrameReceiver* receiver) override;
    bool isRunning() const override;
    int32_t frameCounter() const override { return counter_; }
    void setFrameSkip(int n) override { skip_ = n < 0 ? 0 : n; }
    int frameSkip() const override { return skip_; }
    int width() const override;
    int height() const override;
    double framesPerSecond() const override;
    CameraSettings& settings() override { return settings_; }
    void setColourMode(int mode) override;
    bool hasPixelClock() const override { return true; }
    int pixelClockMin() const override { return 5; }
    int pixelClockMax() const override { return 43; }
    int pixelClockIncrement() const override { return 1; }
    int pixelClock() const override { return pixelClock_; }
    bool setPixelClock(int mhz) override;
    Status grabState() const override;
    bool hasFlash() const override { return true; }
    int exposure() const override { return kExposure; }
    int flash() const override { return flash_; }
    void setFlash(int microseconds) override;
    bool hasFocusDrive() const override { return true; }
    int focusPosition() const override { return focus_; }
    void moveFocus(int position) override { focus_ = position; }
    std::string deviceName() const override;

    // Runs one tick as the timer would (benchmarks drive it directly).
    void tick();

    static constexpr const char* kNoFrames = "No frames have arrived from the video input for a while.";

private:
    void deliver();
    void applyOptics(CZVimage& img) const;

    AppServices& services_;
    ProducerMaker maker_;
    std::unique_ptr<FrameProducer> producer_;
    std::unique_ptr<Timer> timer_;
    CameraSettings settings_;
    bool open_ = false;
    bool first_ = true;
    int32_t counter_ = 0;
    int skip_ = 0;
    int countdown_ = 0;
    int pixelClock_ = 30;
    int flash_ = kNominalFlash;
    int focus_ = kSharpFocus;
    CZVimage* target_ = nullptr;
    FrameReceiver* receiver_ = nullptr;
    int gx_ = 0, gy_ = 0, gw_ = 0, gh_ = 0;
    bool stalled_ = false;
};

}  // namespace ordavia
