#pragma once
// Tracks a set of blocks; waiters and notify blocks run once all have left.
#include "platform/core/DispatchQueue.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace pw::core {

class DispatchGroup {
public:
    DispatchGroup() = default;
    // The blocks of async() reach back into the group when they end, so a
    // group must outlive them: wait() before it goes (checked).
    ~DispatchGroup();
    DispatchGroup(const DispatchGroup&) = delete;
    DispatchGroup& operator=(const DispatchGroup&) = delete;

    void enter();
    void leave();
    // Runs the block on the queue as a member of the group.
    void async(const std::shared_ptr<DispatchQueue>& queue, std::function<void()> block);
    void wait();
    bool waitFor(std::chrono::nanoseconds timeout);
    // Runs the block on the queue once the group is empty (at once if it is).
    void notify(const std::shared_ptr<DispatchQueue>& queue, std::function<void()> block);

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    long m_count = 0;
    std::vector<std::pair<std::shared_ptr<DispatchQueue>, std::function<void()>>> m_notify;
};

} // namespace pw::core
