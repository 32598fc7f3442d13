#include "network/RQConnectionPool.h"

#include "platform/core/Clock.h"

#include <algorithm>

namespace pw {

RQConnectionPool& RQConnectionPool::shared() {
    static RQConnectionPool* pool = new RQConnectionPool(); // lives to the end of the process
    return *pool;
}

double RQConnectionPool::now() {
    return core::Clock::shared().monotonic();
}

RQConnectionPool::Booking RQConnectionPool::book(const Origin& origin, std::shared_ptr<RQConnectionEntry> held,
                                                 uint64_t& requestID) {
    std::lock_guard lock(m_mutex);
    auto matches = [&](const RQConnectionEntry& e) {
        return e.host == origin.host && e.scheme == origin.scheme && e.port == origin.port;
    };
    if (held) {
        if (!matches(*held)) {
            held.reset();
        } else if (held->request == 0 && held->expires != 0 && held->expires <= now()) {
            removeLocked(held);
            held.reset();
        } else if (held->request != 0 && held->request != requestID) {
            held.reset(); // busy with another request; it stays in the pool
        }
    }
    Booking booking{std::move(held), false};
    if (!booking.entry) {
        for (auto& e : m_pool)
            if (e->request == 0 && matches(*e))
                booking.entry = e;
    }
    if (!booking.entry) {
        auto e = std::make_shared<RQConnectionEntry>();
        e->id = ++m_nextConnectionNumber;
        e->host = origin.host;
        e->port = origin.port;
        e->scheme = origin.scheme;
        m_pool.push_back(e);
        booking.entry = e;
        booking.fresh = true;
    }
    if (requestID == 0)
        requestID = ++m_nextRequestNumber;
    booking.entry->request = requestID;
    return booking;
}

void RQConnectionPool::release(const std::shared_ptr<RQConnectionEntry>& entry, double idleSeconds, bool reusable) {
    if (!entry)
        return;
    std::lock_guard lock(m_mutex);
    entry->request = 0;
    entry->expires = now() + idleSeconds;
    if (!reusable)
        removeLocked(entry);
}

void RQConnectionPool::drop(const std::shared_ptr<RQConnectionEntry>& entry) {
    if (!entry)
        return;
    std::lock_guard lock(m_mutex);
    entry->request = 0;
    removeLocked(entry);
}

void RQConnectionPool::setIdleFor(const std::shared_ptr<RQConnectionEntry>& entry, double idleSeconds) {
    if (!entry)
        return;
    std::lock_guard lock(m_mutex);
    entry->expires = now() + idleSeconds;
}

void RQConnectionPool::removeLocked(const std::shared_ptr<RQConnectionEntry>& entry) {
    m_pool.erase(std::remove(m_pool.begin(), m_pool.end(), entry), m_pool.end());
}

void RQConnectionPool::expire() {
    std::lock_guard lock(m_mutex);
    double t = now();
    m_pool.erase(std::remove_if(m_pool.begin(), m_pool.end(),
                                [&](const auto& e) { return e->request == 0 && e->expires != 0 && e->expires <= t; }),
                 m_pool.end());
}

int RQConnectionPool::count() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_pool.size());
}

int RQConnectionPool::connectionID(const std::shared_ptr<RQConnectionEntry>& entry) const {
    return entry ? entry->id : 0; // an entry's number never changes
}

bool RQConnectionPool::streamOpened() {
    std::lock_guard lock(m_mutex);
    ++m_activeStreamCount;
    return m_shouldUpdateNetworkActivityIndicator;
}

bool RQConnectionPool::streamClosed() {
    std::lock_guard lock(m_mutex);
    if (m_activeStreamCount > 0 && --m_activeStreamCount == 0)
        return m_shouldUpdateNetworkActivityIndicator;
    return false;
}

bool RQConnectionPool::isNetworkInUse() const {
    std::lock_guard lock(m_mutex);
    return m_activeStreamCount != 0;
}

void RQConnectionPool::setShouldUpdateNetworkActivityIndicator(bool update) {
    std::lock_guard lock(m_mutex);
    m_shouldUpdateNetworkActivityIndicator = update;
}

} // namespace pw
