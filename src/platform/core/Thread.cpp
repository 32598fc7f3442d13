#include "platform/core/Thread.h"

#include "platform/core/RunLoop.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace pw::core {

namespace {

void applyName(const std::string& name) {
    if (name.empty())
        return;
    // The kernel keeps 15 bytes of a thread name.
    std::string cut = name.substr(0, 15);
    pthread_setname_np(pthread_self(), cut.c_str());
}

} // namespace

void Thread::detach(std::function<void()> fn, std::string name) {
    std::thread([fn = std::move(fn), name = std::move(name)]() mutable {
        applyName(name);
        if (fn)
            fn();
    }).detach();
}

std::shared_ptr<RunLoop> Thread::spawnRunLoopThread(std::string name) {
    struct Handoff {
        std::mutex mutex;
        std::condition_variable cv;
        std::shared_ptr<RunLoop> loop;
    };
    auto handoff = std::make_shared<Handoff>();
    detach(
        [handoff] {
            {
                std::lock_guard lock(handoff->mutex);
                handoff->loop = RunLoop::currentShared();
            }
            handoff->cv.notify_all();
            // A stop only ends one run; this thread serves its loop for good.
            for (;;)
                RunLoop::current().run();
        },
        std::move(name));
    std::unique_lock lock(handoff->mutex);
    handoff->cv.wait(lock, [&] { return handoff->loop != nullptr; });
    return handoff->loop;
}

void Thread::setCurrentName(const std::string& name) {
    applyName(name);
}

std::string Thread::currentName() {
    char buffer[32] = {};
    if (pthread_getname_np(pthread_self(), buffer, sizeof buffer) != 0)
        return {};
    return buffer;
}

bool Thread::isMainThread() {
    return RunLoop::isMainThread();
}

void Thread::sleepFor(double seconds) {
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

} // namespace pw::core
