#include "video/LiveVideoSource.h"

#include <cmath>

#include "framework/AppServices.h"
#include "live/CameraSources.h"
#include "video/CZVMovie.h"

namespace ordavia {

LiveVideoSource::LiveVideoSource(std::string path) : path_(std::move(path)) {}
LiveVideoSource::~LiveVideoSource() = default;

int LiveVideoSource::frameCount() const { return movie_ ? movie_->count() : 0; }

Status LiveVideoSource::prepare(int) {
    auto movie = std::make_unique<CZVMovie>();
    if (Status s = movie->Open(path_); !s) return s;
    if (movie->count() < 1) return Status::failure(StatusCode::BadFormat, path_ + ": the video has no frames");
    // Movie files keep no rate of their own: they play at the capture rate.
    double fps = movie->scale() > 0 ? double(movie->rate()) / movie->scale() : 0.0;
    if (movie->rate() == movie->scale() || !(fps > 0.5 && fps < 1000)) fps = movie->options.captureFrameRate;
    intervalMs_ = std::max(1, int(std::lround(1000.0 / fps)));
    movie_ = std::move(movie);
    // The first frame now: the camera takes the frame size from it before
    // the first tick.
    index_ = -1;
    movie_->CopyFrame(0, frame_);
    if (frame_.isField()) frame_.setInterlace(CZVimage::kFrame);
    return Status::success();
}

void LiveVideoSource::advance(int32_t, bool) {
    if (!movie_) return;
    index_ = (index_ + 1) % movie_->count();
    movie_->CopyFrame(index_, frame_);
    // A frame that does not decode shows as a stalled source, not as black.
    if (movie_->isDamaged(index_)) frame_ = CZVimage();
    if (!frame_.isEmpty() && frame_.isField()) frame_.setInterlace(CZVimage::kFrame);
}

void registerLiveVideoSource(CameraSources& sources) {
    sources.registerKind({LiveVideoSource::kKind, "Recorded video (loop)", [](AppServices& s, const std::string& file) {
                              const std::string path = file.empty() ? s.programFolder + LiveVideoSource::kDefaultFile : file;
                              return std::unique_ptr<FrameProducer>(new LiveVideoSource(path));
                          }});
}

}  // namespace ordavia
