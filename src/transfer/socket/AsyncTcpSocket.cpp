#include "transfer/socket/AsyncTcpSocket.h"

#include "platform/core/Assert.h"
#include "platform/net/SocketAddress.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace pw {

using core::DispatchQueue;
using core::DispatchSource;

namespace {
enum : uint32_t {
    kStarted = 1 << 0,
    kConnected = 1 << 1,
    kNoNewReadsWrites = 1 << 2,
    kReadsPaused = 1 << 3,
    kWritesPaused = 1 << 4,
    kCloseAfterReads = 1 << 5,
    kCloseAfterWrites = 1 << 6,
    kCanWrite = 1 << 7,
    kReadSourceSuspended = 1 << 8,
    kWriteSourceSuspended = 1 << 9,
    kTLSQueued = 1 << 10,
    kReadSideAwaitingTLS = 1 << 11,
    kWriteSideAwaitingTLS = 1 << 12,
    kSecure = 1 << 13,
    kReadEOF = 1 << 14,
    kReadStreamClosed = 1 << 15,
};
enum : uint16_t {
    kIPv4Disabled = 1 << 0,
    kIPv6Disabled = 1 << 1,
    kPreferIPv6 = 1 << 2,
    kKeepOpenOnReadEOF = 1 << 3,
};

constexpr std::chrono::milliseconds kAcceptRetryDelay{100};

std::chrono::nanoseconds toNanos(double seconds) {
    return std::chrono::nanoseconds(static_cast<long long>(seconds * 1e9));
}

bool setNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}
} // namespace

struct AsyncTcpSocket::ReadPacket {
    std::string buffer; // holds exactly bytesDone bytes
    size_t bytesDone = 0;
    size_t maxLength = 0;
    double timeout = -1;
    size_t readLength = 0;
    std::string term;
    long tag = 0;
    std::shared_ptr<net::TlsSession::Settings> tlsSettings; // set: the TLS start marker

    // Bytes a read that is not a terminator read may take of `hint`.
    size_t readLengthForNonTermWithHint(size_t hint) const {
        size_t limit = readLength > 0 ? readLength : maxLength;
        if (limit == 0)
            return hint;
        return std::min(hint, limit - bytesDone);
    }
};

struct AsyncTcpSocket::WritePacket {
    std::string buffer;
    size_t bytesDone = 0;
    long tag = 0;
    double timeout = -1;
    std::shared_ptr<net::TlsSession::Settings> tlsSettings; // set: the TLS start marker
};

std::shared_ptr<AsyncTcpSocket> AsyncTcpSocket::create(std::weak_ptr<AsyncTcpSocketDelegate> delegate,
                                                       Queue delegateQueue, Queue socketQueue) {
    return std::shared_ptr<AsyncTcpSocket>(
        new AsyncTcpSocket(std::move(delegate), std::move(delegateQueue), std::move(socketQueue)));
}

AsyncTcpSocket::AsyncTcpSocket(std::weak_ptr<AsyncTcpSocketDelegate> delegate, Queue delegateQueue, Queue socketQueue)
    : m_delegate(std::move(delegate)), m_delegateQueue(std::move(delegateQueue)),
      m_socketQueue(socketQueue ? std::move(socketQueue) : DispatchQueue::create("AsyncTcpSocket")) {}

AsyncTcpSocket::~AsyncTcpSocket() {
    // No one can be told of this close: the object is going away.
    auto body = [this] { closeWithError(std::nullopt); };
    if (m_socketQueue->isCurrent())
        body();
    else
        m_socketQueue->sync(body);
}

void AsyncTcpSocket::assertOnSocketQueue() const {
    PW_ASSERT_MSG(m_socketQueue->isCurrent(), "socket state is touched only on the socket's queue");
}

template <class F>
auto AsyncTcpSocket::onSocketQueue(F f) const -> decltype(f()) {
    if (m_socketQueue->isCurrent())
        return f();
    if constexpr (std::is_void_v<decltype(f())>) {
        m_socketQueue->sync(f);
    } else {
        decltype(f()) result{};
        m_socketQueue->sync([&] { result = f(); });
        return result;
    }
}

void AsyncTcpSocket::runOnSocketQueue(std::function<void()> f, bool synchronously) {
    if (m_socketQueue->isCurrent()) {
        f();
    } else if (synchronously) {
        m_socketQueue->sync(f);
    } else {
        auto self = shared_from_this();
        m_socketQueue->async([self, f = std::move(f)] { f(); });
    }
}

template <class F>
void AsyncTcpSocket::notifyDelegate(F f) {
    auto self = weak_from_this().lock();
    if (!self || !m_delegateQueue)
        return;
    auto delegate = m_delegate;
    m_delegateQueue->async([self, delegate, f = std::move(f)] {
        if (auto d = delegate.lock())
            f(*d, self);
    });
}

// ----- delegate and settings -----

std::shared_ptr<AsyncTcpSocketDelegate> AsyncTcpSocket::delegate() const {
    return onSocketQueue([this] { return m_delegate.lock(); });
}

AsyncTcpSocket::Queue AsyncTcpSocket::delegateQueue() const {
    return onSocketQueue([this] { return m_delegateQueue; });
}

void AsyncTcpSocket::setDelegate(std::weak_ptr<AsyncTcpSocketDelegate> delegate, bool synchronously) {
    runOnSocketQueue([this, delegate] { m_delegate = delegate; }, synchronously);
}

