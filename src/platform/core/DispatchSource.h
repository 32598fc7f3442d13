#pragma once
// Event sources on one shared epoll reactor: readiness of a descriptor for
// reading, writing or accepting, and timers.
//
// Sources are level-triggered with at most one event in flight: after the
// event handler has run on the target queue the source is armed again, and it
// fires again while the condition holds. A source is created suspended (one
// suspension); `resume` starts it. `cancel` stops it; the cancel handler runs
// once on the target queue after any event in flight has finished, and only
// then may the owner close the descriptor. A source stays alive until it is
// cancelled.
#include "platform/core/Clock.h"
#include "platform/core/DispatchQueue.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

namespace pw::core {

class DispatchSource : public std::enable_shared_from_this<DispatchSource> {
public:
    enum class Type { Read, Write, Accept, Timer };
    using Block = std::function<void()>;
    using Clock = std::function<std::chrono::nanoseconds()>;

    static std::shared_ptr<DispatchSource> makeRead(int fd, std::shared_ptr<DispatchQueue> queue);
    static std::shared_ptr<DispatchSource> makeWrite(int fd, std::shared_ptr<DispatchQueue> queue);
    static std::shared_ptr<DispatchSource> makeAccept(int fd, std::shared_ptr<DispatchQueue> queue);
    static std::shared_ptr<DispatchSource> makeTimer(std::shared_ptr<DispatchQueue> queue);
    ~DispatchSource();

    Type type() const { return m_type; }
    void setEventHandler(Block handler);
    void setCancelHandler(Block handler);
    // For a short event handler that never waits for anything: when its
    // queue is idle, the reactor runs the event at once on its own thread (as
    // the queue's only runner), sparing the hand-over to another thread.
    void setRunsOnReactorWhenIdle(bool value);
    // Timer: first firing `start` from now, then every `interval`; an interval
    // of 0 fires once. Setting it again re-arms the timer.
    void setTimer(std::chrono::nanoseconds start, std::chrono::nanoseconds interval);
    // Disarms the timer until it is set again (cheaper than a new source).
    void clearTimer();

    // Read: bytes readable (0 at end of input). Accept: connections that may be
    // pending. Write: 1. Timer: firings since the last event.
    unsigned long data() const;

    void resume();
    void suspend();
    void cancel();
    bool isCancelled() const;

    // The clock of every timer (and of DispatchQueue::after). Tests install a
    // fake one and call clockAdvanced() after moving it.
    static void setClock(Clock clock);
    // The same with the platform's clock (a ManualClock in tests): timers run
    // on its monotonic time. nullptr restores the steady clock.
    static void useClock(std::shared_ptr<core::Clock> clock);
    static void clockAdvanced();
    static std::chrono::nanoseconds now();
    // Sources not yet cancelled (for leak checks in tests).
    static int liveSourceCount();

private:
    friend class DispatchReactor;
    DispatchSource(Type type, int fd, std::shared_ptr<DispatchQueue> queue);
    static std::shared_ptr<DispatchSource> make(Type type, int fd, std::shared_ptr<DispatchQueue> queue);
    void deliver(); // on the target queue

    Type m_type;
    int m_fd = -1; // a private duplicate registered with epoll
    std::shared_ptr<DispatchQueue> m_queue;
    Block m_eventHandler;
    Block m_cancelHandler;
    int m_suspendCount = 1;
    bool m_armed = false;
    bool m_inFlight = false;
    bool m_cancelled = false;
    bool m_cancelDispatched = false;
    bool m_runsOnReactorWhenIdle = false;
    unsigned long m_data = 0;
    unsigned long m_pendingFires = 0;
    std::chrono::nanoseconds m_deadline{-1};
    std::chrono::nanoseconds m_interval{0};
};

} // namespace pw::core
