#include "platform/core/FdWatch.h"

#include "platform/core/RunLoop.h"

namespace pw::core {

FdWatch::FdWatch(FdWatch&& other) noexcept : m_loop(std::move(other.m_loop)), m_id(other.m_id) {
    other.m_id = 0;
}

FdWatch& FdWatch::operator=(FdWatch&& other) noexcept {
    if (this != &other) {
        reset();
        m_loop = std::move(other.m_loop);
        m_id = other.m_id;
        other.m_id = 0;
    }
    return *this;
}

FdWatch::~FdWatch() {
    reset();
}

void FdWatch::setEvents(unsigned events) {
    if (m_id == 0)
        return;
    if (auto loop = m_loop.lock())
        loop->setWatchEvents(m_id, events);
}

void FdWatch::reset() {
    if (m_id == 0)
        return;
    if (auto loop = m_loop.lock())
        loop->removeWatch(m_id);
    m_id = 0;
    m_loop.reset();
}

} // namespace pw::core
