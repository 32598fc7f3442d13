#pragma once

#include "platform/core/Notification.h"
#include "platform/core/ObserverToken.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace pw::core {

// Named notifications with a Value payload, delivered synchronously on the
// posting thread, to observers in the order they registered. Observers may
// remove themselves or others, or add new ones, during a delivery: a removed
// observer is not called again; one added during a delivery first hears the
// next post.
class NotificationCenter {
public:
    using Callback = std::function<void(const Notification&)>;

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    static NotificationCenter& defaultCenter();

    // An empty name observes every notification; a sender other than
    // nullptr only hears posts from that sender.
    [[nodiscard]] ObserverToken addObserver(std::string name, Callback callback, const void* sender = nullptr);
    void post(std::string name, Value payload = {}, const void* sender = nullptr);
    void post(const Notification& notification);
    std::size_t observerCount() const;

private:
    struct State;
    std::shared_ptr<State> m_state{};
};

} // namespace pw::core
