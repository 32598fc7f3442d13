#include "NetTest.h"

#include "network/Reachability.h"

using namespace pw;
using namespace pw::test;
using namespace pw::ReachabilityFlag;

TEST(ReachabilityStatus, FromFlags) {
    struct Case {
        uint32_t flags;
        bool localWiFi;
        ReachabilityState expected;
    };
    const Case cases[] = {
        {0, false, NotReachable},
        {Reachable | IsWWAN, false, ReachableViaWWAN},
        {Reachable, false, ReachableViaWiFi},
        {Reachable | TransientConnection | ConnectionRequired, false, NotReachable},
        {Reachable | ConnectionOnTraffic, false, NotReachable},
        {Reachable | ConnectionOnTraffic | ConnectionRequired, false, ReachableViaWiFi},
        {Reachable | IsDirect | IsLocalAddress, false, ReachableViaWiFi},
        {Reachable, true, NotReachable},
        {Reachable | IsDirect, true, ReachableViaWiFi},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Reachability::networkStatusForFlags(c.flags, c.localWiFi), c.expected) << std::hex << c.flags;
}

namespace {
NetworkSnapshot snapshot(bool up, bool wwan, bool wireless, bool defaultRoute) {
    NetworkSnapshot s;
    s.interfaces.push_back({"lo", true, true, true, false, false, {0x7f000001}});
    s.interfaces.push_back({wwan ? "wwan0" : "wlan0", up, up, false, wireless, wwan, {0x0a000005}});
    s.routes.push_back({wwan ? "wwan0" : "wlan0", 0x0a000000, 0xff000000, false});
    if (defaultRoute)
        s.routes.push_back({wwan ? "wwan0" : "wlan0", 0, 0, true});
    return s;
}
} // namespace

class ReachabilityTest : public NetTest {
protected:
    void TearDown() override {
        Reachability::setSnapshotProvider(nullptr);
        NetTest::TearDown();
    }
};

TEST_F(ReachabilityTest, StatesFromInterfacesAndRoutes) {
    struct Case {
        NetworkSnapshot snap;
        ReachabilityState internet;
        ReachabilityState localWiFi;
        ReachabilityState lan; // 10.1.2.3, on the interface's own network
    };
    const Case cases[] = {
        {snapshot(true, false, true, true), ReachableViaWiFi, ReachableViaWiFi, ReachableViaWiFi},
        {snapshot(true, true, false, true), ReachableViaWWAN, NotReachable, ReachableViaWWAN},
        {snapshot(false, false, true, true), NotReachable, NotReachable, NotReachable},
        {snapshot(true, false, true, false), NotReachable, ReachableViaWiFi, ReachableViaWiFi},
        {snapshot(true, false, false, true), ReachableViaWiFi, NotReachable, ReachableViaWiFi}, // wired
    };
    for (const auto& c : cases) {
        Reachability::setSnapshotProvider([&] { return c.snap; });
        EXPECT_EQ(Reachability::reachabilityForInternetConnection()->currentReachabilityStatus(), c.internet);
        EXPECT_EQ(Reachability::reachabilityForLocalWiFi()->currentReachabilityStatus(), c.localWiFi);
        EXPECT_EQ(Reachability::reachabilityWithAddress(0x0a010203)->currentReachabilityStatus(), c.lan);
    }
    Reachability::setSnapshotProvider([] { return snapshot(false, false, false, false); });
    auto local = Reachability::reachabilityWithHostName("localhost");
    ASSERT_TRUE(local);
    EXPECT_EQ(local->reachabilityFlags(), Reachable | IsLocalAddress | IsDirect);
    EXPECT_FALSE(Reachability::reachabilityWithHostName("bad host name"));
    EXPECT_FALSE(Reachability::reachabilityWithHostName(""));
    EXPECT_EQ(Reachability::reachabilityWithAddress(0xc0a80001)->key(), "192.168.0.1");
}

TEST_F(ReachabilityTest, AChangeIsAnnouncedOnTheMainThread) {
    bool up = true;
    std::mutex m;
    Reachability::setSnapshotProvider([&] {
        std::lock_guard lock(m);
        return snapshot(up, false, true, true);
    });
    auto r = Reachability::reachabilityForInternetConnection();
    int changes = 0;
    ReachabilityState seen = ReachableViaWiFi;
    r->setChangeHandler([&](Reachability& which) {
        ++changes;
        seen = which.currentReachabilityStatus();
    });
    auto token = Reachability::observeChanges([&](Reachability&) { ++changes; });
    r->checkForChanges(); // baseline
    r->checkForChanges();
    runFor(0.02);
    EXPECT_EQ(changes, 0);
    {
        std::lock_guard lock(m);
        up = false;
    }
    r->checkForChanges();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(seen, NotReachable);
    Reachability::removeObserver(token);
    EXPECT_TRUE(r->startNotifier());
    r->stopNotifier();
}
