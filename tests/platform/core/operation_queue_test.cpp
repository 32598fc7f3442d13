#include "platform/core/OperationQueue.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace pw::core;

namespace {

// Records the order of events from several threads.
class Journal {
public:
    void add(std::string entry) {
        std::lock_guard lock(m_mutex);
        m_entries.push_back(std::move(entry));
    }
    std::vector<std::string> entries() {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_entries;
};

// Finishes only when told, from outside, like a network request.
class ManualOperation : public Operation {
public:
    bool isAsynchronous() const override { return true; }
    void start() override {
        if (isCancelled()) {
            finish();
            return;
        }
        setExecuting();
        started = true;
    }
    void complete() { finish(); }
    std::atomic<bool> started{false};
};

} // namespace

TEST(OperationQueue, WidthOneRunsOneAtATimeInOrder) {
    OperationQueue queue(1);
    Journal journal;
    std::atomic<int> running{0}, maxRunning{0};
    queue.setSuspended(true); // let every operation be queued before any starts
    for (int i = 0; i < 6; ++i) {
        queue.addOperation([&, i] {
            int now = ++running;
            int seen = maxRunning.load();
            while (now > seen && !maxRunning.compare_exchange_weak(seen, now)) {}
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            journal.add(std::to_string(i));
            --running;
        });
    }
    EXPECT_EQ(queue.operationCount(), 6u);
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(journal.entries(), (std::vector<std::string>{"0", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(maxRunning, 1);
    EXPECT_EQ(queue.operationCount(), 0u);
}

TEST(OperationQueue, WiderQueueRunsOperationsTogether) {
    OperationQueue queue(3);
    std::atomic<int> arrived{0};
    // Three operations that each wait for all three to be running at once;
    // with less width they would never all arrive.
    for (int i = 0; i < 3; ++i) {
        queue.addOperation([&] {
            ++arrived;
            auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (arrived < 3 && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
        });
    }
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(arrived, 3);
}

TEST(OperationQueue, DependenciesAndPriorityDecideTheOrder) {
    OperationQueue queue(1);
    Journal journal;
    queue.setSuspended(true);
    auto first = Operation::create([&] { journal.add("first"); });
    auto afterFirst = Operation::create([&] { journal.add("after-first"); });
    auto urgent = Operation::create([&] { journal.add("urgent"); });
    afterFirst->addDependency(first);
    afterFirst->setQueuePriority(Operation::Priority::VeryHigh);
    urgent->setQueuePriority(Operation::Priority::High);
    queue.addOperation(afterFirst); // added first but must wait
    queue.addOperation(first);
    queue.addOperation(urgent);
    EXPECT_FALSE(afterFirst->isReady());
    queue.setSuspended(false);
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(journal.entries(), (std::vector<std::string>{"urgent", "first", "after-first"}));
}

TEST(OperationQueue, DependencyInAnotherQueueReleasesTheWaiter) {
    OperationQueue a(1), b(1);
    auto gate = std::make_shared<ManualOperation>();
    std::atomic<bool> ran{false};
    auto waiter = Operation::create([&] { ran = true; });
    waiter->addDependency(gate);
    b.addOperation(waiter);
    a.addOperation(gate);
    while (!gate->started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(ran);
    EXPECT_EQ(a.operationCount(), 1u); // the asynchronous operation still holds its place
    gate->complete();
    b.waitUntilAllOperationsAreFinished();
    a.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(ran);
}

TEST(OperationQueue, CancelledOperationsNeverRunTheirWork) {
    OperationQueue queue(1);
    std::atomic<int> ran{0};
    std::atomic<int> completions{0};
    queue.setSuspended(true);
    auto one = queue.addOperation([&] { ++ran; });
    auto two = queue.addOperation([&] { ++ran; });
    auto three = queue.addOperation([&] { ++ran; });
    three->setCompletion([&] { ++completions; });
    one->cancel();
    queue.setSuspended(false);
    two->waitUntilFinished();
    queue.cancelAllOperations();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(one->isFinished());
    EXPECT_TRUE(one->isCancelled());
    EXPECT_TRUE(three->isFinished());
    // Operation two ran; three may have started before the cancel reached it.
    EXPECT_GE(ran, 1);
    EXPECT_LE(ran, 2);
    EXPECT_EQ(completions, 1); // completion runs for cancelled operations too
}

TEST(OperationQueue, CancelReleasesAnOperationWaitingOnADependency) {
    OperationQueue queue(2);
    auto never = std::make_shared<ManualOperation>();
    std::atomic<bool> ran{false};
    auto blocked = Operation::create([&] { ran = true; });
    blocked->addDependency(never);
    queue.addOperation(blocked);
    blocked->cancel();
    queue.cancelAllOperations();
    blocked->waitUntilFinished();
    EXPECT_FALSE(ran);
    EXPECT_EQ(queue.operationCount(), 0u);
}

TEST(OperationQueue, DestroyingTheQueueFinishesUnstartedOperations) {
    std::shared_ptr<Operation> pending;
    std::atomic<bool> ran{false};
    {
        OperationQueue queue(1);
        queue.setSuspended(true);
        pending = queue.addOperation([&] { ran = true; });
    }
    EXPECT_TRUE(pending->isFinished());
    EXPECT_TRUE(pending->isCancelled());
    EXPECT_FALSE(ran);
}

TEST(OperationQueue, SharedQueueIsOneAtATime) {
    EXPECT_EQ(&OperationQueue::shared(), &OperationQueue::shared());
    EXPECT_EQ(OperationQueue::shared().maxConcurrentOperationCount(), 1);
    std::atomic<bool> ran{false};
    OperationQueue::shared().addOperation([&] { ran = true; });
    OperationQueue::shared().waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(ran);
}
