#pragma once
// The application's request: the engine's request carrying its caller's
// context through the asynchronous round trip, so that a reply handler, which
// only receives the finished request, knows for which user, book and chapter
// it ran and whom to answer. It adds no behaviour of its own.
#include "network/RQHTTPRequest.h"
#include "platform/core/Value.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace pw {

// The callback pair of the site clients: a receiver (not owned) and the
// operation that takes the one result object (a null Value for failure).
using SiteSelector = std::function<void(const core::Value&)>;

// The site callback convention: when the receiver is still alive and the
// operation is set, performs it with `result`; otherwise nothing. Answers
// whether it was called.
bool performSiteCallback(const std::weak_ptr<void>& target, const SiteSelector& selector, const core::Value& result);

class RZHTTPRequest : public RQHTTPRequest {
public:
    static std::shared_ptr<RZHTTPRequest> requestWithURL(const std::string& url);
    explicit RZHTTPRequest(const std::string& url) : RQHTTPRequest(url) {}

    const std::string& userId() const { return m_userId; }
    void setUserId(std::string userId) { m_userId = std::move(userId); }
    // Ids are 64-bit: the site's book and chapter ids outgrow 32 bits.
    int64_t chapterId() const { return m_chapterId; }
    void setChapterId(int64_t id) { m_chapterId = id; }
    int64_t categoryId() const { return m_categoryId; }
    void setCategoryId(int64_t id) { m_categoryId = id; }
    bool isLastInQueue() const { return m_isLastInQueue; }
    void setIsLastInQueue(bool v) { m_isLastInQueue = v; }
    const std::any& userPack() const { return m_userPack; }
    void setUserPack(std::any pack) { m_userPack = std::move(pack); }
    int64_t lrzBookId() const { return m_lrzBookId; }
    void setLrzBookId(int64_t id) { m_lrzBookId = id; }
    bool isVip() const { return m_isVip; }
    void setIsVip(bool v) { m_isVip = v; }
    const std::weak_ptr<void>& target() const { return m_target; }
    void setTarget(std::weak_ptr<void> target) { m_target = std::move(target); }
    const SiteSelector& aSelector() const { return m_aSelector; }
    void setASelector(SiteSelector selector) { m_aSelector = std::move(selector); }
    int tag2() const { return m_tag2; }
    void setTag2(int v) { m_tag2 = v; }
    const std::optional<std::pair<int, int>>& indexPath() const { return m_indexPath; }
    void setIndexPath(std::optional<std::pair<int, int>> p) { m_indexPath = p; }

    // Answers the callback pair (performSiteCallback).
    bool answer(const core::Value& result) const { return performSiteCallback(m_target, m_aSelector, result); }

private:
    std::string m_userId;
    int64_t m_chapterId = 0;
    int64_t m_categoryId = 0;
    bool m_isLastInQueue = false;
    std::any m_userPack;
    int64_t m_lrzBookId = 0;
    bool m_isVip = false;
    std::weak_ptr<void> m_target;
    SiteSelector m_aSelector;
    int m_tag2 = 0;
    std::optional<std::pair<int, int>> m_indexPath;
};

} // namespace pw
