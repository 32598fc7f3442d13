#pragma once
// What the application hears from the account kit. Every operation is
// optional: one left empty is simply not called.
#include "platform/core/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pw {

struct zelDelegate {
    std::function<void()> mobileSendSMSLoginBefore;
    std::function<void(int code, const std::string& msg)> mobileSendSMSLoginResult;
    std::function<void(int code, const std::string& msg)> mobileReceiveSMSLoginResult;
    std::function<void(int code, const std::string& msg)> checkVerificationCodeResult;
    std::function<void(const std::string& answer)> validateResponse;
    std::function<void(int operation, const core::Value& result)> onSuccess;
    std::function<void(int operation, const core::Value& result)> onFail;
};

// How the engine and the requests reach the application's delegate: always
// through the facade, at the moment of the report.
class zelCallBackDelegate {
public:
    virtual ~zelCallBackDelegate() = default;
    virtual std::shared_ptr<zelDelegate> getZelDelegate() const = 0;
    virtual uint32_t getAppId() const = 0;
    virtual uint32_t getAreaId() const = 0;
};

// Operation codes of onSuccess and onFail.
enum ZelOperationCode : int {
    ZelOpInit = 101,
    ZelOpAutoLogin = 102,
    ZelOpPassportLogin = 103,
    ZelOpSecondFactor = 104,
    ZelOpUserNameCheck = 106,
    ZelOpRegister = 107,
    ZelOpCallBack = 108,
    ZelOpExLogin = 109,
    ZelOpExAutoLogin = 110,
};

} // namespace pw
