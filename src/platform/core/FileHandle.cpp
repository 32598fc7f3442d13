#include "platform/core/FileHandle.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pw::core {

std::optional<FileHandle> FileHandle::open(const std::filesystem::path& path, Mode mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read:
        flags |= O_RDONLY;
        break;
    case Mode::Write:
        flags |= O_WRONLY | O_CREAT | O_TRUNC;
        break;
    case Mode::Update:
        flags |= O_RDWR;
        break;
    case Mode::Append:
        flags |= O_WRONLY | O_CREAT | O_APPEND;
        break;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    return FileHandle(fd);
}

FileHandle::FileHandle(FileHandle&& other) noexcept : m_fd(other.m_fd) {
    other.m_fd = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

FileHandle::~FileHandle() {
    close();
}

std::optional<std::uint64_t> FileHandle::size() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::optional<std::uint64_t> FileHandle::offset() const {
    if (m_fd < 0)
        return std::nullopt;
    off_t off = ::lseek(m_fd, 0, SEEK_CUR);
    if (off < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(off);
}

bool FileHandle::seek(std::uint64_t offset) {
    if (m_fd < 0 || offset > static_cast<std::uint64_t>(INT64_MAX))
        return false;
    return ::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

std::optional<std::uint64_t> FileHandle::seekToEnd() {
    if (m_fd < 0)
        return std::nullopt;
    off_t off = ::lseek(m_fd, 0, SEEK_END);
    if (off < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(off);
}

std::optional<Bytes> FileHandle::read(std::size_t n) {
    if (m_fd < 0)
        return std::nullopt;
    Bytes out;
    // Grow as data arrives rather than trusting n: callers pass lengths read
    // from file headers, which may be absurd.
    constexpr std::size_t kChunk = 1 << 16;
    while (out.size() < n) {
        std::size_t want = std::min(kChunk, n - out.size());
        std::size_t old = out.size();
        out.resize(old + want);
        ssize_t got = ::read(m_fd, out.data() + old, want);
        if (got < 0) {
            if (errno == EINTR) {
                out.resize(old);
                continue;
            }
            return std::nullopt;
        }
        out.resize(old + static_cast<std::size_t>(got));
        if (got == 0)
            break;
    }
    return out;
}

std::optional<Bytes> FileHandle::readToEnd() {
    if (m_fd < 0)
        return std::nullopt;
    Bytes out;
    auto total = size();
    auto here = offset();
    if (total && here && *total > *here)
        out.reserve(static_cast<std::size_t>(*total - *here));
    std::uint8_t buffer[1 << 16];
    for (;;) {
        ssize_t got = ::read(m_fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (got == 0)
            break;
        out.insert(out.end(), buffer, buffer + got);
    }
    return out;
}

bool FileHandle::write(ByteView bytes) {
    return m_fd >= 0 && writeAll(m_fd, bytes);
}

bool FileHandle::writeAll(int fd, ByteView bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool FileHandle::write(std::string_view bytes) {
    return write(asByteView(bytes));
}

bool FileHandle::truncate(std::uint64_t size) {
    return m_fd >= 0 && ::ftruncate(m_fd, static_cast<off_t>(size)) == 0;
}

bool FileHandle::sync() {
    return m_fd >= 0 && ::fsync(m_fd) == 0;
}

void FileHandle::close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

} // namespace pw::core
