// Outgoing connections: to a host name or a raw address, optionally from a given
// local interface, with a time-out.
#include "transfer/socket/AsyncTcpSocketInternal.h"

#include "platform/net/SocketAddress.h"

#include <netdb.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace pw {

using core::DispatchQueue;
using core::DispatchSource;
using namespace socket_detail;

namespace {

// Where a name lookup leads: the first address of each family, or the error.
struct LookupResult {
    std::optional<std::string> address4;
    std::optional<std::string> address6;
    std::optional<SocketError> error;
};

LookupResult lookUp(const std::string& host, uint16_t port) {
    LookupResult result;
    if (host == "localhost" || host == "loopback") {
        result.address4 = net::SocketAddress::loopback4(port);
        result.address6 = net::SocketAddress::loopback6(port);
        return result;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* res = nullptr;
    int gai = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &res);
    if (gai != 0) {
        result.error = SocketError::gaiError(gai);
        return result;
    }
    for (auto* r = res; r; r = r->ai_next) {
        std::string address(reinterpret_cast<char*>(r->ai_addr), r->ai_addrlen);
        if (r->ai_family == AF_INET && !result.address4)
            result.address4 = address;
        if (r->ai_family == AF_INET6 && !result.address6)
            result.address6 = address;
    }
    ::freeaddrinfo(res);
    if (!result.address4 && !result.address6)
        result.error = SocketError::gaiError(EAI_FAIL);
    return result;
}

int familyOf(const std::string& address) {
    if (address.size() < sizeof(sa_family_t))
        return AF_UNSPEC;
    sa_family_t family;
    std::memcpy(&family, address.data(), sizeof family);
    if (family == AF_INET && address.size() == sizeof(sockaddr_in))
        return AF_INET;
    if (family == AF_INET6 && address.size() == sizeof(sockaddr_in6))
        return AF_INET6;
    return AF_UNSPEC;
}

} // namespace

bool AsyncTcpSocket::connectToHost(const std::string& host, uint16_t port, double timeout, SocketError* error) {
    return connectToHost(host, port, {}, timeout, error);
}

bool AsyncTcpSocket::connectToHost(const std::string& host, uint16_t port, const std::string& interface, double timeout,
                                   SocketError* error) {
    SocketError err;
    bool ok = onSocketQueue([&]() -> bool {
        if (host.empty()) {
            err = SocketError::badParamError(
                "Invalid host parameter (nil or \"\"). Should be a domain name or IP address string.");
            return false;
        }
        if (!preConnectWithInterface(interface, &err))
            return false;
        m_flags |= kStarted;
        int index = m_connectIndex;
        std::weak_ptr<AsyncTcpSocket> weak = weak_from_this();
        DispatchQueue::concurrentAsync([weak, host, port, index] {
            auto result = lookUp(host, port);
            if (auto self = weak.lock())
                self->m_socketQueue->async([self, index, result] { self->lookupDidFinish(index, result); });
        });
        startConnectTimeout(timeout);
        return true;
    });
    if (!ok && error)
        *error = err;
    return ok;
}

bool AsyncTcpSocket::connectToAddress(const std::string& address, double timeout, SocketError* error) {
    return connectToAddress(address, {}, timeout, error);
}

bool AsyncTcpSocket::connectToAddress(const std::string& address, const std::string& interface, double timeout,
                                      SocketError* error) {
    SocketError err;
    bool ok = onSocketQueue([&]() -> bool {
        int family = familyOf(address);
        if (family == AF_UNSPEC) {
            err = SocketError::badParamError("A valid IPv4 or IPv6 address was not given");
            return false;
        }
        if (family == AF_INET && (m_config & kIPv4Disabled)) {
            err = SocketError::badParamError("IPv4 has been disabled and an IPv4 address was passed.");
            return false;
        }
        if (family == AF_INET6 && (m_config & kIPv6Disabled)) {
            err = SocketError::badParamError("IPv6 has been disabled and an IPv6 address was passed.");
            return false;
        }
        if (!preConnectWithInterface(interface, &err))
            return false;
        std::optional<std::string> address4, address6;
        (family == AF_INET ? address4 : address6) = address;
        if (!connectWithAddresses(address4, address6, &err))
            return false;
        m_flags |= kStarted;
        startConnectTimeout(timeout);
        return true;
    });
    if (!ok && error)
        *error = err;
    return ok;
}

bool AsyncTcpSocket::preConnectWithInterface(const std::string& interface, SocketError* error) {
    assertOnSocketQueue();
    if (!checkDelegate("connect", error))
        return false;
    if (m_flags & kStarted) {
        *error = SocketError::badConfigError(
            "Attempting to connect while connected or accepting connections. Disconnect first.");
        return false;
    }
    if ((m_config & kIPv4Disabled) && (m_config & kIPv6Disabled)) {
        *error = SocketError::badConfigError(
            "Both IPv4 and IPv6 have been disabled. Must enable at least one protocol first.");
        return false;
    }
    m_connectInterface4.reset();
    m_connectInterface6.reset();
    if (!interface.empty()) {
        net::SocketAddress::interfaceAddresses(interface, 0, &m_connectInterface4, &m_connectInterface6);
        if (!checkInterfaceAddresses(m_connectInterface4, m_connectInterface6, error))
            return false;
    }
    m_readQueue.clear();
    m_writeQueue.clear();
    return true;
}

