#include "platform/core/DispatchGroup.h"

#include "platform/core/Assert.h"

namespace pw::core {

DispatchGroup::~DispatchGroup() {
    std::lock_guard lock(m_mutex);
    PW_ASSERT_MSG(m_count == 0, "a dispatch group is destroyed while blocks are still in it");
}

void DispatchGroup::enter() {
    std::lock_guard lock(m_mutex);
    ++m_count;
}

void DispatchGroup::leave() {
    std::vector<std::pair<std::shared_ptr<DispatchQueue>, std::function<void()>>> ready;
    {
        std::lock_guard lock(m_mutex);
        if (m_count == 0)
            return; // unbalanced leave: ignored rather than corrupting the count
        if (--m_count > 0)
            return;
        ready.swap(m_notify);
        m_cv.notify_all();
    }
    for (auto& [queue, block] : ready)
        queue->async(std::move(block));
}

void DispatchGroup::async(const std::shared_ptr<DispatchQueue>& queue, std::function<void()> block) {
    enter();
    queue->async([this, block = std::move(block)] {
        if (block)
            block();
        leave();
    });
}

void DispatchGroup::wait() {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return m_count == 0; });
}

bool DispatchGroup::waitFor(std::chrono::nanoseconds timeout) {
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, timeout, [this] { return m_count == 0; });
}

void DispatchGroup::notify(const std::shared_ptr<DispatchQueue>& queue, std::function<void()> block) {
    {
        std::lock_guard lock(m_mutex);
        if (m_count > 0) {
            m_notify.emplace_back(queue, std::move(block));
            return;
        }
    }
    queue->async(std::move(block));
}

} // namespace pw::core
