#pragma once
// The TCP socket under the built-in web server. All state lives on one serial
// queue per socket; results go to a delegate on the delegate's own queue.
// Reads and writes are queued with a time-out (negative: none) and a tag, and
// each finishes in exactly one delegate call carrying that tag, or in the
// socket's close.
#include "platform/core/DispatchQueue.h"
#include "platform/core/DispatchSource.h"
#include "platform/core/UniqueFd.h"
#include "platform/net/TlsSession.h"
#include "transfer/socket/SocketError.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pw {

class AsyncTcpSocket;

// Every operation is optional: the defaults do nothing (or answer "no
// extension" / "no queue of my own").
class AsyncTcpSocketDelegate {
public:
    virtual ~AsyncTcpSocketDelegate() = default;
    virtual std::shared_ptr<core::DispatchQueue> newSocketQueueForConnectionFromAddress(const std::string& /*address*/,
                                                                                        AsyncTcpSocket& /*listener*/) {
        return nullptr;
    }
    virtual void socketDidAcceptNewSocket(const std::shared_ptr<AsyncTcpSocket>& /*listener*/,
                                          const std::shared_ptr<AsyncTcpSocket>& /*newSocket*/) {}
    virtual void socketDidConnectToHost(const std::shared_ptr<AsyncTcpSocket>&, const std::string& /*host*/,
                                        uint16_t /*port*/) {}
    virtual void socketDidReadData(const std::shared_ptr<AsyncTcpSocket>&, const std::string& /*data*/, long /*tag*/) {}
    virtual void socketDidReadPartialDataOfLength(const std::shared_ptr<AsyncTcpSocket>&, size_t /*length*/,
                                                  long /*tag*/) {}
    // Seconds to extend the read; 0 or less lets it time out.
    virtual double socketShouldTimeoutReadWithTag(const std::shared_ptr<AsyncTcpSocket>&, long /*tag*/,
                                                  double /*elapsed*/, size_t /*bytesDone*/) {
        return 0;
    }
    virtual void socketDidWriteDataWithTag(const std::shared_ptr<AsyncTcpSocket>&, long /*tag*/) {}
    virtual void socketDidWritePartialDataOfLength(const std::shared_ptr<AsyncTcpSocket>&, size_t /*length*/,
                                                   long /*tag*/) {}
    virtual double socketShouldTimeoutWriteWithTag(const std::shared_ptr<AsyncTcpSocket>&, long /*tag*/,
                                                   double /*elapsed*/, size_t /*bytesDone*/) {
        return 0;
    }
    virtual void socketDidSecure(const std::shared_ptr<AsyncTcpSocket>&) {}
    virtual void socketDidCloseReadStream(const std::shared_ptr<AsyncTcpSocket>&) {}
    // No error for a requested close.
    virtual void socketDidDisconnect(const std::shared_ptr<AsyncTcpSocket>&,
                                     const std::optional<SocketError>& /*error*/) {}
};

class AsyncTcpSocket : public std::enable_shared_from_this<AsyncTcpSocket> {
public:
    using Queue = std::shared_ptr<core::DispatchQueue>;

    static std::shared_ptr<AsyncTcpSocket> create(std::weak_ptr<AsyncTcpSocketDelegate> delegate = {},
                                                  Queue delegateQueue = nullptr, Queue socketQueue = nullptr);
    ~AsyncTcpSocket();
    AsyncTcpSocket(const AsyncTcpSocket&) = delete;
    AsyncTcpSocket& operator=(const AsyncTcpSocket&) = delete;

    // Delegate and settings (the threading rule: on the socket queue at once,
    // elsewhere getters wait and setters do not, unless synchronous).
    std::shared_ptr<AsyncTcpSocketDelegate> delegate() const;
    Queue delegateQueue() const;
    void setDelegate(std::weak_ptr<AsyncTcpSocketDelegate> delegate, bool synchronously = false);
    void setDelegateQueue(Queue queue, bool synchronously = false);
    void setDelegateAndQueue(std::weak_ptr<AsyncTcpSocketDelegate> delegate, Queue queue, bool synchronously = false);
    // Both at once, read together on the socket queue; either pointer may be null.
    void getDelegate(std::shared_ptr<AsyncTcpSocketDelegate>* delegate, Queue* delegateQueue) const;
    // A free slot for the owner (read waits, write does not).
    std::shared_ptr<void> userData() const;
    void setUserData(std::shared_ptr<void> data);
    bool isIPv4Enabled() const;
    bool isIPv6Enabled() const;
    bool isIPv4PreferredOverIPv6() const;
    bool autoDisconnectOnClosedReadStream() const;
    void setIPv4Enabled(bool on);
    void setIPv6Enabled(bool on);
    void setPreferIPv4OverIPv6(bool on);
    void setAutoDisconnectOnClosedReadStream(bool on);

