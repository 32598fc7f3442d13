#pragma once
// What every client of the site shares: at most one request of its own at a
// time (a new call detaches and cancels the one in flight, whose caller then
// hears nothing), and the request recipe. Clients are owned by shared
// pointers (the engine holds its delegate weakly): make them with create().
#include "network/RQHTTPRequestDelegate.h"
#include "site/RZHTTPRequest.h"

#include <memory>
#include <string>

namespace pw {

class SiteAPIBase : public RQHTTPRequestDelegate, public std::enable_shared_from_this<SiteAPIBase> {
public:
    ~SiteAPIBase() override;
    SiteAPIBase(const SiteAPIBase&) = delete;
    SiteAPIBase& operator=(const SiteAPIBase&) = delete;

    const std::shared_ptr<RZHTTPRequest>& request() const { return m_request; }
    void setRequest(std::shared_ptr<RZHTTPRequest> request);

protected:
    SiteAPIBase() = default;

    // Cancels the request in flight and makes the next one: this client as
    // delegate, accurate progress off, the time-out, and UTF-8 as the default
    // answer encoding when `utf8Default`. The caller fills the context and starts it.
    std::shared_ptr<RZHTTPRequest> newRequest(const std::string& url, double timeOutSeconds, bool utf8Default = true);
    void cancelRequest();
    // The request as the application's type (nullptr for another kind).
    static RZHTTPRequest* asSiteRequest(RQHTTPRequest& request) { return dynamic_cast<RZHTTPRequest*>(&request); }

private:
    std::shared_ptr<RZHTTPRequest> m_request;
};

} // namespace pw
