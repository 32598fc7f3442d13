#include "site/RZHTTPRequest.h"

namespace pw {

std::shared_ptr<RZHTTPRequest> RZHTTPRequest::requestWithURL(const std::string& url) {
    return std::make_shared<RZHTTPRequest>(url);
}

bool performSiteCallback(const std::weak_ptr<void>& target, const SiteSelector& selector, const core::Value& result) {
    auto receiver = target.lock();
    if (!receiver || !selector)
        return false;
    selector(result);
    return true;
}

} // namespace pw
