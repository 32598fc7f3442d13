#include "account/AutoLogin.h"

#include "account/LoginHelper.h"
#include "account/ReplyValue.h"
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
    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    // Another screen may hold the kit's slot by now; its answer is not ours to drop.
    if (m_kitDelegate && kit.delegate() == m_kitDelegate)
        kit.cancel();
    if (m_request)
        m_request->clearDelegatesAndCancel();
}

void AutoLogin::setRequest(std::shared_ptr<RQHTTPRequest> request) {
    if (m_request && m_request != request)
        m_request->clearDelegatesAndCancel();
    m_request = std::move(request);
}

void AutoLogin::beginRun() {
    // needCallback keeps a YES of an earlier run: once the kit asked for its
    // confirmation, every later validation of this object confirms.
    m_phase = Phase::WithKit;
    setRequest(nullptr);
}

void AutoLogin::login() {
    beginRun();

    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    kit.setAppId(kAppId);
    kit.setAreaId(kAreaId);
    kit.cancel();
    m_kitDelegate = std::make_shared<zelDelegate>();
    std::weak_ptr<AutoLogin> weak = weak_from_this();
    m_kitDelegate->onSuccess = [weak](int operation, const core::Value& result) {
        if (auto self = weak.lock())
            self->onSuccess(operation, result);
    };
    m_kitDelegate->onFail = [weak](int operation, const core::Value& result) {
        if (auto self = weak.lock())
            self->onFail(operation, result);
    };
    kit.setDelegate(m_kitDelegate);
    if (kit.isInit()) {
        if (!kit.autoLogin())
            answer(false);
    } else {
        kit.zelInit();
    }
}

void AutoLogin::onSuccess(int operation, const core::Value& result) {
    // Once the site is asked (or the run answered) the kit's later words, such
    // as its reply to the confirmation, do not decide this run.
    if (m_phase != Phase::WithKit)
        return;
    zelOpenAPI& kit = zelOpenAPI::shareZelOpenAPI();
    switch (operation) {
    case ZelOpInit:
        if (!kit.autoLogin())
            answer(false);
        return;
    case ZelOpAutoLogin:
        if (result["needValidate"].asBool().value_or(result["needValidate"].asInt().value_or(0) != 0))
            m_needCallback = true;
        beginLoginRZ();
        return;
    case ZelOpPassportLogin:
        if (ReplyValue::wholeNumber(result["loginType"]) == 200)
            beginLoginRZ();
        else
            answer(false); // a second factor is asked for: not silent any more
        return;
    case ZelOpSecondFactor:
        beginLoginRZ();
        return;
    default:
        answer(false);
    }
}

void AutoLogin::onFail(int, const core::Value&) {
    if (m_phase == Phase::WithKit)
        answer(false);
}

void AutoLogin::beginLoginRZ() {
    if (m_phase == Phase::Answered)
        return;
    beginLoginRZ(zelOpenAPI::shareZelOpenAPI().getSessionId());
}

void AutoLogin::beginLoginRZ(const std::string& sessionId) {
    if (sessionId.empty()) {
        answer(false);
        return;
    }
    m_phase = Phase::Validating;
    // The session id goes into the query as the kit gives it: the site reads it so.
    auto request = RQHTTPRequest::requestWithURL(SiteAnswer::url(
        SiteHosts::Service::Interface,
        "/api/ZELLoginValidate.ashx?version=230&areaId=" + std::to_string(kAreaId) + "&sessionid=" + sessionId));
    request->setShowAccurateProgress(false);
    request->setTimeOutSeconds(30);
    request->setDefaultResponseEncoding("UTF-8");
    request->setDelegate(std::weak_ptr<RQHTTPRequestDelegate>(shared_from_this()));
    setRequest(request);
    request->startAsynchronous();
}

std::pair<int, core::Value> AutoLogin::callBackArguments(const core::Value& zelToken,
                                                         const core::Value& zelResultCode) {
    // Absent: -1; a number or a number written as text: its whole part.
    const int code =
        zelResultCode.isNull() ? -1 : static_cast<int>(ReplyValue::wholeNumber(zelResultCode));
    core::Value info;
    const std::string token = zelToken.asString().value_or("");
    if (!token.empty()) {
        info.set("type", "1");
        info.set("token", token);
    }
    return {code, info};
}

void AutoLogin::callBackKit(const core::Value& zelToken, const core::Value& zelResultCode) {
    if (!m_needCallback)
        return;
    auto [code, info] = callBackArguments(zelToken, zelResultCode);
    zelOpenAPI::shareZelOpenAPI().callBack(code, info);
}

void AutoLogin::afterSuccessRequestFinished(RQHTTPRequest& request) {
    auto keep = shared_from_this(); // the delegate may let go of us while told
    std::weak_ptr<AutoLogin> weak = keep;
    const bool ok = LoginHelper::processLoginReturnData(request, [weak](const core::Value& t, const core::Value& c) {
        if (auto self = weak.lock())
            self->callBackKit(t, c);
    });
    answer(ok);
    if (ok)
        core::NotificationCenter::defaultCenter().post("NSNotificationCenter_Report_R1");
}

void AutoLogin::afterSuccessRequestFailed(RQHTTPRequest&) {
    answer(false);
}

void AutoLogin::answer(bool success) {
    if (m_phase == Phase::Answered)
        return;
    m_phase = Phase::Answered;
    if (auto d = m_delegate.lock())
        d->loginIsSuccess(success);
}

} // namespace pw
