#include "platform/core/DispatchSource.h"

#include "platform/core/Clock.h"
#include "platform/core/SpinThenSleepMutex.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pw::core {

using namespace std::chrono;

// One epoll thread for the process. Every field of every source is guarded by
// the reactor's mutex, which every socket's queue takes many times a request.
// Blocks bound for queues are collected while it is held and handed over
// after it is released, so no thread wakes another while holding it.
class DispatchReactor {
public:
    static DispatchReactor& shared() {
        static DispatchReactor* reactor = new DispatchReactor; // lives for the process
        return *reactor;
    }

    struct DeferredBlock {
        std::shared_ptr<DispatchQueue> queue; // none: only released
        DispatchQueue::Block block;
        bool runHereWhenIdle = false;
    };
    using Deferred = std::vector<DeferredBlock>;

    // Holds the mutex; on release hands the collected blocks to their queues.
    class Lock {
    public:
        explicit Lock(DispatchReactor& r) : m_r(r), m_lock(r.m_mutex) {}
        ~Lock() {
            Deferred work;
            work.swap(m_r.m_deferred);
            bool wake = m_r.m_needsWake;
            m_r.m_needsWake = false;
            m_lock.unlock();
            for (auto& [queue, block, runHere] : work) {
                if (queue && runHere) {
                    DispatchQueue::HandOffScope handOffs;
                    queue->runOrAsync(std::move(block));
                } else if (queue)
                    queue->async(std::move(block));
            }
            work.clear(); // what the dropped blocks held goes now, unlocked
            if (wake)
                m_r.wake();
        }

    private:
        DispatchReactor& m_r;
        std::unique_lock<SpinThenSleepMutex> m_lock;
    };

    SpinThenSleepMutex m_mutex;
    std::unordered_map<DispatchSource*, std::shared_ptr<DispatchSource>> m_live;
    std::set<std::pair<nanoseconds, DispatchSource*>> m_timers;
    DispatchSource::Clock m_clock;
    Deferred m_deferred;
    bool m_needsWake = false;
    // A new deadline before this one needs the loop woken; one at or after it
    // is served by the wait the loop is in (max: it waits for an event).
    nanoseconds m_waitingUntil = nanoseconds::max();

    nanoseconds now() const {
        if (m_clock)
            return m_clock();
        // The system clock, not the shared one: a test's manual clock moves
        // run loops, which it wakes, but this reactor sleeps in epoll and
        // takes a clock of its own through setClock().
        return duration_cast<nanoseconds>(duration<double>(core::Clock::system().monotonic()));
    }

    void wake() {
        uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(m_wakeFd, &one, sizeof one);
    }

    void epollArm(DispatchSource* s) {
        epoll_event ev{};
        ev.events = EPOLLONESHOT | (s->m_type == DispatchSource::Type::Write ? EPOLLOUT : EPOLLIN);
        ev.data.ptr = s;
        if (::epoll_ctl(m_epoll, EPOLL_CTL_MOD, s->m_fd, &ev) == 0)
            s->m_armed = true;
        else if (errno == EPERM)
            dispatchEvent(s); // a descriptor epoll cannot watch (a regular file) is always ready
    }

    void epollAdd(DispatchSource* s) {
        epoll_event ev{};
        ev.events = EPOLLONESHOT; // registered but disarmed
        ev.data.ptr = s;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, s->m_fd, &ev);
    }

    void epollRemove(DispatchSource* s) {
        if (s->m_fd < 0)
            return;
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, s->m_fd, nullptr);
        ::close(s->m_fd);
        s->m_fd = -1;
        s->m_armed = false;
    }

    // Under the mutex: start the source's event on its queue.
    void dispatchEvent(DispatchSource* s) {
        s->m_inFlight = true;
        auto self = m_live[s];
        const bool runHere = s->m_runsOnReactorWhenIdle && std::this_thread::get_id() == m_thread;
        m_deferred.push_back({s->m_queue, [self] { self->deliver(); }, runHere});
    }

    void dispatchCancel(DispatchSource* s) {
        if (s->m_cancelDispatched)
            return;
        s->m_cancelDispatched = true;
        auto it = m_live.find(s);
        if (it == m_live.end())
            return;
        auto self = std::move(it->second);
        m_live.erase(it);
        auto handler = std::move(s->m_cancelHandler);
        s->m_cancelHandler = nullptr;
        auto eventHandler = std::move(s->m_eventHandler); // drops what the handler holds
        s->m_eventHandler = nullptr;
        if (handler) {
            m_deferred.push_back({s->m_queue, [self, handler = std::move(handler)] { handler(); }});
        } else {
            // Nothing to run: release it outside the lock on the way out.
            m_deferred.push_back({nullptr, [self] {}});
        }
        m_deferred.push_back({nullptr, [eventHandler = std::move(eventHandler)] {}});
    }

    void removeTimer(DispatchSource* s) {
        if (s->m_deadline.count() >= 0)
            m_timers.erase({s->m_deadline, s});
        s->m_deadline = nanoseconds(-1);
    }

    void addTimer(DispatchSource* s, nanoseconds deadline) {
        removeTimer(s);
        s->m_deadline = deadline;
        m_timers.insert({deadline, s});
        // The loop only needs to hear of a deadline earlier than it waits for.
        if (deadline < m_waitingUntil)
            m_needsWake = true;
    }

