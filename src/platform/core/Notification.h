#pragma once

#include "platform/core/Value.h"

#include <string>

namespace pw::core {

struct Notification {
    std::string name{};
    Value payload{};
    // Identifies the poster for observers that filter by sender; never
    // dereferenced by the center.
    const void* sender{nullptr};
};

} // namespace pw::core
