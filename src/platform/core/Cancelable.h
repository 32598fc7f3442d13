#pragma once

#include <atomic>
#include <memory>

namespace pw::core {

// Handle to a delayed call. Copies share the call; dropping every handle
// does not cancel it. cancel() is safe from any thread, and a call
// cancelled before it starts never runs.
class Cancelable {
public:
    Cancelable() = default;
    explicit Cancelable(std::shared_ptr<std::atomic<int>> state) : m_state(std::move(state)) {}

    void cancel();
    bool isCancelled() const;
    // True once the call has run (or started running).
    bool hasRun() const;
    bool isValid() const { return m_state != nullptr; }

    enum State : int { Pending = 0, Cancelled = 1, Ran = 2 };

    // Moves Pending -> Ran; false when cancelled meanwhile.
    static bool claimToRun(std::atomic<int>& state);

private:
    std::shared_ptr<std::atomic<int>> m_state{};
};

} // namespace pw::core
