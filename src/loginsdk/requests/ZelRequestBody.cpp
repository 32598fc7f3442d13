#include "loginsdk/requests/ZelRequestBody.h"

#include "loginsdk/PersistentUtil.h"
#include "loginsdk/ZelAnswer.h"
#include "loginsdk/json/SdkJsonParser.h"
#include "loginsdk/StringUtil.h"
#include "loginsdk/requests/ZELHttpRequest.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/zelConfig.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"

namespace pw {

std::string ZelRequestBody::buildSessionId() const {
    return StringUtil::buildRequestSessionId(verfiCode);
}

std::shared_ptr<zelDelegate> ZelRequestBody::appDelegate() const {
    auto facade = delegate.lock();
    return facade ? facade->getZelDelegate() : nullptr;
}

uint32_t ZelRequestBody::delegateAppId() const {
    auto facade = delegate.lock();
    return facade ? facade->getAppId() : 0;
}

uint32_t ZelRequestBody::delegateAreaId() const {
    auto facade = delegate.lock();
    return facade ? facade->getAreaId() : 0;
}

void ZelRequestBody::reportFail(const core::Value& result) const {
    if (auto d = appDelegate(); d && d->onFail)
        d->onFail(static_cast<int>(optCmd), result);
}

void ZelRequestBody::reportSuccess(const core::Value& result) const {
    if (auto d = appDelegate(); d && d->onSuccess)
        d->onSuccess(static_cast<int>(optCmd), result);
}

void ZelRequestBody::send(const std::string& address, AnswerHandler handler) {
    auto self = shared_from_this();
    m_http = ZELHttpRequest::initWithURL(address);
    m_http->setDidFinish([self, handler](ZELHttpRequest& r) {
        self->m_http.reset();
        handler(*self, r.responseString().value_or(""), "");
    });
    m_http->setDidFail([self, handler](ZELHttpRequest& r) {
        self->m_http.reset();
        handler(*self, std::nullopt, r.error().value_or("network failure"));
    });
    m_http->startAsynchronous();
}

void ZelRequestBody::postDestroy() {
    core::NotificationCenter::defaultCenter().post("destroy", {}, this);
}

void ZelRequestBody::later(std::function<void()> fn) {
    core::RunLoop::current().postAfter(0.5, std::move(fn));
}

void ZelRequestBody::getGuid() {
    std::string mac = zelConfig::shareZelConfig().uuid().value_or("");
    send(zelConfig::shareZelConfig().guidUrl + "?endpointOS=ios&optype=201&imsi=" + mac + "&smsp=",
         [](ZelRequestBody& self, const std::optional<std::string>& answer, const std::string&) {
             core::Value failure;
             if (answer) {
                 SdkJsonParser parser;
                 auto json = parser.objectWithString(*answer);
                 // Missing "Result" and "resultCode" read as 0.
                 if (!json || !json->dictionary()) {
                     failure = zel::getPlainResDicWithErrorCode(zel::NetworkError);
                 } else if (zel::intField(*json, "Result").value_or(0) != 0) {
                     self.getGuidFail();
                     failure = zel::buildResDicWithErrorCode(zel::GuidFailed, "guid获取失败");
                 } else if (auto code = zel::intField(*json, "resultCode").value_or(0); code != 0) {
                     self.getGuidFail();
                     failure = zel::buildResDicWithErrorCode(static_cast<int>(code), zel::textField(*json, "resultMsg"));
                 } else {
                     const SdkJsonValue* g = json->get("guid");
                     const SdkJsonValue* k = json->get("key");
                     self.guid = g ? g->text().value_or("") : "";
                     self.key = k ? k->text().value_or("") : "";
                     self.getGuidFinish();
                     return;
                 }
             } else {
                 self.getGuidFail();
                 failure = zel::getPlainResDicWithErrorCode(zel::GuidFailed);
             }
             self.reportFail(failure);
             self.postDestroy();
         });
}

} // namespace pw
