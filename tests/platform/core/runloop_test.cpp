#include "platform/core/Clock.h"
#include "platform/core/ManualClock.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Thread.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace pw::core;

namespace {

class RunLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_clock = std::make_shared<ManualClock>();
        loop().setClock(m_clock);
    }
    void TearDown() override {
        loop().setClock(nullptr);
        loop().runPending();
    }
    static RunLoop& loop() { return RunLoop::current(); }

    std::shared_ptr<ManualClock> m_clock;
};

} // namespace

TEST_F(RunLoopTest, PostedCallsRunInOrderAndARepostWaitsForTheNextTurn) {
    std::vector<int> order;
    loop().post([&] {
        order.push_back(1);
        loop().post([&] { order.push_back(3); });
    });
    loop().post([&] { order.push_back(2); });
    EXPECT_TRUE(order.empty()); // nothing runs until the loop turns
    EXPECT_EQ(loop().runPending(), 2);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    loop().runPending();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(RunLoopTest, DelayedCallRunsOnlyWhenDueAndNeverAfterCancel) {
    int ran = 0, cancelledRan = 0;
    Cancelable kept = loop().postAfter(2.0, [&] { ++ran; });
    Cancelable dropped = loop().postAfter(1.0, [&] { ++cancelledRan; });

    m_clock->advance(0.5);
    loop().runPending();
    EXPECT_EQ(ran, 0);
    dropped.cancel();
    m_clock->advance(5);
    loop().runPending();
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(cancelledRan, 0);
    EXPECT_TRUE(kept.hasRun());
    EXPECT_TRUE(dropped.isCancelled());
    kept.cancel(); // too late: has no effect and does not crash
    EXPECT_TRUE(kept.hasRun());
}

TEST_F(RunLoopTest, RepeatingTimerOnManualClockKeepsPhaseAndSkipsMissedTicks) {
    std::vector<double> firedAt;
    double start = m_clock->monotonic();
    auto timer = loop().scheduleTimer(1.0, true, [&](Timer&) { firedAt.push_back(m_clock->monotonic() - start); });

    m_clock->advance(0.5);
    loop().runPending();
    EXPECT_TRUE(firedAt.empty());
    m_clock->advance(0.5);
    loop().runPending();
    m_clock->advance(1.0);
    loop().runPending();
    ASSERT_EQ(firedAt.size(), 2u);

    m_clock->advance(3.5); // three ticks missed: one firing, then back in phase
    loop().runPending();
    EXPECT_EQ(firedAt.size(), 3u);
    EXPECT_DOUBLE_EQ(timer->fireDate() - start, 6.0);

    timer->invalidate();
    m_clock->advance(10);
    loop().runPending();
    EXPECT_EQ(firedAt.size(), 3u);
    EXPECT_FALSE(timer->isValid());
}

TEST_F(RunLoopTest, OneShotTimerFiresOnceAndCanInvalidateItselfWhenRepeating) {
    int oneShot = 0, repeating = 0;
    auto once = loop().scheduleTimer(0.1, false, [&](Timer&) { ++oneShot; });
    loop().scheduleTimer(0.1, true, [&](Timer& t) {
        if (++repeating == 2)
            t.invalidate();
    });
    for (int i = 0; i < 5; ++i) {
        m_clock->advance(0.1);
        loop().runPending();
    }
    EXPECT_EQ(oneShot, 1);
    EXPECT_EQ(repeating, 2);
    EXPECT_FALSE(once->isValid());
}

TEST_F(RunLoopTest, PrivateModeSourcesStayApartFromTheDefaultMode) {
    const std::string privateMode = "test.private";
    int privateFired = 0, defaultFired = 0, commonFired = 0;
    auto privateTimer = loop().scheduleTimer(
        1, true, [&](Timer&) { ++privateFired; }, privateMode);
    auto defaultTimer = loop().scheduleTimer(1, true, [&](Timer&) { ++defaultFired; });
    auto commonTimer = loop().scheduleTimer(
        1, true, [&](Timer&) { ++commonFired; }, RunLoop::kCommonModes);

    m_clock->advance(1);
    loop().runPending(RunLoop::kDefaultMode);
    EXPECT_EQ(privateFired, 0);
    EXPECT_EQ(defaultFired, 1);
    EXPECT_EQ(commonFired, 1);

    m_clock->advance(1);
    loop().runPending(privateMode);
    EXPECT_EQ(privateFired, 1);
    EXPECT_EQ(defaultFired, 1);
    EXPECT_EQ(commonFired, 1); // the private mode is not one of the common modes

    loop().addCommonMode(privateMode);
    m_clock->advance(1);
    loop().runPending(privateMode);
    EXPECT_EQ(privateFired, 2);
    EXPECT_EQ(commonFired, 2);

    // A call posted in the private mode waits for that mode.
    bool posted = false;
    loop().post([&] { posted = true; }, privateMode);
    loop().runPending(RunLoop::kDefaultMode);
    EXPECT_FALSE(posted);
    loop().runPending(privateMode);
    EXPECT_TRUE(posted);

    for (auto* t : {&privateTimer, &defaultTimer, &commonTimer})
        (*t)->invalidate();
}

TEST_F(RunLoopTest, RunModeReturnsOnStopOrWhenTimeIsUp) {
    loop().post([&] { loop().stop(); });
    EXPECT_EQ(loop().runMode(RunLoop::kDefaultMode), RunLoop::RunResult::Stopped);

    // With the manual clock the time limit is clock time: another thread
    // advances it while the loop waits.
    std::thread ticker([clock = m_clock] {
        for (int i = 0; i < 100; ++i) {
            clock->advance(0.1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    EXPECT_EQ(loop().runMode("test.waiting", 1.0), RunLoop::RunResult::TimedOut);
    ticker.join();
}

TEST_F(RunLoopTest, StopFromAnotherThreadEndsRun) {
    loop().setClock(nullptr);
    std::atomic<bool> started{false};
    loop().post([&] { started = true; });
    auto target = RunLoop::currentShared();
    std::thread stopper([&] {
        while (!started)
            std::this_thread::yield();
        target->stop();
    });
    loop().run();
    stopper.join();
    EXPECT_TRUE(started);
    EXPECT_FALSE(loop().isRunning());
}

TEST_F(RunLoopTest, FileDescriptorWatchCallsBackWhileActive) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    std::string received;
    FdWatch watch = loop().watchFd(fds[0], FdReadable, [&](int fd, unsigned events) {
        EXPECT_TRUE(events & FdReadable);
        char buf[16];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0)
            received.append(buf, static_cast<std::size_t>(n));
    });
    EXPECT_EQ(loop().runPending(), 0);
    ASSERT_EQ(::write(fds[1], "abc", 3), 3);
    loop().runPending();
    EXPECT_EQ(received, "abc");

    watch.setEvents(FdNone);
    ASSERT_EQ(::write(fds[1], "d", 1), 1);
    loop().runPending();
    EXPECT_EQ(received, "abc");
    watch.setEvents(FdReadable);
    loop().runPending();
    EXPECT_EQ(received, "abcd");

    FdWatch moved = std::move(watch);
    EXPECT_FALSE(watch.isActive());
    moved.reset();
    ASSERT_EQ(::write(fds[1], "e", 1), 1);
    loop().runPending();
    EXPECT_EQ(received, "abcd");
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST_F(RunLoopTest, RunOnMainWithWaitBlocksTheWorkerUntilDone) {
    loop().setClock(nullptr);
    auto previousMain = RunLoop::mainShared();
    RunLoop::setMain(RunLoop::currentShared());
    ASSERT_TRUE(RunLoop::isMainThread());

    bool inlineRan = false;
    RunLoop::runOnMain([&] { inlineRan = true; }, true); // already on main: inline
    EXPECT_TRUE(inlineRan);

    std::atomic<bool> ranOnMain{false};
    std::atomic<bool> workerSawIt{false};
    std::atomic<bool> workerDone{false};
    const auto mainId = std::this_thread::get_id();
    Thread::detach(
        [&] {
            EXPECT_FALSE(RunLoop::isMainThread());
            EXPECT_NE(&RunLoop::current(), &RunLoop::main());
            RunLoop::runOnMain(
                [&] {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    ranOnMain = std::this_thread::get_id() == mainId;
                },
                true);
            workerSawIt = ranOnMain.load();
            workerDone = true;
        },
        "runOnMain test");
    EXPECT_TRUE(loop().runUntil([&] { return workerDone.load(); }, 10.0));
    EXPECT_TRUE(ranOnMain);
    EXPECT_TRUE(workerSawIt);
    RunLoop::setMain(previousMain);
}

TEST_F(RunLoopTest, LoopThreadServesCallsPostedFromElsewhere) {
    loop().setClock(nullptr);
    auto worker = Thread::spawnRunLoopThread("test.loop");
    ASSERT_NE(worker.get(), &loop());
    std::atomic<int> sum{0};
    for (int i = 1; i <= 10; ++i)
        worker->post([&sum, i] { sum += i; });
    std::atomic<bool> done{false};
    worker->post([&] { done = true; });
    EXPECT_TRUE(loop().runUntil([&] { return done.load(); }, 10.0));
    EXPECT_EQ(sum, 55);
}

TEST_F(RunLoopTest, SourcesRemovedDuringATurnAreNotCalledInThatTurn) {
    int firstFired = 0, secondFired = 0;
    std::shared_ptr<Timer> second;
    auto first = loop().scheduleTimer(1, false, [&](Timer&) {
        ++firstFired;
        second->invalidate(); // due in the same turn, but gone now
    });
    second = loop().scheduleTimer(1, false, [&](Timer&) { ++secondFired; });
    m_clock->advance(1);
    loop().runPending();
    EXPECT_EQ(firstFired, 1);
    EXPECT_EQ(secondFired, 0);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    int calls = 0;
    FdWatch watch;
    watch = loop().watchFd(fds[0], FdReadable, [&](int, unsigned) {
        ++calls;
        watch.reset(); // a watch may end itself from its own callback
    });
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    loop().runPending();
    loop().runPending();
    EXPECT_EQ(calls, 1);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST_F(RunLoopTest, CallsPostedFromManyThreadsEachRunOnceOnTheLoopThread) {
    loop().setClock(nullptr);
    auto previousMain = RunLoop::mainShared();
    RunLoop::setMain(RunLoop::currentShared());
    const auto loopThread = std::this_thread::get_id();
    constexpr int kThreads = 4, kCalls = 500;
    std::vector<int> counts(kThreads * kCalls, 0);
    std::atomic<int> wrongThread{0};
    std::atomic<int> finishedThreads{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i) {
                // Alternate queued and waited calls so both paths interleave.
                RunLoop::runOnMain(
                    [&, t, i] {
                        ++counts[static_cast<std::size_t>(t * kCalls + i)];
                        if (std::this_thread::get_id() != loopThread)
                            ++wrongThread;
                    },
                    i % 2 == 0);
            }
            ++finishedThreads;
        });
    }
    bool done = loop().runUntil([&] { return finishedThreads.load() == kThreads; }, 30.0);
    for (auto& p : posters)
        p.join();
    loop().runPending(); // the last queued calls
    RunLoop::setMain(previousMain);
    ASSERT_TRUE(done);
    EXPECT_EQ(wrongThread, 0);
    EXPECT_EQ(std::count(counts.begin(), counts.end(), 1), kThreads * kCalls);
}
