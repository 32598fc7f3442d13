#pragma once

#include "platform/core/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace pw::core {

// An open file, closed when the handle goes away. Movable, not copyable.
class FileHandle {
public:
    enum class Mode {
        Read,   // existing file, reading
        Write,  // create or truncate, writing
        Update, // existing file, reading and writing, not truncated
        Append, // create if missing, every write at the end
    };

    static std::optional<FileHandle> open(const std::filesystem::path& path, Mode mode);
    static std::optional<FileHandle> forReading(const std::filesystem::path& path) { return open(path, Mode::Read); }

    FileHandle() = default;
    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }

    std::optional<std::uint64_t> size() const;
    std::optional<std::uint64_t> offset() const;
    bool seek(std::uint64_t offset);
    std::optional<std::uint64_t> seekToEnd();
    // Up to n bytes from the current offset (fewer at the end of the file,
    // empty there); nullopt on a read error.
    std::optional<Bytes> read(std::size_t n);
    std::optional<Bytes> readToEnd();
    bool write(ByteView bytes);
    bool write(std::string_view bytes);
    // Writes all of bytes to a descriptor, resuming after interruptions and
    // short writes; for descriptors held outside a handle too.
    static bool writeAll(int fd, ByteView bytes);
    bool truncate(std::uint64_t size);
    bool sync();
    void close();

private:
    explicit FileHandle(int fd) : m_fd(fd) {}
    int m_fd{-1};
};

} // namespace pw::core
