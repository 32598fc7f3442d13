#include "platform/core/ManualClock.h"

#include "platform/core/RunLoop.h"

namespace pw::core {

ManualClock::ManualClock(double wallStart, double monotonicStart) : m_wall(wallStart), m_monotonic(monotonicStart) {}

double ManualClock::now() const {
    std::lock_guard lock(m_mutex);
    return m_wall;
}

double ManualClock::monotonic() const {
    std::lock_guard lock(m_mutex);
    return m_monotonic;
}

void ManualClock::advance(double seconds) {
    {
        std::lock_guard lock(m_mutex);
        m_wall += seconds;
        m_monotonic += seconds;
    }
    RunLoop::wakeAll();
}

void ManualClock::setNow(double wall) {
    std::lock_guard lock(m_mutex);
    m_wall = wall;
}

} // namespace pw::core
