#include "account/RegistViewController.h"

#include "account/AccountControls.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "loginsdk/zelOpenAPI.h"
#include "platform/ui/NavigationController.h"

namespace pw {

RegistViewController::~RegistViewController() {
    releaseKit();
}

void RegistViewController::takeKit() {
    if (!m_kitDelegate) {
        m_kitDelegate = std::make_shared<zelDelegate>();
        std::weak_ptr<RegistViewController> weak = std::static_pointer_cast<RegistViewController>(shared_from_this());
        m_kitDelegate->onSuccess = [weak](int op, const core::Value& r) {
            if (auto self = weak.lock())
                self->onSuccess(op, r);
        };
        m_kitDelegate->onFail = [weak](int op, const core::Value& r) {
            if (auto self = weak.lock())
                self->onFail(op, r);
        };
    }
    zelOpenAPI::shareZelOpenAPI().setDelegate(m_kitDelegate);
}

void RegistViewController::releaseKit() {
    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    // The login screen below takes the slot back when it shows again; a
    // registration leaving late must not take it from there.
    if (m_kitDelegate && kit.delegate() == m_kitDelegate)
        kit.cancel();
}

void RegistViewController::loadView() {
    auto view = ui::View::create(gfx::Rect(0, 0, 320, 460));
    view->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    setView(view);
}

void RegistViewController::viewDidLoad() {
    setTitle("注册恒岳通行证");
    auto& v = *view();
    std::weak_ptr<RegistViewController> weak = std::static_pointer_cast<RegistViewController>(shared_from_this());
    AccountControls::loginBackground(v, [weak] {
        if (auto self = weak.lock())
            self->handleViewTap();
    });

    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    kit.setAppId(10);
    kit.setAreaId(33);

    auto fieldDelegate = std::static_pointer_cast<ui::TextFieldDelegate>(
        std::static_pointer_cast<RegistViewController>(shared_from_this()));
    m_txtTarvPt = AccountControls::loginField(v, 20, "请输入恒岳通行证", false);
    m_txtPassword = AccountControls::loginField(v, m_txtTarvPt->frame().maxY() + 20, "请输入密码", true);
    m_txtPasswordConfirm = AccountControls::loginField(v, m_txtPassword->frame().maxY() + 20, "请再输入一遍", true);
    for (auto* f : {m_txtTarvPt.get(), m_txtPassword.get(), m_txtPasswordConfirm.get()})
        f->setDelegate(fieldDelegate);

    const double width = v.bounds().width();
    const double gap = AccountControls::loginButtonGap();
    double y = m_txtPasswordConfirm->frame().maxY() + gap;
    auto button = [&](const std::string& title, void (RegistViewController::*action)()) {
        auto b = AccountControls::imageButton(AccountControls::loginButtonFrame(width, y), "local_login_btn.png", 8, 10,
                                              title, 14, v);
        b->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin);
        b->addTarget(
            [weak, action](ui::Control&) {
                if (auto self = weak.lock())
                    ((*self).*action)();
            },
            ui::ControlEventTouchUpInside);
        y = b->frame().maxY() + gap;
        return b;
    };
    m_btnCheck = button("检测用户名是否存在", &RegistViewController::check);
    m_btnRegist = button("注       册", &RegistViewController::regist);

    m_indicator = ui::View::create<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
    m_indicator->sizeToFit();
    m_indicator->setCenter(v.bounds().center());
    m_indicator->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                                     ui::FlexibleBottomMargin);
    v.addSubview(m_indicator);
}

void RegistViewController::viewDidUnload() {
    releaseKit();
}

bool RegistViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

bool RegistViewController::textFieldShouldReturn(ui::TextField& field) {
    field.resignFirstResponder();
    return true;
}

void RegistViewController::handleViewTap() {
    endEditing();
}

void RegistViewController::endEditing() {
    for (auto* f : {m_txtTarvPt.get(), m_txtPassword.get(), m_txtPasswordConfirm.get()})
        if (f)
            f->resignFirstResponder();
}

void RegistViewController::setIsWorking(bool working) {
    m_working = working;
    for (auto* b : {m_btnCheck.get(), m_btnRegist.get()})
        if (b)
            b->setEnabled(!working);
    if (m_indicator) {
        if (working)
            m_indicator->startAnimating();
        else
            m_indicator->stopAnimating();
    }
}

void RegistViewController::showAlert(const std::string& text) {
    m_lastAlert =
        AccountControls::showAlert(text, std::static_pointer_cast<ui::AlertViewDelegate>(
                                             std::static_pointer_cast<RegistViewController>(shared_from_this())));
}

void RegistViewController::check() {
    endEditing();
    if (m_txtTarvPt->text().empty()) {
        showAlert("请输入恒岳通行证");
        return;
    }
    setIsWorking(true);
    takeKit();
    zelOpenAPI::shareZelOpenAPI().userNameExists(m_txtTarvPt->text());
}

void RegistViewController::regist() {
    endEditing();
    if (m_txtTarvPt->text().empty())
        return showAlert("请输入恒岳通行证");
    if (m_txtPassword->text().empty())
        return showAlert("请输入密码");
    if (m_txtPasswordConfirm->text().empty())
        return showAlert("请再输入一遍密码");
    if (m_txtPassword->text() != m_txtPasswordConfirm->text())
        return showAlert("两次密码输入不一致，请核对");
    setIsWorking(true);
    takeKit();
    zelOpenAPI::shareZelOpenAPI().userNameRegister(m_txtTarvPt->text(), m_txtPassword->text());
}

void RegistViewController::onSuccess(int operation, const core::Value&) {
    if (operation == ZelOpUserNameCheck) {
        showAlert("该账号可以注册");
        setIsWorking(false);
    } else if (operation == ZelOpRegister) {
        m_shouldCallback = true;
        showAlert("注册成功");
    }
}

void RegistViewController::onFail(int operation, const core::Value& result) {
    if (operation == ZelOpUserNameCheck || operation == ZelOpRegister)
        showAlert(result["errorMsg"].asString().value_or(""));
    setIsWorking(false);
}

void RegistViewController::clickedButtonAtIndex(ui::AlertView&, int64_t) {
    if (!m_shouldCallback)
        return;
    auto keep = shared_from_this();
    // The kit's next answers belong to the login screen below.
    releaseKit();
    if (auto* nav = navigationController())
        nav->popViewControllerAnimated(true);
    if (callbackTarget.lock() && callbackSelector)
        callbackSelector({m_txtTarvPt->text(), m_txtPassword->text()});
    else
        setIsWorking(false);
}

} // namespace pw
