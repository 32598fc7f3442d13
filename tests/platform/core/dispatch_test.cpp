#include "platform/core/DispatchGroup.h"
#include "platform/core/DispatchQueue.h"
#include "platform/core/DispatchSource.h"
#include "platform/core/Semaphore.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

using namespace pw::core;
using namespace std::chrono_literals;

namespace {

// Polls a condition for up to two seconds of real time.
template <class F>
bool eventually(F f) {
    for (int i = 0; i < 2000; ++i) {
        if (f())
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return f();
}

struct FakeClock {
    std::atomic<long long> ns{1'000'000'000};
    FakeClock() {
        DispatchSource::setClock([this] { return std::chrono::nanoseconds(ns.load()); });
    }
    ~FakeClock() { DispatchSource::setClock(nullptr); }
    void advance(std::chrono::nanoseconds d) {
        ns += d.count();
        DispatchSource::clockAdvanced();
    }
};

} // namespace

TEST(DispatchQueue, RunsBlocksInOrderOneAtATimeAndKnowsItIsCurrent) {
    auto q = DispatchQueue::create("serial");
    std::vector<int> seen;
    std::atomic<int> running{0};
    std::atomic<bool> overlap{false};
    std::atomic<bool> currentEverywhere{true};
    for (int i = 0; i < 500; ++i) {
        q->async([&, i] {
            if (running.fetch_add(1) != 0)
                overlap = true;
            if (!q->isCurrent())
                currentEverywhere = false;
            seen.push_back(i);
            running.fetch_sub(1);
        });
    }
    q->sync([] {});
    ASSERT_EQ(seen.size(), 500u);
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(seen[i], i);
    EXPECT_FALSE(overlap);
    EXPECT_TRUE(currentEverywhere);
    EXPECT_FALSE(q->isCurrent());
}

TEST(DispatchQueue, SyncOnItselfRunsInlineAndNestedSyncsDoNotStarveThePool) {
    auto a = DispatchQueue::create("a");
    bool inner = false;
    a->sync([&] { a->sync([&] { inner = a->isCurrent(); }); });
    EXPECT_TRUE(inner);

    // Many queues each blocked in sync on the next: more than any fixed pool.
    constexpr int kQueues = 64;
    std::vector<std::shared_ptr<DispatchQueue>> qs;
    for (int i = 0; i < kQueues; ++i)
        qs.push_back(DispatchQueue::create());
    Semaphore gate(0);
    std::atomic<int> done{0};
    for (int i = 0; i + 1 < kQueues; ++i) {
        qs[i]->async([&, i] {
            gate.wait();
            qs[i + 1]->sync([&] { ++done; });
        });
    }
    for (int i = 0; i + 1 < kQueues; ++i)
        gate.signal();
    EXPECT_TRUE(eventually([&] { return done == kQueues - 1; }));
}

TEST(DispatchQueue, RunOrAsyncRunsHereOnAnIdleQueueAndQueuesBehindWorkOtherwise) {
    auto q = DispatchQueue::create("inline");
    auto caller = std::this_thread::get_id();
    std::thread::id ranOn;
    bool wasCurrent = false;
    q->runOrAsync([&] {
        ranOn = std::this_thread::get_id();
        wasCurrent = q->isCurrent();
    });
    EXPECT_EQ(ranOn, caller); // done before runOrAsync returned
    EXPECT_TRUE(wasCurrent);
    EXPECT_FALSE(q->isCurrent());

    // Busy: the block waits its turn behind what is queued.
    std::promise<void> release;
    auto gate = release.get_future().share();
    std::vector<int> order;
    std::promise<void> done;
    q->async([&, gate] {
        gate.wait();
        order.push_back(1);
    });
    q->runOrAsync([&] {
        order.push_back(2);
        done.set_value();
    });
    EXPECT_TRUE(order.empty());
    release.set_value();
    done.get_future().wait();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(DispatchQueue, ABlockIsReleasedWhileItsQueueIsStillCurrent) {
    auto q = DispatchQueue::create();
    struct Probe {
        std::shared_ptr<DispatchQueue> queue;
        std::atomic<int>* sawCurrent;
        ~Probe() { *sawCurrent = queue->isCurrent() ? 1 : 2; }
    };
    std::atomic<int> sawCurrent{0};
    auto probe = std::make_shared<Probe>();
    probe->queue = q;
    probe->sawCurrent = &sawCurrent;
    Semaphore gate(0);
    q->async([probe, &gate] { gate.wait(); });
    probe.reset(); // the block holds the last reference now
    gate.signal();
    q->sync([] {});
    EXPECT_EQ(sawCurrent, 1);
}

TEST(DispatchQueue, ABlockMayWaitForWorkItQueuedElsewhere) {
    auto a = DispatchQueue::create(), b = DispatchQueue::create();
    std::atomic<bool> done{false};
    a->async([&] {
        std::promise<void> p;
        auto f = p.get_future();
        b->async([&p] { p.set_value(); });
        // A plain wait, not one the pool knows of: the queued work must run anyway.
        done = f.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    });
    a->sync([] {});
    EXPECT_TRUE(done);
}

TEST(DispatchQueue, AfterFollowsTheInstalledClock) {
    FakeClock clock;
    auto q = DispatchQueue::create();
    std::atomic<bool> fired{false};
    q->after(30s, [&] { fired = true; });
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(fired);
    clock.advance(29s);
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(fired);
    clock.advance(1s);
    EXPECT_TRUE(eventually([&] { return fired.load(); }));
    EXPECT_TRUE(eventually([] { return DispatchSource::liveSourceCount() == 0; }));
}

TEST(DispatchSource, ReadSourceIsLevelTriggeredWithOneEventInFlight) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    auto q = DispatchQueue::create();
    auto src = DispatchSource::makeRead(fds[0], q);
    std::atomic<int> events{0}, inHandler{0};
    std::atomic<bool> overlap{false};
    std::atomic<unsigned long> firstData{0};
    src->setEventHandler([&] {
        if (inHandler.fetch_add(1) != 0)
            overlap = true;
        if (events == 0)
            firstData = src->data();
        char c;
        ASSERT_EQ(::read(fds[0], &c, 1), 1); // take one byte: the rest keeps it readable
        ++events;
        inHandler.fetch_sub(1);
    });
    std::atomic<int> cancels{0};
    src->setCancelHandler([&] {
        ++cancels;
        ::close(fds[0]);
    });
    ASSERT_EQ(::write(fds[1], "hello", 5), 5);
    src->resume();
    EXPECT_TRUE(eventually([&] { return events == 5; }));
    EXPECT_EQ(firstData, 5u);
    EXPECT_FALSE(overlap);

    // Suspended: data arrives but no event until resumed.
    src->suspend();
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(events, 5);
    src->resume();
    EXPECT_TRUE(eventually([&] { return events == 6; }));

    src->cancel();
    src->cancel();
    EXPECT_TRUE(eventually([&] { return cancels == 1; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(cancels, 1);
    ::close(fds[1]);
}

TEST(DispatchSource, CancelWaitsForTheEventInFlightAndWorksWhileSuspended) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    auto q = DispatchQueue::create();
    auto src = DispatchSource::makeRead(fds[0], q);
    Semaphore entered(0), release(0);
    std::atomic<bool> handlerDone{false}, cancelSawHandlerDone{false};
    src->setEventHandler([&] {
        entered.signal();
        release.wait();
        handlerDone = true;
    });
    std::atomic<int> cancels{0};
    src->setCancelHandler([&] {
        cancelSawHandlerDone = handlerDone.load();
        ++cancels;
    });
    ASSERT_EQ(::write(fds[1], "a", 1), 1);
    src->resume();
    entered.wait();
    src->cancel();
    release.signal();
    EXPECT_TRUE(eventually([&] { return cancels == 1; }));
    EXPECT_TRUE(cancelSawHandlerDone);

    auto idle = DispatchSource::makeWrite(fds[1], q);
    std::atomic<int> idleCancels{0};
    idle->setCancelHandler([&] { ++idleCancels; });
    idle->cancel(); // never resumed
    EXPECT_TRUE(eventually([&] { return idleCancels == 1; }));
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(DispatchSource, TimersFireOnTheFakeClockOnceOrRepeating) {
    FakeClock clock;
    auto q = DispatchQueue::create();
    auto once = DispatchSource::makeTimer(q);
    auto every = DispatchSource::makeTimer(q);
    std::atomic<int> onceCount{0}, everyCount{0};
    once->setEventHandler([&] { ++onceCount; });
    every->setEventHandler([&] { everyCount += static_cast<int>(every->data()); });
    once->setTimer(5s, 0s);
    every->setTimer(1s, 1s);
    once->resume();
    every->resume();
    clock.advance(1s);
    EXPECT_TRUE(eventually([&] { return everyCount == 1; }));
    EXPECT_EQ(onceCount, 0);
    clock.advance(4s);
    EXPECT_TRUE(eventually([&] { return onceCount == 1 && everyCount >= 2; }));
    clock.advance(10s);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(onceCount, 1);
    // Re-arming a one-shot timer makes it fire again.
    once->setTimer(0s, 0s);
    EXPECT_TRUE(eventually([&] { return onceCount == 2; }));
    once->cancel();
    every->cancel();
}

TEST(SemaphoreAndGroup, BoundWaitersAndNotifyWhenEmpty) {
    Semaphore s(2);
    s.wait();
    s.wait();
    EXPECT_FALSE(s.waitFor(5ms));
    s.signal();
    EXPECT_TRUE(s.waitFor(5ms));

    DispatchGroup g;
    auto q1 = DispatchQueue::create(), q2 = DispatchQueue::create();
    std::atomic<int> n{0};
    for (int i = 0; i < 20; ++i)
        g.async(i % 2 ? q1 : q2, [&] { ++n; });
    Semaphore notified(0);
    g.notify(q1, [&] { notified.signal(); });
    g.wait();
    EXPECT_EQ(n, 20);
    EXPECT_TRUE(notified.waitFor(2s));
    g.enter();
    EXPECT_FALSE(g.waitFor(5ms));
    g.leave();
    g.leave(); // unbalanced: ignored
    EXPECT_TRUE(g.waitFor(5ms));
}
