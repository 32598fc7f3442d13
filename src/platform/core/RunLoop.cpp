#include "platform/core/RunLoop.h"

#include "platform/core/Assert.h"
#include "platform/core/Clock.h"
#include "platform/core/Log.h"
#include "platform/core/MainPostBatch.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace pw::core {

struct RunLoop::Posted {
    std::function<void()> fn;
    std::string mode;
};

struct RunLoop::TimerEntry {
    std::shared_ptr<Timer> timer;
    std::string mode;
};

struct RunLoop::Watch {
    std::uint64_t id{0};
    int fd{-1};
    unsigned events{0};
    std::function<void(int, unsigned)> callback;
    std::string mode;
    bool removed{false};
};

namespace {

thread_local std::shared_ptr<RunLoop> t_loop;

std::mutex g_registryMutex;
std::shared_ptr<RunLoop> g_main;
// The main loop's thread, readable without the registry lock.
std::atomic<std::thread::id> g_mainOwner{};
std::vector<std::weak_ptr<RunLoop>>& registry() {
    static std::vector<std::weak_ptr<RunLoop>> loops;
    return loops;
}

// With a manual clock, time only moves when a test advances it, and that
// wakes every loop; the slice only bounds how long a missed wake-up costs.
constexpr double kManualClockSlice = 0.01;
constexpr double kPredicateSlice = 0.01;

int toPollTimeout(double seconds) {
    if (!std::isfinite(seconds))
        return -1;
    if (seconds <= 0)
        return 0;
    double ms = std::ceil(seconds * 1000.0);
    return ms > 1e9 ? 1'000'000'000 : static_cast<int>(ms);
}

} // namespace

RunLoop::RunLoop() : m_wakeFd(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), m_owner(std::this_thread::get_id()) {
    if (m_wakeFd < 0)
        Log::error("run loop: cannot make its wake-up descriptor (errno %d)", errno);
}

