#include "network/Reachability.h"

#include "platform/core/RunLoop.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace pw {
namespace {

std::mutex& providerMutex() {
    static std::mutex m;
    return m;
}
std::function<NetworkSnapshot()>& provider() {
    static std::function<NetworkSnapshot()> p;
    return p;
}

struct Observers {
    std::mutex mutex;
    std::map<Reachability::ObserverId, std::function<void(Reachability&)>> list;
    Reachability::ObserverId next = 1;
};
Observers& observers() {
    static Observers o;
    return o;
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool isWwanInterface(const std::string& name) {
    std::ifstream uevent("/sys/class/net/" + name + "/uevent");
    std::string line;
    while (std::getline(uevent, line))
        if (line == "DEVTYPE=wwan")
            return true;
    for (const char* prefix : {"wwan", "rmnet", "ppp", "ccmni"})
        if (name.rfind(prefix, 0) == 0)
            return true;
    return false;
}

// A host name the resolver could take: letters, digits, '-', '.', '_' and
// nothing empty. Anything else cannot be watched.
bool isAcceptableHostName(const std::string& host) {
    if (host.empty() || host.size() > 253)
        return false;
    for (unsigned char c : host)
        if (!std::isalnum(c) && c != '-' && c != '.' && c != '_' && c != ':')
            return false;
    return true;
}

} // namespace

NetworkSnapshot NetworkSnapshot::readFromSystem() {
    NetworkSnapshot snap;
    std::map<std::string, size_t> index;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) == 0) {
        for (ifaddrs* a = list; a; a = a->ifa_next) {
            if (!a->ifa_name)
                continue;
            std::string name = a->ifa_name;
            auto it = index.find(name);
            if (it == index.end()) {
                NetworkInterfaceInfo info;
                info.name = name;
                info.up = a->ifa_flags & IFF_UP;
                info.running = a->ifa_flags & IFF_RUNNING;
                info.loopback = a->ifa_flags & IFF_LOOPBACK;
                info.wireless = pathExists("/sys/class/net/" + name + "/wireless") ||
                                pathExists("/sys/class/net/" + name + "/phy80211");
                info.wwan = isWwanInterface(name);
                it = index.emplace(name, snap.interfaces.size()).first;
                snap.interfaces.push_back(std::move(info));
            }
            if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET) {
                auto* sin = reinterpret_cast<sockaddr_in*>(a->ifa_addr);
                snap.interfaces[it->second].ipv4.push_back(ntohl(sin->sin_addr.s_addr));
            }
        }
        ::freeifaddrs(list);
    }
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line); // column titles
    while (std::getline(routes, line)) {
        std::istringstream in(line);
        std::string iface, dest, gateway, flags, refcnt, use, metric, mask;
        if (!(in >> iface >> dest >> gateway >> flags >> refcnt >> use >> metric >> mask))
            continue;
        unsigned long f = std::stoul(flags, nullptr, 16);
        if (!(f & 0x1)) // RTF_UP
            continue;
        NetworkRoute r;
        r.interfaceName = iface;
        // /proc/net/route prints the addresses in network order as a host-order number.
        r.destination = ntohl(static_cast<uint32_t>(std::stoul(dest, nullptr, 16)));
        r.mask = ntohl(static_cast<uint32_t>(std::stoul(mask, nullptr, 16)));
        r.viaGateway = f & 0x2; // RTF_GATEWAY
        snap.routes.push_back(r);
    }
    return snap;
}

Reachability::Reachability(Kind kind, std::string key, uint32_t address)
    : m_kind(kind), m_key(std::move(key)), m_address(address) {}

Reachability::~Reachability() {
    *m_alive = false;
    stopNotifier();
}

std::unique_ptr<Reachability> Reachability::reachabilityWithHostName(const std::string& hostName) {
    if (!isAcceptableHostName(hostName))
        return nullptr;
    in_addr literal{};
    uint32_t address = 0;
    if (::inet_pton(AF_INET, hostName.c_str(), &literal) == 1)
        address = ntohl(literal.s_addr);
    else if (hostName == "localhost")
        address = 0x7f000001;
    return std::unique_ptr<Reachability>(new Reachability(Kind::HostName, hostName, address));
}

