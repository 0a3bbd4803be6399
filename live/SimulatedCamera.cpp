#include "live/SimulatedCamera.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "framework/AppServices.h"
#include "framework/Timer.h"
#include "image/GaussianBlur.h"
#include "settings/DebugLog.h"
#include "settings/ProfileStore.h"

namespace ordavia {

SimulatedCamera::SimulatedCamera(AppServices& services, ProducerMaker maker)
    : services_(services), maker_(std::move(maker)) {}

SimulatedCamera::~SimulatedCamera() {
    if (timer_) timer_->stop();
}

bool SimulatedCamera::open() {
    if (!open_) {
        if (services_.profileStore) settings_.load(*services_.profileStore);
        open_ = true;
    }
    return true;
}

void SimulatedCamera::close() {
    if (!open_) return;
    stopGrab(receiver_);
    if (services_.profileStore) settings_.save(*services_.profileStore);
    producer_.reset();
    open_ = false;
}

Status SimulatedCamera::startGrab(CZVimage& target, FrameReceiver* receiver, int x, int y, int width, int height) {
    if (!open_) open();
    if (timer_) timer_->stop();
    producer_ = maker_ ? maker_() : nullptr;
    const Status s = producer_ ? producer_->prepare(settings_.colourMode) : Status::failure(StatusCode::NotFound, "no picture");
    if (!s) {
        debugLog("SimulatedCamera::startGrab %s\n", s.reason().c_str());
        producer_.reset();
        receiver_ = nullptr;
        target_ = nullptr;
        return s;
    }
    const CZVimage& f = producer_->frame();
    settings_.grabLeft = x;
    settings_.grabTop = y;
    settings_.grabWidth = width;
    settings_.grabHeight = height;
    settings_.clampGrabWindow(f.width(), f.rows());
    gx_ = settings_.grabLeft;
    gy_ = settings_.grabTop;
    gw_ = settings_.grabWidth;
    gh_ = settings_.grabHeight;
    target_ = &target;
    receiver_ = receiver;
    first_ = true;
    counter_ = 0;
    countdown_ = 0;
    stalled_ = false;
    if (!timer_) {
        timer_ = services_.timers().create();
        timer_->onTimeout = [this] { tick(); };
    }
    timer_->start(producer_->intervalMs());
    return Status::success();
}

void SimulatedCamera::stopGrab(FrameReceiver* receiver) {
    if (receiver != receiver_) return;
    if (timer_) timer_->stop();
    receiver_ = nullptr;
    target_ = nullptr;
}

bool SimulatedCamera::isRunning() const { return target_ != nullptr && timer_ && timer_->isActive(); }

int SimulatedCamera::width() const { return producer_ ? producer_->frame().width() : 0; }
int SimulatedCamera::height() const { return producer_ ? producer_->frame().rows() : 0; }

double SimulatedCamera::framesPerSecond() const {
    const int ms = producer_ ? producer_->intervalMs() : 40;
    return 1000.0 / std::max(1, ms);
}

void SimulatedCamera::setColourMode(int mode) {
    mode = std::clamp(mode, 0, 2);
    if (mode == settings_.colourMode) return;
    settings_.colourMode = mode;
    if (isRunning()) {
        CZVimage* t = target_;
        FrameReceiver* r = receiver_;
        // A source that cannot give the new kind stops; isRunning() says so.
        (void)startGrab(*t, r, gx_, gy_, gw_, gh_);
    }
}

bool SimulatedCamera::setPixelClock(int mhz) {
    if (mhz < pixelClockMin() || mhz > pixelClockMax()) return false;
    pixelClock_ = mhz;
    return true;
}

Status SimulatedCamera::grabState() const {
    return stalled_ ? Status::failure(StatusCode::IoError, kNoFrames) : Status::success();
}

void SimulatedCamera::setFlash(int microseconds) { flash_ = std::max(0, microseconds); }

std::string SimulatedCamera::deviceName() const { return producer_ ? producer_->deviceName() : "Pseudo"; }

void SimulatedCamera::tick() {
    if (!producer_) return;
    counter_ += 2;
    producer_->advance(counter_, first_);
    first_ = false;
    if (producer_->frame().isEmpty()) {
        stalled_ = true;
        return;
    }
    if (!target_) return;
    if (countdown_ < 1) {
        deliver();
        countdown_ = skip_;
    } else {
        --countdown_;
    }
}

void SimulatedCamera::deliver() {
    const CZVimage& src = producer_->frame();
    int w = std::min(gw_, src.width() - gx_), h = std::min(gh_, src.rows() - gy_);
    // Binning gives half the pixels each way: the calibration the document
    // doubles must meet pixels twice as large.
    const bool bin = settings_.binning;
    if (bin) {
        w /= 2;
        h /= 2;
    }
    if (w < 1 || h < 1) return;
    CZVimage& dst = *target_;
    if (dst.width() != w || dst.rows() != h || dst.colour() != src.colour() || dst.isField()) {
        CZVimage fresh(w, h, src.tag(), CZVimage::kFrame, src.colour());
        fresh.setPalette(dst.paletteIndex());
        fresh.setZeroAsBlack(dst.zeroAsBlack());
        dst.adoptData(std::move(fresh));
    }
    const int bpp = src.bytesPerPixel();
    if (!bin) {
        for (int r = 0; r < h; ++r)
            std::memcpy(dst.row(r), src.row(gy_ + r) + ptrdiff_t(gx_) * bpp, size_t(w) * size_t(bpp));
    } else if (src.colour() == CZVimage::kBayer) {
        // A mosaic keeps its pattern: every other 2 x 2 block.
        for (int r = 0; r < h; ++r) {
            const uint8_t* s = src.row(gy_ + (r / 2) * 4 + (r & 1)) + gx_;
            uint8_t* d = dst.row(r);
            for (int x = 0; x < w; ++x) d[x] = s[(x / 2) * 4 + (x & 1)];
        }
    } else {
        for (int r = 0; r < h; ++r) {
            const uint8_t* a = src.row(gy_ + 2 * r) + ptrdiff_t(gx_) * bpp;
            const uint8_t* b = src.row(gy_ + 2 * r + 1) + ptrdiff_t(gx_) * bpp;
            uint8_t* d = dst.row(r);
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < bpp; ++c) {
                    const int i = 2 * x * bpp + c;
                    d[x * bpp + c] = uint8_t((a[i] + a[i + bpp] + b[i] + b[i + bpp] + 2) / 4);
                }
        }
    }
    dst.setOrigin(0, 0);
    applyOptics(dst);
    if (receiver_) receiver_->frameDelivered(dst, counter_);
}

void SimulatedCamera::applyOptics(CZVimage& img) const {
    if (flash_ != kNominalFlash) {
        uint8_t lut[256];
        const double k = double(flash_) / kNominalFlash;
        for (int v = 0; v < 256; ++v) lut[v] = uint8_t(std::min(255.0, std::floor(v * k + 0.5)));
        const int n = img.width() * img.bytesPerPixel();
        for (int r = 0; r < img.rows(); ++r) {
            uint8_t* p = img.row(r);
            for (int i = 0; i < n; ++i) p[i] = lut[p[i]];
        }
    }
    const double sigma = std::abs(focus_ - kSharpFocus) * kBlurPerStep;
    // A blur below a third of a pixel is lost in the sensor's own.
    if (sigma >= 0.33 && img.bytesPerPixel() == 1) (void)gaussianBlur(img, {}, sigma);
}

}  // namespace ordavia
