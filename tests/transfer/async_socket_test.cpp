#include "transfer/socket/AsyncTcpSocket.h"

#include "Notifier.h"

#include "platform/core/DispatchSource.h"
#include "platform/net/SocketAddress.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

using namespace pw;
using namespace std::chrono_literals;

namespace {

struct Recorder : AsyncTcpSocketDelegate, test::Notifier {
    std::vector<std::shared_ptr<AsyncTcpSocket>> accepted;
    std::vector<std::pair<long, std::string>> reads;
    std::vector<std::pair<long, size_t>> partialReads;
    std::vector<long> writes;
    size_t partialWriteCalls = 0;
    std::map<AsyncTcpSocket*, std::optional<SocketError>> disconnects;
    std::vector<std::pair<double, size_t>> readTimeoutQuestions;
    std::vector<std::pair<std::string, uint16_t>> connectedTo;
    double readExtension = 0;

    void socketDidAcceptNewSocket(const std::shared_ptr<AsyncTcpSocket>&,
                                  const std::shared_ptr<AsyncTcpSocket>& s) override {
        record([&] { accepted.push_back(s); });
    }
    void socketDidConnectToHost(const std::shared_ptr<AsyncTcpSocket>&, const std::string& host,
                                uint16_t port) override {
        record([&] { connectedTo.emplace_back(host, port); });
    }
    void socketDidReadData(const std::shared_ptr<AsyncTcpSocket>&, const std::string& d, long tag) override {
        record([&] { reads.emplace_back(tag, d); });
    }
    void socketDidReadPartialDataOfLength(const std::shared_ptr<AsyncTcpSocket>&, size_t n, long tag) override {
        record([&] { partialReads.emplace_back(tag, n); });
    }
    void socketDidWriteDataWithTag(const std::shared_ptr<AsyncTcpSocket>&, long tag) override {
        record([&] { writes.push_back(tag); });
    }
    void socketDidWritePartialDataOfLength(const std::shared_ptr<AsyncTcpSocket>&, size_t, long) override {
        record([&] { ++partialWriteCalls; });
    }
    double socketShouldTimeoutReadWithTag(const std::shared_ptr<AsyncTcpSocket>&, long, double elapsed,
                                          size_t done) override {
        double ext;
        record([&] {
            readTimeoutQuestions.emplace_back(elapsed, done);
            ext = readExtension;
        });
        return ext;
    }
    void socketDidDisconnect(const std::shared_ptr<AsyncTcpSocket>& s, const std::optional<SocketError>& e) override {
        record([&] { disconnects[s.get()] = e; });
    }
    bool disconnected(AsyncTcpSocket* s) { return disconnects.count(s) > 0; }
};

int connectTo(uint16_t port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void sendAll(int fd, const std::string& s) {
    size_t off = 0;
    while (off < s.size()) {
        ssize_t n = ::send(fd, s.data() + off, s.size() - off, MSG_NOSIGNAL);
        ASSERT_GT(n, 0);
        off += static_cast<size_t>(n);
    }
}

int countOpenFds() {
    int n = 0;
    DIR* d = ::opendir("/proc/self/fd");
    while (auto* e = ::readdir(d))
        if (e->d_name[0] != '.')
            ++n;
    ::closedir(d);
    return n;
}

int countThreads() {
    int n = 0;
    DIR* d = ::opendir("/proc/self/task");
    while (auto* e = ::readdir(d))
        if (e->d_name[0] != '.')
            ++n;
    ::closedir(d);
    return n;
}

struct FakeClock {
    std::atomic<long long> ns{5'000'000'000};
    FakeClock() {
        core::DispatchSource::setClock([this] { return std::chrono::nanoseconds(ns.load()); });
    }
    ~FakeClock() { core::DispatchSource::setClock(nullptr); }
    void advance(std::chrono::nanoseconds d) {
        ns += d.count();
        core::DispatchSource::clockAdvanced();
    }
};

// A listening socket on loopback, a plain client connected to it, and the
// accepted socket under test.
struct Pair {
    std::shared_ptr<Recorder> rec = std::make_shared<Recorder>();
    std::shared_ptr<core::DispatchQueue> dq = core::DispatchQueue::create("delegate");
    std::shared_ptr<AsyncTcpSocket> listener = AsyncTcpSocket::create(rec, dq);
    std::shared_ptr<AsyncTcpSocket> sock;
    int client = -1;

    Pair() {
        SocketError err;
        EXPECT_TRUE(listener->acceptOnInterface("localhost", 0, &err)) << err.description;
        client = connectTo(listener->localPort());
        EXPECT_GE(client, 0);
        EXPECT_TRUE(rec->waitFor([&] { return !rec->accepted.empty(); }));
        sock = rec->accepted.at(0);
    }
    ~Pair() {
        if (client >= 0)
            ::close(client);
        listener->disconnect();
        if (sock) {
            sock->setDelegateAndQueue({}, nullptr, true);
            sock->disconnect();
        }
    }
};

} // namespace

TEST(AsyncTcpSocket, ListensOnBothFamiliesAtOneChosenPortAndRefusesASecondAccept) {
    auto rec = std::make_shared<Recorder>();
    auto s = AsyncTcpSocket::create(rec, core::DispatchQueue::create());
    SocketError err;
    ASSERT_TRUE(s->acceptOnInterface("localhost", 0, &err)) << err.description;
    EXPECT_TRUE(s->isIPv4());
    EXPECT_TRUE(s->isIPv6());
    uint16_t port = s->localPort();
    EXPECT_NE(port, 0);
    EXPECT_FALSE(s->connectedHost().has_value());
    EXPECT_EQ(s->connectedPort(), 0);

    // The IPv6 side is on the same port.
    int fd6 = ::socket(AF_INET6, SOCK_STREAM, 0);
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_port = htons(port);
    a.sin6_addr = in6addr_loopback;
    ASSERT_EQ(::connect(fd6, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_TRUE(rec->waitFor([&] { return rec->accepted.size() == 1; }));
    EXPECT_TRUE(rec->accepted[0]->isIPv6());
    EXPECT_FALSE(rec->accepted[0]->isIPv4());
    ::close(fd6);

    EXPECT_FALSE(s->acceptOnInterface("localhost", 0, &err));
    EXPECT_EQ(err.code, SocketError::BadConfigError);
    EXPECT_EQ(err.description, "Attempting to accept while connected or accepting connections. Disconnect first.");

    auto noDelegate = AsyncTcpSocket::create();
    EXPECT_FALSE(noDelegate->acceptOnInterface("localhost", 0, &err));
    EXPECT_EQ(err.description, "Attempting to accept without a delegate. Set a delegate first.");
    auto badIface = AsyncTcpSocket::create(rec, core::DispatchQueue::create());
    EXPECT_FALSE(badIface->acceptOnInterface("no-such-interface0", 0, &err));
    EXPECT_EQ(err.code, SocketError::BadParamError);

    s->disconnect();
    EXPECT_TRUE(s->isDisconnected());
    EXPECT_EQ(s->localPort(), 0);
    rec->accepted[0]->setDelegateAndQueue({}, nullptr, true);
}

TEST(AsyncTcpSocket, TerminatorReadsSurviveSplitArrivalsAndPipelinedLines) {
    Pair p;
    auto& rec = *p.rec;
    const auto& crlf = AsyncTcpSocket::CRLFData();
    p.sock->readDataToData(crlf, -1, 1);
    sendAll(p.client, "GET / HTTP/1.1\r");
    std::this_thread::sleep_for(20ms);
    {
        std::lock_guard l(rec.m);
        EXPECT_TRUE(rec.reads.empty());
    }
    sendAll(p.client, "\nHost: a\r\nX: y\r\n");
    ASSERT_TRUE(rec.waitFor([&] { return rec.reads.size() == 1; }));
    EXPECT_EQ(rec.reads[0].second, "GET / HTTP/1.1\r\n");
    // The rest of that arrival waits in the socket for the next reads.
    p.sock->readDataToData(crlf, -1, 2);
    p.sock->readDataToData(crlf, -1, 3);
    ASSERT_TRUE(rec.waitFor([&] { return rec.reads.size() == 3; }));
    EXPECT_EQ(rec.reads[1], (std::pair<long, std::string>{2, "Host: a\r\n"}));
    EXPECT_EQ(rec.reads[2], (std::pair<long, std::string>{3, "X: y\r\n"}));

    // Exact length across two arrivals: one partial call, then the data.
    p.sock->readDataToLength(10, -1, 4);
    sendAll(p.client, "0123");
    // (The split line above reported its first 15 bytes as progress too.)
    ASSERT_TRUE(rec.waitFor([&] { return rec.partialReads.size() == 2; }));
    EXPECT_EQ(rec.partialReads[0], (std::pair<long, size_t>{1, 15}));
    EXPECT_EQ(rec.partialReads[1], (std::pair<long, size_t>{4, 4}));
    sendAll(p.client, "456789");
    ASSERT_TRUE(rec.waitFor([&] { return rec.reads.size() == 4; }));
    EXPECT_EQ(rec.reads[3].second, "0123456789");
}

TEST(AsyncTcpSocket, AnOverLongLineClosesWithTheMaxedOutError) {
    Pair p;
    p.sock->readDataToData(AsyncTcpSocket::CRLFData(), -1, 10, 8190);
    sendAll(p.client, std::string(8189, 'a'));
    std::this_thread::sleep_for(20ms);
    {
        std::lock_guard l(p.rec->m);
        EXPECT_FALSE(p.rec->disconnected(p.sock.get()));
    }
    sendAll(p.client, "b");
    ASSERT_TRUE(p.rec->waitFor([&] { return p.rec->disconnected(p.sock.get()); }));
    auto e = p.rec->disconnects[p.sock.get()];
    ASSERT_TRUE(e.has_value());
    EXPECT_TRUE(e->isSocketDomain(SocketError::ReadMaxedOutError));
    EXPECT_TRUE(p.rec->reads.empty());
}

TEST(AsyncTcpSocket, ReadTimesOutOnTheFakeClockAndCanBeExtended) {
    FakeClock clock;
    Pair p;
    auto& rec = *p.rec;
    rec.readExtension = 5;
    p.sock->readDataToLength(4, 30, 7);
    sendAll(p.client, "ab");
    ASSERT_TRUE(rec.waitFor([&] { return rec.partialReads.size() == 1; }));
    clock.advance(29s);
    std::this_thread::sleep_for(20ms);
    {
        std::lock_guard l(rec.m);
        EXPECT_TRUE(rec.readTimeoutQuestions.empty());
    }
    clock.advance(1s);
    ASSERT_TRUE(rec.waitFor([&] { return rec.readTimeoutQuestions.size() == 1; }));
    EXPECT_EQ(rec.readTimeoutQuestions[0], (std::pair<double, size_t>{30, 2}));
    {
        std::lock_guard l(rec.m);
        rec.readExtension = 0;
    }
    // The extension re-arms the timer for 5 s from when the answer arrives.
    bool closed = false;
    for (int i = 0; i < 20 && !closed; ++i) {
        std::this_thread::sleep_for(20ms);
        clock.advance(5s);
        closed = rec.waitFor([&] { return rec.disconnected(p.sock.get()); }, 100ms);
    }
    ASSERT_TRUE(closed);
    EXPECT_EQ(rec.readTimeoutQuestions.size(), 2u);
    EXPECT_EQ(rec.readTimeoutQuestions[1].first, 35);
    ASSERT_TRUE(rec.disconnects[p.sock.get()].has_value());
    EXPECT_TRUE(rec.disconnects[p.sock.get()]->isSocketDomain(SocketError::ReadTimeoutError));
    EXPECT_TRUE(rec.reads.empty());
}

TEST(AsyncTcpSocket, WritesReachASlowPeerIntactAndInOrder) {
    Pair p;
    auto& rec = *p.rec;
    int small = 32 * 1024;
    ::setsockopt(p.client, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::string big(8 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 31 + (i >> 12));
    p.sock->writeData(big, -1, 1);
    p.sock->writeData("tail", -1, 2);
    std::string got;
    char buf[8192];
    while (got.size() < big.size() + 4) {
        ssize_t n = ::recv(p.client, buf, sizeof buf, 0);
        ASSERT_GT(n, 0);
        got.append(buf, static_cast<size_t>(n));
        if (got.size() < (1u << 20))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_TRUE(got.compare(0, big.size(), big) == 0);
    EXPECT_EQ(got.substr(big.size()), "tail");
    ASSERT_TRUE(rec.waitFor([&] { return rec.writes.size() == 2; }));
    EXPECT_EQ(rec.writes, (std::vector<long>{1, 2}));
    EXPECT_GE(rec.partialWriteCalls, 1u);
}

TEST(AsyncTcpSocket, APeerThatClosesMidWriteEndsTheSocketWithoutSigpipe) {
    auto old = ::signal(SIGPIPE, SIG_DFL); // a SIGPIPE would kill the test
    {
        Pair p;
        p.sock->writeData(std::string(16 << 20, 'x'), -1, 1);
        char buf[1024];
        ASSERT_GT(::recv(p.client, buf, sizeof buf, 0), 0);
        ::close(p.client);
        p.client = -1;
        ASSERT_TRUE(p.rec->waitFor([&] { return p.rec->disconnected(p.sock.get()); }));
        auto e = p.rec->disconnects[p.sock.get()];
        ASSERT_TRUE(e.has_value());
        EXPECT_TRUE(e->domain == SocketError::kPosixDomain || e->isSocketDomain(SocketError::ClosedError))
            << e->domain << " " << e->code;
        EXPECT_TRUE(p.rec->writes.empty());
    }
    ::signal(SIGPIPE, old);
}

TEST(AsyncTcpSocket, DisconnectAfterWritingSendsWhatIsQueuedThenClosesQuietly) {
    Pair p;
    auto& rec = *p.rec;
    p.sock->writeData("one ", -1, 1);
    p.sock->writeData("two ", -1, 2);
    p.sock->writeData("three", -1, 3);
    p.sock->disconnectAfterWriting();
    p.sock->writeData("ignored", -1, 4);
    p.sock->readDataToLength(1, -1, 5);
    std::string got;
    char buf[64];
    for (ssize_t n; (n = ::recv(p.client, buf, sizeof buf, 0)) > 0;)
        got.append(buf, static_cast<size_t>(n));
    EXPECT_EQ(got, "one two three");
    ASSERT_TRUE(rec.waitFor([&] { return rec.disconnected(p.sock.get()); }));
    EXPECT_EQ(rec.writes, (std::vector<long>{1, 2, 3}));
    EXPECT_FALSE(rec.disconnects[p.sock.get()].has_value());
    EXPECT_TRUE(rec.reads.empty());
}

TEST(AsyncTcpSocket, PeerClosingDuringAReadReportsClosedByPeerAfterBufferedBytes) {
    Pair p;
    auto& rec = *p.rec;
    sendAll(p.client, "abc\r\ndef");
    ::shutdown(p.client, SHUT_WR);
    p.sock->readDataToData(AsyncTcpSocket::CRLFData(), -1, 1);
    ASSERT_TRUE(rec.waitFor([&] { return rec.reads.size() == 1; }));
    p.sock->readDataToData(AsyncTcpSocket::CRLFData(), -1, 2);
    ASSERT_TRUE(rec.waitFor([&] { return rec.disconnected(p.sock.get()); }));
    EXPECT_EQ(rec.reads.size(), 1u);
    ASSERT_TRUE(rec.disconnects[p.sock.get()].has_value());
    EXPECT_TRUE(rec.disconnects[p.sock.get()]->isSocketDomain(SocketError::ClosedError));
    EXPECT_EQ(rec.disconnects[p.sock.get()]->description, "Socket closed by remote peer");
}

TEST(AsyncTcpSocket, AThousandAcceptAndCloseCyclesLeakNoDescriptorOrThread) {
    auto rec = std::make_shared<Recorder>();
    auto listener = AsyncTcpSocket::create(rec, core::DispatchQueue::create());
    ASSERT_TRUE(listener->acceptOnInterface("127.0.0.1", 0));
    uint16_t port = listener->localPort();

    auto cycle = [&](int i) {
        int c = connectTo(port);
        ASSERT_GE(c, 0);
        ASSERT_TRUE(rec->waitFor([&] { return static_cast<int>(rec->accepted.size()) == i + 1; }));
        auto s = rec->accepted[i];
        if (i % 2) {
            ::close(c); // the peer ends it
            s->readDataToLength(1, -1, 0);
            ASSERT_TRUE(rec->waitFor([&] { return rec->disconnected(s.get()); }));
        } else {
            s->disconnect(); // we end it
            ::close(c);
        }
        std::lock_guard l(rec->m);
        rec->accepted[i].reset();
    };
    for (int i = 0; i < 20; ++i)
        cycle(i); // warm the pool up
    std::this_thread::sleep_for(50ms);
    // A descriptor closed twice would take a bystander with it.
    int bystander[2];
    ASSERT_EQ(::pipe(bystander), 0);
    int fds = countOpenFds();
    int sources = core::DispatchSource::liveSourceCount();
    for (int i = 20; i < 1020; ++i) {
        cycle(i);
        if (HasFatalFailure())
            return;
    }
    // A source cancelled from its own event handler goes once that handler
    // has returned, which may be just after the close was reported.
    for (int i = 0; i < 200 && (countOpenFds() > fds || core::DispatchSource::liveSourceCount() > sources); ++i)
        std::this_thread::sleep_for(5ms);
    EXPECT_LE(countOpenFds(), fds);
    EXPECT_LE(core::DispatchSource::liveSourceCount(), sources);
    EXPECT_NE(::fcntl(bystander[0], F_GETFD), -1);
    EXPECT_NE(::fcntl(bystander[1], F_GETFD), -1);
    ::close(bystander[0]);
    ::close(bystander[1]);
    EXPECT_LE(countThreads(), 64);
    EXPECT_LE(core::DispatchQueue::poolThreadCount(), 64);
    listener->disconnect();
}

TEST(AsyncTcpSocket, ReadsIntoTheCallersBufferFromItsOffset) {
    Pair p;
    auto& rec = *p.rec;
    auto buffer = std::make_shared<std::string>("KEEP----tail");
    p.sock->readDataToLength(4, -1, buffer, 4, 1);
    sendAll(p.client, "abcd");
    ASSERT_TRUE(rec.waitFor([&] { return rec.reads.size() == 1; }));
    EXPECT_EQ(rec.reads[0], (std::pair<long, std::string>{1, "abcd"}));
    EXPECT_EQ(*buffer, "KEEPabcdtail"); // the caller's bytes around the read stay

    // A read from the buffer's end grows it; one past the end is ignored.
    p.sock->readDataToData(AsyncTcpSocket::CRLFData(), -1, buffer, buffer->size(), 2);
    sendAll(p.client, "line\r\n");
    ASSERT_TRUE(rec.waitFor([&] { return rec.reads.size() == 2; }));
    EXPECT_EQ(*buffer, "KEEPabcdtailline\r\n");
    p.sock->readDataWithTimeout(-1, buffer, buffer->size() + 1, 3);
    p.sock->readDataWithTimeout(-1, buffer, 0, 4, 3);
    sendAll(p.client, "xyz!");
    ASSERT_TRUE(rec.waitFor([&] { return rec.reads.size() == 3; }));
    EXPECT_EQ(rec.reads[2], (std::pair<long, std::string>{4, "xyz"}));
    EXPECT_EQ(buffer->substr(0, 4), "xyzP");
}

TEST(AsyncTcpSocket, ConnectsToARawAddressFromAChosenInterfaceAndRefusesBadRecords) {
    auto rec = std::make_shared<Recorder>();
    auto queue = core::DispatchQueue::create("delegate");
    auto listener = AsyncTcpSocket::create(rec, queue);
    SocketError err;
    ASSERT_TRUE(listener->acceptOnInterface("127.0.0.1", 0, &err)) << err.description;
    uint16_t port = listener->localPort();

    auto client = AsyncTcpSocket::create(rec, queue);
    ASSERT_TRUE(client->connectToAddress(net::SocketAddress::loopback4(port), "127.0.0.1", 5, &err)) << err.description;
    ASSERT_TRUE(rec->waitFor([&] { return rec->connectedTo.size() == 1 && rec->accepted.size() == 1; }));
    EXPECT_EQ(rec->connectedTo[0], (std::pair<std::string, uint16_t>{"127.0.0.1", port}));
    EXPECT_EQ(client->localHost(), "127.0.0.1");
    client->writeData("ping", -1, 7);
    rec->accepted[0]->readDataToLength(4, -1, 8);
    ASSERT_TRUE(rec->waitFor([&] { return rec->reads.size() == 1; }));
    EXPECT_EQ(rec->reads[0].second, "ping");

    std::string v4 = net::SocketAddress::loopback4(port);
    auto ipv4Off = AsyncTcpSocket::create(rec, queue);
    ipv4Off->setIPv4Enabled(false);
    struct Case {
        std::shared_ptr<AsyncTcpSocket> socket;
        std::string address;
        std::string interface;
        const char* error;
    } cases[] = {
        {AsyncTcpSocket::create(rec, queue), v4 + '\0', "", "A valid IPv4 or IPv6 address was not given"},
        {AsyncTcpSocket::create(rec, queue), "", "", "A valid IPv4 or IPv6 address was not given"},
        {ipv4Off, v4, "", "IPv4 has been disabled and an IPv4 address was passed."},
        {client, v4, "", "Attempting to connect while connected or accepting connections. Disconnect first."},
        {AsyncTcpSocket::create(rec, queue), v4, "no-such-interface0",
         "Unknown interface. Specify valid interface by name (e.g. \"en1\") or IP address."},
        {AsyncTcpSocket::create(), v4, "", "Attempting to connect without a delegate. Set a delegate first."},
    };
    for (auto& c : cases) {
        EXPECT_FALSE(c.socket->connectToAddress(c.address, c.interface, -1, &err)) << c.error;
        EXPECT_EQ(err.description, c.error);
    }
    client->setDelegateAndQueue({}, nullptr, true);
    client->disconnect();
    rec->accepted[0]->setDelegateAndQueue({}, nullptr, true);
    listener->disconnect();
}

TEST(AsyncTcpSocket, OwnerSlotDelegatePairBlocksAndDescriptorsPerFamily) {
    Pair p;
    auto data = std::make_shared<int>(42);
    p.sock->setUserData(data);
    EXPECT_EQ(std::static_pointer_cast<int>(p.sock->userData()), data);

    std::shared_ptr<AsyncTcpSocketDelegate> delegate;
    AsyncTcpSocket::Queue queue;
    p.sock->getDelegate(&delegate, &queue);
    EXPECT_EQ(delegate, p.rec);
    EXPECT_EQ(queue, p.dq);
    p.sock->getDelegate(nullptr, &queue); // either may be left out

    // Descriptors are handed out on the socket queue only.
    EXPECT_EQ(p.sock->socketFD(), -1);
    struct Row {
        std::shared_ptr<AsyncTcpSocket> socket;
        bool has4, has6;
    } rows[] = {{p.sock, true, false}, {p.listener, true, true}};
    for (auto& r : rows) {
        int fd4 = -2, fd6 = -2, fd = -2;
        bool onQueue = false;
        r.socket->performBlock([&] {
            onQueue = r.socket->socketQueue()->isCurrent();
            fd4 = r.socket->socket4FD();
            fd6 = r.socket->socket6FD();
            fd = r.socket->socketFD();
        });
        EXPECT_TRUE(onQueue);
        EXPECT_EQ(fd4 >= 0, r.has4);
        EXPECT_EQ(fd6 >= 0, r.has6);
        EXPECT_EQ(fd, r.has4 ? fd4 : fd6);
    }
}

TEST(AsyncTcpSocket, AReadWithoutACallersBufferUsesTheSocketsOwn) {
    Pair p;
    auto& rec = *p.rec;
    p.sock->readDataToLength(3, -1, nullptr, 0, 1);
    p.sock->readDataToData("!", -1, nullptr, 0, 2);
    p.sock->readDataWithTimeout(-1, nullptr, 0, 3);
    sendAll(p.client, "abcde!");
    ASSERT_TRUE(rec.waitFor([&] { return rec.reads.size() == 2; }));
    EXPECT_EQ(rec.reads[0], (std::pair<long, std::string>{1, "abc"}));
    EXPECT_EQ(rec.reads[1], (std::pair<long, std::string>{2, "de!"}));
    sendAll(p.client, "rest");
    ASSERT_TRUE(rec.waitFor([&] { return rec.reads.size() == 3; }));
    EXPECT_EQ(rec.reads[2], (std::pair<long, std::string>{3, "rest"}));
}

TEST(AsyncTcpSocket, EndOfInputWhileWaitingToStartTLSClosesAsClosedByPeer) {
    Pair p;
    auto& rec = *p.rec;
    // Kept open on a half-close, but a peer that stops sending before TLS has
    // started can never finish the handshake.
    p.sock->setAutoDisconnectOnClosedReadStream(false);
    int small = 4096;
    ::setsockopt(p.client, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    p.sock->writeData(std::string(8 << 20, 'x'), -1, 1); // the write side stays busy
    p.sock->startTLS({});
    ::shutdown(p.client, SHUT_WR);
    ASSERT_TRUE(rec.waitFor([&] { return rec.disconnected(p.sock.get()); }));
    ASSERT_TRUE(rec.disconnects[p.sock.get()].has_value());
    EXPECT_EQ(rec.disconnects[p.sock.get()]->code, SocketError::ClosedError);
    EXPECT_EQ(rec.disconnects[p.sock.get()]->code, 7);
}

TEST(AsyncTcpSocket, AHalfClosedPeerThatStillTakesWritesKeepsTheSocketOpen) {
    Pair p;
    auto& rec = *p.rec;
    p.sock->setAutoDisconnectOnClosedReadStream(false);
    p.sock->readDataWithTimeout(-1, 1);
    ::shutdown(p.client, SHUT_WR);
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(rec.disconnected(p.sock.get()));
    p.sock->writeData("still here", -1, 2);
    char buf[16] = {};
    ASSERT_EQ(::recv(p.client, buf, 10, MSG_WAITALL), 10);
    EXPECT_EQ(std::string(buf, 10), "still here");
}
