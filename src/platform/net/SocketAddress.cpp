#include "platform/net/SocketAddress.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>

namespace pw::net {

namespace {
std::string bytesOf(const void* p, size_t n) {
    return std::string(static_cast<const char*>(p), n);
}

std::string make4(in_addr_t addr, uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = addr;
    return bytesOf(&a, sizeof a);
}

std::string make6(const in6_addr& addr, uint16_t port) {
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(port);
    a.sin6_addr = addr;
    return bytesOf(&a, sizeof a);
}

std::optional<std::string> query(int fd, bool peer) {
    if (fd < 0)
        return std::nullopt;
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    int r = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&ss), &len)
                 : ::getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len);
    if (r < 0)
        return std::nullopt;
    if (ss.ss_family == AF_INET)
        return bytesOf(&ss, sizeof(sockaddr_in));
    if (ss.ss_family == AF_INET6)
        return bytesOf(&ss, sizeof(sockaddr_in6));
    return std::nullopt;
}
} // namespace

std::string SocketAddress::hostFromSockaddr4(const sockaddr_in& addr) {
    char buf[INET_ADDRSTRLEN] = {};
    if (!::inet_ntop(AF_INET, &addr.sin_addr, buf, sizeof buf))
        return {};
    return buf;
}

std::string SocketAddress::hostFromSockaddr6(const sockaddr_in6& addr) {
    char buf[INET6_ADDRSTRLEN] = {};
    if (!::inet_ntop(AF_INET6, &addr.sin6_addr, buf, sizeof buf))
        return {};
    return buf;
}

uint16_t SocketAddress::portFromSockaddr4(const sockaddr_in& addr) {
    return ntohs(addr.sin_port);
}
uint16_t SocketAddress::portFromSockaddr6(const sockaddr_in6& addr) {
    return ntohs(addr.sin6_port);
}

bool SocketAddress::getHostPort(const std::string& address, std::string* host, uint16_t* port) {
    if (address.size() < sizeof(sockaddr_in))
        return false;
    sa_family_t family;
    std::memcpy(&family, address.data() + offsetof(sockaddr, sa_family), sizeof family);
    if (family == AF_INET && address.size() == sizeof(sockaddr_in)) {
        sockaddr_in a;
        std::memcpy(&a, address.data(), sizeof a);
        if (host)
            *host = hostFromSockaddr4(a);
        if (port)
            *port = portFromSockaddr4(a);
        return true;
    }
    if (family == AF_INET6 && address.size() == sizeof(sockaddr_in6)) {
        sockaddr_in6 a;
        std::memcpy(&a, address.data(), sizeof a);
        if (host)
            *host = hostFromSockaddr6(a);
        if (port)
            *port = portFromSockaddr6(a);
        return true;
    }
    return false;
}

std::string SocketAddress::any4(uint16_t port) {
    return make4(htonl(INADDR_ANY), port);
}
std::string SocketAddress::any6(uint16_t port) {
    return make6(in6addr_any, port);
}
std::string SocketAddress::loopback4(uint16_t port) {
    return make4(htonl(INADDR_LOOPBACK), port);
}
std::string SocketAddress::loopback6(uint16_t port) {
    return make6(in6addr_loopback, port);
}

void SocketAddress::interfaceAddresses(const std::string& description, uint16_t port, std::optional<std::string>* addr4,
                                       std::optional<std::string>* addr6) {
    std::optional<std::string> r4, r6;
    std::string iface = description;
    auto colon = description.find(':');
    if (colon != std::string::npos) {
        iface = description.substr(0, colon);
        if (port == 0) {
            std::string rest = description.substr(colon + 1);
            auto second = rest.find(':');
            if (second != std::string::npos)
                rest = rest.substr(0, second);
            char* end = nullptr;
            long p = std::strtol(rest.c_str(), &end, 10);
            if (!rest.empty() && end && *end == '\0' && p >= 1 && p <= 65535)
                port = static_cast<uint16_t>(p);
        }
    }
    if (iface.empty()) {
        r4 = any4(port);
        r6 = any6(port);
    } else if (iface == "localhost" || iface == "loopback") {
        r4 = loopback4(port);
        r6 = loopback6(port);
    } else {
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) == 0) {
            for (ifaddrs* it = list; it; it = it->ifa_next) {
                if (!it->ifa_addr)
                    continue;
                if (it->ifa_addr->sa_family == AF_INET && !r4) {
                    auto* a = reinterpret_cast<sockaddr_in*>(it->ifa_addr);
                    if (iface == it->ifa_name || iface == hostFromSockaddr4(*a))
                        r4 = make4(a->sin_addr.s_addr, port);
                } else if (it->ifa_addr->sa_family == AF_INET6 && !r6) {
                    auto* a = reinterpret_cast<sockaddr_in6*>(it->ifa_addr);
                    if (iface == it->ifa_name || iface == hostFromSockaddr6(*a)) {
                        auto s = make6(a->sin6_addr, port);
                        reinterpret_cast<sockaddr_in6*>(s.data())->sin6_scope_id = a->sin6_scope_id;
                        r6 = s;
                    }
                }
            }
            ::freeifaddrs(list);
        }
    }
    if (addr4)
        *addr4 = r4;
    if (addr6)
        *addr6 = r6;
}

std::optional<std::string> SocketAddress::localAddress(int fd) {
    return query(fd, false);
}
std::optional<std::string> SocketAddress::peerAddress(int fd) {
    return query(fd, true);
}

} // namespace pw::net
