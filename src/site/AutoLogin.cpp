#include "site/AutoLogin.h"

#include "foundation/db/SettingTB.h"
#include "loginsdk/zelOpenAPI.h"
#include "network/RQHTTPRequest.h"
#include "platform/core/NotificationCenter.h"
#include "site/SiteAnswer.h"

namespace pw {
namespace {

constexpr uint32_t kAppId = 10;
constexpr uint32_t kAreaId = 33;

} // namespace

AutoLogin::~AutoLogin() {
    if (m_kitDelegate)
        zelOpenAPI::shareZelOpenAPI().cancel();
    if (m_request)
        m_request->clearDelegatesAndCancel();
}

void AutoLogin::login() {
    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    kit.setAppId(kAppId);
    kit.setAreaId(kAreaId);
    kit.cancel();
    m_kitDelegate = std::make_shared<zelDelegate>();
    std::weak_ptr<AutoLogin> weak = std::static_pointer_cast<AutoLogin>(shared_from_this());
    m_kitDelegate->onSuccess = [weak](int operation, const core::Value& result) {
        if (auto self = weak.lock())
            self->onKitSuccess(operation, result);
    };
    m_kitDelegate->onFail = [weak](int, const core::Value&) {
        if (auto self = weak.lock())
            self->answer(false);
    };
    kit.setDelegate(m_kitDelegate);
    if (kit.isInit()) {
        if (!kit.autoLogin())
            answer(false);
    } else {
        kit.zelInit();
    }
}

void AutoLogin::onKitSuccess(int operation, const core::Value& result) {
    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    switch (operation) {
    case ZelOpInit:
        if (!kit.autoLogin())
            answer(false);
        return;
    case ZelOpAutoLogin:
    case ZelOpSecondFactor:
        beginLoginRZ(kit.getSessionId());
        return;
    case ZelOpPassportLogin:
        if (result["loginType"].asInt() == 200)
            beginLoginRZ(kit.getSessionId());
        else
            answer(false); // a second factor is asked for: not silent any more
        return;
    default:
        answer(false);
    }
}

void AutoLogin::beginLoginRZ(const std::string& sessionId) {
    if (sessionId.empty()) {
        answer(false);
        return;
    }
    if (m_request)
        m_request->clearDelegatesAndCancel();
    m_request = RQHTTPRequest::requestWithURL(SiteAnswer::url(
        SiteHosts::Service::Interface, "/api/ZELLoginValidate.ashx?version=230&areaId=" + std::to_string(kAreaId) +
                                           "&sessionid=" + SiteAnswer::queryValue(sessionId)));
    m_request->setShowAccurateProgress(false);
    m_request->setTimeOutSeconds(30);
    m_request->setDefaultResponseEncoding("UTF-8");
    m_request->setDelegate(std::weak_ptr<RQHTTPRequestDelegate>(shared_from_this()));
    m_request->startAsynchronous();
}

bool AutoLogin::processLoginReturnData(const RQHTTPRequest& request) {
    if (request.responseStatusCode() != 200)
        return false;
    auto text = SiteAnswer::text(request);
    if (!text || text->empty())
        return false;
    auto reply = SiteAnswer::parseCleaned(*text);
    if (!reply || !reply->isMap())
        return false;
    SettingTB::saveSettingWithKey("vemoToken", (*reply)["vemoToken"].asString().value_or(""));
    auto info = (*reply)["UserInfo"].asString();
    if (!info)
        return false;
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t bar; (bar = info->find('|', start)) != std::string::npos; start = bar + 1)
        fields.push_back(info->substr(start, bar - start));
    fields.push_back(info->substr(start));
    if (fields.size() >= 10) {
        SettingTB::saveSettingWithKey("user_nickName", fields[5]);
        SettingTB::saveSettingWithKey("user_imageCode", fields[8]);
    }
    return true;
}

void AutoLogin::requestFinished(RQHTTPRequest& request) {
    const bool ok = processLoginReturnData(request);
    answer(ok);
    if (ok)
        core::NotificationCenter::defaultCenter().post("NSNotificationCenter_Report_R1");
}

void AutoLogin::requestFailed(RQHTTPRequest&) {
    answer(false);
}

void AutoLogin::answer(bool success) {
    if (auto d = m_delegate.lock())
        d->loginIsSuccess(success);
}

} // namespace pw
