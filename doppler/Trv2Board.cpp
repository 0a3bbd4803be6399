#include "doppler/Trv2Board.h"

#include <chrono>
#include <cmath>

#include "framework/AppServices.h"

namespace ordavia {

namespace {
double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

Trv2Board::Trv2Board() : clock_(steadySeconds) {}

Trv2Board* Trv2Board::of(const AppServices& services) { return services.find<Trv2Board>(); }

void Trv2Board::setClock(std::function<double()> clock) {
    clock_ = clock ? std::move(clock) : std::function<double()>(steadySeconds);
    lastTime_ = clock_();
    carry_ = 0.0;
}

void Trv2Board::initialise(int channels) {
    channels_ = channels;
    input_ = 0;
    rate_ = kInitialRate;
    interval_ = kInitialInterval;
    samples_.clear();
    pos_ = 0;
    present_ = false;
    error_.clear();
    std::string path = path_;
    if (path.empty()) {
        path = folder_;
        if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
        path += "raw.bin";
    }
    if (Status s = file_.open(path); !s) error_ = s.reason();
    else if (file_.sampleCount() == 0) error_ = path + ": no 16-bit sample in the file";
    if (!error_.empty()) file_.close();
    present_ = file_.isOpen();
    lastTime_ = clock_();
    carry_ = 0.0;
}

void Trv2Board::setPlayback(std::vector<int16_t> samples) {
    file_.close();
    error_.clear();
    input_ = 0;
    rate_ = kInitialRate;
    interval_ = kInitialInterval;
    samples_ = std::move(samples);
    pos_ = 0;
    present_ = !samples_.empty();
    lastTime_ = clock_();
    carry_ = 0.0;
}

int Trv2Board::selectInput(int n) {
    input_ = ((n % 8) + 8) % 8;
    return input_;
}

double Trv2Board::setSamplingRate(double hz) {
    if (hz > 0 && std::isfinite(hz)) {
        const double divider = std::round(kBaseClock / hz);
        if (divider >= 1 && divider <= 65535) rate_ = kBaseClock / divider;
    }
    return rate_;
}

long Trv2Board::samplesAvailable(bool consume) {
    if (!present_) return 0;
    const double now = clock_();
    const double exact = std::max(0.0, (now - lastTime_) * rate_ + carry_);
    // A stalled program (a modal dialog, a debugger) must not owe the
    // monitor hours of samples: one minute at most is kept.
    const double capped = std::min(exact, 60.0 * rate_);
    // A hair of slack so that a whole number of sample periods, summed in
    // floating point, counts whole.
    const long n = long(std::floor(capped + 1e-6));
    if (consume) {
        lastTime_ = now;
        carry_ = std::max(0.0, capped - double(n));
    }
    return n;
}

bool Trv2Board::readBlock(int16_t* buffer, int n) {
    if (!present_ || n < 0) return false;
    if (file_.isOpen()) {
        if (file_.position() + uint64_t(n) > file_.sampleCount()) file_.rewind();
        for (int done = 0; done < n;) {
            auto got = file_.read(buffer + done, size_t(n - done));
            if (!got || got.value() == 0) {
                error_ = got ? file_.path() + ": no samples left to read" : got.reason();
                return false;
            }
            done += int(got.value());
            if (file_.position() == file_.sampleCount()) file_.rewind();  // a file shorter than one read
        }
        return true;
    }
    const size_t count = samples_.size();
    if (pos_ + size_t(n) > count) pos_ = 0;
    for (int i = 0; i < n; ++i) {
        buffer[i] = samples_[pos_];
        if (++pos_ == count) pos_ = 0;  // a file shorter than one read
    }
    return true;
}

std::array<int16_t, Trv2Board::kAuxInputs> Trv2Board::readAuxInputs() const {
    // The playback carries no auxiliary channels: they read as grounded.
    return {};
}

void Trv2Board::close() {
    present_ = false;
    file_.close();
    samples_.clear();
    samples_.shrink_to_fit();
    pos_ = 0;
}

}  // namespace ordavia