private:
    DispatchReactor() {
        m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
        m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.ptr = nullptr;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, m_wakeFd, &ev);
        std::thread([this] { run(); }).detach();
    }

    void run() {
        {
            std::lock_guard lock(m_mutex);
            m_thread = std::this_thread::get_id();
        }
        epoll_event events[64];
        for (;;) {
            int timeoutMs = -1;
            {
                std::lock_guard lock(m_mutex);
                m_waitingUntil = nanoseconds::max();
                if (!m_timers.empty()) {
                    auto t = now();
                    auto wait = m_timers.begin()->first - t;
                    if (wait.count() <= 0) {
                        timeoutMs = 0;
                        m_waitingUntil = t;
                    } else {
                        // Round up so a timer never fires early; a fake clock
                        // is re-checked at least once a second.
                        auto ms = duration_cast<milliseconds>(wait + nanoseconds(999999)).count();
                        timeoutMs = static_cast<int>(std::min<long long>(ms, m_clock ? 1000 : 60000));
                        // A fake clock does not move by itself: every new timer
                        // wakes the loop. On the real one the wait ends a little
                        // after the earliest deadline (whole milliseconds): a new
                        // deadline from that one on is served on the same wake-up,
                        // as late as the earliest is at most. Waking for each of
                        // them cost a write and a round of the loop per socket
                        // time-out armed, many times a request.
                        m_waitingUntil = m_clock ? nanoseconds::max()
                                                 : std::min(m_timers.begin()->first, t + milliseconds(timeoutMs));
                    }
                }
            }
            int n = ::epoll_wait(m_epoll, events, 64, timeoutMs);
            Lock lock(*this);
            for (int i = 0; i < n; ++i) {
                auto* s = static_cast<DispatchSource*>(events[i].data.ptr);
                if (!s) {
                    uint64_t v;
                    while (::read(m_wakeFd, &v, sizeof v) > 0) {}
                    continue;
                }
                if (!m_live.count(s) || !s->m_armed)
                    continue;
                s->m_armed = false; // one-shot: disabled until armed again
                if (s->m_cancelled || s->m_suspendCount > 0 || s->m_inFlight)
                    continue;
                dispatchEvent(s);
            }
            auto t = now();
            while (!m_timers.empty() && m_timers.begin()->first <= t) {
                auto [deadline, s] = *m_timers.begin();
                m_timers.erase(m_timers.begin());
                s->m_deadline = nanoseconds(-1);
                if (s->m_interval.count() > 0) {
                    auto next = deadline + s->m_interval;
                    if (next <= t)
                        next = t + s->m_interval;
                    addTimer(s, next);
                }
                ++s->m_pendingFires;
                if (!s->m_cancelled && s->m_suspendCount == 0 && !s->m_inFlight)
                    dispatchEvent(s);
            }
            m_needsWake = false; // this loop recomputes its wait anyway
        }
    }

    int m_epoll = -1;
    int m_wakeFd = -1;
    std::thread::id m_thread;
};

DispatchSource::DispatchSource(Type type, int fd, std::shared_ptr<DispatchQueue> queue)
    : m_type(type), m_fd(fd), m_queue(std::move(queue)) {}

DispatchSource::~DispatchSource() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::shared_ptr<DispatchSource> DispatchSource::make(Type type, int fd, std::shared_ptr<DispatchQueue> queue) {
    int dupFd = -1;
    if (type != Type::Timer) {
        // A private duplicate lets a read and a write source watch one socket
        // through separate epoll registrations.
        dupFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        if (dupFd < 0)
            return nullptr;
    }
    auto source = std::shared_ptr<DispatchSource>(new DispatchSource(type, dupFd, std::move(queue)));
    auto& r = DispatchReactor::shared();
    DispatchReactor::Lock lock(r);
    r.m_live[source.get()] = source;
    if (dupFd >= 0)
        r.epollAdd(source.get());
    return source;
}

std::shared_ptr<DispatchSource> DispatchSource::makeRead(int fd, std::shared_ptr<DispatchQueue> queue) {
    return make(Type::Read, fd, std::move(queue));
}
std::shared_ptr<DispatchSource> DispatchSource::makeWrite(int fd, std::shared_ptr<DispatchQueue> queue) {
    return make(Type::Write, fd, std::move(queue));
}
std::shared_ptr<DispatchSource> DispatchSource::makeAccept(int fd, std::shared_ptr<DispatchQueue> queue) {
    return make(Type::Accept, fd, std::move(queue));
}
std::shared_ptr<DispatchSource> DispatchSource::makeTimer(std::shared_ptr<DispatchQueue> queue) {
    return make(Type::Timer, -1, std::move(queue));
}

void DispatchSource::setEventHandler(Block handler) {
    Block old;
    DispatchReactor::Lock lock(DispatchReactor::shared());
    if (!m_cancelled) {
        old = std::move(m_eventHandler);
        m_eventHandler = std::move(handler);
    }
}

