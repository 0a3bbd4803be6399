#pragma once
// What a simulated camera shows: a stored picture brought to life, or a
// recorded video played in a loop. The camera asks for a new frame on each
// tick of its timer and copies its grab window out of frame().
#include <cstdint>
#include <string>

#include "base/Result.h"

class CZVimage;

namespace ordavia {

class FrameProducer {
public:
    virtual ~FrameProducer() = default;
    // Loads what the frames are made of for the colour mode (0 grey,
    // 1 colour, 2 raw Bayer); the reason in words on failure.
    virtual Status prepare(int colourMode) = 0;
    // Moves on to the next frame; `fieldCounter` is the camera's counter
    // after this tick (two fields per frame), `first` true on the first
    // tick after a start.
    virtual void advance(int32_t fieldCounter, bool first) = 0;
    // The current frame; empty before prepare succeeded.
    virtual const CZVimage& frame() const = 0;
    // The time between frames.
    virtual int intervalMs() const = 0;
    // What the capture record calls the device.
    virtual std::string deviceName() const = 0;
};

}  // namespace ordavia
