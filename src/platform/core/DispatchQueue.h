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

    std::string m_label;
    // Taken for a few instructions per block, by the queue's runner and by
    // everyone who queues work on it.
    SpinThenSleepMutex m_mutex;
    std::deque<Item> m_items;
    bool m_running = false; // a pool thread or a sync caller owns the queue
};

} // namespace pw::core