void DispatchSource::setRunsOnReactorWhenIdle(bool value) {
    std::lock_guard lock(DispatchReactor::shared().m_mutex);
    m_runsOnReactorWhenIdle = value;
}

void DispatchSource::setCancelHandler(Block handler) {
    Block old;
    DispatchReactor::Lock lock(DispatchReactor::shared());
    if (!m_cancelDispatched) {
        old = std::move(m_cancelHandler);
        m_cancelHandler = std::move(handler);
    }
}

void DispatchSource::setTimer(std::chrono::nanoseconds start, std::chrono::nanoseconds interval) {
    auto& r = DispatchReactor::shared();
    DispatchReactor::Lock lock(r);
    if (m_type != Type::Timer || m_cancelled)
        return;
    m_interval = interval;
    m_pendingFires = 0;
    r.addTimer(this, r.now() + std::max(start, nanoseconds(0)));
}

void DispatchSource::clearTimer() {
    auto& r = DispatchReactor::shared();
    DispatchReactor::Lock lock(r);
    if (m_type != Type::Timer)
        return;
    r.removeTimer(this);
    m_pendingFires = 0;
}

unsigned long DispatchSource::data() const {
    std::lock_guard lock(DispatchReactor::shared().m_mutex);
    return m_data;
}

void DispatchSource::resume() {
    auto& r = DispatchReactor::shared();
    DispatchReactor::Lock lock(r);
    if (m_suspendCount == 0)
        return;
    if (--m_suspendCount > 0 || m_cancelled || m_inFlight)
        return;
    if (m_type == Type::Timer) {
        if (m_pendingFires > 0)
            r.dispatchEvent(this);
    } else if (!m_armed) {
        r.epollArm(this);
    }
}

void DispatchSource::suspend() {
    std::lock_guard lock(DispatchReactor::shared().m_mutex);
    ++m_suspendCount;
}

void DispatchSource::cancel() {
    auto& r = DispatchReactor::shared();
    DispatchReactor::Lock lock(r);
    if (m_cancelled)
        return;
    m_cancelled = true;
    r.epollRemove(this);
    r.removeTimer(this);
    if (!m_inFlight)
        r.dispatchCancel(this);
}

bool DispatchSource::isCancelled() const {
    std::lock_guard lock(DispatchReactor::shared().m_mutex);
    return m_cancelled;
}

void DispatchSource::deliver() {
    auto& r = DispatchReactor::shared();
    Block handler;
    {
        DispatchReactor::Lock lock(r);
        if (m_cancelled) {
            m_inFlight = false;
            r.dispatchCancel(this);
            return;
        }
        switch (m_type) {
        case Type::Read: {
            int avail = 0;
            if (m_fd < 0 || ::ioctl(m_fd, FIONREAD, &avail) < 0)
                avail = 0;
            m_data = static_cast<unsigned long>(avail);
            break;
        }
        case Type::Accept:
            m_data = 16;
            break;
        case Type::Write:
            m_data = 1;
            break;
        case Type::Timer:
            m_data = m_pendingFires;
            m_pendingFires = 0;
            break;
        }
        // A timer cleared or set again since it fired has nothing to say.
        if (m_type != Type::Timer || m_data > 0)
            handler = m_eventHandler;
    }
    if (handler)
        handler();
    handler = nullptr;
    DispatchReactor::Lock lock(r);
    m_inFlight = false;
    if (m_cancelled) {
        r.dispatchCancel(this);
    } else if (m_suspendCount == 0) {
        if (m_type == Type::Timer) {
            if (m_pendingFires > 0)
                r.dispatchEvent(this);
        } else if (!m_armed) {
            r.epollArm(this);
        }
    }
}

void DispatchSource::setClock(Clock clock) {
    auto& r = DispatchReactor::shared();
    {
        std::lock_guard lock(r.m_mutex);
        // Timers keep their remaining time across the change of clock.
        auto oldNow = r.now();
        std::vector<std::pair<nanoseconds, DispatchSource*>> timers(r.m_timers.begin(), r.m_timers.end());
        r.m_clock = std::move(clock);
        auto newNow = r.now();
        r.m_timers.clear();
        for (auto [deadline, s] : timers) {
            s->m_deadline = deadline - oldNow + newNow;
            r.m_timers.insert({s->m_deadline, s});
        }
    }
    r.wake();
}

void DispatchSource::useClock(std::shared_ptr<core::Clock> clock) {
    if (!clock) {
        setClock(nullptr);
        return;
    }
    setClock([clock] { return duration_cast<nanoseconds>(duration<double>(clock->monotonic())); });
}

void DispatchSource::clockAdvanced() {
    DispatchReactor::shared().wake();
}

std::chrono::nanoseconds DispatchSource::now() {
    auto& r = DispatchReactor::shared();
    std::lock_guard lock(r.m_mutex);
    return r.now();
}

int DispatchSource::liveSourceCount() {
    auto& r = DispatchReactor::shared();
    std::lock_guard lock(r.m_mutex);
    return static_cast<int>(r.m_live.size());
}

} // namespace pw::core
