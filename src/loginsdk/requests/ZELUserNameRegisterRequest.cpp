#include "loginsdk/requests/ZELUserNameRegisterRequest.h"

#include "loginsdk/stats/LogUtil.h"
#include "loginsdk/cipher/OADes.h"
#include "loginsdk/StringUtil.h"
#include "loginsdk/ZelAnswer.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/zelConfig.h"

namespace pw {
ZELUserNameRegisterRequest::ZELUserNameRegisterRequest() {
    url = zelConfig::shareZelConfig().dynamicWith("username/register.shtm");
    optCmd = ZelOpRegister;
}

void ZELUserNameRegisterRequest::getGuidFinish() {
    std::string name = tarvzel::Encrypt(key, StringUtil::lengthPrefixed(userName));
    std::string password = tarvzel::Encrypt(key, StringUtil::lengthPrefixed(pwd));
    std::string appId = std::to_string(delegateAppId());
    send(url + "?guid=" + LogUtil::urlEncodeValue(guid) + "&username=" + name + "&appId=" + appId +
             "&password=" + password + "&clientVersion=2.3.0&endpointOS=ios",
         [](ZelRequestBody& base, const std::optional<std::string>& answer, const std::string&) {
             auto& self = static_cast<ZELUserNameRegisterRequest&>(base);
             auto json = zel::parseAnswerObject(answer);
             // A network failure ends without a report; missing "Result" and
             // "resultCode" read as 0.
             if (!answer) {
                 // the delegate hears nothing
             } else if (!json) {
                 self.reportFail(zel::buildResDicWithErrorCode(zel::ServerFailed, ""));
             } else if (zel::intField(*json, "Result").value_or(0) != 0) {
                 self.reportFail(zel::getPlainResDicWithErrorCode(zel::UnknownError));
             } else if (auto code = zel::intField(*json, "resultCode").value_or(0); code != 0) {
                 self.reportFail(zel::buildResDicWithErrorCode(static_cast<int>(code), zel::textField(*json, "resultMsg")));
             } else {
                 self.reportSuccess(zel::getPlainResDicWithErrorCode(0));
             }
             self.postDestroy();
         });
}

} // namespace pw
