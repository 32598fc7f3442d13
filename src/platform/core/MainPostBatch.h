#pragma once

#include <functional>
#include <vector>

namespace pw::core {

// While one is open on a thread, the calls that thread queues for the main
// thread (RunLoop::runOnMain without waiting) are held, and flush() hands
// them to the main loop together, in the order they were made, with one
// wake-up. A worker loop that hands on several results in one turn (a
// request's end, its report, the indicator) then wakes the main thread once,
// and does so when it has nothing left to do rather than between two steps
// of its own work. A call that waits for the main thread hands on what is
// held first, so the order holds. Only the outermost batch of a thread holds;
// closing it flushes.
class MainPostBatch {
public:
    MainPostBatch();
    ~MainPostBatch();
    MainPostBatch(const MainPostBatch&) = delete;
    MainPostBatch& operator=(const MainPostBatch&) = delete;

    void flush();
    bool holding() const { return !m_held.empty(); }

    // For RunLoop::runOnMain: takes fn when a batch is open on this thread.
    static bool hold(std::function<void()>& fn);
    // For RunLoop::runOnMain: hands on what this thread's batch holds.
    static void flushCurrent();

private:
    std::vector<std::function<void()>> m_held;
    bool m_outermost = false;
};

} // namespace pw::core
