#include "platform/core/DispatchQueue.h"

#include "platform/core/DispatchSource.h"

#include <algorithm>
#include <atomic>
#include <vector>
#include <thread>

namespace pw::core {

namespace {
thread_local DispatchQueue* t_currentQueue = nullptr;

struct CurrentQueueScope {
    explicit CurrentQueueScope(DispatchQueue* q) : m_saved(t_currentQueue) { t_currentQueue = q; }
    ~CurrentQueueScope() { t_currentQueue = m_saved; }
    DispatchQueue* m_saved;
};
} // namespace

// The shared pool. Work goes straight to an idle thread when there is one,
// else to a new thread, so work never waits behind threads that are blocked;
// idle threads beyond a small core leave after a while.
class DispatchPool {
public:
    static DispatchPool& shared() {
        // Never destroyed: worker threads may still be parked in it at exit.
        static DispatchPool* pool = new DispatchPool;
        return *pool;
    }

    // Work is never kept back for the submitting thread to run later: a block
    // that queues work and then waits for it, by any means, must not stall.
    void submit(std::function<void()> work) { submitToThread(std::move(work)); }

    void submitToThread(std::function<void()> work) {
        std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            Worker* w = m_idle.back();
            m_idle.pop_back();
            w->task = std::move(work);
            w->hasTask.store(true, std::memory_order_release);
            w->cv.notify_one();
        } else if (m_threads < kMaxThreads) {
            ++m_threads;
            std::thread([this, work = std::move(work)]() mutable { run(std::move(work)); }).detach();
        } else {
            m_work.push_back(std::move(work));
        }
    }

    int threadCount() {
        std::lock_guard lock(m_mutex);
        return m_threads;
    }

private:
    static constexpr int kMaxThreads = 512;
    static constexpr int kCoreThreads = 2;
    static constexpr int kSpinRounds = 256;

    struct Worker {
        std::condition_variable cv;
        std::function<void()> task;
        std::atomic<bool> hasTask{false};
    };

    void run(std::function<void()> first) {
        Worker self;
        self.task = std::move(first);
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (!self.task && !m_work.empty()) {
                self.task = std::move(m_work.front());
                m_work.pop_front();
            }
            if (self.task) {
                auto task = std::move(self.task);
                self.task = nullptr;
                lock.unlock();
                task();
                task = nullptr;
                lock.lock();
                continue;
            }
            m_idle.push_back(&self);
            // Work often follows within microseconds (a reply to the block
            // just run); a short spin saves going to sleep and being woken.
            lock.unlock();
            for (int i = 0; i < kSpinRounds && !self.hasTask.load(std::memory_order_acquire); ++i) {
#if defined(__x86_64__) || defined(__i386__)
                __builtin_ia32_pause();
#endif
            }
            lock.lock();
            bool got = self.cv.wait_for(lock, std::chrono::seconds(5), [&] { return self.task != nullptr; });
            self.hasTask.store(false, std::memory_order_relaxed);
            if (!got) {
                m_idle.erase(std::find(m_idle.begin(), m_idle.end(), &self));
                if (m_threads > kCoreThreads) {
                    --m_threads;
                    return;
                }
            }
        }
    }

    std::mutex m_mutex;
    std::deque<std::function<void()>> m_work; // only when every thread is busy at the limit
    std::vector<Worker*> m_idle;
    int m_threads = 0;
};

struct DispatchQueue::SyncWaiter {
    std::mutex mutex;
    std::condition_variable cv;
    bool go = false;
};

DispatchQueue::DispatchQueue(std::string label) : m_label(std::move(label)) {}

DispatchQueue::~DispatchQueue() = default;

std::shared_ptr<DispatchQueue> DispatchQueue::create(std::string label) {
    return std::shared_ptr<DispatchQueue>(new DispatchQueue(std::move(label)));
}

void DispatchQueue::async(Block block) {
    if (!block)
        return;
    std::unique_lock lock(m_mutex);
    m_items.push_back(Item{std::move(block), nullptr});
    if (m_running)
        return;
    m_running = true;
    lock.unlock();
    DispatchPool::shared().submit([self = shared_from_this()] { self->drain(); });
}

void DispatchQueue::runOrAsync(Block block) {
    if (!block)
        return;
    {
        std::unique_lock lock(m_mutex);
        if (m_running || !m_items.empty()) {
            lock.unlock();
            async(std::move(block));
            return;
        }
        m_running = true; // this thread is the queue's runner now
    }
    {
        CurrentQueueScope scope(this);
        block();
        block = nullptr;
    }
    releaseAfterSync();
}

void DispatchQueue::drain() {
    for (int n = 0;; ++n) {
        Item item;
        {
            std::lock_guard lock(m_mutex);
            if (m_items.empty()) {
                m_running = false;
                return;
            }
            if (n >= 64) {
                // Give other queues a turn; the queue stays owned by the pool.
                DispatchPool::shared().submit([self = shared_from_this()] { self->drain(); });
                return;
            }
            item = std::move(m_items.front());
            m_items.pop_front();
        }
        if (item.waiter) {
            // Hand the queue over to the thread waiting in sync().
            std::lock_guard wl(item.waiter->mutex);
            item.waiter->go = true;
            item.waiter->cv.notify_one();
            return;
        }
        CurrentQueueScope scope(this);
        item.block();
        // Whatever the block captured is released while the queue is still
        // current: a destructor it triggers may rely on being on this queue.
        item.block = nullptr;
    }
}

void DispatchQueue::sync(const Block& block) {
    if (isCurrent()) {
        block();
        return;
    }
    SyncWaiter waiter;
    bool mustWait = false;
    bool mustSubmit = false;
    {
        std::lock_guard lock(m_mutex);
        if (!m_running && m_items.empty()) {
            m_running = true;
        } else {
            m_items.push_back(Item{{}, &waiter});
            mustWait = true;
            if (!m_running) {
                m_running = true;
                mustSubmit = true;
            }
        }
    }
    if (mustSubmit)
        DispatchPool::shared().submit([self = shared_from_this()] { self->drain(); });
    if (mustWait) {
        std::unique_lock wl(waiter.mutex);
        waiter.cv.wait(wl, [&] { return waiter.go; });
    }
    {
        CurrentQueueScope scope(this);
        if (block)
            block();
    }
    releaseAfterSync();
}

void DispatchQueue::releaseAfterSync() {
    std::unique_lock lock(m_mutex);
    if (m_items.empty()) {
        m_running = false;
        return;
    }
    lock.unlock();
    DispatchPool::shared().submit([self = shared_from_this()] { self->drain(); });
}

void DispatchQueue::after(std::chrono::nanoseconds delay, Block block) {
    if (!block)
        return;
    if (delay.count() <= 0) {
        async(std::move(block));
        return;
    }
    auto timer = DispatchSource::makeTimer(shared_from_this());
    std::weak_ptr<DispatchSource> weak = timer;
    timer->setEventHandler([weak, block = std::move(block)] {
        block();
        // The timer keeps itself alive through its own handler until here;
        // cancelling drops the handler and with it that reference.
        if (auto t = weak.lock())
            t->cancel();
    });
    timer->setTimer(delay, std::chrono::nanoseconds(0));
    timer->resume();
}

bool DispatchQueue::isCurrent() const {
    return t_currentQueue == this;
}

DispatchQueue* DispatchQueue::current() {
    return t_currentQueue;
}

void DispatchQueue::concurrentAsync(Block block) {
    if (!block)
        return;
    DispatchPool::shared().submit(std::move(block));
}

int DispatchQueue::poolThreadCount() {
    return DispatchPool::shared().threadCount();
}

} // namespace pw::core
