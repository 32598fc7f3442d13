#pragma once

// The neighbouring pages of the current page, keyed by the index of the page's
// first character (the page after) or last character (the page before), shared
// with the preload threads. Every emptying starts a new generation; a store made
// for an older generation (a preload of an older page, text or layout, or of a
// book that has closed) is refused, so only the latest preload can fill it.

#include "reading/page/PageContent.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace pw {

class PageCache {
public:
    // Empties the cache; answers the generation that stores must now carry.
    uint64_t invalidate();
    uint64_t generation() const;
    // False (and nothing stored) for a stale generation, a closed cache or no page.
    bool store(uint64_t generation, int64_t key, std::shared_ptr<PageContent> page);
    std::shared_ptr<PageContent> find(int64_t key) const;
    size_t size() const;
    // The book has closed: nothing is stored any more.
    void close();

private:
    mutable std::mutex m_mutex;
    std::map<int64_t, std::shared_ptr<PageContent>> m_pages;
    uint64_t m_generation = 0;
    bool m_closed = false;
};

} // namespace pw
