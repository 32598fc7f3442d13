#pragma once
#include <functional>

namespace pw {

// Where the network subsystem hands its callbacks: every delegate, block and
// notification of the HTTP engine runs on the main thread (the main run loop's
// thread unless another poster is installed).
class MainThread {
public:
    using Task = std::function<void()>;
    using Poster = std::function<void(Task)>;

    // Route main-thread work through another poster; empty functions restore the run loop.
    static void setExecutor(Poster post, std::function<bool()> isMainThread);
    // Makes the calling thread the main thread when none is yet.
    static void adoptCurrentThread();
    static bool isMainThread();
    // Runs fn on the main thread; at once when already there, else queued.
    static void perform(Task fn);
    // Turns the calling thread's run loop until pred() holds or the time is up.
    static bool runUntil(const std::function<bool()>& pred, double timeoutSeconds);
    static void runFor(double seconds);
};

} // namespace pw
