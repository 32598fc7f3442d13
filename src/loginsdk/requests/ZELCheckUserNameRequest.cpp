#include "loginsdk/requests/ZELCheckUserNameRequest.h"

#include "loginsdk/stats/LogUtil.h"
#include "loginsdk/ZelAnswer.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/zelConfig.h"

namespace pw {

ZELCheckUserNameRequest::ZELCheckUserNameRequest() {
    url = zelConfig::shareZelConfig().dynamicWith("username/existence.shtm");
    optCmd = ZelOpUserNameCheck;
}

void ZELCheckUserNameRequest::startRequest() {
    std::string appId = std::to_string(delegateAppId());
    // A name holding "&" or "=" must not split the query.
    send(url + "?username=" + LogUtil::urlEncodeValue(userName) + "&appId=" + appId +
             "&clientVersion=2.3.0&endpointOS=ios",
         [](ZelRequestBody& base, const std::optional<std::string>& answer, const std::string&) {
             auto& self = static_cast<ZELCheckUserNameRequest&>(base);
             auto json = zel::parseAnswerObject(answer);
             if (json) {
                 auto result = zel::intField(*json, "Result");
                 if (!result || *result != 0) {
                     self.reportFail(zel::getPlainResDicWithErrorCode(zel::UnknownError));
                 } else {
                     auto code = zel::intField(*json, "resultCode");
                     const SdkJsonValue* existing = json->get("existing");
                     if (code && *code == 0 && !(existing && existing->boolean().value_or(false)))
                         self.reportSuccess(zel::getPlainResDicWithErrorCode(0));
                     else if (code && *code == 0)
                         self.reportFail(zel::getPlainResDicWithErrorCode(zel::UserNameExists));
                     else
                         self.reportFail(zel::buildResDicWithErrorCode(
                             static_cast<int>(code.value_or(zel::UnknownError)), zel::textField(*json, "resultMsg")));
                 }
             } else if (answer) {
                 // An answer that is no JSON object is a failure, not silence.
                 self.reportFail(zel::getPlainResDicWithErrorCode(zel::ServerFailed));
             } else {
                 self.reportFail(zel::getPlainResDicWithErrorCode(zel::NetworkError));
             }
             self.postDestroy();
         });
}

} // namespace pw
