#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pw {

// One TCP connection as the engine books it: which origin, who uses it, until
// when an idle one may be reused.
struct RQConnectionEntry {
    int id = 0;
    std::string host;
    int port = 0; // the URL's own port, 0 when it names none
    std::string scheme;
    uint64_t request = 0; // 0: idle
    double expires = 0;   // monotonic seconds of core::Clock; 0 never set
};

// The engine's books of TCP connections, shared by every request, and the
// count of open streams the activity indicator follows. Every member takes
// the pool's own lock and calls nothing outside while holding it, so it may
// be called under any other lock of the engine.
class RQConnectionPool {
public:
    struct Origin {
        std::string host;
        std::string scheme;
        int port = 0;
    };
    struct Booking {
        std::shared_ptr<RQConnectionEntry> entry;
        bool fresh = false; // a new connection: the stream must not reuse an old one
    };

    static RQConnectionPool& shared();

    // Books a connection for the request numbered requestID (numbered here on
    // its first booking): the one it held when still good, else the last idle
    // one to the same origin in pool order, else a new one.
    Booking book(const Origin& origin, std::shared_ptr<RQConnectionEntry> held, uint64_t& requestID);
    // The request is done with the connection: idle for idleSeconds, or gone
    // when it cannot be reused.
    void release(const std::shared_ptr<RQConnectionEntry>& entry, double idleSeconds, bool reusable);
    // Forgets a connection that must not be used again (a drop, a time-out).
    void drop(const std::shared_ptr<RQConnectionEntry>& entry);
    void setIdleFor(const std::shared_ptr<RQConnectionEntry>& entry, double idleSeconds);
    // Removes idle entries whose time has run out.
    void expire();
    int count() const;
    int connectionID(const std::shared_ptr<RQConnectionEntry>& entry) const;

    // Streams on the network: answers whether the indicator should be shown
    // (first) or may be hidden (last one closed).
    bool streamOpened();
    bool streamClosed();
    bool isNetworkInUse() const;
    void setShouldUpdateNetworkActivityIndicator(bool update);

private:
    static double now();
    void removeLocked(const std::shared_ptr<RQConnectionEntry>& entry);

    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<RQConnectionEntry>> m_pool;
    int m_nextConnectionNumber = 0;
    uint64_t m_nextRequestNumber = 0;
    int m_activeStreamCount = 0;
    bool m_shouldUpdateNetworkActivityIndicator = true;
};

} // namespace pw
