#pragma once
// The login screen: account name and password, or the phone's number through
// the account kit's SMS login, and the way to registration. A second factor
// asked for by the account service is typed into a prompt. After the kit has
// logged in, the site validates the session as the silent login does; then the
// screen leaves its navigation stack and performs its callback with the pack
// it was given. Leaving by the back button calls nothing (closedWithoutLogin
// tells whoever needs to know).
#include "account/ModalAlertDelegate.h"
#include "network/RQHTTPRequestDelegate.h"
#include "platform/core/Cancelable.h"
#include "platform/core/Value.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pw {

class RQHTTPRequest;
struct zelDelegate;

class ZELLoginViewController : public ui::ViewController,
                               public RQHTTPRequestDelegate,
                               public ModalAlertDelegateResult,
                               public ui::TextFieldDelegate {
public:
    using Callback = std::function<void(const std::any& userPack)>;
    static constexpr int kPromptTag = 1002;
    static constexpr double kNavBackDelay = 0.6;

    static std::shared_ptr<ZELLoginViewController> create() { return ViewController::create<ZELLoginViewController>(); }
    ~ZELLoginViewController() override;

    void setDisableAutoLogin(bool v) { m_disableAutoLogin = v; }
    bool disableAutoLogin() const { return m_disableAutoLogin; }
    void setUserPack(std::any pack) { m_userPack = std::move(pack); }
    const std::any& userPack() const { return m_userPack; }
    void setCallbackTarget(std::weak_ptr<void> target) { m_callbackTarget = std::move(target); }
    void setCallbackSelector(Callback selector) { m_callbackSelector = std::move(selector); }
    void setClosedWithoutLogin(std::function<void()> closed) { m_closed = std::move(closed); }

    // ---- the screen's operations
    void login();
    void phoneLogin();
    void registAccount();
    void afterRegist(const std::vector<std::string>& accountAndPassword);
    void startAutoLogin();
    void setIsWorking(bool working);
    void showAlert(const std::string& text);
    void showInputAlertWithTitle(const std::string& title);
    void beginLoginRZ();
    void afterSuccessRequestFinished(RQHTTPRequest& request);
    void afterSuccessRequestFailed(RQHTTPRequest& request);
    void navBack();
    // A login went through: the same as the delayed navBack, at once.
    void loginSucceeded() { navBack(); }
    void handleViewTap();

    // ---- the kit's answers
    void onSuccess(int operation, const core::Value& result);
    void onFail(int operation, const core::Value& result);
    void mobileSendSMSLoginResult(int code, const std::string& msg);
    void loginWithKey(const std::string& key, int64_t clickedButtonAtIndex) override;

    // ---- what the screen shows
    bool isWorking() const { return m_working; }
    bool needCallback() const { return m_needCallback; }
    bool isPhoneLogin() const { return m_isPhoneLogin; }
    unsigned type() const { return m_type; }
    ui::TextField* txtTarvPt() const { return m_txtTarvPt.get(); }
    ui::TextField* txtPassword() const { return m_txtPassword.get(); }
    ui::Button* btnLogin() const { return m_btnLogin.get(); }
    ui::Button* btnPhoneLogin() const { return m_btnPhoneLogin.get(); }
    ui::Button* btnRegist() const { return m_btnRegist.get(); }
    ui::ActivityIndicatorView* indicator() const { return m_indicator.get(); }
    // The last alert or prompt shown (null before the first).
    const std::shared_ptr<ui::AlertView>& lastAlert() const { return m_lastAlert; }
    const std::shared_ptr<ModalAlertDelegate>& modalAlertDelegate() const { return m_modalAlertDelegate; }
    const std::shared_ptr<RQHTTPRequest>& request() const { return m_request; }

    void loadView() override;
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    void viewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;
    bool textFieldShouldReturn(ui::TextField& field) override;
    void requestFinished(RQHTTPRequest& request) override { afterSuccessRequestFinished(request); }
    void requestFailed(RQHTTPRequest& request) override { afterSuccessRequestFailed(request); }

protected:
    ZELLoginViewController() = default;
    friend class ui::ViewController;

private:
    // Takes the kit's delegate slot for this screen.
    void takeKit();
    // Gives the slot up, only while this screen still holds it.
    void releaseKit();
    void clean();
    void endEditing();
    void promptFor(unsigned type, const core::Value& record);

    unsigned m_type = 0;
    bool m_needCallback = false;
    bool m_isPhoneLogin = false;
    bool m_disableAutoLogin = false;
    bool m_working = false;
    bool m_succeeded = false;
    std::shared_ptr<ui::TextField> m_txtTarvPt, m_txtPassword;
    std::shared_ptr<ui::Button> m_btnLogin, m_btnPhoneLogin, m_btnRegist;
    std::shared_ptr<ui::ActivityIndicatorView> m_indicator;
    std::weak_ptr<void> m_callbackTarget;
    Callback m_callbackSelector;
    std::function<void()> m_closed;
    std::any m_userPack;
    std::shared_ptr<RQHTTPRequest> m_request;
    std::shared_ptr<ModalAlertDelegate> m_modalAlertDelegate;
    std::shared_ptr<zelDelegate> m_kitDelegate;
    std::shared_ptr<ui::AlertView> m_lastAlert;
    core::Cancelable m_navBack;
};

} // namespace pw
