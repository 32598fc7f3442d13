#pragma once

#include <functional>
#include <memory>
#include <mutex>

namespace pw::core {

class RunLoop;

// A one-shot or repeating timer. It does nothing until added to a run loop
// (RunLoop::addTimer or RunLoop::scheduleTimer); the loop keeps it until it
// is invalidated or, for a one-shot timer, has fired. Times are on the run
// loop's clock (monotonic seconds). A repeating timer that fell behind
// fires once and then keeps its phase, skipping the missed ticks.
class Timer : public std::enable_shared_from_this<Timer> {
public:
    using Callback = std::function<void(Timer&)>;

    static std::shared_ptr<Timer> create(double interval, bool repeats, Callback callback);
    Timer(double interval, bool repeats, Callback callback);

    // Safe from any thread; the callback is not called afterwards (a call
    // already running on the loop's thread finishes).
    void invalidate();
    bool isValid() const;
    bool repeats() const { return m_repeats; }
    double interval() const { return m_interval; }
    // Monotonic time of the next firing; set by the loop when added.
    double fireDate() const;
    void setFireDate(double monotonicTime);
    // Runs the callback now, like a firing; a one-shot timer is then done.
    void fire();

private:
    friend class RunLoop;

    const double m_interval{0};
    const bool m_repeats{false};
    Callback m_callback{};
    mutable std::mutex m_mutex{};
    bool m_valid{true};
    bool m_scheduled{false};
    double m_fireDate{0};
    std::weak_ptr<RunLoop> m_loop{};
};

} // namespace pw::core
