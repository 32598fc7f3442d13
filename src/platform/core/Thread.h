#pragma once

#include <functional>
#include <memory>
#include <string>

namespace pw::core {

class RunLoop;

class Thread {
public:
    // Starts fn on a new detached thread; RunLoop::current() is available
    // inside. The name (at most 15 bytes are kept) shows in debuggers.
    static void detach(std::function<void()> fn, std::string name = {});
    // Starts a detached thread that runs its run loop for the rest of the
    // process, and answers that loop once it exists (for a network thread).
    static std::shared_ptr<RunLoop> spawnRunLoopThread(std::string name = {});
    static void setCurrentName(const std::string& name);
    static std::string currentName();
    static bool isMainThread();
    static void sleepFor(double seconds);
};

} // namespace pw::core
