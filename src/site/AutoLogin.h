#pragma once
// The silent login: the account kit logs in again from what it remembers,
// then the site turns the kit's session id into its own session (a cookie in
// the shared store) through the login validation. It shows nothing and tells
// its delegate YES or NO.
//
// This is the least the login check and the start-up need; the account
// screens replace it with the full one (avatar, kit hand-back, login screen).
#include "network/RQHTTPRequestDelegate.h"
#include "platform/core/Value.h"
#include "site/AutoLoginDelegate.h"

#include <memory>
#include <string>

namespace pw {

class RQHTTPRequest;
struct zelDelegate;

class AutoLogin : public RQHTTPRequestDelegate, public std::enable_shared_from_this<AutoLogin> {
public:
    static std::shared_ptr<AutoLogin> create() { return std::shared_ptr<AutoLogin>(new AutoLogin()); }
    ~AutoLogin() override;

    // Virtual so that a test can stand a scripted login in its place.
    virtual void login();
    void setDelegate(std::weak_ptr<AutoLoginDelegate> delegate) { m_delegate = std::move(delegate); }

    // The site validation of an account-service session id (the step after
    // the kit's login); answers the delegate.
    void beginLoginRZ(const std::string& sessionId);
    // Reads the validation answer and stores what it gives (vemoToken, the
    // nickname and the avatar's code); YES when it carried the user's profile.
    static bool processLoginReturnData(const RQHTTPRequest& request);

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

protected:
    AutoLogin() = default;
    void answer(bool success);

private:
    void onKitSuccess(int operation, const core::Value& result);

    std::weak_ptr<AutoLoginDelegate> m_delegate;
    std::shared_ptr<RQHTTPRequest> m_request;
    std::shared_ptr<zelDelegate> m_kitDelegate;
};

} // namespace pw
