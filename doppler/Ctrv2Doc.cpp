#include "doppler/Ctrv2Doc.h"

#include <algorithm>
#include <cmath>

#include "base/Archive.h"
#include "base/Text.h"
#include "doppler/Trv2Board.h"
#include "framework/AppServices.h"
#include "framework/Prompter.h"
#include "settings/ProfileStore.h"
#include "framework/Timer.h"

using ordavia::Trv2Board;

namespace {
// The spectrum trace stores unsigned 16-bit powers: larger ones are kept
// at the top of the range rather than wrapped.
constexpr double kPowerCeiling = 65535.0;
}  // namespace

Ctrv2Doc::Ctrv2Doc() { setDocFlags(kNoDelete | kAskOpenNew); }

Ctrv2Doc::~Ctrv2Doc() = default;

Trv2Board* Ctrv2Doc::board() const {
    if (board_) return board_;
    return Trv2Board::of(services());
}

bool Ctrv2Doc::boardPresent() const {
    const Trv2Board* b = board();
    return b && b->present();
}

bool Ctrv2Doc::OnNewDocument() {
    if (!ZchartDoc::OnNewDocument()) return false;
    setDocFlags(kNoDelete | kAskOpenNew);
    setThreshold(kDefaultThreshold);
    if (Trv2Board* b = board()) rate_ = b->samplingRate();
    return buildTraces();
}

void Ctrv2Doc::DeleteContents() {
    run(false);
    ZchartDoc::DeleteContents();
}

void Ctrv2Doc::OnCloseDocument() {
    run(false);
    timer_.reset();
    ZchartDoc::OnCloseDocument();
}

void Ctrv2Doc::Serialize(ordavia::Archive& ar) {
    if (!ar.IsStoring()) {
        ZchartDoc::Serialize(ar);
        return;
    }
    std::vector<std::pair<CTrace*, uint32_t>> cut;
    for (const auto& t : traces().items) {
        if (!t || !t->ring || !t->hasData()) continue;
        const uint64_t written = t->name == kRawName ? rawWritten_ : blocks_;
        if (written == 0 || written >= t->sampleCount()) continue;
        const uint32_t kept = t->sampleCount();
        if (t->resizedata(uint32_t(written))) cut.emplace_back(t.get(), kept);
    }
    ZchartDoc::Serialize(ar);
    // Back to the full rings, the next block after the last one written.
    for (auto& [t, kept] : cut) {
        const uint32_t written = t->sampleCount();
        t->resizedata(kept);
        t->head = written;
    }
}

bool Ctrv2Doc::buildTraces() {
    const uint32_t flags = docFlags();
    setDocFlags(0);
    for (int i = traceCount() - 1; i >= 0; --i) removeTrace(i, false);
    setDocFlags(flags);
    if (!spectrum_.prepare(points_)) return false;
    lastSpectrum_.assign(size_t(points_), 0.0);
    blocks_ = rawWritten_ = 0;
    counter_ = 0;
    pending_ = 0;
    elapsed_ = 0.0;
    lastShift_ = lastFloor_ = 0.0;
    watch_.reset(size_t(std::max(1.0, std::round(kWatchSeconds * rate_ / kBlockLimit))));

    const double blockSeconds = kBlockLimit / rate_;
    const uint32_t rows = uint32_t(std::max(1.0, std::ceil(cbvSeconds_ / blockSeconds)));
    const uint32_t rawCount = uint32_t(std::max(1.0, std::ceil(rawSeconds_ * rate_)));
    const double binHz = rate_ / (2.0 * points_);

    // The spectrum is a Doppler spectrum trace: a two-dimensional trace of
    // its own class, which the chart's operations know to refuse.
    auto* dop = static_cast<C2DTrace*>(addTrace(std::make_unique<CDopTrace>(12, rows, uint32_t(points_)), true));
    if (!dop) return false;
    dop->name = kSpectrumName;
    dop->ring = 1;
    dop->xInterval = blockSeconds;
    dop->yUnits = kMmPerS;
    // Each row keeps the Hz its bins span as its extent, so the row reads
    // in mm/s through the velocity factor, as the velocity trace does.
    dop->yScale = velocityFactor();
    dop->displayYScale = binHz * velocityFactor();
    dop->rangeMin = 1.0;
    dop->rangeMax = kPowerCeiling;
    dop->rangeStep = 2.0;
    dop->intensityRange = 2.0 * threshold();

    CTrace* cbv = newTrace(7, rows, true);
    if (!cbv) return false;
    cbv->name = kCbvName;
    cbv->ring = 1;
    cbv->xInterval = blockSeconds;
    cbv->yUnits = kMmPerS;
    cbv->yScale = velocityFactor();
    cbv->displayYScale = bandwidthHz() * velocityFactor() / 256.0;
    cbv->colour = 0x0000FF;

    CTrace* raw = newTrace(3, rawCount, true);
    if (!raw) return false;
    raw->name = kRawName;
    raw->ring = 1;
    raw->xInterval = 1.0 / rate_;
    raw->yUnits = "ADC";

    for (int i = 0; i < kAuxInputs; ++i) {
        if (!aux_[size_t(i)]) continue;
        CTrace* a = newTrace(3, rows, true);
        if (!a) return false;
        a->name = ordavia::strprintf("IP%i", i + 1);
        a->ring = 1;
        a->xInterval = blockSeconds;
        a->yUnits = "ADC";
    }
    notify(kHintTraces);
    return true;
}

