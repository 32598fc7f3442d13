#include "network/MainThread.h"

#include "platform/core/RunLoop.h"

#include <mutex>

namespace pw {
namespace {

struct State {
    std::mutex mutex;
    MainThread::Poster externalPost;
    std::function<bool()> externalIsMain;
};

State& state() {
    static State s;
    return s;
}

} // namespace

void MainThread::setExecutor(Poster post, std::function<bool()> isMainThread) {
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.externalPost = std::move(post);
    s.externalIsMain = std::move(isMainThread);
}

void MainThread::adoptCurrentThread() {
    core::RunLoop::claimMain();
}

bool MainThread::isMainThread() {
    std::function<bool()> ext;
    {
        auto& s = state();
        std::lock_guard lock(s.mutex);
        ext = s.externalIsMain;
    }
    return ext ? ext() : core::RunLoop::isMainThread();
}

void MainThread::perform(Task fn) {
    if (isMainThread()) {
        fn();
        return;
    }
    Poster ext;
    {
        auto& s = state();
        std::lock_guard lock(s.mutex);
        ext = s.externalPost;
    }
    if (ext)
        ext(std::move(fn));
    else
        core::RunLoop::runOnMain(std::move(fn), false);
}

bool MainThread::runUntil(const std::function<bool()>& pred, double timeoutSeconds) {
    if (!pred) {
        core::RunLoop::current().runUntil([] { return false; }, timeoutSeconds);
        return false;
    }
    return core::RunLoop::current().runUntil(pred, timeoutSeconds);
}

void MainThread::runFor(double seconds) {
    runUntil(nullptr, seconds);
}

} // namespace pw
