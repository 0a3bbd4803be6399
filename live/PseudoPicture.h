#pragma once
// The classic simulated camera: a stored picture from the program folder
// ("pseudo.bmp" grey, "pseudocol.bmp" colour, "pseudobayer.zvg" raw Bayer)
// with a 10 x 10 block inverted at a place that moves with the field
// counter, so that a running source is visibly alive and every frame can
// be told from the one before.
#include <string>

#include "image/CZVimage.h"
#include "live/FrameProducer.h"

namespace ordavia {

class PseudoPicture : public FrameProducer {
public:
    static constexpr int kBlock = 10;
    static constexpr int kIntervalMs = 40;
    // The file read for a colour mode.
    static const char* fileFor(int colourMode);

    explicit PseudoPicture(std::string programFolder) : folder_(std::move(programFolder)) {}

    Status prepare(int colourMode) override;
    void advance(int32_t fieldCounter, bool first) override;
    const CZVimage& frame() const override { return picture_; }
    int intervalMs() const override { return kIntervalMs; }
    std::string deviceName() const override { return "Pseudo"; }

    // Where the block stands for a counter.
    static int blockX(int32_t counter, int width) { return width > kBlock ? int(counter % (width - kBlock)) : 0; }
    static int blockY(int32_t counter, int height) { return height > kBlock ? int(counter % (height - kBlock)) : 0; }

private:
    void invertBlock(int x, int y);
    std::string folder_;
    CZVimage picture_;
    int lastX_ = -1, lastY_ = -1;
};

}  // namespace ordavia
