#include "platform/device/NetworkInterfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

namespace pw::device {
namespace {

using IfAddrs = std::unique_ptr<ifaddrs, decltype(&freeifaddrs)>;

IfAddrs listInterfaces() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        list = nullptr;
    return IfAddrs(list, &freeifaddrs);
}

bool usable(const ifaddrs* a, const std::string& name) {
    if (!a->ifa_addr || !a->ifa_name)
        return false;
    if (!name.empty())
        return name == a->ifa_name;
    return !(a->ifa_flags & IFF_LOOPBACK);
}

} // namespace

std::optional<std::string> NetworkInterfaces::hardwareAddress(const std::string& name) {
    auto list = listInterfaces();
    std::map<std::string, std::string> found; // name order keeps the choice stable
    for (const ifaddrs* a = list.get(); a; a = a->ifa_next) {
        if (!usable(a, name) || a->ifa_addr->sa_family != AF_PACKET)
            continue;
        auto* ll = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
        if (ll->sll_halen != 6)
            continue;
        bool zero = true;
        for (int i = 0; i < 6; ++i)
            zero = zero && ll->sll_addr[i] == 0;
        if (zero)
            continue;
        char text[13];
        std::snprintf(text, sizeof text, "%02X%02X%02X%02X%02X%02X", ll->sll_addr[0], ll->sll_addr[1], ll->sll_addr[2],
                      ll->sll_addr[3], ll->sll_addr[4], ll->sll_addr[5]);
        found.emplace(a->ifa_name, text);
    }
    if (found.empty())
        return std::nullopt;
    return found.begin()->second;
}

std::optional<std::string> NetworkInterfaces::ipv4Address(const std::string& name) {
    auto list = listInterfaces();
    std::map<std::string, std::string> found;
    for (const ifaddrs* a = list.get(); a; a = a->ifa_next) {
        if (!usable(a, name) || a->ifa_addr->sa_family != AF_INET)
            continue;
        char text[INET_ADDRSTRLEN];
        auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
            found.emplace(a->ifa_name, text);
    }
    if (found.empty())
        return std::nullopt;
    return found.begin()->second;
}

namespace {

std::mutex& providerLock() {
    static std::mutex m;
    return m;
}

std::function<std::optional<NetworkInterfaces::AddressList>()>& provider() {
    static std::function<std::optional<NetworkInterfaces::AddressList>()> p;
    return p;
}

} // namespace

std::optional<NetworkInterfaces::AddressList> NetworkInterfaces::ipv4Addresses() {
    {
        std::lock_guard lock(providerLock());
        if (provider())
            return provider()();
    }
    ifaddrs* raw = nullptr;
    if (getifaddrs(&raw) != 0)
        return std::nullopt;
    IfAddrs list(raw, &freeifaddrs);
    AddressList found;
    for (const ifaddrs* a = list.get(); a; a = a->ifa_next) {
        if (!a->ifa_addr || !a->ifa_name || a->ifa_addr->sa_family != AF_INET)
            continue;
        const auto* bytes =
            reinterpret_cast<const unsigned char*>(&reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr);
        char text[16];
        std::snprintf(text, sizeof text, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
        found.emplace_back(a->ifa_name, text);
    }
    return found;
}

void NetworkInterfaces::setIPv4AddressesProvider(std::function<std::optional<AddressList>()> p) {
    std::lock_guard lock(providerLock());
    provider() = std::move(p);
}

} // namespace pw::device
