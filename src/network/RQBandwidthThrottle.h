#pragma once
#include "network/Reachability.h"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace pw {

// Bandwidth shared by every request: bytes counted per second of core::Clock,
// the average of the last five seconds, and the limit that holds readers back
// until the second they overran has been paid for. The limit may apply always
// or only while the network is reached over a mobile connection. Every member
// takes the throttle's own lock and calls nothing of the engine under it.
class RQBandwidthThrottle {
public:
    static RQBandwidthThrottle& shared();

    bool isThrottled() const;
    unsigned long maxBandwidthPerSecond() const;
    void setMaxBandwidthPerSecond(unsigned long bytes);
    void addBytesUsed(unsigned long bytes);
    unsigned long averageBandwidthUsedPerSecond() const;
    // Closes the second when it has passed and sets when readers may go on.
    void measure();
    // Whether a reader should be held back now (measuring first).
    bool shouldHoldBack();
    // Whether a reader starting now is held back (without measuring).
    bool holdsBackNow() const;
    std::optional<double> wakeUpTime() const;
    void reset();
    unsigned long maxUploadReadLength();

    // Limits only mobile connections (limit 0 lifts the limit and the watch).
    void throttleForMobileUsingLimit(unsigned long limit);
    void stopThrottlingForMobile();
    void reachabilityChanged(bool viaMobile);

private:
    static double now();
    bool throttledLocked() const;
    void recordUsageLocked();
    void measureLocked();

    mutable std::mutex m_mutex;
    unsigned long m_maxBandwidth = 0;
    unsigned long m_bytesUsedThisSecond = 0;
    std::optional<double> m_measurementWindowEnd;
    std::vector<unsigned long> m_usageHistory;
    unsigned long m_averageUsage = 0;
    std::optional<double> m_resumeReadingAt;
    bool m_mobileThrottleActive = false;
    bool m_throttleOnlyOnMobile = false;
    bool m_watching = false;
    std::unique_ptr<Reachability> m_reachability;
    Reachability::ObserverId m_reachabilityObserver = 0;
};

} // namespace pw