RunLoop::~RunLoop() {
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

RunLoop& RunLoop::current() {
    return *currentShared();
}

std::shared_ptr<RunLoop> RunLoop::currentShared() {
    if (!t_loop) {
        t_loop = std::shared_ptr<RunLoop>(new RunLoop());
        std::lock_guard lock(g_registryMutex);
        auto& loops = registry();
        loops.erase(std::remove_if(loops.begin(), loops.end(), [](const auto& w) { return w.expired(); }), loops.end());
        loops.push_back(t_loop);
    }
    return t_loop;
}

RunLoop& RunLoop::main() {
    return *mainShared();
}

std::shared_ptr<RunLoop> RunLoop::mainShared() {
    claimMain();
    std::lock_guard lock(g_registryMutex);
    return g_main;
}

void RunLoop::claimMain() {
    {
        std::lock_guard lock(g_registryMutex);
        if (g_main)
            return;
    }
    auto mine = currentShared();
    std::lock_guard lock(g_registryMutex);
    if (!g_main) {
        g_main = std::move(mine);
        g_mainOwner.store(g_main->m_owner);
    }
}

void RunLoop::setMain(std::shared_ptr<RunLoop> loop) {
    std::lock_guard lock(g_registryMutex);
    g_main = std::move(loop);
    g_mainOwner.store(g_main ? g_main->m_owner : std::thread::id());
}

bool RunLoop::isMainThread() {
    std::lock_guard lock(g_registryMutex);
    return g_main && g_main->m_owner == std::this_thread::get_id();
}

bool RunLoop::mayActAsMainThread() {
    const std::thread::id owner = g_mainOwner.load(std::memory_order_relaxed);
    return owner == std::thread::id() || owner == std::this_thread::get_id();
}

void RunLoop::runOnMain(std::function<void()> fn, bool wait) {
    std::shared_ptr<RunLoop> mainLoop;
    {
        std::lock_guard lock(g_registryMutex);
        mainLoop = g_main;
    }
    if (!mainLoop) {
        // No thread has become the main thread (a headless tool): the caller
        // is as good as any.
        fn();
        return;
    }
    if (mainLoop->m_owner == std::this_thread::get_id()) {
        fn();
        return;
    }
    if (!wait) {
        if (MainPostBatch::hold(fn))
            return;
        mainLoop->post(std::move(fn), kCommonModes);
        return;
    }
    // What this thread holds for the main thread goes before the call waited for.
    MainPostBatch::flushCurrent();

    struct Waiter {
        std::mutex mutex;
        std::condition_variable cv;
        bool done{false};
        void signal() {
            std::lock_guard lock(mutex);
            done = true;
            cv.notify_all();
        }
    };
    // Signals when the call has run or when the call is dropped unrun (the
    // main loop went away), so the caller never waits forever on a dead loop.
    struct Signaller {
        std::shared_ptr<Waiter> waiter;
        std::function<void()> fn;
        Signaller(std::shared_ptr<Waiter> w, std::function<void()> f) : waiter(std::move(w)), fn(std::move(f)) {}
        Signaller(const Signaller&) = delete;
        ~Signaller() {
            if (waiter)
                waiter->signal();
        }
    };
    auto waiter = std::make_shared<Waiter>();
    auto call = std::make_shared<Signaller>(waiter, std::move(fn));
    mainLoop->post(
        [call]() mutable {
            auto fn = std::move(call->fn);
            if (fn)
                fn();
            call->waiter->signal();
        },
        kCommonModes);
    call.reset();
    mainLoop.reset();
    std::unique_lock lock(waiter->mutex);
    waiter->cv.wait(lock, [&] { return waiter->done; });
}

void RunLoop::postOnMain(std::vector<std::function<void()>> calls) {
    std::shared_ptr<RunLoop> mainLoop;
    {
        std::lock_guard lock(g_registryMutex);
        mainLoop = g_main;
    }
    if (!mainLoop || mainLoop->m_owner == std::this_thread::get_id()) {
        for (auto& fn : calls)
            if (fn)
                fn();
        return;
    }
    {
        std::lock_guard lock(mainLoop->m_mutex);
        for (auto& fn : calls)
            mainLoop->m_posted.push_back(std::make_shared<Posted>(Posted{std::move(fn), std::string(kCommonModes)}));
    }
    mainLoop->wakeUp();
}

void RunLoop::wakeAll() {
    std::vector<std::shared_ptr<RunLoop>> loops;
    {
        std::lock_guard lock(g_registryMutex);
        for (auto& w : registry())
            if (auto l = w.lock())
                loops.push_back(std::move(l));
    }
    for (auto& l : loops)
        l->wakeUp();
}

void RunLoop::post(std::function<void()> fn, std::string_view mode) {
    {
        std::lock_guard lock(m_mutex);
        m_posted.push_back(std::make_shared<Posted>(Posted{std::move(fn), std::string(mode)}));
    }
    wakeUp();
}

Cancelable RunLoop::postAfter(double delaySeconds, std::function<void()> fn, std::string_view mode) {
    auto state = std::make_shared<std::atomic<int>>(Cancelable::Pending);
    auto timer = Timer::create(delaySeconds, false, [state, fn = std::move(fn)](Timer&) {
        if (Cancelable::claimToRun(*state) && fn)
            fn();
    });
    addTimer(timer, mode);
    return Cancelable(state);
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer, std::string_view mode) {
    if (!timer)
        return;
    // Read the time before taking the timer's lock: the loop's lock is
    // always taken before a timer's, never inside it.
    const double now = clock().monotonic();
    {
        std::lock_guard timerLock(timer->m_mutex);
        if (!timer->m_valid)
            return;
        if (!timer->m_scheduled) {
            timer->m_scheduled = true;
            timer->m_fireDate = now + timer->m_interval;
            timer->m_loop = weak_from_this();
        }
    }
    {
        std::lock_guard lock(m_mutex);
        for (const auto& e : m_timers)
            if (e->timer == timer && e->mode == mode)
                return;
        m_timers.push_back(std::make_shared<TimerEntry>(TimerEntry{timer, std::string(mode)}));
    }
    wakeUp();
}

std::shared_ptr<Timer> RunLoop::scheduleTimer(double interval, bool repeats, Timer::Callback callback,
                                              std::string_view mode) {
    auto timer = Timer::create(interval, repeats, std::move(callback));
    addTimer(timer, mode);
    return timer;
}

FdWatch RunLoop::watchFd(int fd, unsigned events, std::function<void(int, unsigned)> callback, std::string_view mode) {
    assertOwner("descriptors are watched from the loop's own thread");
    std::uint64_t id = 0;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextWatchId++;
        auto w = std::make_shared<Watch>();
        w->id = id;
        w->fd = fd;
        w->events = events & (FdReadable | FdWritable);
        w->callback = std::move(callback);
        w->mode = std::string(mode);
        m_watches.emplace(id, std::move(w));
    }
    wakeUp();
    return FdWatch(weak_from_this(), id);
}

