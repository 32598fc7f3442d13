#pragma once

namespace pw::core {

// Sole owner of a descriptor (socket, pipe, file): closed when the owner goes
// away or takes another one. Movable, not copyable; -1 means none.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    explicit operator bool() const { return isValid(); }

    // Gives the descriptor up without closing it.
    int release() {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes what is held and holds `fd` instead.
    void reset(int fd = -1);

private:
    int m_fd{-1};
};

} // namespace pw::core
