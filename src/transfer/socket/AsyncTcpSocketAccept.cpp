// Listening, accepting, and the read and write sources of a connected socket.
#include "transfer/socket/AsyncTcpSocketInternal.h"

#include "platform/net/SocketAddress.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>

namespace pw {

using core::DispatchQueue;
using core::DispatchSource;
using namespace socket_detail;

// ----- accepting -----

bool AsyncTcpSocket::acceptOnPort(uint16_t port, SocketError* error) {
    return acceptOnInterface({}, port, error);
}

bool AsyncTcpSocket::acceptOnInterface(const std::string& interface, uint16_t port, SocketError* error) {
    SocketError err;
    bool ok = onSocketQueue([&] { return doAcceptOnInterface(interface, port, &err); });
    if (!ok && error)
        *error = err;
    return ok;
}

core::UniqueFd AsyncTcpSocket::createListeningSocket(int family, const std::string& address, SocketError* error) {
    core::UniqueFd owned(::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!owned) {
        *error = SocketError::errnoErrorWithReason("Error in socket() function");
        return {};
    }
    int fd = owned.get();
    auto fail = [&](const char* reason) {
        *error = SocketError::errnoErrorWithReason(reason);
        return core::UniqueFd();
    };
    if (!setNonBlocking(fd))
        return fail("Error enabling non-blocking IO on socket (fcntl)");
    int one = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) < 0)
        return fail("Error enabling address reuse (setsockopt)");
    // Both families listen on one port: the IPv6 socket must not claim IPv4.
    if (family == AF_INET6)
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(address.data()), static_cast<socklen_t>(address.size())) < 0)
        return fail("Error in bind() function");
    if (::listen(fd, 1024) < 0)
        return fail("Error in listen() function");
    return owned;
}

bool AsyncTcpSocket::doAcceptOnInterface(const std::string& interface, uint16_t port, SocketError* error) {
    assertOnSocketQueue();
    if (!checkDelegate("accept", error))
        return false;
    if ((m_config & kIPv4Disabled) && (m_config & kIPv6Disabled)) {
        *error = SocketError::badConfigError(
            "Both IPv4 and IPv6 have been disabled. Must enable at least one protocol first.");
        return false;
    }
    if (m_flags & kStarted) {
        *error = SocketError::badConfigError(
            "Attempting to accept while connected or accepting connections. Disconnect first.");
        return false;
    }
    m_readQueue.clear();
    m_writeQueue.clear();

    std::optional<std::string> interface4, interface6;
    net::SocketAddress::interfaceAddresses(interface, port, &interface4, &interface6);
    if (!checkInterfaceAddresses(interface4, interface6, error))
        return false;
    bool enableIPv4 = !(m_config & kIPv4Disabled) && interface4;
    bool enableIPv6 = !(m_config & kIPv6Disabled) && interface6;

    if (enableIPv4) {
        m_socket4FD = createListeningSocket(AF_INET, *interface4, error);
        if (!m_socket4FD)
            return false;
    }
    if (enableIPv6) {
        if (enableIPv4 && port == 0) {
            // Listen on the same port the system chose for IPv4.
            auto local = net::SocketAddress::localAddress(m_socket4FD.get());
            uint16_t chosen = 0;
            if (local)
                net::SocketAddress::getHostPort(*local, nullptr, &chosen);
            reinterpret_cast<sockaddr_in6*>(interface6->data())->sin6_port = htons(chosen);
        }
        m_socket6FD = createListeningSocket(AF_INET6, *interface6, error);
        if (!m_socket6FD) {
            m_socket4FD.reset();
            return false;
        }
    }

    auto weak = weak_from_this();
    auto makeSource = [&](int fd) {
        auto source = DispatchSource::makeAccept(fd, m_socketQueue);
        if (!source)
            return source;
        std::weak_ptr<DispatchSource> weakSource = source;
        source->setEventHandler([weak, weakSource, fd] {
            auto self = weak.lock();
            auto src = weakSource.lock();
            if (!self || !src)
                return;
            unsigned long pending = std::max(1UL, src->data());
            for (unsigned long i = 0; i < pending && self->doAccept(fd); ++i) {}
        });
        if (source)
            source->resume();
        return source;
    };
    // The descriptors stay with the socket; a source watches a duplicate of
    // its own, so closing them never races an event in flight.
    if (enableIPv4)
        m_accept4Source = makeSource(m_socket4FD.get());
    if (enableIPv6)
        m_accept6Source = makeSource(m_socket6FD.get());
    if ((enableIPv4 && !m_accept4Source) || (enableIPv6 && !m_accept6Source)) {
        *error = SocketError::errnoErrorWithReason("Error creating dispatch sources");
        closeWithError(std::nullopt);
        return false;
    }
    m_flags |= kStarted;
    return true;
}

