#include "platform/net/NetworkLoop.h"

#include "platform/net/HttpStream.h"

#include "platform/core/Assert.h"
#include "platform/core/Clock.h"
#include "platform/core/MainPostBatch.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <future>
#include <mutex>

namespace pw::net {
namespace {

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

NetworkLoop* g_shared = nullptr;

} // namespace

NetworkLoop::NetworkLoop() {
    initialiseCurlOnce();
    m_multi.reset(curl_multi_init());
    // Pipelining and multiplexing off: one request per connection at a time,
    // reused one after another, as HTTP/1.1 keep-alive does.
    curl_multi_setopt(m_multi.get(), CURLMOPT_PIPELINING, CURLPIPE_NOTHING);
    curl_multi_setopt(m_multi.get(), CURLMOPT_MAXCONNECTS, 32L);
    m_thread = std::thread([this] { run(); });
}

NetworkLoop::~NetworkLoop() {
    m_stop = true;
    curl_multi_wakeup(m_multi.get());
    if (m_thread.joinable())
        m_thread.join();
    for (auto& [easy, stream] : m_streams)
        curl_multi_remove_handle(m_multi.get(), easy);
    m_streams.clear();
}

void NetworkLoop::MultiCleanup::operator()(CURLM* multi) const {
    curl_multi_cleanup(multi);
}

NetworkLoop& NetworkLoop::shared() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The loop's thread reads the clock until it is stopped at exit: made
        // first, the clock is destroyed only after that stop.
        core::Clock::shared();
        // Lives to the end of the process; its thread is stopped at exit so it
        // is not inside libcurl while the libraries tear down.
        g_shared = new NetworkLoop();
        std::atexit([] {
            g_shared->m_stop = true;
            curl_multi_wakeup(g_shared->m_multi.get());
            if (g_shared->m_thread.joinable())
                g_shared->m_thread.join();
        });
    });
    return *g_shared;
}

bool NetworkLoop::isCurrent() const {
    return std::this_thread::get_id() == m_thread.get_id();
}

void NetworkLoop::post(Task task) {
    bool first;
    {
        std::lock_guard lock(m_mutex);
        first = m_tasks.empty();
        m_tasks.push_back(std::move(task));
    }
    // Tasks posted behind one the loop has not taken yet ride on its wake-up,
    // and the loop's own thread looks at its tasks before it waits again.
    if (first && !isCurrent())
        wakeUp();
}

void NetworkLoop::wakeUp() {
    m_wakeUps.fetch_add(1, std::memory_order_relaxed);
    curl_multi_wakeup(m_multi.get());
}

NetworkLoop::TimerId NetworkLoop::postAfter(double seconds, Task task) {
    TimerId id;
    {
        std::lock_guard lock(m_mutex);
        id = m_nextTimer++;
        m_timers.emplace(id, TimerEntry{core::Clock::shared().monotonic() + seconds, std::move(task)});
    }
    // The loop's own thread reckons its next wait after its tasks and timers.
    if (!isCurrent())
        wakeUp();
    return id;
}

void NetworkLoop::cancelTimer(TimerId id) {
    std::lock_guard lock(m_mutex);
    m_timers.erase(id);
}

void NetworkLoop::runAndWait(Task task) {
    if (isCurrent()) {
        task();
        return;
    }
    std::promise<void> done;
    auto future = done.get_future();
    post([&] {
        task();
        done.set_value();
    });
    future.wait();
}

void NetworkLoop::setMaxConnects(long total) {
    curl_multi_setopt(m_multi.get(), CURLMOPT_MAXCONNECTS, total);
}

void NetworkLoop::addStream(HttpStream* stream) {
    PW_ASSERT_MSG(isCurrent(), "a stream joins its loop on the loop's thread");
    m_streams[stream->handle()] = stream;
    curl_multi_add_handle(m_multi.get(), stream->handle());
}

void NetworkLoop::removeStream(HttpStream* stream) {
    PW_ASSERT_MSG(isCurrent(), "a stream leaves its loop on the loop's thread");
    auto it = m_streams.find(stream->handle());
    if (it == m_streams.end())
        return;
    m_streams.erase(it);
    curl_multi_remove_handle(m_multi.get(), stream->handle());
}

void NetworkLoop::serveTimers() {
    for (;;) {
        Task task;
        {
            std::lock_guard lock(m_mutex);
            double now = core::Clock::shared().monotonic();
            auto next = m_timers.end();
            for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
                if (it->second.due <= now && (next == m_timers.end() || it->second.due < next->second.due))
                    next = it;
            if (next == m_timers.end())
                return;
            task = std::move(next->second.task);
            m_timers.erase(next);
        }
        task();
    }
}

void NetworkLoop::serveCompletions() {
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(m_multi.get(), &left)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        CURL* easy = msg->easy_handle;
        int code = msg->data.result;
        auto it = m_streams.find(easy);
        if (it == m_streams.end())
            continue;
        HttpStream* stream = it->second;
        m_streams.erase(it);
        curl_multi_remove_handle(m_multi.get(), easy);
        stream->finished(code); // may destroy the stream
    }
}

long NetworkLoop::millisecondsToWait() {
    long waitMs = 1000;
    long curlTimeout = -1;
    curl_multi_timeout(m_multi.get(), &curlTimeout);
    if (curlTimeout >= 0 && curlTimeout < waitMs)
        waitMs = curlTimeout;
    const auto& clock = core::Clock::shared();
    std::lock_guard lock(m_mutex);
    if (!m_tasks.empty())
        return 0;
    if (clock.isManual() && !m_timers.empty()) {
        // A manual clock moves without telling this loop: look again soon.
        return std::min(waitMs, 5L);
    }
    double now = clock.monotonic();
    for (auto& [id, t] : m_timers) {
        double ms = (t.due - now) * 1000.0 + 1;
        if (ms < 0)
            ms = 0;
        if (ms < static_cast<double>(waitMs))
            waitMs = static_cast<long>(ms);
    }
    return waitMs;
}

void NetworkLoop::run() {
    // What a turn hands on to the main thread (reports, the indicator) goes
    // in one wake-up when the loop is about to wait, so the main thread does
    // not contend with the steps that end one request and start the next.
    // What is held waits one further turn at most.
    core::MainPostBatch toMain;
    bool carried = false;
    while (!m_stop) {
        std::vector<Task> tasks;
        {
            std::lock_guard lock(m_mutex);
            tasks.swap(m_tasks);
        }
        for (auto& t : tasks)
            t();
        serveTimers();
        int running = 0;
        curl_multi_perform(m_multi.get(), &running);
        serveCompletions();

        long waitMs = millisecondsToWait();
        if (waitMs > 0 || carried) {
            toMain.flush();
            carried = false;
        } else {
            carried = toMain.holding();
        }
        if (waitMs > 0)
            curl_multi_poll(m_multi.get(), nullptr, 0, static_cast<int>(waitMs), nullptr);
    }
}

} // namespace pw::net