std::unique_ptr<Reachability> Reachability::reachabilityWithAddress(uint32_t ipv4) {
    std::ostringstream key;
    key << ((ipv4 >> 24) & 0xff) << '.' << ((ipv4 >> 16) & 0xff) << '.' << ((ipv4 >> 8) & 0xff) << '.' << (ipv4 & 0xff);
    return std::unique_ptr<Reachability>(new Reachability(Kind::Address, key.str(), ipv4));
}

std::unique_ptr<Reachability> Reachability::reachabilityForInternetConnection() {
    return std::unique_ptr<Reachability>(new Reachability(Kind::Internet, "InternetConnection", 0));
}

std::unique_ptr<Reachability> Reachability::reachabilityForLocalWiFi() {
    return std::unique_ptr<Reachability>(new Reachability(Kind::LocalWiFi, "LocalWiFiConnection", 0xA9FE0000));
}

void Reachability::setSnapshotProvider(std::function<NetworkSnapshot()> p) {
    std::lock_guard lock(providerMutex());
    provider() = std::move(p);
}

NetworkSnapshot Reachability::snapshot() {
    std::function<NetworkSnapshot()> p;
    {
        std::lock_guard lock(providerMutex());
        p = provider();
    }
    return p ? p() : NetworkSnapshot::readFromSystem();
}

uint32_t Reachability::flagsIn(const NetworkSnapshot& snap) const {
    using namespace ReachabilityFlag;
    auto usable = [&](const std::string& name) -> const NetworkInterfaceInfo* {
        for (const auto& i : snap.interfaces)
            if (i.name == name && i.up && i.running)
                return &i;
        return nullptr;
    };

    if (m_kind == Kind::LocalWiFi) {
        for (const auto& i : snap.interfaces)
            if (i.wireless && i.up && i.running)
                return Reachable | IsDirect;
        return 0;
    }

    uint32_t target = m_address;
    if (target == 0) {
        // Anywhere on the internet: a default route on a working interface.
        for (const auto& r : snap.routes) {
            if (r.mask != 0)
                continue;
            if (const auto* i = usable(r.interfaceName); i && !i->loopback)
                return Reachable | (i->wwan ? IsWWAN : 0u);
        }
        return 0;
    }

    for (const auto& i : snap.interfaces) {
        if (!i.up)
            continue;
        bool own = (i.loopback && (target >> 24) == 127);
        for (uint32_t a : i.ipv4)
            own = own || a == target;
        if (own)
            return Reachable | IsLocalAddress | IsDirect;
    }
    const NetworkRoute* best = nullptr;
    for (const auto& r : snap.routes) {
        if ((target & r.mask) != (r.destination & r.mask) || !usable(r.interfaceName))
            continue;
        if (!best || r.mask > best->mask)
            best = &r;
    }
    if (!best)
        return 0;
    const auto* i = usable(best->interfaceName);
    return Reachable | (best->viaGateway ? 0u : IsDirect) | (i->wwan ? IsWWAN : 0u);
}

ReachabilityState Reachability::networkStatusForFlags(uint32_t flags, bool localWiFi) {
    using namespace ReachabilityFlag;
    if (!(flags & Reachable))
        return NotReachable;
    if (localWiFi)
        return (flags & IsDirect) ? ReachableViaWiFi : NotReachable;
    if (flags & IsWWAN)
        return ReachableViaWWAN;
    uint32_t rest = flags & ~(Reachable | IsLocalAddress | IsDirect);
    if (rest == (TransientConnection | ConnectionRequired))
        return NotReachable;
    if (rest & TransientConnection)
        return ReachableViaWiFi;
    if (rest == 0)
        return ReachableViaWiFi;
    return (rest & ConnectionRequired) ? ReachableViaWiFi : NotReachable;
}

uint32_t Reachability::reachabilityFlags() const {
    return flagsIn(snapshot());
}

