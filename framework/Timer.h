#pragma once
// Timers drive playback, live frames, Doppler blocks and timed saves on the
// one user-interface thread. The workstation's services carry QTimer-backed
// timers; tests use ManualTimerFactory and step time by hand.
#include <functional>
#include <memory>
#include <vector>

namespace ordavia {

class Timer {
public:
    virtual ~Timer() = default;
    // Fires onTimeout every intervalMs until stopped.
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    std::function<void()> onTimeout;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> create() = 0;
};

// Timers that fire only when the test advances the clock.
class ManualTimerFactory : public TimerFactory {
public:
    ManualTimerFactory();
    ~ManualTimerFactory() override;
    std::unique_ptr<Timer> create() override;
    // Moves the clock on by ms, firing every due timer in time order.
    void advance(long ms);
    long now() const { return *clock_; }
    int activeCount() const;

    struct State;

private:
    std::shared_ptr<long> clock_;
    std::shared_ptr<std::vector<std::weak_ptr<State>>> timers_;
};

}  // namespace ordavia
