#pragma once
// Delegate callbacks arrive on other threads: a recorder notes them under one
// lock and a test waits, with a deadline, until what it expects is there.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace pw::test {

struct Notifier {
    std::mutex m;
    std::condition_variable cv;

    template <class F>
    void record(F f) {
        {
            std::lock_guard l(m);
            f();
        }
        cv.notify_all();
    }
    template <class P>
    bool waitFor(P p, std::chrono::milliseconds t = std::chrono::seconds(5)) {
        std::unique_lock l(m);
        return cv.wait_for(l, t, p);
    }
};

} // namespace pw::test
