#include "account/ZELLoginViewController.h"

#include "account/AccountControls.h"
#include "account/AutoLogin.h"
#include "account/LoginHelper.h"
#include "account/RegistViewController.h"
#include "account/ReplyValue.h"
#include "foundation/frame/PagewellAppDelegate.h"
#include "loginsdk/zelOpenAPI.h"
#include "network/RQHTTPRequest.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/NavigationController.h"
#include "site/SiteAnswer.h"

namespace pw {
namespace {

constexpr uint32_t kAppId = 10;
constexpr uint32_t kAreaId = 33;

// Second-factor kinds: the key of the value shown and the prompt's title.
struct Factor {
    unsigned type;
    int failureCode;
    const char* key;
    const char* before;
    const char* after;
};
constexpr Factor kFactors[] = {
    {201, -10801010, "randomNum", "请输入", "四位随机数字"},
    {202, -10801020, "Challenge", "请根据挑战码", "输入密保"},
    {203, -10801030, "ECardPos", "请依照安全卡输入", ""},
};

const Factor* factorOf(unsigned type) {
    for (const auto& f : kFactors)
        if (f.type == type)
            return &f;
    return nullptr;
}

std::string textOf(const core::Value& v) {
    if (auto s = v.asString())
        return *s;
    if (auto i = v.asInt())
        return std::to_string(*i);
    return {};
}


} // namespace

ZELLoginViewController::~ZELLoginViewController() {
    clean();
}

void ZELLoginViewController::clean() {
    m_navBack.cancel();
    releaseKit();
    if (m_request) {
        m_request->clearDelegatesAndCancel();
        m_request.reset();
    }
    m_modalAlertDelegate.reset();
}

void ZELLoginViewController::takeKit() {
    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    kit.cancel();
    if (!m_kitDelegate) {
        m_kitDelegate = std::make_shared<zelDelegate>();
        std::weak_ptr<ZELLoginViewController> weak =
            std::static_pointer_cast<ZELLoginViewController>(shared_from_this());
        m_kitDelegate->onSuccess = [weak](int op, const core::Value& r) {
            if (auto self = weak.lock())
                self->onSuccess(op, r);
        };
        m_kitDelegate->onFail = [weak](int op, const core::Value& r) {
            if (auto self = weak.lock())
                self->onFail(op, r);
        };
        m_kitDelegate->mobileSendSMSLoginResult = [weak](int code, const std::string& msg) {
            if (auto self = weak.lock())
                self->mobileSendSMSLoginResult(code, msg);
        };
    }
    kit.setDelegate(m_kitDelegate);
}

void ZELLoginViewController::releaseKit() {
    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    // Another screen may hold the slot by now; its answers are not ours to drop.
    if (m_kitDelegate && kit.delegate() == m_kitDelegate)
        kit.cancel();
}

void ZELLoginViewController::loadView() {
    auto view = ui::View::create(gfx::Rect(0, 0, 320, 460));
    view->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    setView(view);
}

void ZELLoginViewController::viewDidLoad() {
    setTitle("登录");
    auto& v = *view();
    std::weak_ptr<ZELLoginViewController> weak = std::static_pointer_cast<ZELLoginViewController>(shared_from_this());
    AccountControls::loginBackground(v, [weak] {
        if (auto self = weak.lock())
            self->handleViewTap();
    });

    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    kit.setAppId(kAppId);
    kit.setAreaId(kAreaId);

    const double width = v.bounds().width();
    m_txtTarvPt = AccountControls::loginField(v, 20, "请输入恒岳通行证", false);
    m_txtPassword = AccountControls::loginField(v, m_txtTarvPt->frame().maxY() + 20, "请输入密码", true);
    m_txtTarvPt->setDelegate(std::static_pointer_cast<ui::TextFieldDelegate>(
        std::static_pointer_cast<ZELLoginViewController>(shared_from_this())));
    m_txtPassword->setDelegate(std::static_pointer_cast<ui::TextFieldDelegate>(
        std::static_pointer_cast<ZELLoginViewController>(shared_from_this())));

    const double gap = AccountControls::loginButtonGap();
    double y = m_txtPassword->frame().maxY() + gap;
    auto button = [&](const std::string& title, void (ZELLoginViewController::*action)()) {
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
    m_btnLogin = button("登     录", &ZELLoginViewController::login);
    m_btnPhoneLogin = button("本手机号码登录", &ZELLoginViewController::phoneLogin);
    m_btnRegist = button("注册恒岳通行证", &ZELLoginViewController::registAccount);

    m_indicator = ui::View::create<ui::ActivityIndicatorView>(ui::ActivityIndicatorStyle::Gray);
    m_indicator->sizeToFit();
    m_indicator->setCenter(v.bounds().center());
    m_indicator->setAutoresizingMask(ui::FlexibleLeftMargin | ui::FlexibleRightMargin | ui::FlexibleTopMargin |
                                     ui::FlexibleBottomMargin);
    v.addSubview(m_indicator);

    takeKit();
    if (kit.isInit()) {
        startAutoLogin();
    } else {
        setIsWorking(true);
        kit.zelInit();
    }
}

void ZELLoginViewController::viewWillAppear(bool animated) {
    // Back from registration too: the slot is this screen's while it shows.
    takeKit();
    if (auto* nav = navigationController())
        nav->setNavigationBarHidden(false, animated);
}

void ZELLoginViewController::viewDidDisappear(bool) {
    if (m_succeeded || !m_closed)
        return;
    if (auto* nav = navigationController())
        for (const auto& vc : nav->viewControllers())
            if (vc.get() == this)
                return; // covered by another screen, not closed
    auto closed = std::move(m_closed);
    m_closed = nullptr;
    closed();
}

void ZELLoginViewController::viewDidUnload() {
    clean();
}

bool ZELLoginViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

bool ZELLoginViewController::textFieldShouldReturn(ui::TextField& field) {
    field.resignFirstResponder();
    return true;
}

void ZELLoginViewController::handleViewTap() {
    endEditing();
}

void ZELLoginViewController::endEditing() {
    if (m_txtTarvPt)
        m_txtTarvPt->resignFirstResponder();
    if (m_txtPassword)
        m_txtPassword->resignFirstResponder();
}

void ZELLoginViewController::setIsWorking(bool working) {
    m_working = working;
    for (auto* b : {m_btnLogin.get(), m_btnPhoneLogin.get(), m_btnRegist.get()})
        if (b)
            b->setEnabled(!working);
    if (m_indicator) {
        if (working)
            m_indicator->startAnimating();
        else
            m_indicator->stopAnimating();
    }
}

void ZELLoginViewController::showAlert(const std::string& text) {
    m_lastAlert = AccountControls::showAlert(text);
}

void ZELLoginViewController::startAutoLogin() {
    if (m_disableAutoLogin)
        return;
    m_needCallback = false;
    m_isPhoneLogin = false;
    takeKit();
    setIsWorking(true);
    if (!zelOpenAPI::shareZelOpenAPI().autoLogin())
        setIsWorking(false);
}

void ZELLoginViewController::login() {
    if (m_txtTarvPt->text().empty()) {
        showAlert("请输入恒岳通行证");
        return;
    }
    if (m_txtPassword->text().empty()) {
        showAlert("请输入密码");
        return;
    }
    endEditing();
    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    if (!kit.isInit()) {
        showAlert("抱歉，未能初始化组件");
        return;
    }
    // A new attempt: what an earlier one asked for does not carry over.
    m_needCallback = false;
    m_isPhoneLogin = false;
    takeKit();
    setIsWorking(true);
    kit.loginByPT(m_txtTarvPt->text(), m_txtPassword->text());
}

void ZELLoginViewController::phoneLogin() {
    endEditing();
    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    if (!kit.isInit()) {
        showAlert("抱歉，未能初始化组件");
        return;
    }
    m_needCallback = false;
    m_isPhoneLogin = false;
    takeKit();
    setIsWorking(true);
    if (!kit.mobileSendSMSLogin(true)) {
        showAlert("当前设备可能无法发送短信！");
        setIsWorking(false);
    }
}

void ZELLoginViewController::registAccount() {
    auto* nav = navigationController();
    if (!nav)
        return;
    auto screen = RegistViewController::create();
    std::weak_ptr<ZELLoginViewController> weak = std::static_pointer_cast<ZELLoginViewController>(shared_from_this());
    screen->callbackTarget = weak;
    screen->callbackSelector = [weak](const std::vector<std::string>& accountAndPassword) {
        if (auto self = weak.lock())
            self->afterRegist(accountAndPassword);
    };
    nav->pushViewController(screen, true);
}

void ZELLoginViewController::afterRegist(const std::vector<std::string>& accountAndPassword) {
    if (accountAndPassword.size() < 2)
        return;
    m_txtTarvPt->setText(accountAndPassword[0]);
    m_txtPassword->setText(accountAndPassword[1]);
    login();
}

void ZELLoginViewController::onSuccess(int operation, const core::Value& result) {
    // Validated: the screen is on its way out and stays busy until it goes.
    if (m_succeeded)
        return;
    setIsWorking(false);
    switch (operation) {
    case ZelOpInit:
        startAutoLogin();
        return;
    case ZelOpAutoLogin:
        if (result["needValidate"].asBool().value_or(result["needValidate"].asInt().value_or(0) != 0))
            m_needCallback = true;
        beginLoginRZ();
        return;
    case ZelOpPassportLogin: {
        const auto loginType = static_cast<unsigned>(ReplyValue::wholeNumber(result["loginType"]));
        if (loginType == 200)
            beginLoginRZ();
        else if (factorOf(loginType))
            promptFor(loginType, result);
        return;
    }
    case ZelOpSecondFactor:
        beginLoginRZ();
        return;
    case ZelOpCallBack:
        return; // the kit's word on the token handed back: the site has spoken already
    default:
        showAlert("登录失败(code0)");
    }
}

void ZELLoginViewController::onFail(int operation, const core::Value& result) {
    if (m_succeeded)
        return;
    setIsWorking(false);
    if (operation == ZelOpAutoLogin) {
        const int64_t code = ReplyValue::wholeNumber(result["errorCode"]);
        for (const auto& f : kFactors)
            if (f.failureCode == code) {
                promptFor(f.type, result);
                return;
            }
    }
    if (operation == ZelOpInit || operation == ZelOpAutoLogin || operation == ZelOpPassportLogin ||
        operation == ZelOpSecondFactor)
        showAlert(textOf(result["errorMsg"]));
}

void ZELLoginViewController::mobileSendSMSLoginResult(int, const std::string&) {
    if (m_succeeded)
        return;
    setIsWorking(false);
    m_needCallback = true;
    m_isPhoneLogin = true;
    beginLoginRZ();
}

void ZELLoginViewController::promptFor(unsigned type, const core::Value& record) {
    const Factor* f = factorOf(type);
    if (!f)
        return;
    m_type = type;
    showInputAlertWithTitle(std::string(f->before) + textOf(record[f->key]) + f->after);
}

void ZELLoginViewController::showInputAlertWithTitle(const std::string& title) {
    m_modalAlertDelegate = ModalAlertDelegate::create();
    m_modalAlertDelegate->modalAlertDelegateResult = std::static_pointer_cast<ModalAlertDelegateResult>(
        std::static_pointer_cast<ZELLoginViewController>(shared_from_this()));
    auto alert = ui::AlertView::create(title, "\n", m_modalAlertDelegate, "取消", {"确定"});
    alert->setTag(kPromptTag);
    auto field = ui::View::create<ui::TextField>(gfx::Rect(0, 0, 260, 30));
    field->setBorderStyle(ui::TextBorderStyle::RoundedRect);
    field->setTag(ModalAlertDelegate::kFieldTag);
    field->setPlaceholder(title);
    field->clearButtonMode = ui::TextFieldViewMode::WhileEditing;
    field->keyboardType = ui::KeyboardType::ASCIICapable;
    alert->show();
    alert->layoutIfNeeded();
    const gfx::Rect b = alert->bounds();
    field->setCenter({b.width() / 2, b.height() / 2 - 10});
    alert->addSubview(field);
    m_lastAlert = alert;
    m_modalAlertDelegate->moveAlertLater(alert);
}

void ZELLoginViewController::loginWithKey(const std::string& key, int64_t clickedButtonAtIndex) {
    if (clickedButtonAtIndex != 1) {
        setIsWorking(false);
        return;
    }
    takeKit();
    setIsWorking(true);
    zelOpenAPI::shareZelOpenAPI().loginWithKey(key, static_cast<int>(m_type));
}

void ZELLoginViewController::beginLoginRZ() {
    setIsWorking(true);
    const std::string sessionId = zelOpenAPI::shareZelOpenAPI().getSessionId();
    if (sessionId.empty()) {
        setIsWorking(false);
        showAlert("抱歉，登录失败(code1)");
        return;
    }
    // The session id goes into the query as the kit gives it: the site reads it so.
    auto request = RQHTTPRequest::requestWithURL(SiteAnswer::url(
        SiteHosts::Service::Interface,
        "/api/ZELLoginValidate.ashx?version=230&areaId=" + std::to_string(kAreaId) + "&sessionid=" + sessionId));
    request->setShowAccurateProgress(false);
    request->setTimeOutSeconds(30);
    request->setDefaultResponseEncoding("UTF-8");
    request->setDelegate(std::static_pointer_cast<RQHTTPRequestDelegate>(
        std::static_pointer_cast<ZELLoginViewController>(shared_from_this())));
    if (m_request)
        m_request->clearDelegatesAndCancel();
    m_request = request;
    request->startAsynchronous();
}

void ZELLoginViewController::afterSuccessRequestFinished(RQHTTPRequest& request) {
    auto keep = shared_from_this();
    const bool phone = m_isPhoneLogin;
    const bool confirm = m_needCallback;
    const bool ok = LoginHelper::processLoginReturnData(
        request, [phone, confirm](const core::Value& token, const core::Value& code) {
            if (!confirm)
                return;
            auto [resultCode, info] = AutoLogin::callBackArguments(token, code);
            if (phone && !info.isNull())
                info.set("type", "0");
            zelOpenAPI::shareZelOpenAPI().callBack(resultCode, info);
        });
    if (!ok) {
        showAlert("抱歉，登录失败(code2)");
        setIsWorking(false);
        return;
    }
    core::NotificationCenter::defaultCenter().post("NSNotificationCenter_Report_R1");
    m_succeeded = true;
    // The kit may have answered the token hand-back already, while the reply was read.
    setIsWorking(true);
    std::weak_ptr<ZELLoginViewController> weak = std::static_pointer_cast<ZELLoginViewController>(keep);
    m_navBack.cancel();
    m_navBack = core::RunLoop::current().postAfter(kNavBackDelay, [weak] {
        if (auto self = weak.lock())
            self->navBack();
    });
}

void ZELLoginViewController::afterSuccessRequestFailed(RQHTTPRequest&) {
    showAlert("抱歉，登录失败(code3)");
    setIsWorking(false);
}

void ZELLoginViewController::navBack() {
    m_succeeded = true;
    auto keep = shared_from_this();
    if (auto* nav = navigationController())
        nav->popViewControllerAnimated(true);
    if (m_callbackTarget.lock() && m_callbackSelector)
        m_callbackSelector(m_userPack);
}

} // namespace pw
