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
             // A network failure or an answer that is no JSON object ends
             // without a report; missing "Result" and "resultCode" read as 0.
             auto json = zel::parseAnswerObject(answer);
             if (json && zel::intField(*json, "Result").value_or(0) != 0) {
                 self.reportFail(zel::getPlainResDicWithErrorCode(zel::UnknownError));
             } else if (json) {
                 const auto code = zel::intField(*json, "resultCode").value_or(0);
                 const SdkJsonValue* existing = json->get("existing");
                 if (code == 0 && !(existing && existing->boolean().value_or(false)))
                     self.reportSuccess(zel::getPlainResDicWithErrorCode(0));
                 else if (code == 0)
                     self.reportFail(zel::getPlainResDicWithErrorCode(zel::UserNameExists));
                 else
                     self.reportFail(
                         zel::buildResDicWithErrorCode(static_cast<int>(code), zel::textField(*json, "resultMsg")));
             }
             self.postDestroy();
         });
}

} // namespace pw
