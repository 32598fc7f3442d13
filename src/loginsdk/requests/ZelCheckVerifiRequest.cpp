#include "loginsdk/requests/ZelCheckVerifiRequest.h"

#include "loginsdk/AutoCheckContent.h"
#include "loginsdk/GlobalConstants.h"
#include "loginsdk/ZelErrorTable.h"
#include "loginsdk/zelConfig.h"

namespace pw {

ZelCheckVerifiRequest::ZelCheckVerifiRequest() {
    url = zelConfig::shareZelConfig().verifyClientUrl;
    type = 1;
}

void ZelCheckVerifiRequest::startRequest() {
    verfiCode = smsCode;
    type = 0;
    std::string session = buildSessionId();
    GlobalConstants::sharedInstance().update([&](GlobalValues& v) { v.currentSessionId = session; });
    if (auto d = appDelegate()) {
        if (d->checkVerificationCodeResult)
            d->checkVerificationCodeResult(0, "调用成功");
        later([] { AutoCheckContent::callBackMethodWith(zel::buildCallBackDicWith(0, "调用成功")); });
    }
    postDestroy();
}

} // namespace pw
