#include "platform/core/Clock.h"

#include <chrono>
#include <mutex>
#include <vector>

namespace pw::core {

namespace {

std::mutex g_clockMutex;

std::shared_ptr<Clock>& sharedSlot() {
    static std::shared_ptr<Clock> slot = std::make_shared<SystemClock>();
    return slot;
}

} // namespace

double SystemClock::now() const {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

double SystemClock::monotonic() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

Clock& Clock::system() {
    // Never destroyed: threads that outlive main (the dispatch reactor) still
    // read it while the process exits.
    static SystemClock* clock = new SystemClock;
    return *clock;
}

std::shared_ptr<Clock> Clock::sharedPtr() {
    std::lock_guard lock(g_clockMutex);
    return sharedSlot();
}

Clock& Clock::shared() {
    std::lock_guard lock(g_clockMutex);
    return *sharedSlot();
}

void Clock::setShared(std::shared_ptr<Clock> clock) {
    std::lock_guard lock(g_clockMutex);
    // A caller may still be reading the old clock through the reference
    // shared() gave out; keep every replaced clock alive.
    static std::vector<std::shared_ptr<Clock>> retired;
    retired.push_back(sharedSlot());
    sharedSlot() = clock ? std::move(clock) : std::make_shared<SystemClock>();
}

} // namespace pw::core
