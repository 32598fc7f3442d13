#include "loginsdk/AutoCheckContent.h"

#include "loginsdk/ZelErrorTable.h"

namespace pw {

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
