#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace pw::core {

class OperationQueue;

// A unit of work for an OperationQueue. A plain operation overrides main()
// (or is made from a function with Operation::create); the queue runs it on
// one of its threads. An asynchronous operation overrides start(), starts
// its work elsewhere, answers true from isAsynchronous() and calls finish()
// itself when done; it occupies a place in the queue's width until then.
// Its start() should finish() at once when isCancelled(), and otherwise call
// setExecuting() before handing the work off.
class Operation : public std::enable_shared_from_this<Operation> {
public:
    enum class Priority { VeryLow = -8, Low = -4, Normal = 0, High = 4, VeryHigh = 8 };

    static std::shared_ptr<Operation> create(std::function<void()> fn);

    Operation() = default;
    virtual ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // Marks the operation cancelled. One that has not started never runs its
    // work (it finishes at once); a running one sees isCancelled().
    virtual void cancel();
    bool isCancelled() const;
    bool isExecuting() const;
    bool isFinished() const;
    // All dependencies finished (or the operation was cancelled).
    bool isReady() const;
    virtual bool isAsynchronous() const { return false; }

    // The operation starts only after dep has finished (finished includes
    // cancelled). Add before the operation is queued.
    void addDependency(const std::shared_ptr<Operation>& dep);
    void removeDependency(const std::shared_ptr<Operation>& dep);
    std::vector<std::shared_ptr<Operation>> dependencies() const;

    void setQueuePriority(Priority priority);
    Priority queuePriority() const;

    // Called on the thread that finishes the operation, after it finished.
    void setCompletion(std::function<void()> completion);

    // Returns once the operation finished and its completion has run.
    void waitUntilFinished();

    // Called by the queue (or directly for an operation outside a queue).
    // The default runs main() unless cancelled, then finish().
    virtual void start();

protected:
    virtual void main();
    // Ends the operation: wakes waiters, lets dependants and the queue move on.
    void finish();
    void setExecuting();

private:
    friend class OperationQueue;
    // Runs fn once the operation has finished (at once when it already has).
    void whenFinished(std::function<void()> fn);

    std::function<void()> m_fn{};
    mutable std::mutex m_mutex{};
    std::condition_variable m_finishedCv{};
    bool m_cancelled{false};
    bool m_executing{false};
    bool m_finished{false};
    bool m_settled{false}; // finished, and completion and queue told
    bool m_queued{false};
    Priority m_priority{Priority::Normal};
    std::vector<std::shared_ptr<Operation>> m_dependencies{};
    std::function<void()> m_completion{};
    std::vector<std::function<void()>> m_onFinish{};
};

} // namespace pw::core
