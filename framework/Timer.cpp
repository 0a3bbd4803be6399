#include "framework/Timer.h"

#include <algorithm>

namespace ordavia {

struct ManualTimerFactory::State {
    bool active = false;
    int interval = 0;
    long due = 0;
    Timer* owner = nullptr;
};

namespace {

class ManualTimer : public Timer {
public:
    ManualTimer(std::shared_ptr<ManualTimerFactory::State> s, std::shared_ptr<const long> clock)
        : s_(std::move(s)), clock_(std::move(clock)) {
        s_->owner = this;
    }
    ~ManualTimer() override {
        s_->active = false;
        s_->owner = nullptr;
    }
    void start(int intervalMs) override {
        s_->active = true;
        s_->interval = std::max(1, intervalMs);
        s_->due = *clock_ + s_->interval;
    }
    void stop() override { s_->active = false; }
    bool isActive() const override { return s_->active; }

private:
    std::shared_ptr<ManualTimerFactory::State> s_;
    // Shared with the factory so that a timer outliving it stays safe.
    std::shared_ptr<const long> clock_;
};

}  // namespace

ManualTimerFactory::ManualTimerFactory()
    : clock_(std::make_shared<long>(0)), timers_(std::make_shared<std::vector<std::weak_ptr<State>>>()) {}
ManualTimerFactory::~ManualTimerFactory() = default;

std::unique_ptr<Timer> ManualTimerFactory::create() {
    auto s = std::make_shared<State>();
    timers_->push_back(s);
    return std::make_unique<ManualTimer>(s, clock_);
}

void ManualTimerFactory::advance(long ms) {
    long& now = *clock_;
    const long end = now + ms;
    for (;;) {
        // The earliest due active timer within the step.
        std::shared_ptr<State> next;
        for (auto& w : *timers_) {
            auto s = w.lock();
            if (s && s->active && s->due <= end && (!next || s->due < next->due)) next = s;
        }
        if (!next) break;
        now = next->due;
        next->due += next->interval;
        // Call a copy: the callback may destroy its own timer (and with it
        // the std::function being run).
        if (next->owner && next->owner->onTimeout) {
            const std::function<void()> callback = next->owner->onTimeout;
            callback();
        }
    }
    now = end;
    std::erase_if(*timers_, [](const std::weak_ptr<State>& w) { return w.expired(); });
}

int ManualTimerFactory::activeCount() const {
    int n = 0;
    for (auto& w : *timers_)
        if (auto s = w.lock(); s && s->active) ++n;
    return n;
}

}  // namespace ordavia