bool Ctrv2Doc::setInput(double cbvSeconds, double rawSeconds, int points) {
    if (!(cbvSeconds > 0) || !(rawSeconds > 0) || !std::isfinite(cbvSeconds) || !std::isfinite(rawSeconds) ||
        (points != 64 && points != 256))
        return false;
    // A day of velocity at the fastest rate is the most any recording keeps.
    if (cbvSeconds > 86400.0 || rawSeconds * rate_ > 4.0e9) return false;
    const double oldCbv = cbvSeconds_, oldRaw = rawSeconds_;
    const int oldPoints = points_;
    cbvSeconds_ = cbvSeconds;
    rawSeconds_ = rawSeconds;
    points_ = points;
    if (buildTraces()) return true;
    cbvSeconds_ = oldCbv;
    rawSeconds_ = oldRaw;
    points_ = oldPoints;
    buildTraces();
    return false;
}

bool Ctrv2Doc::setSmoothing(double k) {
    if (!(k > 0 && k <= 1)) return false;
    smoothing_ = k;
    return true;
}

bool Ctrv2Doc::setAuxEnabled(int input, bool on) {
    if (input < 1 || input > kAuxInputs) return false;
    if (aux_[size_t(input - 1)] == on) return true;
    aux_[size_t(input - 1)] = on;
    return buildTraces();
}

int Ctrv2Doc::inputChannel() const {
    const Trv2Board* b = board();
    return b ? b->input() : 0;
}

void Ctrv2Doc::setInputChannel(int n) {
    if (Trv2Board* b = board()) b->selectInput(n);
    notify(kHintDetection);
}

void Ctrv2Doc::toggleLaser() {
    if (Trv2Board* b = board()) b->setLaser(!b->laser());
    notify(kHintDetection);
}

bool Ctrv2Doc::laserOn() const {
    const Trv2Board* b = board();
    return b && b->laser();
}

ordavia::Status Ctrv2Doc::setHardwareAddress(int address) {
    Trv2Board* b = board();
    if (!b) return ordavia::Status::failure(ordavia::StatusCode::NotFound, kNotDetected);
    const bool wasRunning = running_;
    run(false);
    b->setAddress(static_cast<uint16_t>(address));
    if (services().startupSettings) services().startupSettings->address = address;
    if (services().profileStore) services().profileStore->WriteInt("trv2", "address", address);
    b->initialise(services().startupSettings ? services().startupSettings->numberofchannels : 1);
    if (!b->present()) return ordavia::Status::failure(ordavia::StatusCode::NotFound, kNotDetected);
    rate_ = b->samplingRate();
    buildTraces();
    if (wasRunning) run(true);
    return ordavia::Status::success();
}

void Ctrv2Doc::stepThreshold(bool raise) {
    const int32_t step = std::max<int32_t>(1, threshold() / 10);
    setThreshold(raise ? threshold() + step : std::max<int32_t>(0, threshold() - step));
}

void Ctrv2Doc::setRate(double hz) {
    if (Trv2Board* b = board()) hz = b->setSamplingRate(hz);
    if (hz == rate_) return;
    rate_ = hz;
    buildTraces();
}

bool Ctrv2Doc::setBandwidth(int index) {
    index = std::clamp(index, 0, 3);
    bandwidth_ = index;
    setRate(2.0 * kBandwidths[index]);
    return true;
}

bool Ctrv2Doc::stepBandwidth(bool increase) {
    // The next bandwidth of the table above or below the one in force (the
    // board's own 20 kHz lies between two of them).
    int to = -1;
    for (int i = 0; i < 4; ++i) {
        const double bw = kBandwidths[i];
        if (increase ? bw > bandwidthHz() && to < 0 : bw < bandwidthHz()) to = i;
    }
    if (to < 0) return false;
    // The traces are made again at the new rate, the velocity's full scale
    // at the new bandwidth: doubled or halved with it.
    setBandwidth(to);
    notify(kHintTraces);
    return true;
}

std::string Ctrv2Doc::statusText() const { return ordavia::strprintf(kBandwidthFormat, bandwidthHz() / 1000.0); }

void Ctrv2Doc::run(bool on) {
    if (on == running_) return;
    if (!on) {
        running_ = false;
        if (timer_) timer_->stop();
        return;
    }
    Trv2Board* b = board();
    if (!b || !b->present()) return;
    b->samplesAvailable(true);
    pending_ = 0;
    running_ = true;
    if (services().timerFactory) {
        if (!timer_) {
            timer_ = services().timers().create();
            timer_->onTimeout = [this] { step(); };
        }
        timer_->start(kTickMs);
    }
}

