#include "platform/core/DispatchQueue.h"

#include "platform/core/DispatchSource.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <vector>
#include <thread>

namespace pw::core {

namespace {
thread_local DispatchQueue* t_currentQueue = nullptr;
thread_local DispatchQueue::HandOffScope* t_handOffScope = nullptr;

struct CurrentQueueScope {
    explicit CurrentQueueScope(DispatchQueue* q) : m_saved(t_currentQueue) { t_currentQueue = q; }
    ~CurrentQueueScope() { t_currentQueue = m_saved; }
    DispatchQueue* m_saved;
};
} // namespace

// The shared pool. Work goes straight to an idle thread when there is one,
// else to a new thread, so work never waits behind threads that are blocked;
// idle threads beyond a small core leave after a while. The pool's own lock
// only guards its lists, for a few instructions at a time: each idle thread
// sleeps on a lock and condition of its own, so handing work to one thread
// never makes the others fight over the pool's lock.
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
        Worker* idle = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (!m_idle.empty()) {
                idle = m_idle.back();
                m_idle.pop_back();
            } else if (m_threads < kMaxThreads) {
                ++m_threads;
            } else {
                m_work.push_back(std::move(work));
                return;
            }
        }
        if (!idle) {
            std::thread([this, work = std::move(work)]() mutable { run(std::move(work)); }).detach();
            return;
        }
        std::lock_guard lock(idle->mutex);
        idle->task = std::move(work);
        idle->hasTask.store(true, std::memory_order_release);
        // A thread still spinning sees the flag by itself. (Told under its
        // lock: once that is released the thread may run, finish and leave.)
        if (idle->sleeping)
            idle->cv.notify_one();
    }

    int threadCount() {
        std::lock_guard lock(m_mutex);
        return m_threads;
    }

private:
    static constexpr int kMaxThreads = 512;
    static constexpr int kCoreThreads = 2;
    // How long a thread that ran out of work looks for more before it sleeps.
    static constexpr std::chrono::microseconds kSpinTime{50};

    struct Worker {
        std::mutex mutex; // guards task and sleeping
        std::condition_variable cv;
        std::function<void()> task;
        bool sleeping = false;
        std::atomic<bool> hasTask{false};
    };

    // The next task for `self` once it is idle: queued work, else what a
    // submitter hands it. False when the thread is to leave.
    bool nextTask(Worker& self, std::function<void()>& task) {
        bool spin = false;
        {
            std::lock_guard lock(m_mutex);
            if (!m_work.empty()) {
                task = std::move(m_work.front());
                m_work.pop_front();
                return true;
            }
            // Work often follows within tens of microseconds (the next
            // request on a connection, a reply to the block just run); a
            // short spin saves going to sleep and being woken, which on a
            // busy or virtual machine costs more than the spin and delays the
            // work besides. One spinning thread is enough to catch it, and
            // more would take processors from the threads at work; it waits
            // at the end of the idle list, where new work is handed out
            // first, and the threads that sleep at its front. On a single
            // processor nothing can hand work over while we spin.
            spin = !m_singleProcessor && m_spinners.load(std::memory_order_relaxed) == 0;
            if (spin) {
                m_spinners.fetch_add(1, std::memory_order_relaxed);
                m_idle.push_back(&self);
            } else {
                m_idle.insert(m_idle.begin(), &self);
            }
        }
        if (spin) {
            const auto spinUntil = std::chrono::steady_clock::now() + kSpinTime;
            for (int i = 1; !self.hasTask.load(std::memory_order_acquire); ++i) {
#if defined(__x86_64__) || defined(__i386__)
                __builtin_ia32_pause();
#endif
                if (i % 32 == 0 && std::chrono::steady_clock::now() >= spinUntil)
                    break;
            }
            m_spinners.fetch_sub(1, std::memory_order_relaxed);
        }
        std::unique_lock own(self.mutex);
        for (bool waitedLong = false;;) {
            if (self.hasTask.load(std::memory_order_acquire)) {
                self.hasTask.store(false, std::memory_order_relaxed);
                self.sleeping = false;
                task = std::move(self.task);
                self.task = nullptr;
                return true;
            }
            if (waitedLong) {
                own.unlock();
                {
                    std::lock_guard lock(m_mutex);
                    auto it = std::find(m_idle.begin(), m_idle.end(), &self);
                    // Not in the list: a submitter has taken this thread and
                    // is about to hand it its task.
                    if (it != m_idle.end()) {
                        if (m_threads > kCoreThreads) {
                            m_idle.erase(it);
                            --m_threads;
                            return false;
                        }
                    }
                }
                own.lock();
                waitedLong = false;
                continue;
            }
            self.sleeping = true;
            waitedLong = !self.cv.wait_for(own, std::chrono::seconds(5),
                                           [&] { return self.hasTask.load(std::memory_order_acquire); });
        }
    }

    void run(std::function<void()> first) {
        Worker self;
        std::function<void()> task = std::move(first);
        do {
            task();
            task = nullptr;
        } while (nextTask(self, task));
    }

    static bool runsOnSingleProcessor() {
        cpu_set_t set;
        CPU_ZERO(&set);
        return ::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) == 1;
    }

    const bool m_singleProcessor = runsOnSingleProcessor();
    std::atomic<int> m_spinners{0}; // idle threads spinning for work now
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
    if (!claimIfIdle()) {
        async(std::move(block));
        return;
    }
    runClaimed(std::move(block));
    releaseAfterSync();
}

bool DispatchQueue::claimIfIdle() {
    std::lock_guard lock(m_mutex);
    if (m_running || !m_items.empty())
        return false;
    m_running = true; // this thread is the queue's runner now
    return true;
}

void DispatchQueue::runClaimed(Block block) {
    CurrentQueueScope scope(this);
    block();
    block = nullptr;
}

void DispatchQueue::handOff(Block block) {
    if (!block)
        return;
    if (auto* scope = t_handOffScope) {
        scope->m_blocks.emplace_back(shared_from_this(), std::move(block));
        return;
    }
    async(std::move(block));
}

DispatchQueue::HandOffScope::HandOffScope() {
    if (t_currentQueue || t_handOffScope)
        return; // inside a queue's block or another scope: hand-overs stay plain
    m_active = true;
    t_handOffScope = this;
}

DispatchQueue::HandOffScope::~HandOffScope() {
    if (!m_active)
        return;
    t_handOffScope = nullptr;
    // In the order they were handed over: a block queued because its queue was
    // busy keeps every later one for that queue behind it.
    while (!m_blocks.empty()) {
        auto [queue, block] = std::move(m_blocks.front());
        m_blocks.pop_front();
        queue->runHereThenDrain(std::move(block));
    }
}

void DispatchQueue::runHereThenDrain(Block block) {
    if (!claimIfIdle()) {
        async(std::move(block));
        return;
    }
    runClaimed(std::move(block));
    drain();
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
