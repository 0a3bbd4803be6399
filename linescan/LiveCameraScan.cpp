#include "linescan/LiveCameraScan.h"

#include "linescan/ZlineScanDoc.h"
#include "measure/CDimLine.h"

namespace ordavia {

namespace {

const CDim* scanLineOf(const ZBasicDoc& picture) {
    const CDimList& list = picture.currentDimList();
    auto usable = [&list](int i) {
        const CDim* d = list.at(i);
        return dynamic_cast<const CDimLine*>(d) && d->vertexCount() >= 2 ? d : nullptr;
    };
    if (const CDim* d = usable(list.current())) return d;
    for (int i = list.count() - 1; i >= 0; --i)
        if (const CDim* d = usable(i)) return d;
    return nullptr;
}

}  // namespace

LiveCameraScan::LiveCameraScan(ZlineScanDoc& scan, ZBasicfgDoc& live) : scan_(&scan), live_(&live), sampler_(scan, &live) {}

Result<std::unique_ptr<LiveCameraScan>> LiveCameraScan::start(ZlineScanDoc& scan, ZBasicfgDoc& live) {
    if (scan.running()) return Status::failure(StatusCode::Failed, kBusy);
    const CDim* line = scanLineOf(live);
    if (!line) return Status::failure(StatusCode::NotFound, kNoLine);
    if (!live.isLive() && !live.startLive()) return Status::failure(StatusCode::NotFound, kNoCamera);
    std::unique_ptr<LiveCameraScan> s(new LiveCameraScan(scan, live));
    if (!s->sampler_.startOnPicture(live, live.framesPerSecond(), *line)) return Status::failure(StatusCode::Failed, kBusy);
    // Whole frames: the line's coordinates are those of the live picture.
    if (!live.startCapture(s.get(), 0, {0, 0, live.grabWidth(), live.grabHeight()})) {
        scan.stop();
        return Status::failure(StatusCode::NotFound, kNoCamera);
    }
    live.AddListener(s.get());
    scan.AddListener(s.get());
    return s;
}

LiveCameraScan::~LiveCameraScan() { stop(); }

void LiveCameraScan::stop() {
    if (live_) {
        live_->stopCapture(this);
        live_->RemoveListener(this);
        live_ = nullptr;
    }
    if (scan_) {
        scan_->RemoveListener(this);
        if (scan_->running()) scan_->stop();
        scan_ = nullptr;
    }
}

void LiveCameraScan::liveFrame(const CZVimage& frame, int32_t) {
    if (sampler_.addFrame(frame) && onColumn) onColumn(sampler_.scrollTime());
}

void LiveCameraScan::OnUpdate(Document* doc, long hint) {
    if (hint != Document::kHintClosing) return;
    // The closing document has dropped its listeners already or is about to.
    if (doc == live_) live_ = nullptr;
    if (doc == scan_) scan_ = nullptr;
    stop();
}

}  // namespace ordavia
