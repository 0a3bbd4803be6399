#pragma once
// The camera-source layer: what the live video document and its view ask of
// a capture device. The operations are deliberately narrow (open, start and
// stop delivery into an image, a handful of device settings, focus and
// flash), so that a real camera can stand behind them later: a V4L2 device
// would map start/stop grab onto its streaming queue, the levels and gain
// onto its controls, and hand each dequeued buffer to the receiver on the
// user-interface thread, just as the simulated sources do from their timer.
//
// Frames are delivered on the one user-interface thread; nothing here locks.
#include <cstdint>
#include <string>

#include "base/Result.h"
#include "live/CameraSettings.h"

class CZVimage;

namespace ordavia {

// Told when a frame has been written into the grab target.
class FrameReceiver {
public:
    virtual ~FrameReceiver() = default;
    // `target` holds the new frame; `frameNumber` is the source's field
    // counter at delivery (two fields per frame).
    virtual void frameDelivered(const CZVimage& target, int32_t frameNumber) = 0;
};

class CameraSource {
public:
    virtual ~CameraSource() = default;

    // Prepares the device; false when no device can be used.
    virtual bool open() = 0;
    // Stops and releases the device and writes its settings to the profile.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Begins delivering the grab window (x, y, width, height; clamped to the
    // frame) into `target`, telling `receiver` after each frame. Fails, with
    // the reason, when there is no source picture.
    virtual Status startGrab(CZVimage& target, FrameReceiver* receiver, int x, int y, int width, int height) = 0;
    // Ends delivery for that receiver.
    virtual void stopGrab(FrameReceiver* receiver) = 0;
    virtual bool isRunning() const = 0;
    // Fields delivered so far (two per frame).
    virtual int32_t frameCounter() const = 0;
    // Delivers only every (n + 1)-th frame.
    virtual void setFrameSkip(int n) = 0;
    virtual int frameSkip() const = 0;
    // Size of the source frame (0 before the first start).
    virtual int width() const = 0;
    virtual int height() const = 0;
    // The frame rate the device runs at.
    virtual double framesPerSecond() const = 0;

    // The device settings (levels, gain, grab window, colour mode, ...):
    // read when the source opens, written back when it closes.
    virtual CameraSettings& settings() = 0;
    const CameraSettings& settings() const { return const_cast<CameraSource*>(this)->settings(); }
    // Sets the colour mode (0 grey, 1 colour, 2 raw Bayer); a running
    // source restarts with the matching picture.
    virtual void setColourMode(int mode) = 0;

    // Pixel clock in MHz; a device without one says so and keeps 0.
    virtual bool hasPixelClock() const = 0;
    virtual int pixelClockMin() const = 0;
    virtual int pixelClockMax() const = 0;
    virtual int pixelClockIncrement() const = 0;
    virtual int pixelClock() const = 0;
    virtual bool setPixelClock(int mhz) = 0;

    // A failure, with the text to show, when frames stopped arriving.
    virtual Status grabState() const = 0;

    // Exposure and flash in microseconds; the flash scales the light.
    virtual bool hasFlash() const = 0;
    virtual int exposure() const = 0;
    virtual int flash() const = 0;
    virtual void setFlash(int microseconds) = 0;

    // The focus drive, in steps.
    virtual bool hasFocusDrive() const = 0;
    virtual int focusPosition() const = 0;
    virtual void moveFocus(int position) = 0;

    // The device's name for the capture record ("Pseudo").
    virtual std::string deviceName() const = 0;
};

}  // namespace ordavia
