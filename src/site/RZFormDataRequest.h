#pragma once
// The application's form post that answers a callback pair.
#include "network/RQFormDataRequest.h"
#include "site/RZHTTPRequest.h"

namespace pw {

class RZFormDataRequest : public RQFormDataRequest {
public:
    static std::shared_ptr<RZFormDataRequest> requestWithURL(const std::string& url);
    explicit RZFormDataRequest(const std::string& url) : RQFormDataRequest(url) {}

    const std::weak_ptr<void>& target() const { return m_target; }
    void setTarget(std::weak_ptr<void> target) { m_target = std::move(target); }
    const SiteSelector& aSelector() const { return m_aSelector; }
    void setASelector(SiteSelector selector) { m_aSelector = std::move(selector); }

    // Answers the callback pair (performSiteCallback).
    bool answer(const core::Value& result) const { return performSiteCallback(m_target, m_aSelector, result); }

private:
    std::weak_ptr<void> m_target;
    SiteSelector m_aSelector;
};

} // namespace pw