template <class Result>
void AsyncTcpSocket::lookupDidFinish(int index, const Result& result) {
    assertOnSocketQueue();
    if (index != m_connectIndex)
        return; // timed out or closed meanwhile
    if (result.error) {
        didNotConnect(index, *result.error);
        return;
    }
    auto address4 = (m_config & kIPv4Disabled) ? std::nullopt : result.address4;
    auto address6 = (m_config & kIPv6Disabled) ? std::nullopt : result.address6;
    SocketError error;
    if (!address4 && !address6) {
        error = SocketError::otherError((m_config & kIPv4Disabled)
                                            ? "IPv4 has been disabled and DNS lookup found no IPv6 address."
                                            : "IPv6 has been disabled and DNS lookup found no IPv4 address.");
    } else if (connectWithAddresses(address4, address6, &error)) {
        return;
    }
    endConnectTimeout();
    closeWithError(error);
}

// Makes the descriptor (bound to the chosen interface, if any) and hands the
// blocking connect to a worker; the descriptor stays the worker's until the
// connect is through, so a close meanwhile cannot pull it from under it.
bool AsyncTcpSocket::connectWithAddresses(const std::optional<std::string>& address4,
                                          const std::optional<std::string>& address6, SocketError* error) {
    assertOnSocketQueue();
    bool use6 = ((m_config & kPreferIPv6) && address6) || !address4;
    const std::string& address = use6 ? *address6 : *address4;
    auto owned = std::make_shared<core::UniqueFd>(::socket(use6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!owned->isValid()) {
        *error = SocketError::errnoErrorWithReason("Error in socket() function");
        return false;
    }
    const auto& interface = use6 ? m_connectInterface6 : m_connectInterface4;
    if (interface) {
        uint16_t port = 0;
        net::SocketAddress::getHostPort(*interface, nullptr, &port);
        int one = 1;
        if (port != 0)
            ::setsockopt(owned->get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (::bind(owned->get(), reinterpret_cast<const sockaddr*>(interface->data()),
                   static_cast<socklen_t>(interface->size())) < 0) {
            *error = SocketError::errnoErrorWithReason("Error in bind() function");
            return false;
        }
    }
    int index = m_connectIndex;
    std::weak_ptr<AsyncTcpSocket> weak = weak_from_this();
    DispatchQueue::concurrentAsync([weak, owned, address, index, use6] {
        bool connected = ::connect(owned->get(), reinterpret_cast<const sockaddr*>(address.data()),
                                   static_cast<socklen_t>(address.size())) == 0;
        auto failure = connected ? SocketError{} : SocketError::errnoErrorWithReason("Error in connect() function");
        auto self = weak.lock();
        if (!self)
            return;
        self->m_socketQueue->async([self, owned, index, use6, connected, failure] {
            if (index != self->m_connectIndex || !(self->m_flags & kStarted))
                return; // the attempt ended meanwhile: the descriptor goes with `owned`
            if (!connected) {
                self->didNotConnect(index, failure);
                return;
            }
            (use6 ? self->m_socket6FD : self->m_socket4FD) = std::move(*owned);
            self->didConnect(index);
        });
    });
    return true;
}

void AsyncTcpSocket::didConnect(int index) {
    assertOnSocketQueue();
    if (index != m_connectIndex)
        return;
    m_flags |= kConnected;
    endConnectTimeout();
    int fd = connectedFD();
    if (!setNonBlocking(fd)) {
        closeWithError(SocketError::errnoErrorWithReason("Error enabling non-blocking IO on socket (fcntl)"));
        return;
    }
    auto host = connectedHost();
    auto port = connectedPort();
    notifyDelegate([host, port](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
        d.socketDidConnectToHost(s, host.value_or(""), port);
    });
    setupReadAndWriteSources(fd);
}

void AsyncTcpSocket::didNotConnect(int index, const SocketError& error) {
    assertOnSocketQueue();
    if (index != m_connectIndex)
        return;
    endConnectTimeout();
    closeWithError(error);
}

void AsyncTcpSocket::startConnectTimeout(double timeout) {
    assertOnSocketQueue();
    if (timeout < 0)
        return;
    m_connectTimer = DispatchSource::makeTimer(m_socketQueue);
    auto weak = weak_from_this();
    m_connectTimer->setEventHandler([weak] {
        if (auto self = weak.lock()) {
            self->endConnectTimeout();
            self->closeWithError(SocketError::connectTimeoutError());
        }
    });
    m_connectTimer->setTimer(toNanos(timeout), std::chrono::nanoseconds(0));
    m_connectTimer->resume();
}

void AsyncTcpSocket::endConnectTimeout() {
    assertOnSocketQueue();
    if (m_connectTimer) {
        m_connectTimer->cancel();
        m_connectTimer.reset();
    }
    ++m_connectIndex;
    m_connectInterface4.reset();
    m_connectInterface6.reset();
}

} // namespace pw
