#pragma once
// A simulated camera that plays a recorded video (".mve" or anything the
// video import reads) in a loop at the video's own frame rate, so that
// live line scans, recordings and velocities can be shown and checked with
// moving red cells. Without a file chosen it plays "pseudoflow.avi" from
// the program folder.
#include <memory>
#include <string>

#include "image/CZVimage.h"
#include "live/FrameProducer.h"

class CZVMovie;

namespace ordavia {

class CameraSources;

class LiveVideoSource : public FrameProducer {
public:
    static constexpr const char* kKind = "video";
    static constexpr const char* kDefaultFile = "pseudoflow.avi";

    explicit LiveVideoSource(std::string path);
    ~LiveVideoSource() override;

    Status prepare(int colourMode) override;
    void advance(int32_t fieldCounter, bool first) override;
    const CZVimage& frame() const override { return frame_; }
    int intervalMs() const override { return intervalMs_; }
    std::string deviceName() const override { return "Pseudo video"; }

    int frameIndex() const { return index_; }
    int frameCount() const;

private:
    std::string path_;
    std::unique_ptr<CZVMovie> movie_;
    CZVimage frame_;
    int index_ = -1;
    int intervalMs_ = 40;
};

// Adds the recorded-video kind to the run's camera sources.
void registerLiveVideoSource(CameraSources& sources);

}  // namespace ordavia
