#pragma once

#include "platform/core/Assert.h"
#include "platform/core/Cancelable.h"
#include "platform/core/FdWatch.h"
#include "platform/core/Timer.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pw::core {

class Clock;

// One event loop per thread: posted calls, timers and file-descriptor
// watches, each added in a mode. A turn of the loop in mode M only serves
// sources added in M (or in the common modes when M is one of them), so a
// private mode keeps a nested wait from running the default mode's work and
// the other way round.
//
// post(), postAfter(), stop(), wakeUp(), addTimer() are safe from any thread;
// everything else belongs to the loop's own thread.
class RunLoop : public std::enable_shared_from_this<RunLoop> {
public:
    static constexpr std::string_view kDefaultMode = "default";
    // Pseudo-mode: a source added here is served by every common mode
    // (the default mode plus those named with addCommonMode).
    static constexpr std::string_view kCommonModes = "common";
    static constexpr double kForever = std::numeric_limits<double>::infinity();

    enum class RunResult { Stopped, TimedOut, Finished };

    // The calling thread's loop, made on first use.
    static RunLoop& current();
    static std::shared_ptr<RunLoop> currentShared();
    // The main thread's loop: the loop of the first thread that claims it
    // (claimMain, or the first call of main()).
    static RunLoop& main();
    static std::shared_ptr<RunLoop> mainShared();
    static void claimMain();                            // the calling thread becomes the main thread if none is
    static void setMain(std::shared_ptr<RunLoop> loop); // tests; nullptr forgets
    static bool isMainThread();
    // True on the main thread, and on any thread while none has claimed the
    // main loop (a headless tool or a test that never runs it): what the
    // main-thread checks accept. Lock-free, for entry points called often.
    static bool mayActAsMainThread();
    // Runs fn on the main thread. When already there, inline. With wait, the
    // caller blocks until fn has run on the main loop (any mode in the common
    // set); without, it is queued.
    static void runOnMain(std::function<void()> fn, bool wait);
    // Wakes every loop (a manual clock moved).
    static void wakeAll();

    ~RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;

    // Queues fn to run at a later turn of this loop in mode.
    void post(std::function<void()> fn, std::string_view mode = kCommonModes);
    // Runs fn after delay seconds on this loop's clock unless cancelled first.
    Cancelable postAfter(double delaySeconds, std::function<void()> fn, std::string_view mode = kDefaultMode);

    // Schedules the timer to fire after its interval (from now) in mode; a
    // timer may be added to several modes of one loop.
    void addTimer(const std::shared_ptr<Timer>& timer, std::string_view mode = kDefaultMode);
    std::shared_ptr<Timer> scheduleTimer(double interval, bool repeats, Timer::Callback callback,
                                         std::string_view mode = kDefaultMode);

    // Calls callback(fd, events) on this loop whenever fd is ready for one
    // of the asked events (FdReadable | FdWritable); level-triggered.
    FdWatch watchFd(int fd, unsigned events, std::function<void(int fd, unsigned events)> callback,
                    std::string_view mode = kCommonModes);

    void addCommonMode(std::string_view mode);

    // Runs the default mode until stop().
    void run();
    // Runs mode until stop() or the given number of seconds has passed on
    // the loop's clock.
    RunResult runMode(std::string_view mode, double seconds = kForever);
    // Runs the default mode until pred() holds (checked before waiting and
    // after every served source) or the time is up; answers pred().
    bool runUntil(const std::function<bool()>& pred, double seconds = kForever);
    // Serves everything ready now in mode without waiting; answers the
    // number of sources served.
    int runPending(std::string_view mode = kDefaultMode);

    // Makes the innermost running run()/runMode() return. A stop while the
    // loop is not running makes the next run return at once.
    void stop();
    void wakeUp();
    bool isRunning() const;
    std::string currentMode() const; // empty when not running

    void setClock(std::shared_ptr<Clock> clock); // nullptr: the shared clock
    Clock& clock() const;

private:
    friend class Timer;
    friend class FdWatch;
    friend class MainPostBatch;
    struct Posted;
    struct TimerEntry;
    struct Watch;

    RunLoop();
    // Queues the calls on the main loop in order, with one wake-up (inline
    // where there is no main loop or on the main thread).
    static void postOnMain(std::vector<std::function<void()>> calls);
    bool inMode(const std::string& sourceMode, std::string_view mode) const;
    std::shared_ptr<Clock> clockPtr() const;
    int turn(std::string_view mode, double waitSeconds, const std::function<bool()>* pred);
    // The steps of a turn; each answers true when the turn must end early.
    bool shouldLeave(const std::function<bool()>* pred) const;
    bool servePosted(std::string_view mode, const std::function<bool()>* pred, int& served);
    bool serveTimers(std::string_view mode, Clock& clk, const std::function<bool()>* pred, int& served);
    double collectWait(std::string_view mode, double waitSeconds, Clock& clk, int served,
                       std::vector<std::shared_ptr<Watch>>& watches) const;
    void serveDescriptors(std::string_view mode, double waitSeconds, Clock& clk, const std::function<bool()>* pred,
                          int& served);
    // Stops the process (checked builds) when called off the loop's own thread.
    void assertOwner(const char* what) const;
    void removeTimer(Timer* timer);
    void removeWatch(std::uint64_t id);
    void setWatchEvents(std::uint64_t id, unsigned events);

    mutable std::mutex m_mutex{};
    int m_wakeFd{-1};
    // A wake-up is written and not yet read: the loop is woken already.
    std::atomic<bool> m_wakePending{false};
    std::deque<std::shared_ptr<Posted>> m_posted{};
    std::vector<std::shared_ptr<TimerEntry>> m_timers{};
    std::map<std::uint64_t, std::shared_ptr<Watch>> m_watches{};
    std::uint64_t m_nextWatchId{1};
    std::set<std::string, std::less<>> m_commonModes{std::string(kDefaultMode)};
    std::vector<std::string> m_modeStack{};
    bool m_stopRequested{false};
    std::shared_ptr<Clock> m_clock{};
    std::thread::id m_owner{};
};

} // namespace pw::core

// Stops the process (checked builds) when a main-thread-only entry point is
// called from another thread.
#define PW_ASSERT_MAIN_THREAD() PW_ASSERT_MSG(::pw::core::RunLoop::mayActAsMainThread(), "main thread only")
