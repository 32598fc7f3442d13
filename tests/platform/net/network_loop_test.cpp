#include "platform/net/NetworkLoop.h"

#include "platform/core/RunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <vector>

using pw::net::NetworkLoop;

namespace {

// Runs fn on the loop's thread and waits for it.
template <typename Fn>
void onLoop(NetworkLoop& loop, Fn fn) {
    loop.runAndWait(fn);
}

} // namespace

// A call or timer that the loop's own thread posts (a request starting the
// next one, a request arming its status check) is picked up before the loop
// waits again: it needs no wake-up of its own.
TEST(NetworkLoop, PostsFromItsOwnThreadNeedNoWakeUp) {
    NetworkLoop loop;
    struct Case {
        const char* what;
        bool timer;
    };
    for (const Case& c : {Case{"post", false}, Case{"postAfter", true}}) {
        std::promise<void> ran;
        auto done = ran.get_future();
        uint64_t before = 0;
        onLoop(loop, [&] {
            before = loop.wakeUps();
            auto task = [&ran] { ran.set_value(); };
            if (c.timer)
                loop.postAfter(0, task);
            else
                loop.post(task);
        });
        ASSERT_EQ(done.wait_for(std::chrono::seconds(5)), std::future_status::ready) << c.what;
        uint64_t after = 0;
        onLoop(loop, [&] { after = loop.wakeUps(); });
        // runAndWait from this thread woke it once for the second look.
        EXPECT_EQ(after - before, 1u) << c.what;
    }
}

TEST(NetworkLoop, PostsFromAnotherThreadWakeTheLoop) {
    NetworkLoop loop;
    std::promise<void> ran;
    const uint64_t before = loop.wakeUps();
    loop.post([&] { ran.set_value(); });
    ASSERT_EQ(ran.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_GE(loop.wakeUps() - before, 1u);
}

// What the loop's thread queues for the main thread during one turn reaches
// it when the turn is over, in order: the main thread is not woken to contend
// with the steps that end one request and start the next.
TEST(NetworkLoop, CallsForTheMainThreadGoWhenTheTurnIsOver) {
    auto previousMain = pw::core::RunLoop::mainShared();
    pw::core::RunLoop::setMain(pw::core::RunLoop::currentShared());
    NetworkLoop loop;
    std::mutex mutex;
    std::condition_variable cv;
    std::vector<int> order;
    bool ranDuringTurn = false;
    std::atomic<bool> turnOver{false};
    loop.post([&] {
        for (int i = 1; i <= 3; ++i)
            pw::core::RunLoop::runOnMain(
                [&, i] {
                    std::lock_guard lock(mutex);
                    order.push_back(i);
                    cv.notify_all();
                },
                false);
        // The main thread runs its loop meanwhile; a call handed on at once
        // would have run by now.
        std::unique_lock lock(mutex);
        ranDuringTurn = cv.wait_for(lock, std::chrono::milliseconds(300), [&] { return !order.empty(); });
        turnOver = true;
    });
    EXPECT_TRUE(pw::core::RunLoop::current().runUntil(
        [&] {
            std::lock_guard lock(mutex);
            return order.size() == 3;
        },
        10.0));
    EXPECT_TRUE(turnOver);
    EXPECT_FALSE(ranDuringTurn);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    pw::core::RunLoop::setMain(previousMain);
}
