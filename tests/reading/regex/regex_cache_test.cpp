#include "platform/core/ManualClock.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "reading/regex/RegexAdditions.h"
#include "reading/regex/RegexCache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace pw {
namespace {

std::u16string patternNumber(int i) {
    std::u16string p = u"p";
    for (char c : std::to_string(i))
        p += static_cast<char16_t>(c);
    return p;
}

TEST(RegexCache, PatternsShareSlotsByEqualityAndOptions) {
    RegexAdditions::clearStringCache();
    RegexCache& cache = RegexCache::shared();
    const std::u16string a = u"abc+";
    const std::u16string b = u"abc+"; // a different string with the same text
    EXPECT_TRUE(RegexAdditions::isRegexValid(a));
    EXPECT_TRUE(RegexAdditions::isRegexValid(b));
    const int slot = cache.slotIndexOf(a, 0);
    ASSERT_GE(slot, 0);
    EXPECT_EQ(slot / RegexCache::kSlotsPerSet, RegexCache::setIndexFor(a, 0));

    EXPECT_TRUE(RegexAdditions::isRegexValid(a, RegexCaseless));
    const int caseless = cache.slotIndexOf(a, RegexCaseless);
    ASSERT_GE(caseless, 0);
    EXPECT_NE(caseless, slot);
}

TEST(RegexCache, FullSetReplacesItsOwnLeastRecentlyUsedSlot) {
    RegexAdditions::clearStringCache();
    RegexCache& cache = RegexCache::shared();
    // Five patterns that fall into one set, and one pattern of another set.
    const int set = RegexCache::setIndexFor(patternNumber(0), 0);
    std::vector<std::u16string> same;
    std::u16string other;
    for (int i = 0; same.size() < 5 || other.empty(); ++i) {
        const std::u16string p = patternNumber(i);
        if (RegexCache::setIndexFor(p, 0) == set) {
            if (same.size() < 5)
                same.push_back(p);
        } else if (other.empty()) {
            other = p;
        }
    }
    EXPECT_TRUE(RegexAdditions::isRegexValid(other));
    const int otherSlot = cache.slotIndexOf(other, 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(RegexAdditions::isRegexValid(same[static_cast<size_t>(i)]));
    // Use the first again: the second is now the oldest of the set.
    EXPECT_TRUE(RegexAdditions::isRegexValid(same[0]));
    EXPECT_TRUE(RegexAdditions::isRegexValid(same[4]));

    EXPECT_GE(cache.slotIndexOf(same[0], 0), 0);
    EXPECT_EQ(cache.slotIndexOf(same[1], 0), -1);
    EXPECT_GE(cache.slotIndexOf(same[2], 0), 0);
    EXPECT_GE(cache.slotIndexOf(same[3], 0), 0);
    EXPECT_EQ(cache.slotIndexOf(same[4], 0) / RegexCache::kSlotsPerSet, set);
    EXPECT_EQ(cache.slotIndexOf(other, 0), otherSlot);
}

TEST(RegexCache, LowMemoryWarningEmptiesTheStoreOnlyWhenTheLockIsFree) {
    RegexCache& cache = RegexCache::shared();
    EXPECT_TRUE(RegexAdditions::isRegexValid(u"kept?"));
    {
        std::lock_guard busy(cache.lock());
        std::thread([&] { EXPECT_FALSE(cache.lowMemoryWarning()); }).join();
    }
    EXPECT_GE(cache.slotIndexOf(u"kept?", 0), 0);
    EXPECT_TRUE(cache.lowMemoryWarning());
    EXPECT_EQ(cache.slotIndexOf(u"kept?", 0), -1);
}

TEST(RegexCache, MemoryWarningWhileBusyEmptiesTheStoreOnARetry) {
    RegexCache& cache = RegexCache::shared();
    core::RunLoop& loop = core::RunLoop::current();
    auto clock = std::make_shared<core::ManualClock>();
    loop.setClock(clock);
    EXPECT_TRUE(RegexAdditions::isRegexValid(u"warned+"));

    // Another thread holds the lock while the warning arrives here.
    std::mutex gate;
    std::unique_lock hold(gate);
    std::atomic<bool> locked{false};
    std::thread busy([&] {
        std::lock_guard inside(cache.lock());
        locked = true;
        std::lock_guard wait(gate);
    });
    while (!locked)
        std::this_thread::yield();
    core::NotificationCenter::defaultCenter().post(RegexCache::kMemoryWarningNotification);
    hold.unlock();
    busy.join();
    EXPECT_GE(cache.slotIndexOf(u"warned+", 0), 0);

    // The retry runs 0.1 s later on this thread's loop.
    clock->advance(0.05);
    loop.runPending();
    EXPECT_GE(cache.slotIndexOf(u"warned+", 0), 0);
    clock->advance(0.06);
    loop.runPending();
    EXPECT_EQ(cache.slotIndexOf(u"warned+", 0), -1);
    loop.setClock(nullptr);
}

} // namespace
} // namespace pw
