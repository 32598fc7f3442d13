#include "loginsdk/requests/ZelRecSmsLoginRequest.h"

#include "loginsdk/AutoCheckContent.h"
#include "loginsdk/GlobalConstants.h"
#include "loginsdk/stats/LogUtil.h"
#include "loginsdk/PersistentUtil.h"
#include "loginsdk/StringUtil.h"
#include "loginsdk/ZelAnswer.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/zelConfig.h"
#include "loginsdk/zel_two.h"

namespace pw {

ZelRecSmsLoginRequest::ZelRecSmsLoginRequest() {
    url = zelConfig::shareZelConfig().recVeriSmsUrl;
    type = 1;
}

void ZelRecSmsLoginRequest::startRequest() {
    auto facade = delegate.lock();
    if (phone.empty() || !facade) {
        postDestroy(); // nothing to do, and the engine must not stay busy
        return;
    }
    LogUtil& stats = LogUtil::sharedInstance();
    stats.startCollectWithEventId(20);
    stats.startCollectWithEventId(21);
    std::string id = StringUtil::generateUUID();
    PersistentUtil::sharedInstance().setValue(id, "uuid");
    std::string message =
        "ZESL" + id + "-1-" + std::to_string(facade->getAppId()) + "-" + std::to_string(facade->getAreaId());
    send(url + "?phone=" + LogUtil::urlEncodeValue(phone) + "&msg=" + LogUtil::urlEncodeValue(message) +
             "&clientVersion=2.3.0&endpointOS=ios",
         [](ZelRequestBody& base, const std::optional<std::string>& answer, const std::string&) {
             auto& self = static_cast<ZelRecSmsLoginRequest&>(base);
             if (!answer) {
                 self.finish(zel::NetworkError, zel::errorText(zel::NetworkError).value_or(""));
                 return;
             }
             // An answer that is no JSON object is no sent code: it is not
             // reported as one.
             auto json = zel::parseAnswerObject(answer);
             if (!json || zel::intField(*json, "Result").value_or(0) != 0) {
                 self.finish(zel::UnknownError, "");
                 return;
             }
             // The window opens whatever the service's code says; a missing
             // code reads as 0.
             zel_two::openExLoginWindow();
             self.finish(static_cast<int>(zel::intField(*json, "resultCode").value_or(0)),
                         zel::textField(*json, "resultMsg").value_or(""));
         });
}

void ZelRecSmsLoginRequest::finish(int code, const std::string& text) {
    std::string session = buildSessionId();
    GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = session; });
    if (auto d = appDelegate()) {
        if (d->mobileReceiveSMSLoginResult)
            d->mobileReceiveSMSLoginResult(code, text);
        AutoCheckContent::callBackMethodWith(
            zel::buildCallBackDicWith(code == 0 ? zel::NeedVerificationCode : code, text));
    }
    LogUtil& stats = LogUtil::sharedInstance();
    stats.setCollectAttr(core::Value(core::Value::Map{{"actionId", 120}, {"statusCode", code}, {"eventSign", 20}}), 21);
    stats.endCollectionWithEventId(21);
    stats.setCollectAttr(core::Value(core::Value::Map{{"actionId", 0}, {"statusCode", code}, {"eventSign", 20}}), 20);
    stats.endCollectionWithEventId(20);
    postDestroy();
}

} // namespace pw
