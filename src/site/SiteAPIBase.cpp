#include "site/SiteAPIBase.h"

namespace pw {

SiteAPIBase::~SiteAPIBase() {
    cancelRequest();
}

void SiteAPIBase::setRequest(std::shared_ptr<RZHTTPRequest> request) {
    m_request = std::move(request);
}

void SiteAPIBase::cancelRequest() {
    if (m_request)
        m_request->clearDelegatesAndCancel();
    m_request.reset();
}

std::shared_ptr<RZHTTPRequest> SiteAPIBase::newRequest(const std::string& url, double timeOutSeconds,
                                                       bool utf8Default) {
    cancelRequest();
    m_request = RZHTTPRequest::requestWithURL(url);
    m_request->setDelegate(std::weak_ptr<RQHTTPRequestDelegate>(shared_from_this()));
    m_request->setShowAccurateProgress(false);
    m_request->setTimeOutSeconds(timeOutSeconds);
    if (utf8Default)
        m_request->setDefaultResponseEncoding("UTF-8");
    return m_request;
}

} // namespace pw
