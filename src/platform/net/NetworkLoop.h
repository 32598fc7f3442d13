#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

typedef void CURLM;

namespace pw::net {

class HttpStream;

// The thread that carries HTTP streams: one libcurl multi handle, posted calls
// and timers, all served by one thread. Every stream of a loop, every stream
// event and every timer callback runs on that thread. Connections stay open in
// the multi handle's cache between streams, so streams to one origin reuse them.
class NetworkLoop {
public:
    using Task = std::function<void()>;
    using TimerId = uint64_t;

    NetworkLoop();
    ~NetworkLoop();
    NetworkLoop(const NetworkLoop&) = delete;
    NetworkLoop& operator=(const NetworkLoop&) = delete;

    // The process's network thread, started on first use.
    static NetworkLoop& shared();

    bool isCurrent() const;
    // Safe from any thread; runs on the loop's thread, in order.
    void post(Task task);
    // Runs task after `seconds` of core::Clock's monotonic time unless
    // cancelled; safe from any thread. Under a manual clock it runs once the
    // clock has been advanced past it.
    TimerId postAfter(double seconds, Task task);
    void cancelTimer(TimerId id);
    // Runs the task on the loop and waits for it (inline when already on the loop).
    void runAndWait(Task task);

    // Loop thread only (checked in Debug builds).
    void addStream(HttpStream* stream);
    void removeStream(HttpStream* stream);
    CURLM* multi() const { return m_multi.get(); }
    // Number of idle connections the multi handle may keep per origin and in total.
    void setMaxConnects(long total);
    // How many times another thread has had to wake the loop from its wait.
    uint64_t wakeUps() const { return m_wakeUps.load(std::memory_order_relaxed); }

private:
    void run();
    void serveTimers();
    void serveCompletions();
    long millisecondsToWait();
    void wakeUp();

    struct MultiCleanup {
        void operator()(CURLM* multi) const;
    };
    std::unique_ptr<CURLM, MultiCleanup> m_multi;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<uint64_t> m_wakeUps{0};
    std::mutex m_mutex;
    std::vector<Task> m_tasks;
    struct TimerEntry {
        double due = 0; // core::Clock monotonic seconds
        Task task;
    };
    std::map<TimerId, TimerEntry> m_timers;
    TimerId m_nextTimer = 1;
    std::map<void*, HttpStream*> m_streams; // easy handle -> stream
};

} // namespace pw::net
