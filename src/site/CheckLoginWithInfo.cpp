#include "site/CheckLoginWithInfo.h"

#include "foundation/frame/StoreNavigationController.h"
#include "platform/core/RunLoop.h"
#include "platform/ui/NavigationController.h"
#include "site/SiteAnswer.h"
#include "account/ZELLoginViewController.h"

namespace pw {

std::string CheckLoginWithInfo::userIdFromAnswer(const std::string& text) {
    static constexpr std::string_view kKey = "userId:'";
    for (size_t at = text.find(kKey); at != std::string::npos; at = text.find(kKey, at + 1)) {
        size_t end = at + kKey.size();
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        if (end < text.size() && text[end] == '\'') {
            std::string digits = text.substr(at + kKey.size(), end - at - kKey.size());
            // An empty id, or zeros only, is nobody.
            return digits.find_first_not_of('0') == std::string::npos ? "0" : digits;
        }
    }
    return "0";
}

void CheckLoginWithInfo::checkIsLoginWithTarget(std::weak_ptr<ui::ViewController> target, std::any userPack) {
    sendCheck(kFirstCheckTag, std::move(userPack), std::move(target));
}

void CheckLoginWithInfo::sendCheck(int tag, std::any userPack, std::weak_ptr<ui::ViewController> target) {
    auto request =
        newRequest(SiteAnswer::url(SiteHosts::Service::Interface, "/api/CheckLoginWithInfo.ashx"), 20, false);
    request->setTag(tag);
    request->setUserPack(std::move(userPack));
    request->setTarget(std::move(target));
    request->startAsynchronous();
}

void CheckLoginWithInfo::requestFinished(RQHTTPRequest& r) {
    auto* request = asSiteRequest(r);
    if (!request)
        return;
    const std::string userId = r.responseStatusCode() == 200 ? userIdFromAnswer(SiteAnswer::text(r).value_or("")) : "0";
    const bool isLogin = userId != "0";
    if (request->tag() != kFirstCheckTag || isLogin)
        answer(isLogin, userId, request->userPack());
    else
        fallBack(*request);
}

void CheckLoginWithInfo::requestFailed(RQHTTPRequest& r) {
    auto* request = asSiteRequest(r);
    if (!request)
        return;
    if (request->tag() == kFirstCheckTag)
        fallBack(*request);
    else
        answer(false, "0", request->userPack());
}

void CheckLoginWithInfo::fallBack(RZHTTPRequest& request) {
    m_userPack = request.userPack();
    m_target = std::static_pointer_cast<ui::ViewController>(request.target().lock());
    startAutoLogin();
}

void CheckLoginWithInfo::setAutoLogin(std::shared_ptr<AutoLogin> autoLogin) {
    m_autoLogin = std::move(autoLogin);
    if (m_autoLogin)
        m_autoLogin->setDelegate(
            std::weak_ptr<AutoLoginDelegate>(std::static_pointer_cast<CheckLoginWithInfo>(shared_from_this())));
}

void CheckLoginWithInfo::startAutoLogin() {
    if (!m_autoLogin)
        setAutoLogin(AutoLogin::create());
    m_autoLogin->login();
}

// A silent login or a login screen still under way when a new check starts
// ends in this check's callbacks all the same, with the pack kept or passed
// back then.
void CheckLoginWithInfo::loginIsSuccess(bool success) {
    if (success) {
        sendCheck(kSecondCheckTag, m_userPack, {});
        return;
    }
    std::weak_ptr<CheckLoginWithInfo> weak = std::static_pointer_cast<CheckLoginWithInfo>(shared_from_this());
    core::RunLoop::main().postAfter(kLoginScreenDelay, [weak] {
        if (auto self = weak.lock())
            self->showLoginView();
    });
}

void CheckLoginWithInfo::showLoginView() {
    auto target = m_target.lock();
    ui::NavigationController* nav = target ? target->navigationController() : nullptr;
    if (!nav) {
        // Nowhere to ask the user: the check still answers.
        answer(false, "0", m_userPack);
        return;
    }
    auto screen = ZELLoginViewController::create();
    std::weak_ptr<CheckLoginWithInfo> weak = std::static_pointer_cast<CheckLoginWithInfo>(shared_from_this());
    screen->setDisableAutoLogin(true);
    screen->setUserPack(m_userPack);
    screen->setCallbackTarget(weak);
    screen->setCallbackSelector([weak](const std::any& pack) {
        if (auto self = weak.lock())
            self->checkIsLoginAfterFirstTryFailed(pack);
    });
    // Leaving by the back button answers nothing: the caller's action is
    // simply not run, and the user is back where they asked for it.
    screen->hidesBottomBarWhenPushed = true;
    if (dynamic_cast<StoreNavigationController*>(nav))
        screen->navigationItem().leftBarButtonItem = ui::BarButtonItem::withTitle("关闭", [weak] {
            if (auto self = weak.lock())
                self->backClick();
        });
    nav->pushViewController(screen, true);
}

void CheckLoginWithInfo::checkIsLoginAfterFirstTryFailed(const std::any& userPack) {
    sendCheck(kSecondCheckTag, userPack, {});
}

void CheckLoginWithInfo::backClick() {
    if (auto d = m_resultDelegate.lock())
        d->checkLoginWithInfoManualClose();
}

void CheckLoginWithInfo::answer(bool isLogin, const std::string& userId, const std::any& userPack) {
    if (auto d = m_resultDelegate.lock())
        d->checkLoginWithInfoResult(isLogin, userId, userPack);
}

} // namespace pw