    // Listening.
    bool acceptOnPort(uint16_t port, SocketError* error = nullptr);
    bool acceptOnInterface(const std::string& interface, uint16_t port, SocketError* error = nullptr);

    // Outgoing connection to a host name or address text (lookup on a worker
    // thread; "localhost" and "loopback" need none).
    bool connectToHost(const std::string& host, uint16_t port, double timeout = -1, SocketError* error = nullptr);
    // The same from a given local interface (a name or an address; empty: any).
    bool connectToHost(const std::string& host, uint16_t port, const std::string& interface, double timeout,
                       SocketError* error = nullptr);
    // To a raw socket address (a whole sockaddr_in or sockaddr_in6, as
    // net::SocketAddress makes them); no lookup.
    bool connectToAddress(const std::string& address, double timeout = -1, SocketError* error = nullptr);
    bool connectToAddress(const std::string& address, const std::string& interface, double timeout,
                          SocketError* error = nullptr);

    // Runs the block on the socket queue and returns when it is done (at
    // once when called there): the socket's descriptors may be used inside.
    void performBlock(const std::function<void()>& block);

    // Reading. maxLength 0: no limit.
    void readDataWithTimeout(double timeout, long tag, size_t maxLength = 0);
    void readDataToLength(size_t length, double timeout, long tag);
    void readDataToData(std::string terminator, double timeout, long tag, size_t maxLength = 0);
    // The same into the caller's buffer from `offset` on, grown as needed;
    // ignored when the offset lies beyond the buffer's end. The completion
    // carries the bytes read, which then stand in the buffer too. A null
    // buffer reads into the socket's own, as the forms above.
    using Buffer = std::shared_ptr<std::string>;
    void readDataWithTimeout(double timeout, Buffer buffer, size_t offset, long tag, size_t maxLength = 0);
    void readDataToLength(size_t length, double timeout, Buffer buffer, size_t offset, long tag);
    void readDataToData(std::string terminator, double timeout, Buffer buffer, size_t offset, long tag,
                        size_t maxLength = 0);

    // Writing. The bytes are moved into the queue, not copied again.
    void writeData(std::string data, double timeout, long tag);
    // `length` bytes of an open file from `offset` on, handed by the kernel
    // straight from the file to the connection (not over TLS). The file must
    // stay that long; the packet holds it.
    void writeFile(std::shared_ptr<const core::UniqueFd> file, uint64_t offset, uint64_t length, double timeout,
                   long tag);

    // TLS: starts once every read and write queued before it has finished;
    // only one start is ever queued. Failures close the socket.
    using TlsSettings = net::TlsSession::Settings;
    void startTLS(TlsSettings settings);

    // Closing.
    void disconnect();
    void disconnectAfterReading();
    void disconnectAfterWriting();
    void disconnectAfterReadingAndWriting();

    // Queries.
    bool isDisconnected() const;
    bool isConnected() const;
    bool isIPv4() const;
    bool isIPv6() const;
    bool isSecure() const;
    std::optional<std::string> connectedHost() const;
    uint16_t connectedPort() const;
    std::optional<std::string> localHost() const;
    uint16_t localPort() const;
    std::optional<std::string> connectedAddress() const;
    std::optional<std::string> localAddress() const;
    // -1 off the socket queue (see performBlock), and -1 when there is none.
    int socketFD() const;
    int socket4FD() const;
    int socket6FD() const;

    const Queue& socketQueue() const { return m_socketQueue; }

    static const std::string& CRLFData();
    static const std::string& CRData();
    static const std::string& LFData();
    static const std::string& ZeroData();

private:
    struct ReadPacket;
    struct WritePacket;

    AsyncTcpSocket(std::weak_ptr<AsyncTcpSocketDelegate> delegate, Queue delegateQueue, Queue socketQueue);

    template <class F>
    auto onSocketQueue(F f) const -> decltype(f());
    void runOnSocketQueue(std::function<void(AsyncTcpSocket&)> f, bool synchronously);
    template <class F>
    void notifyDelegate(F f);

    bool doAcceptOnInterface(const std::string& interface, uint16_t port, SocketError* error);
    core::UniqueFd createListeningSocket(int family, const std::string& address, SocketError* error);
    bool doAccept(int listenFD);
    void pauseAccepting();
    void setupReadAndWriteSources(int fd);
    // The rule of every member below: it runs on the socket queue.
    void assertOnSocketQueue() const;
    bool preConnectWithInterface(const std::string& interface, SocketError* error);
    template <class Result>
    void lookupDidFinish(int index, const Result& result);
    bool connectWithAddresses(const std::optional<std::string>& address4, const std::optional<std::string>& address6,
                              SocketError* error);
    void didConnect(int index);
    void didNotConnect(int index, const SocketError& error);
    void startConnectTimeout(double timeout);
    void endConnectTimeout();

