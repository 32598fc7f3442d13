#pragma once

#include <memory>

namespace pw::core {

// Source of time for everything that waits or stamps: run loops, timers,
// time-outs, animations. Tests install a ManualClock and advance it instead
// of sleeping.
class Clock {
public:
    virtual ~Clock() = default;

    // Wall time, seconds since 1970.
    virtual double now() const = 0;
    // Monotonic seconds from an arbitrary origin; what timers run on.
    virtual double monotonic() const = 0;
    // A manual clock never moves by itself, so waiting on it in real time
    // would be wrong: loops wait for a wake-up instead.
    virtual bool isManual() const { return false; }

    // The process-wide clock (the system clock unless replaced).
    static Clock& shared();
    static std::shared_ptr<Clock> sharedPtr();
    // Replaces the shared clock; nullptr restores the system clock.
    static void setShared(std::shared_ptr<Clock> clock);
    static Clock& system();
};

class SystemClock final : public Clock {
public:
    double now() const override;
    double monotonic() const override;
};

} // namespace pw::core
