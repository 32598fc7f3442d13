#pragma once

#include "platform/core/Operation.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pw::core {

// Runs operations on threads of its own: at most maxConcurrentOperationCount
// at once (1: one at a time, in order of priority and then of adding), each
// only after its dependencies finished. An asynchronous operation, whose
// start() only hands its work off, is started on the thread that let it go
// (the one adding it, or the one finishing what it waited for), outside the
// queue's lock. Destroying the queue cancels what has not started and waits
// for what runs.
class OperationQueue {
public:
    static constexpr int kDefaultMaxConcurrent = -1; // as many as the machine suits

    explicit OperationQueue(int maxConcurrent = kDefaultMaxConcurrent, std::string name = {});
    ~OperationQueue();
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    // The application's shared one-at-a-time queue.
    static OperationQueue& shared();

    void addOperation(std::shared_ptr<Operation> op);
    std::shared_ptr<Operation> addOperation(std::function<void()> fn);

    void setMaxConcurrentOperationCount(int count);
    int maxConcurrentOperationCount() const;

    void cancelAllOperations();
    void setSuspended(bool suspended); // a suspended queue starts nothing new
    bool isSuspended() const;
    void waitUntilAllOperationsAreFinished();
    // Operations added and not yet finished.
    std::size_t operationCount() const;
    std::vector<std::shared_ptr<Operation>> operations() const;
    const std::string& name() const;

private:
    struct State;
    std::shared_ptr<State> m_state{};
    std::string m_name{};
};

} // namespace pw::core
