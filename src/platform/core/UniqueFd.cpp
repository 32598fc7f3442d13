#include "platform/core/UniqueFd.h"

#include <unistd.h>

namespace pw::core {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other)
        reset(other.release());
    return *this;
}

void UniqueFd::reset(int fd) {
    // A descriptor is closed once: after a failed close(2) on Linux it is gone
    // anyway, and retrying could close one that another thread just opened.
    if (m_fd >= 0 && m_fd != fd)
        ::close(m_fd);
    m_fd = fd;
}

} // namespace pw::core
