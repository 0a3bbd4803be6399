#include "video/FcfRun.h"

#include <algorithm>

#include "base/Text.h"
#include "results/ResultColumnSets.h"
#include "framework/AppServices.h"
#include "results/ResultTables.h"
#include "video/CMotivaDoc.h"
#include "video/fcfdoc.h"

namespace ordavia {

Status FcfRun::start(CMotivaDoc& video, int blockSize) {
    video_ = nullptr;
    if (!video.hasFrames()) return Status::failure("there is no video");
    first_ = video.selectionFirst();
    last_ = video.selectionLast();
    video.movie().clampRange(first_, last_);
    if (first_ >= last_) return Status::failure("the selection holds no frames");
    // A block of 0 frames would never move on.
    block_ = blockSize > 0 ? blockSize : last_ - first_;
    next_ = first_;
    video_ = &video;
    return Status::success();
}

int FcfRun::blockCount() const { return block_ > 0 ? (last_ - first_ + block_ - 1) / block_ : 0; }

std::string FcfRun::progressText() const {
    return strprintf("processing images %i to %i", next_, std::min(next_ + block_, last_));
}

Result<std::unique_ptr<fcfdoc>> FcfRun::step() {
    if (done()) return Status::failure("the run is over");
    const int a = next_, b = std::min(next_ + block_, last_);
    next_ = b;
    FcfBlock block;
    if (Status s = fcfBlockStatistics(video_->movie(), a, b, block); !s) return s;
    auto doc = std::make_unique<fcfdoc>();
    video_->lendServicesTo(*doc);
    doc->setDocTemplate(video_->services().findTemplate("fcfdoc"));
    doc->OnNewDocument();
    doc->setCalibration(video_->calibration());
    doc->setPaletteIndex(video_->paletteIndex());
    if (ownValues_) doc->setValues(threshold_, gain_, ignoreDrift_);
    doc->setBlock(std::move(block));
    doc->SetTitle(video_->GetTitle() + strprintf(" FCF-%i-%i", a, b));
    doc->startAsUnsaved();
    // Where results tables are kept, a row the table refused (it is full)
    // is a result lost: the run says so instead of going on.
    if (ResultTables::of(video_->services()) && !doc->addResultRow().ok())
        return Status::failure(StatusCode::OutOfRange, strprintf("the row of frames %i to %i could not be added to "
                                                                 "the results table \"%s\"",
                                                                 a, b, ResultTitles::kFcf));
    return doc;
}

}  // namespace ordavia
