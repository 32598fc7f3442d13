#include "net/MainThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace pw {
namespace {

struct State {
    std::mutex mutex;
    std::condition_variable cv;
    std::deque<MainThread::Task> tasks;
    std::thread::id mainId{};
    bool haveMain = false;
    MainThread::Poster externalPost;
    std::function<bool()> externalIsMain;
};

State& state()
{
    static State s;
    return s;
}

} // namespace

void MainThread::setExecutor(Poster post, std::function<bool()> isMainThread)
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.externalPost = std::move(post);
    s.externalIsMain = std::move(isMainThread);
}

void MainThread::adoptCurrentThread()
{
    auto& s = state();
    std::lock_guard lock(s.mutex);
    s.mainId = std::this_thread::get_id();
    s.haveMain = true;
}

bool MainThread::isMainThread()
{
    auto& s = state();
    std::function<bool()> ext;
    {
        std::lock_guard lock(s.mutex);
        if (!s.externalIsMain)
            return s.haveMain && s.mainId == std::this_thread::get_id();
        ext = s.externalIsMain;
    }
    return ext();
}

void MainThread::perform(Task fn)
{
    if (isMainThread()) {
        fn();
        return;
    }
    auto& s = state();
    Poster ext;
    {
        std::lock_guard lock(s.mutex);
        if (!s.externalPost) {
            s.tasks.push_back(std::move(fn));
            s.cv.notify_all();
            return;
        }
        ext = s.externalPost;
    }
    ext(std::move(fn));
}

bool MainThread::runUntil(const std::function<bool()>& pred, double timeoutSeconds)
{
    auto& s = state();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    for (;;) {
        if (pred && pred())
            return true;
        Task task;
        {
            std::unique_lock lock(s.mutex);
            if (!s.cv.wait_until(lock, deadline, [&] { return !s.tasks.empty(); }))
                return pred ? pred() : false;
            task = std::move(s.tasks.front());
            s.tasks.pop_front();
        }
        task();
    }
}

void MainThread::runFor(double seconds)
{
    runUntil(nullptr, seconds);
}

} // namespace pw
