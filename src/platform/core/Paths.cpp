#include "platform/core/Paths.h"

#include <cstdlib>
#include <mutex>
#include <system_error>
#include <unistd.h>

namespace pw::core {

namespace fs = std::filesystem;

namespace {

std::mutex g_pathsMutex;
fs::path g_home;
fs::path g_resources;

fs::path defaultHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return fs::path(xdg) / "pagewell";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".local" / "share" / "pagewell";
    return fs::temp_directory_path() / "pagewell";
}

fs::path executableDir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return fs::current_path(ec);
    return exe.parent_path();
}

} // namespace

fs::path Paths::home() {
    std::lock_guard lock(g_pathsMutex);
    if (g_home.empty())
        g_home = defaultHome();
    return g_home;
}

void Paths::setHome(const fs::path& home) {
    std::lock_guard lock(g_pathsMutex);
    g_home = home;
}

fs::path Paths::documents() {
    return home() / "Documents";
}
fs::path Paths::library() {
    return home() / "Library";
}
fs::path Paths::caches() {
    return library() / "Caches";
}
fs::path Paths::preferences() {
    return library() / "Preferences";
}
fs::path Paths::tmp() {
    return home() / "tmp";
}

bool Paths::ensureHome() {
    bool ok = true;
    for (const fs::path& dir : {documents(), library(), caches(), tmp()}) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (!fs::is_directory(dir, ec))
            ok = false;
    }
    return ok;
}

fs::path Paths::resources() {
    std::lock_guard lock(g_pathsMutex);
    if (g_resources.empty())
        g_resources = executableDir() / "resources";
    return g_resources;
}

void Paths::setResources(const fs::path& dir) {
    std::lock_guard lock(g_pathsMutex);
    g_resources = dir;
}

fs::path Paths::resource(const fs::path& relative) {
    return resources() / relative;
}

} // namespace pw::core
