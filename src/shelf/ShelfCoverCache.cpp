#include "shelf/ShelfCoverCache.h"

#include <filesystem>
#include <list>
#include <unordered_map>

namespace pw {

namespace {

struct Entry {
    std::string path;
    std::filesystem::file_time_type written;
    std::uintmax_t bytes{0};
    gfx::Image image;
};

struct Cache {
    // Most recently used first.
    std::list<Entry> entries;
    std::unordered_map<std::string, std::list<Entry>::iterator> index;
};

Cache& cache() {
    static Cache c;
    return c;
}

} // namespace

gfx::Image ShelfCoverCache::coverAt(const std::string& path) {
    if (path.empty())
        return {};
    std::error_code ec;
    const auto written = std::filesystem::last_write_time(path, ec);
    if (ec)
        return {};
    const auto bytes = std::filesystem::file_size(path, ec);
    if (ec)
        return {};
    Cache& c = cache();
    if (auto it = c.index.find(path); it != c.index.end()) {
        if (it->second->written == written && it->second->bytes == bytes) {
            c.entries.splice(c.entries.begin(), c.entries, it->second);
            return it->second->image;
        }
        c.entries.erase(it->second);
        c.index.erase(it);
    }
    gfx::Image image = gfx::Image::fromFile(path).value_or(gfx::Image());
    if (image.isNull())
        return {};
    c.entries.push_front({path, written, bytes, image});
    c.index[path] = c.entries.begin();
    while (c.entries.size() > kCapacity) {
        c.index.erase(c.entries.back().path);
        c.entries.pop_back();
    }
    return image;
}

size_t ShelfCoverCache::size() {
    return cache().entries.size();
}

void ShelfCoverCache::clear() {
    cache().entries.clear();
    cache().index.clear();
}

} // namespace pw
