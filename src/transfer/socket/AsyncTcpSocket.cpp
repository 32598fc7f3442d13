// The socket's life, settings, closing and address queries. Accepting, connecting,
// reading, writing, time-outs and TLS live in AsyncTcpSocket<Concern>.cpp.
#include "transfer/socket/AsyncTcpSocketInternal.h"

#include "platform/net/SocketAddress.h"

namespace pw {

using core::DispatchQueue;
using core::DispatchSource;
using namespace socket_detail;

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
// The change is handed the socket instead of capturing it: queued, it keeps
// the socket alive until it has run.
void AsyncTcpSocket::runOnSocketQueue(std::function<void(AsyncTcpSocket&)> f, bool synchronously) {
    if (m_socketQueue->isCurrent()) {
        f(*this);
    } else if (synchronously) {
        m_socketQueue->sync([&] { f(*this); });
    } else {
        m_socketQueue->async([self = shared_from_this(), f = std::move(f)] { f(*self); });
    }
}

// ----- delegate and settings -----

std::shared_ptr<AsyncTcpSocketDelegate> AsyncTcpSocket::delegate() const {
    return onSocketQueue([this] { return m_delegate.lock(); });
}

AsyncTcpSocket::Queue AsyncTcpSocket::delegateQueue() const {
    return onSocketQueue([this] { return m_delegateQueue; });
}

void AsyncTcpSocket::getDelegate(std::shared_ptr<AsyncTcpSocketDelegate>* delegate, Queue* delegateQueue) const {
    onSocketQueue([&] {
        if (delegate)
            *delegate = m_delegate.lock();
        if (delegateQueue)
            *delegateQueue = m_delegateQueue;
    });
}

std::shared_ptr<void> AsyncTcpSocket::userData() const {
    return onSocketQueue([this] { return m_userData; });
}

void AsyncTcpSocket::setUserData(std::shared_ptr<void> data) {
    runOnSocketQueue([data = std::move(data)](AsyncTcpSocket& s) mutable { s.m_userData = std::move(data); }, false);
}

void AsyncTcpSocket::performBlock(const std::function<void()>& block) {
    if (m_socketQueue->isCurrent())
        block();
    else
        m_socketQueue->sync(block);
}

void AsyncTcpSocket::setDelegate(std::weak_ptr<AsyncTcpSocketDelegate> delegate, bool synchronously) {
    runOnSocketQueue([delegate](AsyncTcpSocket& s) { s.m_delegate = delegate; }, synchronously);
}

void AsyncTcpSocket::setDelegateQueue(Queue queue, bool synchronously) {
    runOnSocketQueue([queue](AsyncTcpSocket& s) { s.m_delegateQueue = queue; }, synchronously);
}

void AsyncTcpSocket::setDelegateAndQueue(std::weak_ptr<AsyncTcpSocketDelegate> delegate, Queue queue,
                                         bool synchronously) {
    runOnSocketQueue(
        [delegate, queue](AsyncTcpSocket& s) {
            s.m_delegate = delegate;
            s.m_delegateQueue = queue;
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
    runOnSocketQueue([on](AsyncTcpSocket& s) { setBit(s.m_config, kIPv4Disabled, !on); }, false);
}
void AsyncTcpSocket::setIPv6Enabled(bool on) {
    runOnSocketQueue([on](AsyncTcpSocket& s) { setBit(s.m_config, kIPv6Disabled, !on); }, false);
}
void AsyncTcpSocket::setPreferIPv4OverIPv6(bool on) {
    runOnSocketQueue([on](AsyncTcpSocket& s) { setBit(s.m_config, kPreferIPv6, !on); }, false);
}
void AsyncTcpSocket::setAutoDisconnectOnClosedReadStream(bool on) {
    runOnSocketQueue([on](AsyncTcpSocket& s) { setBit(s.m_config, kKeepOpenOnReadEOF, !on); }, false);
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

int AsyncTcpSocket::socket4FD() const {
    if (!m_socketQueue->isCurrent() || !m_socket4FD)
        return -1;
    return m_socket4FD.get();
}

int AsyncTcpSocket::socket6FD() const {
    if (!m_socketQueue->isCurrent() || !m_socket6FD)
        return -1;
    return m_socket6FD.get();
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
