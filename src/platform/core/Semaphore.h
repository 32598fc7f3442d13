#pragma once
// A counting semaphore; `wait` blocks while no permit is left.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace pw::core {

class Semaphore {
public:
    explicit Semaphore(long permits = 0) : m_count(permits) {}
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    void wait();
    // false when no permit came within the time.
    bool waitFor(std::chrono::nanoseconds timeout);
    void signal();
    long available() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    long m_count = 0;
};

} // namespace pw::core