void RunLoop::addCommonMode(std::string_view mode) {
    assertOwner("common modes are set on the loop's own thread");
    std::lock_guard lock(m_mutex);
    m_commonModes.insert(std::string(mode));
}

void RunLoop::removeTimer(Timer* timer) {
    std::lock_guard lock(m_mutex);
    m_timers.erase(
        std::remove_if(m_timers.begin(), m_timers.end(), [timer](const auto& e) { return e->timer.get() == timer; }),
        m_timers.end());
}

void RunLoop::removeWatch(std::uint64_t id) {
    std::lock_guard lock(m_mutex);
    auto it = m_watches.find(id);
    if (it == m_watches.end())
        return;
    it->second->removed = true;
    m_watches.erase(it);
}

void RunLoop::setWatchEvents(std::uint64_t id, unsigned events) {
    {
        std::lock_guard lock(m_mutex);
        auto it = m_watches.find(id);
        if (it == m_watches.end())
            return;
        it->second->events = events & (FdReadable | FdWritable);
    }
    wakeUp();
}

void RunLoop::wakeUp() {
    // One write until the loop reads it: many calls posted while the loop is
    // busy cost one wake-up, not one system call each.
    if (m_wakeFd >= 0 && !m_wakePending.exchange(true, std::memory_order_acq_rel)) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
}

bool RunLoop::isRunning() const {
    std::lock_guard lock(m_mutex);
    return !m_modeStack.empty();
}

std::string RunLoop::currentMode() const {
    std::lock_guard lock(m_mutex);
    return m_modeStack.empty() ? std::string() : m_modeStack.back();
}

void RunLoop::setClock(std::shared_ptr<Clock> clock) {
    {
        std::lock_guard lock(m_mutex);
        m_clock = std::move(clock);
    }
    wakeUp();
}

std::shared_ptr<Clock> RunLoop::clockPtr() const {
    std::lock_guard lock(m_mutex);
    return m_clock ? m_clock : Clock::sharedPtr();
}

Clock& RunLoop::clock() const {
    std::lock_guard lock(m_mutex);
    return m_clock ? *m_clock : Clock::shared();
}

void RunLoop::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopRequested = true;
    }
    wakeUp();
}

bool RunLoop::inMode(const std::string& sourceMode, std::string_view mode) const {
    if (sourceMode == mode)
        return true;
    return sourceMode == kCommonModes && m_commonModes.count(mode) > 0;
}

// One turn: posted calls, then due timers, then ready descriptors. Waits up
// to waitSeconds (clock time) only when none of those had anything to do.
// Answers the number of sources served; stops early once stop() was called
// or pred holds.
int RunLoop::turn(std::string_view mode, double waitSeconds, const std::function<bool()>* pred) {
    int served = 0;
    if (servePosted(mode, pred, served))
        return served;
    // Held for the whole turn: a test may swap the shared clock meanwhile.
    auto clockHold = clockPtr();
    Clock& clk = *clockHold;
    if (serveTimers(mode, clk, pred, served))
        return served;
    serveDescriptors(mode, waitSeconds, clk, pred, served);
    return served;
}

