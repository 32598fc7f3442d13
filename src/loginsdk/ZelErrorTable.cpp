#include "loginsdk/ZelErrorTable.h"

#include <map>

namespace pw::zel {

std::optional<std::string> errorText(int code) {
    static const std::map<int, std::string> table = {
        {Success, "成功"},
        {NetworkError, "检查通讯网络情况,网络有问题"},
        {UnknownError, "未知错误"},
        {ServerFailed, "服务器处理失败"},
        {ServiceError, "服务异常，请检查网络或稍候再试"},
        {NoSim, "无SIM卡"},
        {NoAutoLoginMark, "没有自动登录标识"},
        {SmsSendFailed, "发送短信失败"},
        {NeedPhoneNumber, "需要输入手机号码"},
        {OtherServiceRunning, "其他服务正在运行,请稍候重试"},
        {NeedLockCheck, "需要锁符验证"},
        {WaitSecurityCheck, "等待安全校检"},
        {SimNotDomestic, "SIM卡不是国内的"},
        {CannotSendSms, "无法上行短信"},
        {NeedK7Check, "需要K7锁符验证"},
        {PassportLoggingIn, "通行证登陆中 "},
        {NeedSecurityCard, "需要安全卡验证"},
        {NotInitialised, "SDK没有初始化"},
        {NeedVerificationCode, "需要输入验证码"},
        {NeedPassportLogin, "请先使用通行证登录"},
        {NeedPassport, "需要输入通行证"},
        {PasswordMismatch, "通行证和密码不匹配"},
        {InvalidSecret, "无效的密保"},
        {InvalidCardPassword, "无效的安全卡密码"},
        {LoginTimeout, "登录超时"},
        {AutoLoginExpired, "自动登录已失效，请重新登录"},
        {SmsCancelled, "短信发送取消"},
        {UserNameExists, "用户名已经存在"},
        {GuidFailed, "guid获取失败"},
    };
    auto it = table.find(code);
    if (it == table.end())
        return std::nullopt;
    return it->second;
}

core::Value getResDicWithErrorCode(int code) {
    std::string text = errorText(code).value_or("未知错误");
    return core::Value(
        core::Value::Map{{"errorCode", code}, {"errorMsg", text}, {"kParamCode", code}, {"kParamMsg", text}});
}

core::Value getPlainResDicWithErrorCode(int code) {
    return core::Value(core::Value::Map{{"errorCode", code}, {"errorMsg", errorText(code).value_or("未知错误")}});
}

core::Value buildResDicWithErrorCode(int code, const std::optional<std::string>& msg) {
    return core::Value(core::Value::Map{{"errorCode", code}, {"errorMsg", msg.value_or("未知错误信息")}});
}

core::Value buildCallBackDicWith(int code, const std::optional<std::string>& msg) {
    return core::Value(core::Value::Map{{"code", code}, {"msg", msg.value_or("")}});
}

} // namespace pw::zel