bool AsyncTcpSocket::doAccept(int listenFD) {
    assertOnSocketQueue();
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    auto owned = std::make_shared<core::UniqueFd>(
        ::accept4(listenFD, reinterpret_cast<sockaddr*>(&addr), &len, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!owned->isValid()) {
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
            pauseAccepting();
        return false;
    }
    int childFD = owned->get();
    int one = 1;
    // Reply heads and bodies go out as separate writes; do not hold them back.
    ::setsockopt(childFD, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (!m_delegateQueue)
        return true; // nobody could own it: closed here
    bool isIPv4 = listenFD == m_socket4FD.get();
    std::string address(reinterpret_cast<const char*>(&addr),
                        addr.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6));
    auto self = shared_from_this();
    auto delegate = m_delegate;
    auto delegateQueue = m_delegateQueue;
    delegateQueue->async([self, delegate, delegateQueue, owned, childFD, isIPv4, address] {
        auto d = delegate.lock();
        Queue childQueue;
        if (d)
            childQueue = d->newSocketQueueForConnectionFromAddress(address, *self);
        auto child = create(delegate, delegateQueue, childQueue);
        // Not shared yet: nothing else can touch its state.
        if (isIPv4)
            child->m_socket4FD = std::move(*owned);
        else
            child->m_socket6FD = std::move(*owned);
        child->m_flags = kStarted | kConnected;
        child->m_socketQueue->async([child, childFD] { child->setupReadAndWriteSources(childFD); });
        if (d)
            d->socketDidAcceptNewSocket(self, child);
    });
    return true;
}

// Out of descriptors, the pending connection stays in the backlog: rather than
// spin on a listening socket that stays readable, wait a moment and try again.
void AsyncTcpSocket::pauseAccepting() {
    assertOnSocketQueue();
    if (m_acceptRetryPending)
        return;
    m_acceptRetryPending = true;
    if (m_accept4Source)
        m_accept4Source->suspend();
    if (m_accept6Source)
        m_accept6Source->suspend();
    std::weak_ptr<AsyncTcpSocket> weak = weak_from_this();
    m_socketQueue->after(kAcceptRetryDelay, [weak] {
        auto self = weak.lock();
        if (!self || !self->m_acceptRetryPending)
            return; // closed meanwhile: the sources are gone
        self->m_acceptRetryPending = false;
        if (self->m_accept4Source)
            self->m_accept4Source->resume();
        if (self->m_accept6Source)
            self->m_accept6Source->resume();
    });
}

void AsyncTcpSocket::setupReadAndWriteSources(int fd) {
    assertOnSocketQueue();
    if (fd < 0 || fd != connectedFD() || m_readSource)
        return; // closed meanwhile
    // Out of descriptors, either may fail; the close then ends the socket
    // whole, descriptor included, so the peer is not left hanging.
    m_readSource = DispatchSource::makeRead(fd, m_socketQueue);
    if (m_readSource)
        m_writeSource = DispatchSource::makeWrite(fd, m_socketQueue);
    if (!m_readSource || !m_writeSource) {
        closeWithError(SocketError::errnoErrorWithReason("Error creating dispatch sources"));
        return;
    }
    // Reading only moves what has arrived into the socket and hands it on,
    // and writing hands the next bytes to the kernel (at most one file
    // piece): the reactor may do either itself while the socket's queue is
    // idle, instead of waking a thread for it.
    m_readSource->setRunsOnReactorWhenIdle(true);
    m_writeSource->setRunsOnReactorWhenIdle(true);
    auto weak = weak_from_this();
    std::weak_ptr<DispatchSource> weakRead = m_readSource;
    m_readSource->setEventHandler([weak, weakRead] {
        auto self = weak.lock();
        auto src = weakRead.lock();
        if (!self || !src)
            return;
        if (self->handshakeInProgress()) {
            self->continueHandshake();
            return;
        }
        self->m_socketFDBytesAvailable = src->data();
        if (self->m_socketFDBytesAvailable > 0) {
            self->doReadData();
            return;
        }
        // Nothing readable: the end of input, or a readiness that a read made
        // meanwhile has already used up.
        char c;
        ssize_t n = ::recv(self->connectedFD(), &c, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) {
            int avail = 0;
            ::ioctl(self->connectedFD(), FIONREAD, &avail);
            self->m_socketFDBytesAvailable = avail > 0 ? static_cast<unsigned long>(avail) : 1;
            self->doReadData();
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            self->doReadEOF();
        }
    });
    m_writeSource->setEventHandler([weak] {
        auto self = weak.lock();
        if (!self)
            return;
        if (self->handshakeInProgress()) {
            self->continueHandshake();
            return;
        }
        self->m_flags |= kCanWrite;
        self->doWriteData();
    });
    m_socketFDBytesAvailable = 0;
    m_flags &= ~kReadSourceSuspended;
    m_readSource->resume();
    m_flags |= kCanWrite;
    m_flags |= kWriteSourceSuspended;

    // Reads and writes queued before the sources existed.
    maybeDequeueRead();
    if (m_currentWrite)
        doWriteData();
    else
        maybeDequeueWrite();
}

// A source is suspended at most once by the socket, so one flag tells its state.
void AsyncTcpSocket::setSuspended(const std::shared_ptr<DispatchSource>& source, uint32_t flag, bool suspended) {
    assertOnSocketQueue();
    if (!source || suspended == ((m_flags & flag) != 0))
        return;
    if (suspended) {
        source->suspend();
        m_flags |= flag;
    } else {
        source->resume();
        m_flags &= ~flag;
    }
}
void AsyncTcpSocket::suspendReadSource() {
    setSuspended(m_readSource, kReadSourceSuspended, true);
}
void AsyncTcpSocket::resumeReadSource() {
    setSuspended(m_readSource, kReadSourceSuspended, false);
}
void AsyncTcpSocket::suspendWriteSource() {
    setSuspended(m_writeSource, kWriteSourceSuspended, true);
}
void AsyncTcpSocket::resumeWriteSource() {
    setSuspended(m_writeSource, kWriteSourceSuspended, false);
}

bool AsyncTcpSocket::checkDelegate(const std::string& action, SocketError* error) const {
    if (!m_delegate.lock()) {
        *error = SocketError::badConfigError("Attempting to " + action + " without a delegate. Set a delegate first.");
        return false;
    }
    if (!m_delegateQueue) {
        *error = SocketError::badConfigError("Attempting to " + action +
                                             " without a delegate queue. Set a delegate queue first.");
        return false;
    }
    return true;
}

bool AsyncTcpSocket::checkInterfaceAddresses(const std::optional<std::string>& address4,
                                             const std::optional<std::string>& address6, SocketError* error) const {
    if (!address4 && !address6) {
        *error = SocketError::badParamError(
            "Unknown interface. Specify valid interface by name (e.g. \"en1\") or IP address.");
        return false;
    }
    if ((m_config & kIPv4Disabled) && !address6) {
        *error = SocketError::badParamError("IPv4 has been disabled and specified interface doesn't support IPv6.");
        return false;
    }
    if ((m_config & kIPv6Disabled) && !address4) {
        *error = SocketError::badParamError("IPv6 has been disabled and specified interface doesn't support IPv4.");
        return false;
    }
    return true;
}

} // namespace pw