    void setSuspended(const std::shared_ptr<core::DispatchSource>& source, uint32_t flag, bool suspended);
    bool checkDelegate(const std::string& action, SocketError* error) const;
    bool checkInterfaceAddresses(const std::optional<std::string>& address4, const std::optional<std::string>& address6,
                                 SocketError* error) const;
    void suspendReadSource();
    void resumeReadSource();
    void suspendWriteSource();
    void resumeWriteSource();

    void queueRead(Buffer buffer, size_t offset, size_t readLength, std::string terminator, double timeout, long tag,
                   size_t maxLength);
    template <class Packet>
    void enqueue(std::unique_ptr<Packet> packet, std::deque<std::unique_ptr<Packet>> AsyncTcpSocket::*queue);
    template <class Packet>
    void serveQueue(std::unique_ptr<Packet>& current, std::deque<std::unique_ptr<Packet>>& queue, bool reading,
                    bool otherSideIdle);
    void maybeDequeueRead();
    struct ReadStep;
    void doReadData();
    void readFromPreBuffer(ReadStep& step);
    void moveFromPreBuffer(ReadStep& step, size_t n);
    ssize_t receive(char* into, size_t length, std::optional<SocketError>* error);
    void readFromConnection(ReadStep& step, size_t estimate);
    void finishReadStep(const ReadStep& step);
    void doReadEOF();
    size_t takeFromPreBuffer(ReadPacket& packet, bool* done);
    void completeCurrentRead();
    void endCurrentRead();

    void maybeDequeueWrite();
    void doWriteData();
    ssize_t send(const char* from, size_t length, std::optional<SocketError>* error);
    ssize_t sendFromFile(const WritePacket& pkt, std::optional<SocketError>* error);
    void completeCurrentWrite();
    void endCurrentWrite();

    using ShouldTimeoutQuery = double (AsyncTcpSocketDelegate::*)(const std::shared_ptr<AsyncTcpSocket>&, long, double,
                                                                  size_t);
    void doTimeout(bool reading);
    void doTimeoutWithExtension(bool reading, double extension);
    template <class Packet>
    void timeoutCurrent(const std::unique_ptr<Packet>& current, uint32_t pausedFlag, ShouldTimeoutQuery query,
                        bool reading);
    template <class Packet>
    void extendCurrent(const std::unique_ptr<Packet>& current, const std::shared_ptr<core::DispatchSource>& timer,
                       uint32_t pausedFlag, double extension, void (AsyncTcpSocket::*goOn)(),
                       SocketError (*timeoutError)());
    template <class Packet>
    void endCurrent(std::unique_ptr<Packet>& current, const std::shared_ptr<core::DispatchSource>& timer);
    void armTimer(std::shared_ptr<core::DispatchSource>& timer, double timeout, bool reading);
    void askForTimeoutExtension(long tag, double elapsed, size_t bytesDone, ShouldTimeoutQuery query, bool reading);

    void maybeStartTLS();
    void continueHandshake();
    void finishSSLHandshake();
    void abortSSLHandshake(const SocketError& error);
    bool handshakeInProgress() const;

    void maybeClose();
    void closeWithError(std::optional<SocketError> error);
    int connectedFD() const { return m_socket4FD ? m_socket4FD.get() : m_socket6FD.get(); }

    uint32_t m_flags = 0;
    uint16_t m_config = 0;
    std::weak_ptr<AsyncTcpSocketDelegate> m_delegate;
    Queue m_delegateQueue;
    core::UniqueFd m_socket4FD;
    core::UniqueFd m_socket6FD;
    int m_connectIndex = 0;
    bool m_acceptRetryPending = false;
    // The local addresses an outgoing connection binds to, if any.
    std::optional<std::string> m_connectInterface4;
    std::optional<std::string> m_connectInterface6;
    Queue m_socketQueue;
    std::shared_ptr<core::DispatchSource> m_accept4Source;
    std::shared_ptr<core::DispatchSource> m_accept6Source;
    std::shared_ptr<core::DispatchSource> m_connectTimer;
    std::shared_ptr<core::DispatchSource> m_readSource;
    std::shared_ptr<core::DispatchSource> m_writeSource;
    std::shared_ptr<core::DispatchSource> m_readTimer;
    std::shared_ptr<core::DispatchSource> m_writeTimer;
    std::deque<std::unique_ptr<ReadPacket>> m_readQueue;
    std::deque<std::unique_ptr<WritePacket>> m_writeQueue;
    std::unique_ptr<ReadPacket> m_currentRead;
    std::unique_ptr<WritePacket> m_currentWrite;
    unsigned long m_socketFDBytesAvailable = 0;
    std::string m_partialReadBuffer;
    std::unique_ptr<net::TlsSession> m_tls;
    std::shared_ptr<void> m_userData;
};

} // namespace pw
