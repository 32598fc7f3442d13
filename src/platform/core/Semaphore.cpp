#include "platform/core/Semaphore.h"

namespace pw::core {

void Semaphore::wait() {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return m_count > 0; });
    --m_count;
}

bool Semaphore::waitFor(std::chrono::nanoseconds timeout) {
    std::unique_lock lock(m_mutex);
    if (!m_cv.wait_for(lock, timeout, [this] { return m_count > 0; }))
        return false;
    --m_count;
    return true;
}

void Semaphore::signal() {
    {
        std::lock_guard lock(m_mutex);
        ++m_count;
    }
    m_cv.notify_one();
}

long Semaphore::available() const {
    std::lock_guard lock(m_mutex);
    return m_count;
}

} // namespace pw::core