bool RunLoop::shouldLeave(const std::function<bool()>* pred) const {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopRequested)
            return true;
    }
    return pred && *pred && (*pred)();
}

bool RunLoop::servePosted(std::string_view mode, const std::function<bool()>* pred, int& served) {
    // Posted calls queued before this turn began; later ones wait for the
    // next turn so a call that re-posts itself cannot starve the loop.
    std::vector<std::shared_ptr<Posted>> calls;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_posted.begin(); it != m_posted.end();) {
            if (inMode((*it)->mode, mode)) {
                calls.push_back(std::move(*it));
                it = m_posted.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (std::size_t i = 0; i < calls.size(); ++i) {
        auto fn = std::move(calls[i]->fn);
        if (fn)
            fn();
        ++served;
        if (shouldLeave(pred)) {
            // Keep the unserved calls, in order, at the front of the queue.
            std::lock_guard lock(m_mutex);
            for (std::size_t j = calls.size(); j > i + 1; --j)
                m_posted.push_front(std::move(calls[j - 1]));
            return true;
        }
    }
    return false;
}

bool RunLoop::serveTimers(std::string_view mode, Clock& clk, const std::function<bool()>* pred, int& served) {
    // Timers due now, earliest first.
    double now = clk.monotonic();
    std::vector<std::shared_ptr<Timer>> due;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& e : m_timers) {
            if (!inMode(e->mode, mode))
                continue;
            if (std::find(due.begin(), due.end(), e->timer) != due.end())
                continue;
            if (e->timer->fireDate() <= now)
                due.push_back(e->timer);
        }
    }
    std::sort(due.begin(), due.end(), [](const auto& a, const auto& b) { return a->fireDate() < b->fireDate(); });
    for (auto& timer : due) {
        {
            std::lock_guard timerLock(timer->m_mutex);
            if (!timer->m_valid || timer->m_fireDate > now)
                continue;
            if (timer->m_repeats) {
                // Fire once for however many ticks were missed, then keep phase.
                double behind = now - timer->m_fireDate;
                double ticks = std::floor(behind / timer->m_interval) + 1;
                timer->m_fireDate += ticks * timer->m_interval;
            }
        }
        timer->fire();
        ++served;
        if (shouldLeave(pred))
            return true;
    }
    return false;
}

double RunLoop::collectWait(std::string_view mode, double waitSeconds, Clock& clk, int served,
                            std::vector<std::shared_ptr<Watch>>& watches) const {
    double nextTimer = std::numeric_limits<double>::infinity();
    bool morePosted = false;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& [id, w] : m_watches)
            if (w->events != 0 && inMode(w->mode, mode))
                watches.push_back(w);
        for (const auto& e : m_timers)
            if (inMode(e->mode, mode))
                nextTimer = std::min(nextTimer, e->timer->fireDate());
        for (const auto& p : m_posted)
            if (inMode(p->mode, mode)) {
                morePosted = true;
                break;
            }
    }
    double wait = waitSeconds;
    if (served > 0 || morePosted)
        wait = 0;
    if (std::isfinite(nextTimer))
        wait = std::min(wait, std::max(0.0, nextTimer - clk.monotonic()));
    if (clk.isManual() && wait > 0)
        wait = std::min(wait, kManualClockSlice);
    return wait;
}