void AsyncTcpSocket::setDelegateQueue(Queue queue, bool synchronously) {
    runOnSocketQueue([this, queue] { m_delegateQueue = queue; }, synchronously);
}

void AsyncTcpSocket::setDelegateAndQueue(std::weak_ptr<AsyncTcpSocketDelegate> delegate, Queue queue,
                                         bool synchronously) {
    runOnSocketQueue(
        [this, delegate, queue] {
            m_delegate = delegate;
            m_delegateQueue = queue;
        },
        synchronously);
}

bool AsyncTcpSocket::isIPv4Enabled() const {
    return onSocketQueue([this] { return !(m_config & kIPv4Disabled); });
}
bool AsyncTcpSocket::isIPv6Enabled() const {
    return onSocketQueue([this] { return !(m_config & kIPv6Disabled); });
}
bool AsyncTcpSocket::isIPv4PreferredOverIPv6() const {
    return onSocketQueue([this] { return !(m_config & kPreferIPv6); });
}
bool AsyncTcpSocket::autoDisconnectOnClosedReadStream() const {
    return onSocketQueue([this] { return !(m_config & kKeepOpenOnReadEOF); });
}

namespace {
void setBit(uint16_t& config, uint16_t bit, bool set) {
    if (set)
        config |= bit;
    else
        config &= static_cast<uint16_t>(~bit);
}
} // namespace

void AsyncTcpSocket::setIPv4Enabled(bool on) {
    runOnSocketQueue([this, on] { setBit(m_config, kIPv4Disabled, !on); }, false);
}
void AsyncTcpSocket::setIPv6Enabled(bool on) {
    runOnSocketQueue([this, on] { setBit(m_config, kIPv6Disabled, !on); }, false);
}
void AsyncTcpSocket::setPreferIPv4OverIPv6(bool on) {
    runOnSocketQueue([this, on] { setBit(m_config, kPreferIPv6, !on); }, false);
}
void AsyncTcpSocket::setAutoDisconnectOnClosedReadStream(bool on) {
    runOnSocketQueue([this, on] { setBit(m_config, kKeepOpenOnReadEOF, !on); }, false);
}

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
    if (!m_delegate.lock()) {
        *error = SocketError::badConfigError("Attempting to accept without a delegate. Set a delegate first.");
        return false;
    }
    if (!m_delegateQueue) {
        *error =
            SocketError::badConfigError("Attempting to accept without a delegate queue. Set a delegate queue first.");
        return false;
    }
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
    if (!interface4 && !interface6) {
        *error = SocketError::badParamError(
            "Unknown interface. Specify valid interface by name (e.g. \"en1\") or IP address.");
        return false;
    }
    if ((m_config & kIPv4Disabled) && !interface6) {
        *error = SocketError::badParamError("IPv4 has been disabled and specified interface doesn't support IPv6.");
        return false;
    }
    if ((m_config & kIPv6Disabled) && !interface4) {
        *error = SocketError::badParamError("IPv6 has been disabled and specified interface doesn't support IPv4.");
        return false;
    }
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

void AsyncTcpSocket::suspendReadSource() {
    assertOnSocketQueue();
    if (m_readSource && !(m_flags & kReadSourceSuspended)) {
        m_readSource->suspend();
        m_flags |= kReadSourceSuspended;
    }
}
void AsyncTcpSocket::resumeReadSource() {
    assertOnSocketQueue();
    if (m_readSource && (m_flags & kReadSourceSuspended)) {
        m_readSource->resume();
        m_flags &= ~kReadSourceSuspended;
    }
}
void AsyncTcpSocket::suspendWriteSource() {
    assertOnSocketQueue();
    if (m_writeSource && !(m_flags & kWriteSourceSuspended)) {
        m_writeSource->suspend();
        m_flags |= kWriteSourceSuspended;
    }
}
void AsyncTcpSocket::resumeWriteSource() {
    assertOnSocketQueue();
    if (m_writeSource && (m_flags & kWriteSourceSuspended)) {
        m_writeSource->resume();
        m_flags &= ~kWriteSourceSuspended;
    }
}

// ----- connecting -----

