#include "platform/core/NotificationCenter.h"

#include <gtest/gtest.h>
#include <optional>
#include <thread>

using namespace pw::core;

TEST(NotificationCenter, DeliversInRegistrationOrderWithThePayload) {
    NotificationCenter center;
    std::vector<std::string> heard;
    auto a = center.addObserver("Changed",
                                [&](const Notification& n) { heard.push_back("a:" + *n.payload["id"].asString()); });
    auto other = center.addObserver("Other", [&](const Notification&) { heard.push_back("other"); });
    auto b = center.addObserver("Changed",
                                [&](const Notification& n) { heard.push_back("b:" + *n.payload["id"].asString()); });
    auto all = center.addObserver("", [&](const Notification& n) { heard.push_back("all:" + n.name); });

    Value payload;
    payload.set("id", "7");
    center.post("Changed", payload);
    EXPECT_EQ(heard, (std::vector<std::string>{"a:7", "b:7", "all:Changed"}));
}

TEST(NotificationCenter, TokenRemovesTheObserverWhenDestroyedOrReset) {
    NotificationCenter center;
    int count = 0;
    {
        auto token = center.addObserver("N", [&](const Notification&) { ++count; });
        center.post("N");
        ObserverToken moved = std::move(token);
        center.post("N");
        EXPECT_EQ(center.observerCount(), 1u);
    }
    center.post("N");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(center.observerCount(), 0u);

    auto token = center.addObserver("N", [&](const Notification&) { ++count; });
    token.reset();
    EXPECT_FALSE(token.isActive());
    center.post("N");
    EXPECT_EQ(count, 2);
}

TEST(NotificationCenter, ObserversMayRemoveThemselvesAndOthersOrAddDuringDelivery) {
    NotificationCenter center;
    std::vector<std::string> heard;
    std::optional<ObserverToken> self, victim, late;
    self = center.addObserver("N", [&](const Notification&) {
        heard.push_back("self");
        self.reset();   // removes itself while being called
        victim.reset(); // and a later observer before its turn
        late = center.addObserver("N", [&](const Notification&) { heard.push_back("late"); });
    });
    victim = center.addObserver("N", [&](const Notification&) { heard.push_back("victim"); });
    auto last = center.addObserver("N", [&](const Notification&) { heard.push_back("last"); });

    center.post("N");
    EXPECT_EQ(heard, (std::vector<std::string>{"self", "last"}));
    heard.clear();
    center.post("N");
    EXPECT_EQ(heard, (std::vector<std::string>{"last", "late"}));
}

TEST(NotificationCenter, SenderFilterAndTokensOutlivingTheCenter) {
    int fromA = 0;
    int senderA = 0, senderB = 0;
    ObserverToken survivor;
    {
        NotificationCenter center;
        auto filtered = center.addObserver(
            "N", [&](const Notification&) { ++fromA; }, &senderA);
        center.post("N", {}, &senderB);
        center.post("N", {}, &senderA);
        EXPECT_EQ(fromA, 1);
        survivor = center.addObserver("N", [](const Notification&) {});
    }
    survivor.reset(); // the center is gone; this must be harmless
    EXPECT_FALSE(survivor.isActive());
}

TEST(NotificationCenter, PostsFromOtherThreadsAreDeliveredOnThePostingThread) {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    std::thread::id deliveredOn;
    auto token =
        center.addObserver("test.thread", [&](const Notification&) { deliveredOn = std::this_thread::get_id(); });
    std::thread::id poster;
    std::thread t([&] {
        poster = std::this_thread::get_id();
        center.post("test.thread");
    });
    t.join();
    EXPECT_EQ(deliveredOn, poster);
}
