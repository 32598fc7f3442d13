#include "loginsdk/AutoCheckContent.h"

#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/requests/ZELHttpRequest.h"
#include "loginsdk/zelConfig.h"
#include "platform/core/Log.h"

namespace pw {

AutoCheckContent::AutoCheckContent(std::string opName, core::Value args)
    : m_opName(std::move(opName)), m_args(std::move(args)), m_selfCheckUrl(zelConfig::baseAddress() + "selfchk/send.shtm") {}

void AutoCheckContent::addTarget(std::weak_ptr<void> target, EndOperation end) {
    m_target = std::move(target);
    m_end = std::move(end);
}

void AutoCheckContent::recordSuccess(const ZELHttpRequest& request) {
    core::Log::info("response:%s", request.responseString().value_or("").c_str());
    if (m_end && !m_target.expired())
        m_end(std::any());
}

void AutoCheckContent::recordFail(const ZELHttpRequest& request) {
    core::Log::info("recordFail:%s", request.error().value_or("").c_str());
}

void AutoCheckContent::callBackMethodWith(const core::Value& dict) {
    AutoCheckContent("callback", dict).recordContent();
}

core::Value AutoCheckContent::buildCallBackDicWith(int code, const std::optional<std::string>& msg) {
    return zel::buildCallBackDicWith(code, msg);
}

void AutoCheckContent::feedBackWith(bool loginOk, const std::string& token, int resultCode) {
    AutoCheckContent("loginFeedBack",
                     core::Value(core::Value::Map{{"loginOk", loginOk}, {"token", token}, {"resultCode", resultCode}}))
        .recordContent();
}

} // namespace pw
