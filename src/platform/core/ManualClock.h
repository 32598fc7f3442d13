#pragma once

#include "platform/core/Clock.h"

#include <mutex>

namespace pw::core {

// A clock that moves only when told. Advancing it wakes every run loop so
// that due timers fire at the next turn.
class ManualClock final : public Clock {
public:
    explicit ManualClock(double wallStart = 1'700'000'000.0, double monotonicStart = 1000.0);

    double now() const override;
    double monotonic() const override;
    bool isManual() const override { return true; }

    void advance(double seconds);
    void setNow(double wall); // moves wall time only

private:
    mutable std::mutex m_mutex{};
    double m_wall{0};
    double m_monotonic{0};
};

} // namespace pw::core
