#include "platform/core/ObserverToken.h"

#include "platform/core/NotificationCenterEntry.h"

namespace pw::core {

ObserverToken::ObserverToken(std::shared_ptr<Entry> entry) : m_entry(std::move(entry)) {}

ObserverToken::ObserverToken(ObserverToken&& other) noexcept : m_entry(std::move(other.m_entry)) {}

ObserverToken& ObserverToken::operator=(ObserverToken&& other) noexcept {
    if (this != &other) {
        reset();
        m_entry = std::move(other.m_entry);
    }
    return *this;
}

ObserverToken::~ObserverToken() {
    reset();
}

void ObserverToken::reset() {
    if (!m_entry)
        return;
    auto entry = std::move(m_entry);
    m_entry.reset();
    entry->active.store(false);
    if (auto remove = entry->remover.lock())
        (*remove)(entry.get());
}

bool ObserverToken::isActive() const {
    return m_entry && m_entry->active.load();
}

} // namespace pw::core