void RunLoop::serveDescriptors(std::string_view mode, double waitSeconds, Clock& clk, const std::function<bool()>* pred,
                               int& served) {
    std::vector<std::shared_ptr<Watch>> watches;
    const double wait = collectWait(mode, waitSeconds, clk, served, watches);

    std::vector<pollfd> fds;
    fds.reserve(watches.size() + 1);
    fds.push_back(pollfd{m_wakeFd, POLLIN, 0});
    for (const auto& w : watches) {
        short ev = 0;
        if (w->events & FdReadable)
            ev |= POLLIN;
        if (w->events & FdWritable)
            ev |= POLLOUT;
        fds.push_back(pollfd{w->fd, ev, 0});
    }
    int ready = ::poll(fds.data(), fds.size(), toPollTimeout(wait));
    if (ready <= 0)
        return;
    if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &count, sizeof count);
        // Cleared after the read: a wake-up asked for from here on writes
        // again, and what was asked for before is looked at in the next turn.
        m_wakePending.store(false, std::memory_order_release);
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
        short re = fds[i].revents;
        if (!re)
            continue;
        const auto& w = watches[i - 1];
        unsigned events = 0;
        if (re & POLLIN)
            events |= FdReadable;
        if (re & POLLOUT)
            events |= FdWritable;
        if (re & (POLLERR | POLLHUP | POLLNVAL))
            events |= FdError;
        std::function<void(int, unsigned)> callback;
        {
            std::lock_guard lock(m_mutex);
            if (w->removed)
                continue;
            callback = w->callback;
        }
        if (callback)
            callback(w->fd, events);
        ++served;
        if (shouldLeave(pred))
            return;
    }
}

void RunLoop::assertOwner([[maybe_unused]] const char* what) const {
    PW_ASSERT_MSG(std::this_thread::get_id() == m_owner, what);
}

void RunLoop::run() {
    while (runMode(kDefaultMode, kForever) != RunResult::Stopped) {}
}

RunLoop::RunResult RunLoop::runMode(std::string_view mode, double seconds) {
    assertOwner("a run loop runs on its own thread only");
    if (mode == kCommonModes)
        mode = kDefaultMode;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopRequested) {
            m_stopRequested = false;
            return RunResult::Stopped;
        }
        m_modeStack.emplace_back(mode);
    }
    auto clockHold = clockPtr();
    Clock& clk = *clockHold;
    double deadline = clk.monotonic() + seconds;
    RunResult result = RunResult::TimedOut;
    for (;;) {
        double left = deadline - clk.monotonic();
        turn(mode, std::max(0.0, left), nullptr);
        std::lock_guard lock(m_mutex);
        if (m_stopRequested) {
            m_stopRequested = false;
            result = RunResult::Stopped;
            break;
        }
        if (clk.monotonic() >= deadline) {
            result = RunResult::TimedOut;
            break;
        }
    }
    std::lock_guard lock(m_mutex);
    m_modeStack.pop_back();
    return result;
}

bool RunLoop::runUntil(const std::function<bool()>& pred, double seconds) {
    assertOwner("a run loop runs on its own thread only");
    if (pred && pred())
        return true;
    {
        std::lock_guard lock(m_mutex);
        m_modeStack.emplace_back(kDefaultMode);
    }
    auto clockHold = clockPtr();
    Clock& clk = *clockHold;
    double deadline = clk.monotonic() + seconds;
    bool met = false;
    for (;;) {
        // The condition may be made true by another thread without a word to
        // this loop, so look at it again at least every slice.
        double left = std::min(deadline - clk.monotonic(), kPredicateSlice);
        turn(kDefaultMode, std::max(0.0, left), &pred);
        if (pred && pred()) {
            met = true;
            break;
        }
        {
            std::lock_guard lock(m_mutex);
            if (m_stopRequested) {
                m_stopRequested = false;
                break;
            }
        }
        if (clk.monotonic() >= deadline)
            break;
    }
    std::lock_guard lock(m_mutex);
    m_modeStack.pop_back();
    return met;
}

int RunLoop::runPending(std::string_view mode) {
    assertOwner("a run loop runs on its own thread only");
    if (mode == kCommonModes)
        mode = kDefaultMode;
    {
        std::lock_guard lock(m_mutex);
        m_modeStack.emplace_back(mode);
    }
    int served = turn(mode, 0, nullptr);
    std::lock_guard lock(m_mutex);
    m_modeStack.pop_back();
    return served;
}

} // namespace pw::core
