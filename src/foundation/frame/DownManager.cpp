#include "foundation/frame/DownManager.h"

#include "platform/core/NotificationCenter.h"

#include <algorithm>

namespace pw {

namespace {
int64_t bookIdOf(const core::Notification& n) {
    for (const char* key : {"bid", "rzid", "bookId"}) {
        const auto& v = n.payload[key];
        if (auto i = v.asInt())
            return *i;
        if (auto s = v.asString()) {
            try {
                return std::stoll(*s);
            } catch (...) {}
        }
    }
    return 0;
}
} // namespace

DownManager::DownManager() {
    auto& nc = core::NotificationCenter::defaultCenter();
    m_tokens.push_back(nc.addObserver("NSNotificationCenter_BookAllDownBegin", [this](const core::Notification& n) {
        const int64_t id = bookIdOf(n);
        if (id != 0 && std::find(m_bookIds.begin(), m_bookIds.end(), id) == m_bookIds.end())
            m_bookIds.push_back(id);
    }));
    auto finished = [this](const core::Notification& n) { std::erase(m_bookIds, bookIdOf(n)); };
    m_tokens.push_back(nc.addObserver("NSNotificationCenter_BookAllDownSuccess", finished));
    m_tokens.push_back(nc.addObserver("NSNotificationCenter_BookAllDownFailed", finished));
}

} // namespace pw
