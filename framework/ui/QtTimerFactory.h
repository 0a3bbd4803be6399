#pragma once
// Timers of the workstation: QTimer on the user-interface thread.
#include "framework/Timer.h"

namespace ordavia {

class QtTimerFactory : public TimerFactory {
public:
    std::unique_ptr<Timer> create() override;
};

}  // namespace ordavia
