#pragma once
// The registration screen: asks the account service whether a name is free
// and registers a name with a password typed twice. After "注册成功" is
// closed it leaves and hands (name, password) to its caller.
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/core/Value.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pw {

struct zelDelegate;

class RegistViewController : public ui::ViewController, public ui::AlertViewDelegate, public ui::TextFieldDelegate {
public:
    static std::shared_ptr<RegistViewController> create() { return ViewController::create<RegistViewController>(); }
    ~RegistViewController() override;

    std::weak_ptr<void> callbackTarget;
    std::function<void(const std::vector<std::string>& accountAndPassword)> callbackSelector;

    void check();
    void regist();
    void setIsWorking(bool working);
    void showAlert(const std::string& text);
    void handleViewTap();

    void onSuccess(int operation, const core::Value& result);
    void onFail(int operation, const core::Value& result);
    void clickedButtonAtIndex(ui::AlertView& alert, int64_t index) override;
    bool textFieldShouldReturn(ui::TextField& field) override;

    bool isWorking() const { return m_working; }
    bool shouldCallback() const { return m_shouldCallback; }
    ui::TextField* txtTarvPt() const { return m_txtTarvPt.get(); }
    ui::TextField* txtPassword() const { return m_txtPassword.get(); }
    ui::TextField* txtPasswordConfirm() const { return m_txtPasswordConfirm.get(); }
    ui::Button* btnCheck() const { return m_btnCheck.get(); }
    ui::Button* btnRegist() const { return m_btnRegist.get(); }
    const std::shared_ptr<ui::AlertView>& lastAlert() const { return m_lastAlert; }

    void loadView() override;
    void viewDidLoad() override;
    void viewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(device::Orientation o) const override;

protected:
    RegistViewController() = default;
    friend class ui::ViewController;

private:
    void takeKit();
    void releaseKit();
    void endEditing();

    std::shared_ptr<ui::TextField> m_txtTarvPt, m_txtPassword, m_txtPasswordConfirm;
    std::shared_ptr<ui::Button> m_btnCheck, m_btnRegist;
    std::shared_ptr<ui::ActivityIndicatorView> m_indicator;
    std::shared_ptr<zelDelegate> m_kitDelegate;
    std::shared_ptr<ui::AlertView> m_lastAlert;
    bool m_working = false;
    bool m_shouldCallback = false;
};

} // namespace pw
