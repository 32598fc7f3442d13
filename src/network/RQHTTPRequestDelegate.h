#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <strings.h>

namespace pw {

class RQHTTPRequest;

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
};
using RQHeaderMap = std::map<std::string, std::string, CaseInsensitiveLess>;

// What a request tells its delegate, always on the main thread. Every call is
// optional; the handles... answers say whether the delegate wants to be asked
// (a redirect waits for the delegate, data goes to it instead of being kept).
class RQHTTPRequestDelegate {
public:
    virtual ~RQHTTPRequestDelegate() = default;
    virtual void requestStarted(RQHTTPRequest&) {}
    virtual void requestDidReceiveResponseHeaders(RQHTTPRequest&, const RQHeaderMap&) {}
    virtual bool handlesWillRedirect() const { return false; }
    virtual void requestWillRedirectToURL(RQHTTPRequest&, const std::string& /*url*/) {}
    virtual void requestFinished(RQHTTPRequest&) {}
    virtual void requestFailed(RQHTTPRequest&) {}
    virtual void requestRedirected(RQHTTPRequest&) {}
    virtual bool handlesReceivedData() const { return false; }
    virtual void requestDidReceiveData(RQHTTPRequest&, const std::string& /*bytes*/) {}
    virtual bool handlesAuthenticationNeeded() const { return false; }
    virtual void authenticationNeededForRequest(RQHTTPRequest&) {}
    virtual bool handlesProxyAuthenticationNeeded() const { return false; }
    virtual void proxyAuthenticationNeededForRequest(RQHTTPRequest&) {}
};

// Progress receivers: an indicator (setProgress) and byte counters. Counts may
// be negative (a size taken back).
class RQProgressDelegate {
public:
    virtual ~RQProgressDelegate() = default;
    virtual bool handlesSetProgress() const { return false; }
    virtual void setProgress(float) {}
    virtual void requestDidReceiveBytes(RQHTTPRequest&, int64_t) {}
    virtual void requestDidSendBytes(RQHTTPRequest&, int64_t) {}
    virtual void requestIncrementDownloadSizeBy(RQHTTPRequest&, int64_t) {}
    virtual void requestIncrementUploadSizeBy(RQHTTPRequest&, int64_t) {}
};

// A queue a request reports to: it hears both kinds of callback.
class RQRequestQueue : public RQHTTPRequestDelegate, public RQProgressDelegate {};

} // namespace pw
