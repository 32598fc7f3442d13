#pragma once
// The silent login: the account kit logs in again from what it remembers,
// then the site turns the kit's session id into its own session (a cookie in
// the shared store) through the login validation. It shows nothing and tells
// its delegate YES or NO, once per run.
#include "account/AutoLoginDelegate.h"
#include "network/RQHTTPRequestDelegate.h"
#include "platform/core/Value.h"

#include <memory>
#include <string>
#include <utility>

namespace pw {

class RQHTTPRequest;
struct zelDelegate;

class AutoLogin : public RQHTTPRequestDelegate, public std::enable_shared_from_this<AutoLogin> {
public:
    static std::shared_ptr<AutoLogin> create() { return std::shared_ptr<AutoLogin>(new AutoLogin()); }
    ~AutoLogin() override;

    // Virtual so that a test can stand a scripted login in its place.
    virtual void login();
    std::weak_ptr<AutoLoginDelegate> delegate() const { return m_delegate; }
    void setDelegate(std::weak_ptr<AutoLoginDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<RQHTTPRequest>& request() const { return m_request; }
    void setRequest(std::shared_ptr<RQHTTPRequest> request);
    bool needCallback() const { return m_needCallback; }

    // The kit's answers.
    void onSuccess(int operation, const core::Value& result);
    void onFail(int operation, const core::Value& result);

    // The site validation of the kit's current session id, or of one given
    // (a fresh validation, answered once like a run).
    void beginLoginRZ();
    void beginLoginRZ(const std::string& sessionId);
    void afterSuccessRequestFinished(RQHTTPRequest& request);
    void afterSuccessRequestFailed(RQHTTPRequest& request);

    void requestFinished(RQHTTPRequest& request) override { afterSuccessRequestFinished(request); }
    void requestFailed(RQHTTPRequest& request) override { afterSuccessRequestFailed(request); }

    // What goes back to the kit for the answer's zelToken and zelResultCode:
    // the code (-1 when absent) and the record, null when the token is empty.
    static std::pair<int, core::Value> callBackArguments(const core::Value& zelToken, const core::Value& zelResultCode);

protected:
    AutoLogin() = default;
    // A new run: the earlier run's answer and confirmation request are over.
    void beginRun();
    // Tells the delegate, the first time in a run only.
    void answer(bool success);

private:
    enum class Phase { Idle, WithKit, Validating, Answered };
    // Hands the site's token back to the kit when it asked for a confirmation.
    void callBackKit(const core::Value& zelToken, const core::Value& zelResultCode);

    std::weak_ptr<AutoLoginDelegate> m_delegate;
    std::shared_ptr<RQHTTPRequest> m_request;
    std::shared_ptr<zelDelegate> m_kitDelegate;
    bool m_needCallback = false;
    Phase m_phase = Phase::Idle;
};

} // namespace pw
