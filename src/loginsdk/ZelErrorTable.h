#pragma once
// The account kit's result codes and texts, and the result records handed to
// the application's delegate.
#include "platform/core/Value.h"

#include <optional>
#include <string>

namespace pw::zel {

enum ErrorCode : int {
    Success = 0,
    NetworkError = -10801000,
    UnknownError = -10801001,
    ServerFailed = -10801002,
    ServiceError = -10801003,
    NoSim = -10801004,
    NoAutoLoginMark = -10801005,
    SmsSendFailed = -10801006,
    NeedPhoneNumber = -10801007,
    OtherServiceRunning = -10801008,
    NeedLockCheck = -10801010,
    WaitSecurityCheck = -10801011,
    SimNotDomestic = -10801015,
    CannotSendSms = -10801016,
    NeedK7Check = -10801020,
    PassportLoggingIn = -10801021,
    NeedSecurityCard = -10801030,
    NotInitialised = -10801099,
    NeedVerificationCode = -10801101,
    NeedPassportLogin = -10801103,
    NeedPassport = -10801104,
    PasswordMismatch = -10890001,
    InvalidSecret = -10890002,
    InvalidCardPassword = -10890003,
    LoginTimeout = -10890004,
    AutoLoginExpired = -10890005,
    SmsCancelled = -10890006,
    UserNameExists = -10890007,
    GuidFailed = -10890008,
};

// The table's text, or nullopt for a code outside it.
std::optional<std::string> errorText(int code);

// {errorCode, errorMsg, kParamCode, kParamMsg} from the table; a code outside
// it reads "未知错误".
core::Value getResDicWithErrorCode(int code);
// {errorCode, errorMsg} with the table's text, as the request classes build it.
core::Value getPlainResDicWithErrorCode(int code);
// {errorCode, errorMsg}; a missing text reads "未知错误信息".
core::Value buildResDicWithErrorCode(int code, const std::optional<std::string>& msg);
// {code, msg}; a missing text is empty. The form of a self-check record.
core::Value buildCallBackDicWith(int code, const std::optional<std::string>& msg);

} // namespace pw::zel
