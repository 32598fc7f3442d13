#include "platform/core/Cancelable.h"

namespace pw::core {

void Cancelable::cancel() {
    if (!m_state)
        return;
    int expected = Pending;
    m_state->compare_exchange_strong(expected, Cancelled);
}

bool Cancelable::isCancelled() const {
    return m_state && m_state->load() == Cancelled;
}

bool Cancelable::hasRun() const {
    return m_state && m_state->load() == Ran;
}

bool Cancelable::claimToRun(std::atomic<int>& state) {
    int expected = Pending;
    return state.compare_exchange_strong(expected, Ran);
}

} // namespace pw::core
