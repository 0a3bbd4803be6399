#pragma once
// A line scan fed by the live camera: the grey values along a dimension
// line of the live picture, one column per live frame, as the live video
// hands its frames over. It listens to both documents, so that either one
// closing ends the scan instead of leaving it pointing at nothing.
#include <memory>
#include <string>

#include "framework/Document.h"
#include "linescan/LineScanSampler.h"
#include "live/ZBasicfgDoc.h"

class ZlineScanDoc;

namespace ordavia {

class LiveCameraScan : public LiveFrameReceiver, public DocumentView {
public:
    static constexpr const char* kNoLine =
        "Draw a dimension line along a capillary of the live picture first (\"Dimension &Lines\" in the Tools menu).";
    static constexpr const char* kBusy = "The line scan is taking its samples from a video. Choose \"stop\" first.";
    static constexpr const char* kNoCamera = "Could not initialise video input device.";

    // Starts scanning the live picture's current dimension line (else its
    // last line) into `scan`; fails with the reason when it cannot.
    static Result<std::unique_ptr<LiveCameraScan>> start(ZlineScanDoc& scan, ZBasicfgDoc& live);
    ~LiveCameraScan() override;

    // Ends the scan; the scan document keeps what it took.
    void stop();
    bool running() const { return live_ != nullptr; }
    uint32_t samples() const { return sampler_.samples(); }
    // Told after each column (the views scroll with it).
    std::function<void(double scrollTime)> onColumn;

    void liveFrame(const CZVimage& frame, int32_t frameNumber) override;
    void OnUpdate(Document* doc, long hint) override;

private:
    LiveCameraScan(ZlineScanDoc& scan, ZBasicfgDoc& live);
    ZlineScanDoc* scan_;
    ZBasicfgDoc* live_;
    LineScanSampler sampler_;
};

}  // namespace ordavia
