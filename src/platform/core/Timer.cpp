#include "platform/core/Timer.h"

#include "platform/core/RunLoop.h"

namespace pw::core {

std::shared_ptr<Timer> Timer::create(double interval, bool repeats, Callback callback) {
    return std::make_shared<Timer>(interval, repeats, std::move(callback));
}

Timer::Timer(double interval, bool repeats, Callback callback)
    // A repeating timer with no interval would spin the loop; hold it to a
    // tenth of a millisecond like any sane scheduler.
    : m_interval(repeats && interval < 1e-4 ? 1e-4 : (interval < 0 ? 0 : interval)), m_repeats(repeats),
      m_callback(std::move(callback)) {}

void Timer::invalidate() {
    std::shared_ptr<RunLoop> loop;
    {
        std::lock_guard lock(m_mutex);
        if (!m_valid)
            return;
        m_valid = false;
        loop = m_loop.lock();
    }
    if (loop)
        loop->removeTimer(this);
}

bool Timer::isValid() const {
    std::lock_guard lock(m_mutex);
    return m_valid;
}

double Timer::fireDate() const {
    std::lock_guard lock(m_mutex);
    return m_fireDate;
}

void Timer::setFireDate(double monotonicTime) {
    std::shared_ptr<RunLoop> loop;
    {
        std::lock_guard lock(m_mutex);
        m_fireDate = monotonicTime;
        loop = m_loop.lock();
    }
    if (loop)
        loop->wakeUp();
}

void Timer::fire() {
    if (!isValid())
        return;
    auto keepAlive = shared_from_this();
    if (m_callback)
        m_callback(*this);
    if (!m_repeats)
        invalidate();
}

} // namespace pw::core
