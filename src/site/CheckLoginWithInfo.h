#pragma once
// The login check in front of every site action that needs a logged-in user:
// it asks the site; when the site says no, it tries the silent login and then
// the login screen, and answers its delegate.
//
// A check started while another's request is in flight supersedes it (as for
// every site client); a silent login or a login screen already under way
// still ends in the check's callbacks. Leaving the login screen by its back
// button answers nothing; its close button in the store tells the delegate.
// When no login screen can be shown (no target screen) the check answers
// not logged in rather than leave its caller waiting.
#include "account/AutoLogin.h"
#include "site/CheckLoginWithInfoDelegate.h"
#include "site/SiteAPIBase.h"

#include <any>
#include <memory>

namespace pw {

namespace ui {
class ViewController;
}

class CheckLoginWithInfo : public SiteAPIBase, public AutoLoginDelegate {
public:
    static constexpr int kFirstCheckTag = 1001;
    static constexpr int kSecondCheckTag = 1002;
    static constexpr double kLoginScreenDelay = 0.6;

    static std::shared_ptr<CheckLoginWithInfo> create() {
        return std::shared_ptr<CheckLoginWithInfo>(new CheckLoginWithInfo());
    }

    void setResultDelegate(std::weak_ptr<CheckLoginWithInfoDelegate> d) { m_resultDelegate = std::move(d); }
    const std::weak_ptr<CheckLoginWithInfoDelegate>& resultDelegate() const { return m_resultDelegate; }
    // `target`: the caller's screen, on whose navigation stack the login
    // screen is pushed (may be empty); `userPack` comes back with the answer.
    void checkIsLoginWithTarget(std::weak_ptr<ui::ViewController> target, std::any userPack);

    // The silent login's answer.
    void loginIsSuccess(bool success) override;
    // The login screen's callback after a successful manual login.
    void checkIsLoginAfterFirstTryFailed(const std::any& userPack);

    void startAutoLogin();
    void showLoginView();
    void backClick();

    void requestFinished(RQHTTPRequest& request) override;
    void requestFailed(RQHTTPRequest& request) override;

    // The silent login used by the fall-back; made on first need unless set.
    const std::shared_ptr<AutoLogin>& autoLogin() const { return m_autoLogin; }
    void setAutoLogin(std::shared_ptr<AutoLogin> autoLogin);
    // The caller's pack and screen, kept while the fall-back runs.
    const std::any& userPack() const { return m_userPack; }
    void setUserPack(std::any userPack) { m_userPack = std::move(userPack); }
    const std::weak_ptr<ui::ViewController>& target() const { return m_target; }
    void setTarget(std::weak_ptr<ui::ViewController> target) { m_target = std::move(target); }

    // The user id in a login-check answer: the digits of the first
    // userId:'<digits>'; "0" when there is none or it is empty.
    static std::string userIdFromAnswer(const std::string& text);

protected:
    CheckLoginWithInfo() = default;

private:
    void sendCheck(int tag, std::any userPack, std::weak_ptr<ui::ViewController> target);
    void answer(bool isLogin, const std::string& userId, const std::any& userPack);
    void fallBack(RZHTTPRequest& request);

    std::weak_ptr<CheckLoginWithInfoDelegate> m_resultDelegate;
    std::shared_ptr<AutoLogin> m_autoLogin;
    std::any m_userPack;
    std::weak_ptr<ui::ViewController> m_target;
};

} // namespace pw
