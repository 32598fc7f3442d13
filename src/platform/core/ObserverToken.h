#pragma once

#include <cstdint>
#include <memory>

namespace pw::core {

class NotificationCenter;

// Keeps one observer registered; destroying or resetting it removes the
// observer, which then gets no further deliveries, not even later in a
// delivery already under way. Movable, not copyable.
class ObserverToken {
public:
    struct Entry;
    ObserverToken() = default;
    explicit ObserverToken(std::shared_ptr<Entry> entry);
    ObserverToken(ObserverToken&& other) noexcept;
    ObserverToken& operator=(ObserverToken&& other) noexcept;
    ObserverToken(const ObserverToken&) = delete;
    ObserverToken& operator=(const ObserverToken&) = delete;
    ~ObserverToken();

    void reset();
    bool isActive() const;

private:
    std::shared_ptr<Entry> m_entry{};
};

} // namespace pw::core
