#pragma once

#include "platform/core/Bytes.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace pw::core {

// File and folder operations. None throws; failures are false or nullopt.
class FileManager {
public:
    using Path = std::filesystem::path;

    static bool exists(const Path& path);
    static bool isDirectory(const Path& path);
    static bool isFile(const Path& path);
    static bool createDirectories(const Path& path); // true when it exists afterwards
    // Removes a file or an empty folder; true when nothing is left there.
    static bool remove(const Path& path);
    // Removes a file or a folder with everything in it.
    static bool removeAll(const Path& path);
    // Names (not paths) of a folder's entries, sorted; nullopt when it cannot be read.
    static std::optional<std::vector<std::string>> list(const Path& dir);
    static std::optional<std::uint64_t> size(const Path& path);
    // Seconds since 1970.
    static std::optional<double> modificationTime(const Path& path);
    // Moves or renames, replacing a file at the destination; works across
    // file systems.
    static bool move(const Path& from, const Path& to);
    // Copies a file, or a folder recursively; replaces an existing file.
    static bool copy(const Path& from, const Path& to);

    static std::optional<Bytes> readFile(const Path& path);
    static std::optional<std::string> readText(const Path& path); // bytes as they are
    // Plain write (create or truncate).
    static bool writeFile(const Path& path, ByteView bytes);
    static bool writeFile(const Path& path, std::string_view bytes);
    // Writes a temporary file beside the target, syncs it and renames it over
    // the target: readers see the old file or the new one, never a torn one,
    // and a failed write leaves the old file untouched. mode (for instance
    // 0600) is set on the new file; nullopt keeps the default (0644 minus umask).
    static bool atomicWrite(const Path& path, ByteView bytes, std::optional<mode_t> mode = std::nullopt);
    static bool atomicWrite(const Path& path, std::string_view bytes, std::optional<mode_t> mode = std::nullopt);
};

inline bool atomicWrite(const std::filesystem::path& path, ByteView bytes, std::optional<mode_t> mode = std::nullopt) {
    return FileManager::atomicWrite(path, bytes, mode);
}

inline bool atomicWrite(const std::filesystem::path& path, std::string_view bytes,
                        std::optional<mode_t> mode = std::nullopt) {
    return FileManager::atomicWrite(path, bytes, mode);
}

} // namespace pw::core