ReachabilityState Reachability::currentReachabilityStatus() const {
    return networkStatusForFlags(reachabilityFlags(), m_kind == Kind::LocalWiFi);
}

bool Reachability::isReachable() const {
    return currentReachabilityStatus() != NotReachable;
}
bool Reachability::isReachableViaWWAN() const {
    return currentReachabilityStatus() == ReachableViaWWAN;
}
bool Reachability::isReachableViaWiFi() const {
    return currentReachabilityStatus() == ReachableViaWiFi;
}

bool Reachability::isConnectionRequired() const {
    return reachabilityFlags() & ReachabilityFlag::ConnectionRequired;
}

bool Reachability::isConnectionOnDemand() const {
    using namespace ReachabilityFlag;
    uint32_t f = reachabilityFlags();
    return (f & ConnectionRequired) && (f & (ConnectionOnTraffic | ConnectionOnDemand));
}

bool Reachability::isInterventionRequired() const {
    using namespace ReachabilityFlag;
    uint32_t f = reachabilityFlags();
    return (f & ConnectionRequired) && (f & InterventionRequired);
}

void Reachability::setChangeHandler(std::function<void(Reachability&)> handler) {
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

Reachability::ObserverId Reachability::observeChanges(std::function<void(Reachability&)> observer) {
    auto& o = observers();
    std::lock_guard lock(o.mutex);
    ObserverId id = o.next++;
    o.list.emplace(id, std::move(observer));
    return id;
}

void Reachability::removeObserver(ObserverId id) {
    auto& o = observers();
    std::lock_guard lock(o.mutex);
    o.list.erase(id);
}

void Reachability::checkForChanges() {
    uint32_t flags = reachabilityFlags();
    {
        std::lock_guard lock(m_mutex);
        if (m_lastFlags && *m_lastFlags == flags)
            return;
        bool first = !m_lastFlags;
        m_lastFlags = flags;
        if (first)
            return; // the first reading is the baseline, not a change
    }
    announce();
}

void Reachability::announce() {
    auto alive = m_alive;
    // A Reachability is destroyed on the main thread, so the flag read there
    // tells whether this is still alive.
    core::RunLoop::runOnMain(
        [this, alive] {
            if (!*alive)
                return;
            std::function<void(Reachability&)> handler;
            {
                std::lock_guard lock(m_mutex);
                handler = m_handler;
            }
            if (handler)
                handler(*this);
            std::vector<std::function<void(Reachability&)>> list;
            {
                auto& o = observers();
                std::lock_guard lock(o.mutex);
                for (auto& [id, fn] : o.list)
                    list.push_back(fn);
            }
            for (auto& fn : list)
                if (*alive)
                    fn(*this);
        },
        false);
}

bool Reachability::startNotifier() {
    if (m_notifier.joinable())
        return true;
    int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0)
        return false;
    sockaddr_nl addr{};
    addr.nl_family = AF_NETLINK;
    addr.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return false;
    }
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopFd < 0) {
        ::close(fd);
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_lastFlags = reachabilityFlags();
    }
    m_notifier = std::thread([this, fd] { notifierLoop(fd, m_stopFd); });
    return true;
}

void Reachability::notifierLoop(int netlinkFd, int stopFd) {
    char buffer[8192];
    for (;;) {
        pollfd fds[2] = {{netlinkFd, POLLIN, 0}, {stopFd, POLLIN, 0}};
        // Besides kernel messages, look again now and then: a provider set by a
        // test or a change the kernel did not announce is still seen.
        int n = ::poll(fds, 2, 1000);
        if (n < 0 && errno != EINTR)
            break;
        if (fds[1].revents)
            break;
        if (fds[0].revents)
            while (::recv(netlinkFd, buffer, sizeof buffer, 0) > 0) {}
        checkForChanges();
    }
    ::close(netlinkFd);
}

void Reachability::stopNotifier() {
    if (!m_notifier.joinable())
        return;
    uint64_t one = 1;
    [[maybe_unused]] auto w = ::write(m_stopFd, &one, sizeof one);
    m_notifier.join();
    ::close(m_stopFd);
    m_stopFd = -1;
}

} // namespace pw
