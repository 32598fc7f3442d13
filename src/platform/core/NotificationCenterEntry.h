#pragma once

// Internal to the notification center and its tokens.

#include "platform/core/Notification.h"
#include "platform/core/ObserverToken.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace pw::core {

struct ObserverToken::Entry {
    std::string name;
    std::function<void(const Notification&)> callback;
    const void* sender{nullptr};
    std::atomic<bool> active{true};
    // Unregisters the entry from its center; empty once the center is gone.
    std::weak_ptr<std::function<void(Entry*)>> remover;
};

} // namespace pw::core
