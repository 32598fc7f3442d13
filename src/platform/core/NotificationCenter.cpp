#include "platform/core/NotificationCenter.h"

#include "platform/core/NotificationCenterEntry.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace pw::core {

using Entry = ObserverToken::Entry;

struct NotificationCenter::State {
    std::mutex mutex;
    std::vector<std::shared_ptr<Entry>> entries; // in order of registration
    std::shared_ptr<std::function<void(Entry*)>> remover;
};

NotificationCenter::NotificationCenter() : m_state(std::make_shared<State>()) {
    std::weak_ptr<State> weak = m_state;
    m_state->remover = std::make_shared<std::function<void(Entry*)>>([weak](Entry* entry) {
        auto state = weak.lock();
        if (!state)
            return;
        std::lock_guard lock(state->mutex);
        auto& v = state->entries;
        v.erase(std::remove_if(v.begin(), v.end(), [entry](const auto& e) { return e.get() == entry; }), v.end());
    });
}

NotificationCenter::~NotificationCenter() {
    std::lock_guard lock(m_state->mutex);
    for (auto& e : m_state->entries)
        e->active.store(false);
    m_state->entries.clear();
}

NotificationCenter& NotificationCenter::defaultCenter() {
    // Never destroyed: tokens in other static objects may outlive it.
    static NotificationCenter* center = new NotificationCenter();
    return *center;
}

ObserverToken NotificationCenter::addObserver(std::string name, Callback callback, const void* sender) {
    auto entry = std::make_shared<Entry>();
    entry->name = std::move(name);
    entry->callback = std::move(callback);
    entry->sender = sender;
    entry->remover = m_state->remover;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->entries.push_back(entry);
    }
    return ObserverToken(std::move(entry));
}

void NotificationCenter::post(std::string name, Value payload, const void* sender) {
    post(Notification{std::move(name), std::move(payload), sender});
}

void NotificationCenter::post(const Notification& notification) {
    // Deliver to a snapshot, so observers may add and remove observers freely;
    // the active flag keeps a removed observer from being called afterwards.
    std::vector<std::shared_ptr<Entry>> targets;
    {
        std::lock_guard lock(m_state->mutex);
        for (const auto& e : m_state->entries) {
            if (!e->name.empty() && e->name != notification.name)
                continue;
            if (e->sender && e->sender != notification.sender)
                continue;
            targets.push_back(e);
        }
    }
    for (const auto& e : targets) {
        if (e->active.load() && e->callback)
            e->callback(notification);
    }
}

std::size_t NotificationCenter::observerCount() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->entries.size();
}

} // namespace pw::core
