#include "reading/turn/PageCache.h"

namespace pw {

uint64_t PageCache::invalidate() {
    std::lock_guard lock(m_mutex);
    m_pages.clear();
    return ++m_generation;
}

uint64_t PageCache::generation() const {
    std::lock_guard lock(m_mutex);
    return m_generation;
}

bool PageCache::store(uint64_t generation, int64_t key, std::shared_ptr<PageContent> page) {
    std::lock_guard lock(m_mutex);
    if (m_closed || generation != m_generation || !page)
        return false;
    m_pages[key] = std::move(page);
    return true;
}

std::shared_ptr<PageContent> PageCache::find(int64_t key) const {
    std::lock_guard lock(m_mutex);
    auto it = m_pages.find(key);
    return it == m_pages.end() ? nullptr : it->second;
}

size_t PageCache::size() const {
    std::lock_guard lock(m_mutex);
    return m_pages.size();
}

void PageCache::close() {
    std::lock_guard lock(m_mutex);
    m_closed = true;
    m_pages.clear();
    ++m_generation;
}

} // namespace pw
