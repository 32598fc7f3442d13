#include "platform/core/Clock.h"
#include "platform/core/DateFormatter.h"
#include "platform/core/HeapPolicy.h"
#include "platform/core/Digest.h"
#include "platform/core/Log.h"
#include "platform/core/ManualClock.h"
#include "platform/core/Thread.h"
#include "platform/core/Uuid.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

using namespace pw::core;

TEST(HeapPolicy, RoomForLargeBuffersIsSetAsideKeepingWhatIsWritten) {
    EXPECT_FALSE(pw::core::HeapPolicy::preferHugePages(nullptr, 64u << 20));
    char small[4096];
    EXPECT_FALSE(pw::core::HeapPolicy::preferHugePages(small, sizeof small));
    for (size_t room : {size_t(100), size_t(16) << 20}) {
        std::string text = "kept";
        pw::core::HeapPolicy::reserveWithHugePages(text, room);
        EXPECT_GE(text.capacity(), room);
        EXPECT_EQ(text, "kept");
        const auto capacity = text.capacity();
        pw::core::HeapPolicy::reserveWithHugePages(text, 10); // never shrinks
        EXPECT_EQ(text.capacity(), capacity);
    }
}

TEST(Digest, KnownVectors) {
    EXPECT_EQ(Digest::md5Hex(std::string_view("")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Digest::md5Hex(std::string_view("abc")), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Digest::sha1Hex(std::string_view("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    auto raw = Digest::md5(asByteView("abc"));
    EXPECT_EQ(raw[0], 0x90);
    EXPECT_EQ(Digest::hex(raw), Digest::md5Hex(std::string_view("abc")));
}

TEST(Uuid, RandomVersionFourText) {
    const std::regex shape("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        auto u = Uuid::generate();
        EXPECT_TRUE(std::regex_match(u, shape)) << u;
        seen.insert(u);
    }
    EXPECT_EQ(seen.size(), 100u);
    auto lower = Uuid::generate(false);
    EXPECT_EQ(lower.find_first_of("ABCDEF"), std::string::npos);
}

TEST(Log, LevelFiltersAndSinkCatchesLines) {
    std::vector<std::string> lines;
    auto previous = Log::level();
    Log::setSink([&](LogLevel level, std::string_view msg) {
        lines.push_back(std::to_string(int(level)) + ":" + std::string(msg));
    });
    Log::setLevel(LogLevel::Warning);
    Log::info("dropped %d", 1);
    Log::warning("kept %s %d", "w", 2);
    Log::error("%s", std::string(300, 'x').c_str()); // longer than any small buffer
    Log::setLevel(LogLevel::Silent);
    Log::error("silenced");
    Log::setSink(nullptr);
    Log::setLevel(previous);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "2:kept w 2");
    EXPECT_EQ(lines[1].size(), 302u);
}

TEST(Clock, SharedClockCanBeReplacedAndRestored) {
    auto manual = std::make_shared<ManualClock>(100.0, 5.0);
    Clock::setShared(manual);
    EXPECT_DOUBLE_EQ(Clock::shared().now(), 100.0);
    manual->advance(2.5);
    EXPECT_DOUBLE_EQ(Clock::shared().now(), 102.5);
    EXPECT_DOUBLE_EQ(Clock::shared().monotonic(), 7.5);
    Clock::setShared(nullptr);
    EXPECT_FALSE(Clock::shared().isManual());
    EXPECT_GT(Clock::shared().now(), 1.6e9);
}

TEST(Thread, DetachedThreadIsNamed) {
    std::string name;
    std::atomic<bool> done{false};
    Thread::detach(
        [&] {
            name = Thread::currentName();
            done = true;
        },
        "a-rather-long-thread-name");
    while (!done)
        Thread::sleepFor(0.001);
    EXPECT_EQ(name, "a-rather-long-t");
}

TEST(DateFormatter, FixedZoneFormatsAndParsesBack) {
    // 2012-05-03 15:07:09 UTC
    const double t = 1336057629.0;
    DateFormatter plain("yyyy-MM-dd HH:mm", "en_US_POSIX", "GMT");
    EXPECT_EQ(plain.format(t), "2012-05-03 15:07");
    DateFormatter http("EEE, dd MMM yyyy HH:mm:ss 'GMT'", "en_US", "GMT");
    EXPECT_EQ(http.format(t), "Thu, 03 May 2012 15:07:09 GMT");
    EXPECT_EQ(http.parse("Thu, 03 May 2012 15:07:09 GMT"), t);
    EXPECT_FALSE(http.parse("Thu, 03 May 2012").has_value());
    EXPECT_FALSE(http.parse("not a date").has_value());

    DateFormatter chinese("yyyy-MM-dd aaah:mm:ss", "zh_CN", "GMT");
    chinese.setAmPmSymbols("上午", "下午");
    EXPECT_EQ(chinese.format(t), "2012-05-03 下午3:07:09");
    EXPECT_EQ(chinese.format(t - 12 * 3600), "2012-05-03 上午3:07:09");

    DateFormatter shanghai("HH:mm", "en_US_POSIX", "Asia/Shanghai");
    EXPECT_EQ(shanghai.format(t), "23:07");
}