bool AsyncTcpSocket::connectToHost(const std::string& host, uint16_t port, double timeout, SocketError* error) {
    SocketError err;
    bool ok = onSocketQueue([&]() -> bool {
        if (host.empty()) {
            err = SocketError::badParamError(
                "Invalid host parameter (nil or \"\"). Should be a domain name or IP address string.");
            return false;
        }
        if (!m_delegate.lock()) {
            err = SocketError::badConfigError("Attempting to connect without a delegate. Set a delegate first.");
            return false;
        }
        if (!m_delegateQueue) {
            err = SocketError::badConfigError(
                "Attempting to connect without a delegate queue. Set a delegate queue first.");
            return false;
        }
        if (m_flags & kStarted) {
            err = SocketError::badConfigError(
                "Attempting to connect while connected or accepting connections. Disconnect first.");
            return false;
        }
        if ((m_config & kIPv4Disabled) && (m_config & kIPv6Disabled)) {
            err = SocketError::badConfigError(
                "Both IPv4 and IPv6 have been disabled. Must enable at least one protocol first.");
            return false;
        }
        m_readQueue.clear();
        m_writeQueue.clear();
        m_flags |= kStarted;
        int index = m_connectIndex;
        uint16_t config = m_config;
        auto self = shared_from_this();
        DispatchQueue::concurrentAsync([self, host, port, index, config] {
            std::optional<std::string> a4, a6;
            SocketError failure;
            bool failed = false;
            if (host == "localhost" || host == "loopback") {
                a4 = net::SocketAddress::loopback4(port);
                a6 = net::SocketAddress::loopback6(port);
            } else {
                addrinfo hints{};
                hints.ai_family = AF_UNSPEC;
                hints.ai_socktype = SOCK_STREAM;
                hints.ai_protocol = IPPROTO_TCP;
                addrinfo* res = nullptr;
                int gai = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &res);
                if (gai != 0) {
                    failed = true;
                    failure = SocketError::gaiError(gai);
                } else {
                    for (auto* r = res; r; r = r->ai_next) {
                        if (r->ai_family == AF_INET && !a4)
                            a4 = std::string(reinterpret_cast<char*>(r->ai_addr), r->ai_addrlen);
                        if (r->ai_family == AF_INET6 && !a6)
                            a6 = std::string(reinterpret_cast<char*>(r->ai_addr), r->ai_addrlen);
                    }
                    ::freeaddrinfo(res);
                    if (!a4 && !a6) {
                        failed = true;
                        failure = SocketError::gaiError(EAI_FAIL);
                    }
                }
            }
            if (!failed) {
                if (config & kIPv4Disabled)
                    a4.reset();
                if (config & kIPv6Disabled)
                    a6.reset();
                if (!a4 && !a6) {
                    failed = true;
                    failure = SocketError::otherError(
                        (config & kIPv4Disabled) ? "IPv4 has been disabled and DNS lookup found no IPv6 address."
                                                 : "IPv6 has been disabled and DNS lookup found no IPv4 address.");
                }
            }
            if (failed) {
                self->m_socketQueue->async([self, index, failure] { self->didNotConnect(index, failure); });
                return;
            }
            bool use6 = ((config & kPreferIPv6) && a6) || !a4;
            const std::string& addr = use6 ? *a6 : *a4;
            auto owned =
                std::make_shared<core::UniqueFd>(::socket(use6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
            int fd = owned->get();
            if (fd < 0) {
                auto e = SocketError::errnoErrorWithReason("Error in socket() function");
                self->m_socketQueue->async([self, index, e] { self->didNotConnect(index, e); });
                return;
            }
            if (::connect(fd, reinterpret_cast<const sockaddr*>(addr.data()), static_cast<socklen_t>(addr.size())) <
                0) {
                auto e = SocketError::errnoErrorWithReason("Error in connect() function");
                owned->reset();
                self->m_socketQueue->async([self, index, e] { self->didNotConnect(index, e); });
                return;
            }
            self->m_socketQueue->async([self, index, owned, use6] {
                if (index != self->m_connectIndex || !(self->m_flags & kStarted))
                    return; // the attempt ended meanwhile: the descriptor goes with `owned`
                if (use6)
                    self->m_socket6FD = std::move(*owned);
                else
                    self->m_socket4FD = std::move(*owned);
                self->didConnect(index);
            });
        });
        startConnectTimeout(timeout);
        return true;
    });
    if (!ok && error)
        *error = err;
    return ok;
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
}

// ----- reading -----

void AsyncTcpSocket::readDataWithTimeout(double timeout, long tag, size_t maxLength) {
    auto p = std::make_unique<ReadPacket>();
    p->timeout = timeout;
    p->tag = tag;
    p->maxLength = maxLength;
    queueRead(std::move(p));
}

void AsyncTcpSocket::readDataToLength(size_t length, double timeout, long tag) {
    if (length == 0)
        return;
    auto p = std::make_unique<ReadPacket>();
    p->readLength = length;
    p->timeout = timeout;
    p->tag = tag;
    queueRead(std::move(p));
}

void AsyncTcpSocket::readDataToData(std::string terminator, double timeout, long tag, size_t maxLength) {
    if (terminator.empty())
        return;
    if (maxLength > 0 && maxLength < terminator.size())
        return;
    auto p = std::make_unique<ReadPacket>();
    p->term = std::move(terminator);
    p->timeout = timeout;
    p->tag = tag;
    p->maxLength = maxLength;
    queueRead(std::move(p));
}

void AsyncTcpSocket::queueRead(std::unique_ptr<ReadPacket> packet) {
    auto self = shared_from_this();
    auto* raw = packet.release();
    m_socketQueue->async([self, raw] {
        std::unique_ptr<ReadPacket> p(raw);
        if ((self->m_flags & kStarted) && !(self->m_flags & kNoNewReadsWrites)) {
            self->m_readQueue.push_back(std::move(p));
            self->maybeDequeueRead();
        }
    });
}

void AsyncTcpSocket::maybeDequeueRead() {
    assertOnSocketQueue();
    if (m_currentRead || !(m_flags & kConnected))
        return;
    if (!m_readQueue.empty()) {
        m_currentRead = std::move(m_readQueue.front());
        m_readQueue.pop_front();
        if (m_currentRead->tlsSettings) {
            m_flags |= kReadSideAwaitingTLS;
            maybeStartTLS();
            return;
        }
        setupReadTimer(m_currentRead->timeout);
        doReadData();
    } else if (m_flags & kCloseAfterReads) {
        if (!(m_flags & kCloseAfterWrites) || (m_writeQueue.empty() && !m_currentWrite))
            closeWithError(std::nullopt);
    }
}

// For a terminator read: how many prebuffer bytes to move into the packet,
// up to and including the terminator when it is found.
size_t AsyncTcpSocket::takeFromPreBuffer(ReadPacket& packet, bool* done) {
    assertOnSocketQueue();
    const std::string& term = packet.term;
    size_t p = m_partialReadBuffer.size();
    size_t t = term.size();
    if (packet.bytesDone + p < t)
        return p;
    size_t m = p;
    if (packet.maxLength > 0 && packet.maxLength > packet.bytesDone)
        m = std::min(m, packet.maxLength - packet.bytesDone);
    // A terminator that began in the bytes already stored.
    size_t b = std::min(packet.bytesDone, t - 1);
    if (b > 0) {
        std::string edge = packet.buffer.substr(packet.buffer.size() - b);
        edge.append(m_partialReadBuffer, 0, std::min(m, t - 1));
        auto pos = edge.find(term);
        if (pos != std::string::npos) {
            *done = true;
            return pos + t - b;
        }
    }
    auto pos = std::string_view(m_partialReadBuffer).substr(0, m).find(term);
    if (pos != std::string_view::npos) {
        *done = true;
        return pos + t;
    }
    return p;
}

void AsyncTcpSocket::doReadData() {
    assertOnSocketQueue();
    if (!m_currentRead || (m_flags & kReadsPaused)) {
        if (m_socketFDBytesAvailable > 0)
            suspendReadSource(); // it would fire without end
        return;
    }
    if (m_currentRead->tlsSettings) {
        // Waiting for the write side to reach the TLS start too.
        if (!(m_flags & kWriteSideAwaitingTLS))
            suspendReadSource();
        return;
    }
    bool secure = (m_flags & kSecure) && m_tls;
    size_t tlsPending = secure ? m_tls->pending() : 0;
    bool hasBytesAvailable = m_socketFDBytesAvailable > 0 || tlsPending > 0;
    if (!hasBytesAvailable && m_partialReadBuffer.empty()) {
        resumeReadSource();
        return;
    }
    ReadPacket& pkt = *m_currentRead;
    size_t total = 0;
    bool done = false;
    bool waiting = false;
    bool socketEOF = m_flags & kReadEOF;
    std::optional<SocketError> error;
    bool isTerm = !pkt.term.empty();

    auto moveFromPreBuffer = [&](size_t n) {
        pkt.buffer.append(m_partialReadBuffer, 0, n);
        m_partialReadBuffer.erase(0, n);
        pkt.bytesDone += n;
        total += n;
    };

    if (!m_partialReadBuffer.empty()) {
        size_t n =
            isTerm ? takeFromPreBuffer(pkt, &done) : pkt.readLengthForNonTermWithHint(m_partialReadBuffer.size());
        moveFromPreBuffer(n);
        if (pkt.readLength > 0) {
            done = pkt.bytesDone == pkt.readLength;
        } else if (isTerm) {
            if (!done && pkt.maxLength > 0 && pkt.bytesDone >= pkt.maxLength)
                error = SocketError::readMaxedOutError();
        } else {
            done = pkt.maxLength > 0 && pkt.bytesDone >= pkt.maxLength;
        }
    }

    if (!done && !error && !socketEOF && hasBytesAvailable) {
        size_t estimate = std::max<size_t>(m_socketFDBytesAvailable, tlsPending);
        size_t toRead;
        if (isTerm) {
            toRead = estimate;
            if (pkt.maxLength > 0)
                toRead = std::min(toRead, pkt.maxLength - pkt.bytesDone);
        } else {
            toRead = pkt.readLengthForNonTermWithHint(estimate);
        }
        toRead = std::max<size_t>(toRead, 1);
        // Terminator reads go through the prebuffer so bytes beyond the
        // terminator stay for the next read; the others go straight in.
        std::string& target = isTerm ? m_partialReadBuffer : pkt.buffer;
        size_t old = target.size();
        target.resize(old + toRead);
        ssize_t r;
        if (secure) {
            size_t got = 0;
            switch (m_tls->read(target.data() + old, toRead, &got)) {
            case net::TlsSession::Result::Done:
                r = static_cast<ssize_t>(got);
                break;
            case net::TlsSession::Result::WantRead:
            case net::TlsSession::Result::WantWrite:
                r = -1;
                errno = EAGAIN;
                break;
            case net::TlsSession::Result::Closed:
                r = 0;
                break;
            default:
                r = -1;
                errno = EPROTO;
                break;
            }
        } else {
            r = ::recv(connectedFD(), target.data() + old, toRead, 0);
        }
        if (r < 0 && secure && errno == EPROTO) {
            target.resize(old);
            auto e = SocketError::sslError(m_tls->lastErrorCode());
            e.description = m_tls->lastError();
            error = e;
            m_socketFDBytesAvailable = 0;
        } else if (r < 0) {
            target.resize(old);
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                waiting = true;
            else
                error = SocketError::errnoErrorWithReason("Error in read() function");
            m_socketFDBytesAvailable = 0;
        } else if (r == 0) {
            target.resize(old);
            socketEOF = true;
            m_socketFDBytesAvailable = 0;
        } else {
            size_t got = static_cast<size_t>(r);
            target.resize(old + got);
            if (secure) {
                // Raw and decrypted counts differ: what is left is what the
                // session holds; the source tells of the rest.
                m_socketFDBytesAvailable = m_tls->pending();
            } else {
                m_socketFDBytesAvailable = m_socketFDBytesAvailable > got ? m_socketFDBytesAvailable - got : 0;
            }
            if (m_socketFDBytesAvailable == 0)
                waiting = true;
            if (isTerm) {
                moveFromPreBuffer(takeFromPreBuffer(pkt, &done));
                if (!done && pkt.maxLength > 0 && pkt.bytesDone >= pkt.maxLength)
                    error = SocketError::readMaxedOutError();
            } else {
                pkt.bytesDone += got;
                total += got;
                done = pkt.readLength > 0 ? pkt.bytesDone == pkt.readLength : true;
            }
        }
    }
    if (!isTerm && pkt.readLength == 0 && total > 0)
        done = true;

    if (done && !error) {
        long tag = pkt.tag;
        (void)tag;
        completeCurrentRead();
        if (!socketEOF || !m_partialReadBuffer.empty())
            maybeDequeueRead();
    } else if (total > 0 && !error) {
        long tag = pkt.tag;
        notifyDelegate([total, tag](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
            d.socketDidReadPartialDataOfLength(s, total, tag);
        });
    }

    if (error) {
        closeWithError(error);
    } else if (socketEOF) {
        if (m_flags & kStarted)
            doReadEOF();
    } else if (waiting) {
        resumeReadSource();
    }
}

void AsyncTcpSocket::doReadEOF() {
    assertOnSocketQueue();
    m_flags |= kReadEOF;
    bool shouldDisconnect;
    if (m_flags & kReadStreamClosed) {
        shouldDisconnect = false;
    } else if (!m_partialReadBuffer.empty()) {
        shouldDisconnect = false; // queued reads can still take these bytes
    } else if (m_config & kKeepOpenOnReadEOF) {
        shouldDisconnect = false;
        m_flags |= kReadStreamClosed;
        notifyDelegate(
            [](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) { d.socketDidCloseReadStream(s); });
    } else {
        shouldDisconnect = true;
    }
    if (shouldDisconnect)
        closeWithError(SocketError::connectionClosedError());
    else
        suspendReadSource();
}

void AsyncTcpSocket::completeCurrentRead() {
    assertOnSocketQueue();
    auto data = std::make_shared<std::string>(std::move(m_currentRead->buffer));
    long tag = m_currentRead->tag;
    notifyDelegate([data, tag](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
        d.socketDidReadData(s, *data, tag);
    });
    endCurrentRead();
}

void AsyncTcpSocket::endCurrentRead() {
    assertOnSocketQueue();
    // The timer stays for the next read: disarming is cheaper than a new one.
    if (m_readTimer)
        m_readTimer->clearTimer();
    m_currentRead.reset();
}

void AsyncTcpSocket::setupReadTimer(double timeout) {
    armTimer(m_readTimer, timeout, &AsyncTcpSocket::doReadTimeout);
}

void AsyncTcpSocket::doReadTimeout() {
    assertOnSocketQueue();
    if (!m_currentRead)
        return;
    m_flags |= kReadsPaused;
    askForTimeoutExtension(m_currentRead->tag, m_currentRead->timeout, m_currentRead->bytesDone,
                           &AsyncTcpSocketDelegate::socketShouldTimeoutReadWithTag,
                           &AsyncTcpSocket::doReadTimeoutWithExtension);
}

void AsyncTcpSocket::doReadTimeoutWithExtension(double extension) {
    assertOnSocketQueue();
    if (!m_currentRead)
        return;
    if (extension > 0) {
        m_currentRead->timeout += extension;
        if (m_readTimer)
            m_readTimer->setTimer(toNanos(extension), std::chrono::nanoseconds(0));
        m_flags &= ~kReadsPaused;
        doReadData();
    } else {
        closeWithError(SocketError::readTimeoutError());
    }
}

// Read and write timers share one life: made on first use, kept armed for
// the next packet, firing into the socket queue while the socket lives.
void AsyncTcpSocket::armTimer(std::shared_ptr<DispatchSource>& timer, double timeout,
                              void (AsyncTcpSocket::*onTimeout)()) {
    assertOnSocketQueue();
    if (timeout < 0)
        return;
    if (!timer) {
        timer = DispatchSource::makeTimer(m_socketQueue);
        auto weak = weak_from_this();
        timer->setEventHandler([weak, onTimeout] {
            if (auto self = weak.lock())
                (self.get()->*onTimeout)();
        });
        timer->resume();
    }
    timer->setTimer(toNanos(timeout), std::chrono::nanoseconds(0));
}

// The delegate may grant more time on its own queue; its answer (0 without a
// delegate) comes back to the socket queue.
void AsyncTcpSocket::askForTimeoutExtension(long tag, double elapsed, size_t bytesDone, ShouldTimeoutQuery query,
                                            void (AsyncTcpSocket::*withExtension)(double)) {
    auto d = m_delegate.lock();
    if (m_delegateQueue && d) {
        auto self = shared_from_this();
        auto delegate = m_delegate;
        m_delegateQueue->async([self, delegate, tag, elapsed, bytesDone, query, withExtension] {
            double extension = 0;
            if (auto dd = delegate.lock())
                extension = (dd.get()->*query)(self, tag, elapsed, bytesDone);
            self->m_socketQueue->async([self, extension, withExtension] { (self.get()->*withExtension)(extension); });
        });
    } else {
        (this->*withExtension)(0);
    }
}

// ----- writing -----

void AsyncTcpSocket::writeData(std::string data, double timeout, long tag) {
    if (data.empty())
        return;
    auto* p = new WritePacket{std::move(data), 0, tag, timeout, nullptr};
    auto self = shared_from_this();
    m_socketQueue->async([self, p] {
        std::unique_ptr<WritePacket> packet(p);
        if ((self->m_flags & kStarted) && !(self->m_flags & kNoNewReadsWrites)) {
            self->m_writeQueue.push_back(std::move(packet));
            self->maybeDequeueWrite();
        }
    });
}

void AsyncTcpSocket::maybeDequeueWrite() {
    assertOnSocketQueue();
    if (m_currentWrite || !(m_flags & kConnected))
        return;
    if (!m_writeQueue.empty()) {
        m_currentWrite = std::move(m_writeQueue.front());
        m_writeQueue.pop_front();
        if (m_currentWrite->tlsSettings) {
            m_flags |= kWriteSideAwaitingTLS;
            maybeStartTLS();
            return;
        }
        setupWriteTimer(m_currentWrite->timeout);
        doWriteData();
    } else if (m_flags & kCloseAfterWrites) {
        if (!(m_flags & kCloseAfterReads) || (m_readQueue.empty() && !m_currentRead))
            closeWithError(std::nullopt);
    }
}

void AsyncTcpSocket::doWriteData() {
    assertOnSocketQueue();
    if (!m_currentWrite || (m_flags & kWritesPaused)) {
        if (m_flags & kCanWrite)
            suspendWriteSource(); // it would fire without end
        return;
    }
    if (!(m_flags & kCanWrite)) {
        resumeWriteSource();
        return;
    }
    WritePacket& pkt = *m_currentWrite;
    if (pkt.tlsSettings) {
        // Waiting for the read side to reach the TLS start too.
        if (!(m_flags & kReadSideAwaitingTLS))
            suspendWriteSource();
        return;
    }
    size_t remaining = pkt.buffer.size() - pkt.bytesDone;
    bool waiting = false;
    std::optional<SocketError> error;
    size_t written = 0;
    ssize_t r;
    if ((m_flags & kSecure) && m_tls) {
        size_t n = 0;
        switch (m_tls->write(pkt.buffer.data() + pkt.bytesDone, remaining, &n)) {
        case net::TlsSession::Result::Done:
            r = static_cast<ssize_t>(n);
            break;
        case net::TlsSession::Result::WantRead:
        case net::TlsSession::Result::WantWrite:
            r = -1;
            errno = EAGAIN;
            break;
        default: {
            auto e = SocketError::sslError(m_tls->lastErrorCode());
            e.description = m_tls->lastError();
            error = e;
            r = 0;
            break;
        }
        }
    } else {
        r = ::send(connectedFD(), pkt.buffer.data() + pkt.bytesDone, remaining, MSG_NOSIGNAL);
    }
    if (error) {
        // reported below
    } else if (r < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            waiting = true;
        else
            error = SocketError::errnoErrorWithReason("Error in write() function");
    } else {
        written = static_cast<size_t>(r);
    }
    if (waiting) {
        m_flags &= ~kCanWrite;
        resumeWriteSource();
    }
    pkt.bytesDone += written;
    bool done = !error && pkt.bytesDone == pkt.buffer.size();
    if (done) {
        completeCurrentWrite();
        maybeDequeueWrite();
        return;
    }
    if (!error) {
        if (!waiting) {
            m_flags &= ~kCanWrite;
            resumeWriteSource();
        }
        if (written > 0) {
            long tag = pkt.tag;
            notifyDelegate([written, tag](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
                d.socketDidWritePartialDataOfLength(s, written, tag);
            });
        }
        return;
    }
    closeWithError(error);
}

void AsyncTcpSocket::completeCurrentWrite() {
    assertOnSocketQueue();
    long tag = m_currentWrite->tag;
    notifyDelegate([tag](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
        d.socketDidWriteDataWithTag(s, tag);
    });
    endCurrentWrite();
}

void AsyncTcpSocket::endCurrentWrite() {
    assertOnSocketQueue();
    // The timer stays for the next write: disarming is cheaper than a new one.
    if (m_writeTimer)
        m_writeTimer->clearTimer();
    m_currentWrite.reset();
}

void AsyncTcpSocket::setupWriteTimer(double timeout) {
    armTimer(m_writeTimer, timeout, &AsyncTcpSocket::doWriteTimeout);
}

void AsyncTcpSocket::doWriteTimeout() {
    assertOnSocketQueue();
    if (!m_currentWrite)
        return;
    m_flags |= kWritesPaused;
    askForTimeoutExtension(m_currentWrite->tag, m_currentWrite->timeout, m_currentWrite->bytesDone,
                           &AsyncTcpSocketDelegate::socketShouldTimeoutWriteWithTag,
                           &AsyncTcpSocket::doWriteTimeoutWithExtension);
}

void AsyncTcpSocket::doWriteTimeoutWithExtension(double extension) {
    assertOnSocketQueue();
    if (!m_currentWrite)
        return;
    if (extension > 0) {
        m_currentWrite->timeout += extension;
        if (m_writeTimer)
            m_writeTimer->setTimer(toNanos(extension), std::chrono::nanoseconds(0));
        m_flags &= ~kWritesPaused;
        doWriteData();
    } else {
        closeWithError(SocketError::writeTimeoutError());
    }
}

// ----- TLS -----

void AsyncTcpSocket::startTLS(TlsSettings settings) {
    auto shared = std::make_shared<TlsSettings>(std::move(settings));
    auto self = shared_from_this();
    m_socketQueue->async([self, shared] {
        uint32_t f = self->m_flags;
        if (!(f & kStarted) || (f & kNoNewReadsWrites) || (f & kTLSQueued))
            return;
        auto r = std::make_unique<ReadPacket>();
        r->tlsSettings = shared;
        auto w = std::make_unique<WritePacket>();
        w->tlsSettings = shared;
        self->m_readQueue.push_back(std::move(r));
        self->m_writeQueue.push_back(std::move(w));
        self->m_flags |= kTLSQueued;
        self->maybeDequeueRead();
        self->maybeDequeueWrite();
    });
}

bool AsyncTcpSocket::handshakeInProgress() const {
    return (m_flags & kReadSideAwaitingTLS) && (m_flags & kWriteSideAwaitingTLS) && m_tls;
}

void AsyncTcpSocket::maybeStartTLS() {
    assertOnSocketQueue();
    if (!(m_flags & kReadSideAwaitingTLS) || !(m_flags & kWriteSideAwaitingTLS))
        return;
    if (!m_partialReadBuffer.empty()) {
        closeWithError(SocketError::otherError("Invalid TLS transition. Handshake has already been read from socket."));
        return;
    }
    suspendReadSource();
    suspendWriteSource();
    m_socketFDBytesAvailable = 0;
    m_flags &= ~kCanWrite;
    std::string error;
    m_tls = net::TlsSession::create(connectedFD(), *m_currentRead->tlsSettings, &error);
    if (!m_tls) {
        closeWithError(SocketError::otherError(error));
        return;
    }
    continueHandshake();
}

void AsyncTcpSocket::continueHandshake() {
    assertOnSocketQueue();
    switch (m_tls->handshake()) {
    case net::TlsSession::Result::Done:
        finishSSLHandshake();
        break;
    case net::TlsSession::Result::WantRead:
        suspendWriteSource();
        resumeReadSource();
        break;
    case net::TlsSession::Result::WantWrite:
        suspendReadSource();
        resumeWriteSource();
        break;
    default: {
        auto e = SocketError::sslError(m_tls->lastErrorCode());
        e.description = m_tls->lastError().empty() ? "TLS handshake failed" : m_tls->lastError();
        abortSSLHandshake(e);
    }
    }
}

void AsyncTcpSocket::finishSSLHandshake() {
    assertOnSocketQueue();
    if (!(m_flags & kReadSideAwaitingTLS) || !(m_flags & kWriteSideAwaitingTLS))
        return;
    m_flags &= ~(kReadSideAwaitingTLS | kWriteSideAwaitingTLS);
    m_flags |= kSecure | kCanWrite;
    notifyDelegate([](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) { d.socketDidSecure(s); });
    endCurrentRead();
    endCurrentWrite();
    maybeDequeueRead();
    maybeDequeueWrite();
    if (!m_currentRead)
        resumeReadSource();
}

void AsyncTcpSocket::abortSSLHandshake(const SocketError& error) {
    assertOnSocketQueue();
    if (!(m_flags & kReadSideAwaitingTLS) || !(m_flags & kWriteSideAwaitingTLS))
        return;
    m_flags &= ~(kReadSideAwaitingTLS | kWriteSideAwaitingTLS);
    closeWithError(error);
}

// ----- closing -----

void AsyncTcpSocket::disconnect() {
    onSocketQueue([this] {
        if (m_flags & kStarted)
            closeWithError(std::nullopt);
    });
}

void AsyncTcpSocket::disconnectAfterReading() {
    auto self = shared_from_this();
    m_socketQueue->async([self] {
        if (!(self->m_flags & kStarted))
            return;
        self->m_flags |= kNoNewReadsWrites | kCloseAfterReads;
        self->maybeClose();
    });
}

void AsyncTcpSocket::disconnectAfterWriting() {
    auto self = shared_from_this();
    m_socketQueue->async([self] {
        if (!(self->m_flags & kStarted))
            return;
        self->m_flags |= kNoNewReadsWrites | kCloseAfterWrites;
        self->maybeClose();
    });
}

void AsyncTcpSocket::disconnectAfterReadingAndWriting() {
    auto self = shared_from_this();
    m_socketQueue->async([self] {
        if (!(self->m_flags & kStarted))
            return;
        self->m_flags |= kNoNewReadsWrites | kCloseAfterReads | kCloseAfterWrites;
        self->maybeClose();
    });
}

void AsyncTcpSocket::maybeClose() {
    assertOnSocketQueue();
    bool readsDone = m_readQueue.empty() && !m_currentRead;
    bool writesDone = m_writeQueue.empty() && !m_currentWrite;
    bool shouldClose = false;
    if (m_flags & kCloseAfterReads) {
        shouldClose = readsDone && (!(m_flags & kCloseAfterWrites) || writesDone);
    } else if (m_flags & kCloseAfterWrites) {
        shouldClose = writesDone;
    }
    if (shouldClose)
        closeWithError(std::nullopt);
}

void AsyncTcpSocket::closeWithError(std::optional<SocketError> error) {
    assertOnSocketQueue();
    if (m_connectTimer)
        endConnectTimeout();
    endCurrentRead();
    endCurrentWrite();
    m_readQueue.clear();
    m_writeQueue.clear();
    m_partialReadBuffer.clear();
    m_partialReadBuffer.shrink_to_fit();
    m_tls.reset();

    if (m_readTimer) {
        m_readTimer->cancel();
        m_readTimer.reset();
    }
    if (m_writeTimer) {
        m_writeTimer->cancel();
        m_writeTimer.reset();
    }
    if (m_acceptRetryPending)
        m_acceptRetryPending = false;
    if (m_accept4Source) {
        m_accept4Source->cancel();
        m_accept4Source.reset();
    }
    if (m_accept6Source) {
        m_accept6Source->cancel();
        m_accept6Source.reset();
    }
    if (m_readSource) {
        m_readSource->cancel();
        resumeReadSource();
        m_readSource.reset();
    }
    if (m_writeSource) {
        m_writeSource->cancel();
        resumeWriteSource();
        m_writeSource.reset();
    }
    ++m_connectIndex;
    bool wasStarted = m_flags & kStarted;
    m_socket4FD.reset();
    m_socket6FD.reset();
    m_socketFDBytesAvailable = 0;
    m_flags = 0;
    if (wasStarted) {
        notifyDelegate([error](AsyncTcpSocketDelegate& d, const std::shared_ptr<AsyncTcpSocket>& s) {
            d.socketDidDisconnect(s, error);
        });
    }
}

// ----- queries -----

bool AsyncTcpSocket::isDisconnected() const {
    return onSocketQueue([this] { return !(m_flags & kStarted); });
}
bool AsyncTcpSocket::isConnected() const {
    return onSocketQueue([this] { return (m_flags & kConnected) != 0; });
}
bool AsyncTcpSocket::isIPv4() const {
    return onSocketQueue([this] { return m_socket4FD.isValid(); });
}
bool AsyncTcpSocket::isIPv6() const {
    return onSocketQueue([this] { return m_socket6FD.isValid(); });
}
bool AsyncTcpSocket::isSecure() const {
    return onSocketQueue([this] { return (m_flags & kSecure) != 0; });
}

namespace {
std::optional<std::string> hostOf(const std::optional<std::string>& address) {
    std::string host;
    if (!address || !net::SocketAddress::getHostPort(*address, &host, nullptr))
        return std::nullopt;
    return host;
}
uint16_t portOf(const std::optional<std::string>& address) {
    uint16_t port = 0;
    if (!address || !net::SocketAddress::getHostPort(*address, nullptr, &port))
        return 0;
    return port;
}
} // namespace

std::optional<std::string> AsyncTcpSocket::connectedHost() const {
    return onSocketQueue([this] {
        if (m_socket4FD)
            return hostOf(net::SocketAddress::peerAddress(m_socket4FD.get()));
        return hostOf(net::SocketAddress::peerAddress(m_socket6FD.get()));
    });
}
uint16_t AsyncTcpSocket::connectedPort() const {
    return onSocketQueue([this] {
        if (m_socket4FD)
            return portOf(net::SocketAddress::peerAddress(m_socket4FD.get()));
        return portOf(net::SocketAddress::peerAddress(m_socket6FD.get()));
    });
}
std::optional<std::string> AsyncTcpSocket::localHost() const {
    return onSocketQueue([this] {
        if (m_socket4FD)
            return hostOf(net::SocketAddress::localAddress(m_socket4FD.get()));
        return hostOf(net::SocketAddress::localAddress(m_socket6FD.get()));
    });
}
uint16_t AsyncTcpSocket::localPort() const {
    return onSocketQueue([this] {
        if (m_socket4FD)
            return portOf(net::SocketAddress::localAddress(m_socket4FD.get()));
        return portOf(net::SocketAddress::localAddress(m_socket6FD.get()));
    });
}
std::optional<std::string> AsyncTcpSocket::connectedAddress() const {
    return onSocketQueue([this] {
        if (m_socket6FD)
            return net::SocketAddress::peerAddress(m_socket6FD.get());
        return net::SocketAddress::peerAddress(m_socket4FD.get());
    });
}
std::optional<std::string> AsyncTcpSocket::localAddress() const {
    return onSocketQueue([this] {
        if (m_socket6FD)
            return net::SocketAddress::localAddress(m_socket6FD.get());
        return net::SocketAddress::localAddress(m_socket4FD.get());
    });
}
int AsyncTcpSocket::socketFD() const {
    if (!m_socketQueue->isCurrent())
        return -1;
    return connectedFD();
}

const std::string& AsyncTcpSocket::CRLFData() {
    static const std::string s = "\r\n";
    return s;
}
const std::string& AsyncTcpSocket::CRData() {
    static const std::string s = "\r";
    return s;
}
const std::string& AsyncTcpSocket::LFData() {
    static const std::string s = "\n";
    return s;
}
const std::string& AsyncTcpSocket::ZeroData() {
    static const std::string s(1, '\0');
    return s;
}

} // namespace pw
