#include "NetTest.h"

#include "network/RQInputStream.h"
#include "platform/core/Clock.h"
#include "platform/core/ManualClock.h"

using namespace pw;
using namespace pw::test;

class ThrottleTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        m_clock = std::make_shared<core::ManualClock>();
        core::Clock::setShared(m_clock);
        RQHTTPRequest::resetBandwidthMeasurement();
    }
    void TearDown() override {
        RQHTTPRequest::setShouldThrottleBandwidthForWWAN(false);
        RQHTTPRequest::setMaxBandwidthPerSecond(0);
        RQHTTPRequest::resetBandwidthMeasurement();
        core::Clock::setShared(nullptr);
        NetTest::TearDown();
    }
    std::shared_ptr<core::ManualClock> m_clock;
};

TEST_F(ThrottleTest, ASecondOverTheLimitHoldsReadersPastItsEnd) {
    RQHTTPRequest::setMaxBandwidthPerSecond(10000);
    EXPECT_TRUE(RQHTTPRequest::isBandwidthThrottled());
    double start = m_clock->monotonic();
    RQHTTPRequest::measureBandwidthUsage(); // opens the first second
    RQHTTPRequest::incrementBandwidthUsedInLastSecond(15000);
    RQHTTPRequest::measureBandwidthUsage();
    ASSERT_TRUE(RQHTTPRequest::throttleWakeUpTime());
    EXPECT_DOUBLE_EQ(*RQHTTPRequest::throttleWakeUpTime(), start + 1 + 0.5);
}

TEST_F(ThrottleTest, AverageFollowsTheSecondsThatPassed) {
    RQHTTPRequest::measureBandwidthUsage();
    for (unsigned long bytes : {1000ul, 2000ul, 3000ul}) {
        RQHTTPRequest::incrementBandwidthUsedInLastSecond(bytes);
        m_clock->advance(1.01);
        RQHTTPRequest::measureBandwidthUsage();
    }
    // Under steady traffic each closed second replaces the one before.
    EXPECT_EQ(RQHTTPRequest::averageBandwidthUsedPerSecond(), 3000u);
    m_clock->advance(3.5);
    RQHTTPRequest::measureBandwidthUsage();
    EXPECT_EQ(RQHTTPRequest::averageBandwidthUsedPerSecond(), 0u);
}

TEST_F(ThrottleTest, UploadsReadAQuarterOfTheLimitAndLessNearItsEnd) {
    RQHTTPRequest::setMaxBandwidthPerSecond(14800);
    RQHTTPRequest::measureBandwidthUsage();
    EXPECT_EQ(RQHTTPRequest::maxUploadReadLength(), 3700u);
    RQHTTPRequest::incrementBandwidthUsedInLastSecond(13000);
    EXPECT_EQ(RQHTTPRequest::maxUploadReadLength(), 1800u);

    auto body = RQInputStream::inputStreamWithData(std::string(5000, 'b'), nullptr);
    char buf[8192];
    EXPECT_EQ(body->read(buf, sizeof buf), 1800);
    EXPECT_EQ(body->read(buf, sizeof buf), 1); // the second's budget is used up
}

TEST_F(ThrottleTest, WithoutALimitNothingIsHeld) {
    RQHTTPRequest::throttleBandwidthForWWANUsingLimit(0);
    RQHTTPRequest::measureBandwidthUsage();
    RQHTTPRequest::incrementBandwidthUsedInLastSecond(1u << 20);
    RQHTTPRequest::measureBandwidthUsage();
    EXPECT_FALSE(RQHTTPRequest::throttleWakeUpTime());
    RQHTTPRequest::setShouldThrottleBandwidthForWWAN(false);
    EXPECT_FALSE(RQHTTPRequest::isBandwidthThrottled());
    EXPECT_EQ(RQHTTPRequest::maxBandwidthPerSecond(), 0u);
}
