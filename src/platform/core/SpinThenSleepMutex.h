#pragma once
// A lock for state that is held a few instructions at a time but taken very
// often from several threads (the reactor's sources, a serial queue's list of
// blocks): a thread that finds it taken spins a little before it sleeps,
// since going to sleep and being woken costs far more than the wait. A plain
// mutex goes to the kernel at once, twice per collision.
#include <atomic>

namespace pw::core {

class SpinThenSleepMutex {
public:
    void lock() {
        int expected = 0;
        if (m_state.compare_exchange_strong(expected, 1, std::memory_order_acquire))
            return;
        for (int i = 0; i < kSpinRounds; ++i) {
            if (m_state.load(std::memory_order_relaxed) == 0) {
                expected = 0;
                if (m_state.compare_exchange_weak(expected, 1, std::memory_order_acquire))
                    return;
            }
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        while (m_state.exchange(2, std::memory_order_acquire) != 0)
            m_state.wait(2, std::memory_order_relaxed);
    }
    void unlock() {
        if (m_state.exchange(0, std::memory_order_release) == 2)
            m_state.notify_one();
    }

private:
    static constexpr int kSpinRounds = 200;
    // 0: free, 1: taken, 2: taken and someone may sleep on it.
    std::atomic<int> m_state{0};
};

} // namespace pw::core
