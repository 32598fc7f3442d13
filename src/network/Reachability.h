#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pw {

// 0 not reachable, 1 through the mobile network, 2 through Wi-Fi or any other
// interface that is not the mobile one.
enum ReachabilityState : int32_t {
    NotReachable = 0,
    ReachableViaWWAN = 1,
    ReachableViaWiFi = 2,
};

namespace ReachabilityFlag {
constexpr uint32_t TransientConnection = 0x1;
constexpr uint32_t Reachable = 0x2;
constexpr uint32_t ConnectionRequired = 0x4;
constexpr uint32_t ConnectionOnTraffic = 0x8;
constexpr uint32_t InterventionRequired = 0x10;
constexpr uint32_t ConnectionOnDemand = 0x20;
constexpr uint32_t IsLocalAddress = 0x10000;
constexpr uint32_t IsDirect = 0x20000;
constexpr uint32_t IsWWAN = 0x40000;
} // namespace ReachabilityFlag

inline constexpr const char* kReachabilityChangedNotification = "NetworkReachabilityChangedNotification";

// What the machine's interfaces and routes look like at one moment. Read from
// the kernel by default; tests hand in their own.
struct NetworkInterfaceInfo {
    std::string name;
    bool up = false;
    bool running = false;
    bool loopback = false;
    bool wireless = false;
    bool wwan = false;
    std::vector<uint32_t> ipv4; // host byte order
};

struct NetworkRoute {
    std::string interfaceName;
    uint32_t destination = 0; // host byte order
    uint32_t mask = 0;        // host byte order
    bool viaGateway = false;
};

struct NetworkSnapshot {
    std::vector<NetworkInterfaceInfo> interfaces;
    std::vector<NetworkRoute> routes;

    static NetworkSnapshot readFromSystem();
};

class Reachability {
public:
    enum class Kind { HostName, Address, Internet, LocalWiFi };

    ~Reachability();
    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    // nullptr when the name or address cannot be watched.
    static std::unique_ptr<Reachability> reachabilityWithHostName(const std::string& hostName);
    // IPv4 address in host byte order.
    static std::unique_ptr<Reachability> reachabilityWithAddress(uint32_t ipv4);
    static std::unique_ptr<Reachability> reachabilityForInternetConnection();
    static std::unique_ptr<Reachability> reachabilityForLocalWiFi();

    // Starts watching the interfaces and routes; every change of the flags
    // calls the change handler (on the main thread) and every
    // observer added with observeChanges. Returns false when watching cannot start.
    bool startNotifier();
    void stopNotifier();
    void setChangeHandler(std::function<void(Reachability&)> handler);

    ReachabilityState currentReachabilityStatus() const;
    bool isReachable() const;
    bool isReachableViaWWAN() const;
    bool isReachableViaWiFi() const;
    bool isConnectionRequired() const;
    bool connectionRequired() const { return isConnectionRequired(); }
    bool isConnectionOnDemand() const;
    bool isInterventionRequired() const;
    uint32_t reachabilityFlags() const;

    const std::string& key() const { return m_key; }
    void setKey(std::string key) { m_key = std::move(key); }
    Kind kind() const { return m_kind; }
    bool operator==(const Reachability& other) const { return m_key == other.m_key; }

    // The status a set of flags stands for; the local Wi-Fi object reads them its own way.
    static ReachabilityState networkStatusForFlags(uint32_t flags, bool localWiFi = false);
    // The flags of this object's target in a snapshot.
    uint32_t flagsIn(const NetworkSnapshot& snapshot) const;
    // Compares the flags with the last ones seen and reports a change. The
    // notifier calls it when the kernel says something moved; tests call it directly.
    void checkForChanges();

    // Observers of every object's changes (the broadcast notification).
    using ObserverId = uint64_t;
    static ObserverId observeChanges(std::function<void(Reachability&)> observer);
    static void removeObserver(ObserverId id);

    // Replaces where snapshots come from (tests); nullptr restores the kernel.
    static void setSnapshotProvider(std::function<NetworkSnapshot()> provider);

private:
    Reachability(Kind kind, std::string key, uint32_t address);
    static NetworkSnapshot snapshot();
    void notifierLoop(int netlinkFd, int stopFd);
    void announce();

    Kind m_kind = Kind::Internet;
    std::string m_key;
    uint32_t m_address = 0;
    std::mutex m_mutex;
    std::optional<uint32_t> m_lastFlags;
    std::function<void(Reachability&)> m_handler;
    std::thread m_notifier;
    int m_stopFd = -1;
    std::shared_ptr<std::atomic<bool>> m_alive = std::make_shared<std::atomic<bool>>(true);
};

} // namespace pw