bool Ctrv2Doc::startRecording() {
    run(false);
    if (!setInput(cbvSeconds_, rawSeconds_, points_)) return false;
    run(true);
    recording_ = running_;
    UpdateAllViews();
    return recording_;
}

void Ctrv2Doc::stopRecording() {
    recording_ = false;
    run(false);
    UpdateAllViews();
}

int Ctrv2Doc::step() {
    Trv2Board* b = board();
    if (!running_ || !b) return 0;
    pending_ += b->samplesAvailable(true);
    // Blocks are whole so that the traces keep an even time axis; what is
    // left waits for the next tick. A stalled program catches up a quarter
    // second at a time rather than freezing the window.
    pending_ = std::min<long>(pending_, long(rate_ * 0.25) + kBlockLimit);
    int done = 0;
    while (running_ && pending_ >= kBlockLimit) {
        if (!processBlock(kBlockLimit)) break;
        pending_ -= kBlockLimit;
        ++done;
    }
    if (done) notify(kHintBlock);
    return done;
}

void Ctrv2Doc::appendRow(C2DTrace& t, const double* p, int n) {
    const uint32_t row = t.head;
    auto* v = static_cast<CArrayVect*>(t.data.get());
    uint16_t* out = v->data() + size_t(row) * v->components;
    const int m = std::min<int>(n, v->components);
    for (int i = 0; i < m; ++i) out[i] = uint16_t(std::clamp(p[i], 0.0, kPowerCeiling));
    if (t.extent) t.extent->setD(row, rate_ * 0.5);
}

bool Ctrv2Doc::processBlock(int k) {
    if (k > kBlockLimit) k = kBlockLimit;
    if (k < 0) k = 110;
    Trv2Board* b = board();
    if (!b || !b->present() || k == 0) return false;
    samples_.resize(size_t(k));
    if (!b->readBlock(samples_.data(), k)) return false;
    const auto auxValues = b->readAuxInputs();

    spectrum_.push(samples_.data(), k);
    double* p = spectrum_.compute(detection().FFTwindow);
    const int n = spectrum_.points();
    CTrace* cbv = cbvTrace();
    double shift = 0.0;
    lastFloor_ = ordavia::SaturationWatch::noiseFloorOf(p, n);
    if (cbv) shift = std::trunc(FindDopplerShift(p, n));
    lastShift_ = shift;
    watch_.add(shift, n, lastFloor_, threshold(), method());
    std::copy(p, p + n, lastSpectrum_.begin());
    const double binHz = rate_ / (2.0 * n);

    if (cbv && cbv->hasData()) {
        cbv->data->setD(cbv->head, shift * binHz);
        cbv->advanceHead(1);
        cbv->auxValue += smoothing_ * (shift * binHz - cbv->auxValue);
    }
    if (C2DTrace* sp = spectrumTrace(); sp && sp->hasData()) {
        appendRow(*sp, p, n);
        sp->advanceHead(1);
    }
    if (CTrace* raw = traces().find(kRawName); raw && raw->hasData()) {
        auto* v = static_cast<Cbyte2Vect*>(raw->data.get());
        for (int i = 0; i < k; ++i) {
            v->data()[raw->head] = samples_[size_t(i)];
            raw->advanceHead(1);
        }
        raw->auxValue += smoothing_ * (samples_[size_t(k - 1)] - raw->auxValue);
    }
    for (int i = 0; i < kAuxInputs; ++i) {
        if (!aux_[size_t(i)]) continue;
        CTrace* a = traces().find(ordavia::strprintf("IP%i", i + 1));
        if (!a || !a->hasData()) continue;
        a->data->setD(a->head, auxValues[size_t(i)]);
        a->advanceHead(1);
        a->auxValue += smoothing_ * (auxValues[size_t(i)] - a->auxValue);
    }
    ++blocks_;
    rawWritten_ += uint64_t(k);
    lastBlock_ = k / rate_;
    elapsed_ += lastBlock_;
    SetModifiedFlag();
    if (++counter_ >= (cbv ? cbv->sampleCount() : 1u)) {
        counter_ = 0;
        if (stopAtSweepEnd_) run(false);
    }
    return true;
}

std::vector<double> Ctrv2Doc::orderedValues(const CTrace& t) const {
    std::vector<double> out;
    if (!t.hasData()) return out;
    const uint64_t written = t.name == kRawName ? rawWritten_ : blocks_;
    const uint32_t count = t.sampleCount();
    const uint32_t n = uint32_t(std::min<uint64_t>(written, count));
    const uint32_t first = written >= count ? t.head : 0;
    out.reserve(n);
    for (uint32_t i = 0; i < n; ++i) out.push_back(t.physical((first + i) % count));
    return out;
}
