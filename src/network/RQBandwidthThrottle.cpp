#include "network/RQBandwidthThrottle.h"

#include "platform/core/Clock.h"

namespace pw {

RQBandwidthThrottle& RQBandwidthThrottle::shared() {
    // Made on first use and never destroyed: requests may measure until the process ends.
    static auto* throttle = new RQBandwidthThrottle();
    return *throttle;
}

double RQBandwidthThrottle::now() {
    return core::Clock::shared().monotonic();
}

bool RQBandwidthThrottle::throttledLocked() const {
    return m_mobileThrottleActive || (!m_throttleOnlyOnMobile && m_maxBandwidth > 0);
}

bool RQBandwidthThrottle::isThrottled() const {
    std::lock_guard lock(m_mutex);
    return throttledLocked();
}

unsigned long RQBandwidthThrottle::maxBandwidthPerSecond() const {
    std::lock_guard lock(m_mutex);
    return m_maxBandwidth;
}

void RQBandwidthThrottle::setMaxBandwidthPerSecond(unsigned long bytes) {
    std::lock_guard lock(m_mutex);
    m_maxBandwidth = bytes;
}

void RQBandwidthThrottle::addBytesUsed(unsigned long bytes) {
    std::lock_guard lock(m_mutex);
    m_bytesUsedThisSecond += bytes;
}

unsigned long RQBandwidthThrottle::averageBandwidthUsedPerSecond() const {
    std::lock_guard lock(m_mutex);
    return m_averageUsage;
}

void RQBandwidthThrottle::recordUsageLocked() {
    double t0 = now();
    if (m_bytesUsedThisSecond == 0) {
        m_usageHistory.clear();
    } else {
        // Seconds that passed without a measurement drop out of the history.
        double t = m_measurementWindowEnd ? *m_measurementWindowEnd - t0 : 0;
        while (!m_usageHistory.empty() && (t < 0 || m_usageHistory.size() > 5)) {
            m_usageHistory.erase(m_usageHistory.begin());
            t += 1;
        }
    }
    m_usageHistory.push_back(m_bytesUsedThisSecond);
    m_measurementWindowEnd = t0 + 1;
    m_bytesUsedThisSecond = 0;
    unsigned long sum = 0;
    for (auto v : m_usageHistory)
        sum += v;
    m_averageUsage = m_usageHistory.empty() ? 0 : sum / m_usageHistory.size();
}

void RQBandwidthThrottle::measureLocked() {
    if (!m_measurementWindowEnd || *m_measurementWindowEnd < now())
        recordUsageLocked();
    if (throttledLocked() && m_maxBandwidth > 0 && m_bytesUsedThisSecond > m_maxBandwidth) {
        double excess =
            static_cast<double>(m_bytesUsedThisSecond - m_maxBandwidth) / static_cast<double>(m_maxBandwidth);
        m_resumeReadingAt = *m_measurementWindowEnd + excess;
    }
}

void RQBandwidthThrottle::measure() {
    std::lock_guard lock(m_mutex);
    measureLocked();
}

bool RQBandwidthThrottle::shouldHoldBack() {
    std::lock_guard lock(m_mutex);
    measureLocked();
    return throttledLocked() && m_resumeReadingAt && *m_resumeReadingAt > now();
}

bool RQBandwidthThrottle::holdsBackNow() const {
    std::lock_guard lock(m_mutex);
    return throttledLocked() && m_resumeReadingAt && *m_resumeReadingAt > now();
}

std::optional<double> RQBandwidthThrottle::wakeUpTime() const {
    std::lock_guard lock(m_mutex);
    return m_resumeReadingAt;
}

void RQBandwidthThrottle::reset() {
    std::lock_guard lock(m_mutex);
    m_bytesUsedThisSecond = 0;
    m_measurementWindowEnd.reset();
    m_usageHistory.clear();
    m_averageUsage = 0;
    m_resumeReadingAt.reset();
}

unsigned long RQBandwidthThrottle::maxUploadReadLength() {
    std::lock_guard lock(m_mutex);
    unsigned long n = m_maxBandwidth / 4;
    if (m_maxBandwidth > 0 && m_bytesUsedThisSecond + n > m_maxBandwidth)
        n = m_bytesUsedThisSecond >= m_maxBandwidth ? 0 : m_maxBandwidth - m_bytesUsedThisSecond;
    if (n == 0 || !m_measurementWindowEnd || *m_measurementWindowEnd < now())
        m_resumeReadingAt = m_measurementWindowEnd;
    return n;
}

void RQBandwidthThrottle::throttleForMobileUsingLimit(unsigned long limit) {
    bool watch = false;
    {
        std::lock_guard lock(m_mutex);
        m_throttleOnlyOnMobile = true;
        m_maxBandwidth = limit;
        watch = !m_watching;
        m_watching = true;
    }
    if (!watch)
        return;
    // Made and registered outside the lock: a change may be announced at once.
    auto reachability = Reachability::reachabilityForInternetConnection();
    if (reachability)
        reachability->startNotifier();
    auto observer = Reachability::observeChanges([](Reachability&) {
        auto r = Reachability::reachabilityForInternetConnection();
        shared().reachabilityChanged(r && r->currentReachabilityStatus() == ReachableViaWWAN);
    });
    std::lock_guard lock(m_mutex);
    m_reachability = std::move(reachability);
    m_reachabilityObserver = observer;
}

void RQBandwidthThrottle::stopThrottlingForMobile() {
    std::unique_ptr<Reachability> old;
    Reachability::ObserverId observer = 0;
    {
        std::lock_guard lock(m_mutex);
        observer = m_reachabilityObserver;
        m_reachabilityObserver = 0;
        old = std::move(m_reachability);
        m_watching = false;
        m_maxBandwidth = 0;
        m_mobileThrottleActive = false;
        m_throttleOnlyOnMobile = false;
    }
    if (observer)
        Reachability::removeObserver(observer);
}

void RQBandwidthThrottle::reachabilityChanged(bool viaMobile) {
    std::lock_guard lock(m_mutex);
    m_mobileThrottleActive = m_throttleOnlyOnMobile && viaMobile;
}

} // namespace pw
