#pragma once
// Serial queues that share one elastic pool of worker threads.
//
// Blocks given to one queue run one at a time, in order. `sync` runs its block
// on the calling thread once the queue is idle, so a caller blocked in `sync`
// never holds a pool thread hostage.
#include "platform/core/SpinThenSleepMutex.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>

namespace pw::core {

class DispatchQueue : public std::enable_shared_from_this<DispatchQueue> {
public:
    using Block = std::function<void()>;

    static std::shared_ptr<DispatchQueue> create(std::string label = {});
    ~DispatchQueue();
    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

    const std::string& label() const { return m_label; }

    void async(Block block);
    // Runs the block and returns when it is done. Called on this queue itself
    // it runs the block at once instead of waiting on itself.
    void sync(const Block& block);
    // `sync` that hands back what the block returns.
    template <class F>
    auto syncResult(F f) -> decltype(f()) {
        if constexpr (std::is_void_v<decltype(f())>) {
            sync(f);
        } else {
            decltype(f()) result{};
            sync([&] { result = f(); });
            return result;
        }
    }
    void after(std::chrono::nanoseconds delay, Block block);
    // Like async, but when the queue is idle the block runs at once on the
    // calling thread (as the queue's only runner, so in order with all else
    // on it): a short block spares a hand-over to another thread. Only for
    // blocks that never wait for the calling thread's own queue.
    void runOrAsync(Block block);

    // Like async, but inside a block run under a HandOffScope the block is
    // kept until that block is done, and then runs on the same thread when
    // this queue is idle (see HandOffScope).
    void handOff(Block block);

    // The reactor opens one around an event it runs on its own thread, as
    // the target queue's only runner: what that event hands to other queues
    // (a socket's results to its delegate's queue) then runs right after it
    // on the same thread, instead of waking another thread for it, when its
    // queue is idle; else it is queued as by async. Only opened on a thread
    // that runs no queue's block, so the blocks it runs never find a queue
    // of their own caller's held on their thread.
    class HandOffScope {
    public:
        HandOffScope();
        ~HandOffScope();
        HandOffScope(const HandOffScope&) = delete;
        HandOffScope& operator=(const HandOffScope&) = delete;

    private:
        friend class DispatchQueue;
        std::deque<std::pair<std::shared_ptr<DispatchQueue>, Block>> m_blocks;
        bool m_active = false;
    };

    bool isCurrent() const;
    static DispatchQueue* current();

    // Runs the block on a pool thread with no queue around it (blocking work).
    static void concurrentAsync(Block block);
    // Number of pool threads alive now (for leak checks in tests).
    static int poolThreadCount();

private:
    struct SyncWaiter;
    struct Item {
        Block block;
        SyncWaiter* waiter = nullptr;
    };
    explicit DispatchQueue(std::string label);
    friend class DispatchPool;
    void drain();
    void releaseAfterSync();
    // Runs the block on the calling thread when the queue is idle, then what
    // was queued on it meanwhile (as a pool thread would); else queues it.
    void runHereThenDrain(Block block);
    // Makes the calling thread the queue's runner when the queue is idle.
    bool claimIfIdle();
    // Runs a block as the queue's runner (what it captured is released while
    // the queue is still current).
    void runClaimed(Block block);

    std::string m_label;
    // Taken for a few instructions per block, by the queue's runner and by
    // everyone who queues work on it.
    SpinThenSleepMutex m_mutex;
    std::deque<Item> m_items;
    bool m_running = false; // a pool thread or a sync caller owns the queue
};

} // namespace pw::core
