#include "platform/core/MainPostBatch.h"
#include "platform/core/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace pw::core;

namespace {

// Makes the test's thread the main thread for one test.
class MainPostBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_previousMain = RunLoop::mainShared();
        RunLoop::setMain(RunLoop::currentShared());
    }
    void TearDown() override {
        RunLoop::current().runPending();
        RunLoop::setMain(m_previousMain);
    }
    void record(int n) {
        std::lock_guard lock(m_mutex);
        m_order.push_back(n);
    }
    std::vector<int> order() {
        std::lock_guard lock(m_mutex);
        return m_order;
    }

    std::shared_ptr<RunLoop> m_previousMain;
    std::mutex m_mutex;
    std::vector<int> m_order;
};

} // namespace

// Calls a worker queues while its batch is open reach the main thread only
// when it flushes, all at once and in order; a call it waits for goes after
// them; and a thread without a batch is not held back by another's.
TEST_F(MainPostBatchTest, HoldsAThreadsCallsUntilFlushedAndKeepsTheirOrder) {
    std::atomic<int> step{0};
    std::atomic<bool> heldWhileOpen{false};
    std::thread worker([&] {
        MainPostBatch batch;
        RunLoop::runOnMain([&] { record(1); }, false);
        RunLoop::runOnMain([&] { record(2); }, false);
        {
            MainPostBatch inner; // only the outermost holds and flushes
            RunLoop::runOnMain([&] { record(3); }, false);
        }
        heldWhileOpen = batch.holding();
        step = 1;
        while (step.load() != 2)
            std::this_thread::yield();
        batch.flush();
        RunLoop::runOnMain([&] { record(4); }, false);
        RunLoop::runOnMain([&] { record(5); }, true); // hands on 4 first
        step = 3;
    });
    ASSERT_TRUE(RunLoop::current().runUntil([&] { return step.load() == 1; }, 10.0));
    RunLoop::current().runPending();
    EXPECT_TRUE(heldWhileOpen);
    EXPECT_TRUE(order().empty()); // nothing of the open batch has arrived

    // Another thread's calls go at once.
    std::thread other([&] { RunLoop::runOnMain([&] { record(10); }, false); });
    other.join();
    RunLoop::current().runPending();
    EXPECT_EQ(order(), std::vector<int>{10});

    step = 2;
    ASSERT_TRUE(RunLoop::current().runUntil([&] { return step.load() == 3; }, 10.0));
    worker.join();
    RunLoop::current().runPending();
    EXPECT_EQ(order(), (std::vector<int>{10, 1, 2, 3, 4, 5}));
}

TEST_F(MainPostBatchTest, ClosingTheBatchHandsOnWhatItHolds) {
    std::thread worker([&] {
        MainPostBatch batch;
        RunLoop::runOnMain([&] { record(1); }, false);
        RunLoop::runOnMain([&] { record(2); }, false);
    });
    worker.join();
    RunLoop::current().runPending();
    EXPECT_EQ(order(), (std::vector<int>{1, 2}));
}
