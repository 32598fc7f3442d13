#pragma once
// The login screen as the login check uses it: configured before it is
// pushed, it pops itself after a successful login and performs its callback
// with the pack it was given. Until the account screens bring the full screen
// (password, SMS and second-factor login, registration), it is a plain page
// that a login (loginSucceeded) or a back navigation ends.
#include "platform/ui/ViewController.h"

#include <any>
#include <functional>
#include <memory>

namespace pw {

class ZELLoginViewController : public ui::ViewController {
public:
    using Callback = std::function<void(const std::any& userPack)>;
    static std::shared_ptr<ZELLoginViewController> create() { return ViewController::create<ZELLoginViewController>(); }

    void setDisableAutoLogin(bool v) { m_disableAutoLogin = v; }
    bool disableAutoLogin() const { return m_disableAutoLogin; }
    void setUserPack(std::any pack) { m_userPack = std::move(pack); }
    const std::any& userPack() const { return m_userPack; }
    void setCallbackTarget(std::weak_ptr<void> target) { m_callbackTarget = std::move(target); }
    void setCallbackSelector(Callback selector) { m_callbackSelector = std::move(selector); }
    // Told when the screen leaves its navigation stack without a login, so
    // the one who showed it can still answer its own caller.
    void setClosedWithoutLogin(std::function<void()> closed) { m_closed = std::move(closed); }

    // A login went through: leaves the stack and performs the callback.
    void loginSucceeded();

    void loadView() override;
    void viewDidDisappear(bool animated) override;

protected:
    ZELLoginViewController() = default;
    friend class ui::ViewController;

private:
    bool m_disableAutoLogin = false;
    bool m_succeeded = false;
    std::any m_userPack;
    std::weak_ptr<void> m_callbackTarget;
    Callback m_callbackSelector;
    std::function<void()> m_closed;
};

} // namespace pw
