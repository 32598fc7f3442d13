#pragma once

#include <cstdint>
#include <memory>

namespace pw::core {

class RunLoop;

// Readiness kinds of a watched file descriptor.
enum FdEvents : unsigned {
    FdNone = 0,
    FdReadable = 1,
    FdWritable = 2,
    FdError = 4, // error or hang-up; always reported, never asked for
};

// Owns one file-descriptor watch on a run loop: removed when destroyed or
// reset (the descriptor itself is not closed). Movable, not copyable. Must
// be destroyed or changed on the loop's thread, or while the loop is not
// running a turn that could call it.
class FdWatch {
public:
    FdWatch() = default;
    FdWatch(std::weak_ptr<RunLoop> loop, std::uint64_t id) : m_loop(std::move(loop)), m_id(id) {}
    FdWatch(FdWatch&& other) noexcept;
    FdWatch& operator=(FdWatch&& other) noexcept;
    FdWatch(const FdWatch&) = delete;
    FdWatch& operator=(const FdWatch&) = delete;
    ~FdWatch();

    // Changes what the watch waits for (FdReadable | FdWritable; FdNone
    // pauses it).
    void setEvents(unsigned events);
    void reset();
    bool isActive() const { return m_id != 0; }

private:
    std::weak_ptr<RunLoop> m_loop{};
    std::uint64_t m_id{0};
};

} // namespace pw::core
