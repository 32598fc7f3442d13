#pragma once
// A countdown that ticks once a second on the run loop that started it and
// hands the seconds left to a block.
#include <functional>
#include <memory>

namespace pw {
namespace core {
class Timer;
}

class IntervalProcess {
public:
    using Block = std::function<void(int secondsLeft)>;
    ~IntervalProcess();

    // false, changing nothing, while a countdown runs. A count of n makes
    // n - 1 calls (n - 2 ... 0), the first one second after the start; a count
    // below 2 ends at its first tick.
    bool startIntervalWith(int count, Block block);
    void interval();
    // Stops a running countdown; answers whether one was running.
    bool stopProcess();
    bool isRunning() const { return m_timer != nullptr; }

private:
    int m_counter = 0;
    std::shared_ptr<core::Timer> m_timer;
    Block m_block;
};

} // namespace pw
