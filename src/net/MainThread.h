#pragma once
#include <functional>

namespace pw {

// Where the network subsystem hands its callbacks: every delegate, block and
// notification of the HTTP engine runs on the thread marked as main. The app
// installs its run loop's poster; until then a small queue of our own stands in,
// pumped by whoever adopted the main role (the tests do).
class MainThread {
public:
    using Task = std::function<void()>;
    using Poster = std::function<void(Task)>;

    // Route main-thread work through another loop (the app's run loop).
    static void setExecutor(Poster post, std::function<bool()> isMainThread);
    // Makes the calling thread the main thread of the built-in queue.
    static void adoptCurrentThread();
    static bool isMainThread();
    // Runs fn on the main thread; runs it at once when already there, else queues it.
    static void perform(Task fn);
    // Built-in queue only: runs queued work until pred() holds or the time is up.
    // Returns pred()'s last value.
    static bool runUntil(const std::function<bool()>& pred, double timeoutSeconds);
    // Built-in queue only: runs queued work for the given time.
    static void runFor(double seconds);
};

} // namespace pw
