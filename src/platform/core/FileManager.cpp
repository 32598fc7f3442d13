#include "platform/core/FileManager.h"

#include "platform/core/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <system_error>

namespace pw::core {

namespace fs = std::filesystem;

bool FileManager::exists(const Path& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool FileManager::isDirectory(const Path& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool FileManager::isFile(const Path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool FileManager::createDirectories(const Path& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

bool FileManager::remove(const Path& path) {
    std::error_code ec;
    fs::remove(path, ec);
    return !ec && !fs::exists(fs::symlink_status(path, ec));
}

bool FileManager::removeAll(const Path& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
    return !ec;
}

std::optional<std::vector<std::string>> FileManager::list(const Path& dir) {
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return std::nullopt;
    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            return std::nullopt;
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::uint64_t> FileManager::size(const Path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

std::optional<double> FileManager::modificationTime(const Path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) / 1e9;
}

bool FileManager::move(const Path& from, const Path& to) {
    if (::rename(from.c_str(), to.c_str()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    // Another file system: copy, then remove the source only once the copy
    // is complete, so a failure never loses the file.
    if (!copy(from, to))
        return false;
    return removeAll(from);
}

bool FileManager::copy(const Path& from, const Path& to) {
    std::error_code ec;
    if (fs::is_directory(from, ec)) {
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        return !ec;
    }
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    return !ec;
}

std::optional<Bytes> FileManager::readFile(const Path& path) {
    auto handle = FileHandle::open(path, FileHandle::Mode::Read);
    if (!handle)
        return std::nullopt;
    return handle->readToEnd();
}

std::optional<std::string> FileManager::readText(const Path& path) {
    auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

bool FileManager::writeFile(const Path& path, ByteView bytes) {
    auto handle = FileHandle::open(path, FileHandle::Mode::Write);
    return handle && handle->write(bytes);
}

bool FileManager::writeFile(const Path& path, std::string_view bytes) {
    return writeFile(path, asByteView(bytes));
}

namespace {

std::string uniqueSuffix() {
    static thread_local std::mt19937_64 rng{
        std::random_device{}() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string s;
    for (int i = 0; i < 10; ++i)
        s.push_back(digits[rng() % 36]);
    return s;
}

} // namespace

bool FileManager::atomicWrite(const Path& path, ByteView bytes, std::optional<mode_t> mode) {
    Path dir = path.parent_path();
    if (dir.empty())
        dir = ".";
    Path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        temp = dir / ("." + path.filename().string() + ".tmp-" + uniqueSuffix());
        // With an explicit mode the temporary file starts private, so a
        // secret never sits readable even for a moment; the mode is applied
        // before the rename. Without one the kernel applies the umask.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode ? 0600 : 0644);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    bool ok = FileHandle::writeAll(fd, bytes);
    if (ok && mode)
        ok = ::fchmod(fd, *mode) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool FileManager::atomicWrite(const Path& path, std::string_view bytes, std::optional<mode_t> mode) {
    return atomicWrite(path, asByteView(bytes), mode);
}

} // namespace pw::core
