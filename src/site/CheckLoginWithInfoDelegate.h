#pragma once
#include <any>
#include <string>

namespace pw {

// The answer of a login check.
class CheckLoginWithInfoDelegate {
public:
    virtual ~CheckLoginWithInfoDelegate() = default;
    // Logged in or not; the site's user id ("0" when not); the caller's pack, unchanged.
    virtual void checkLoginWithInfoResult(bool isLogin, const std::string& userId, const std::any& userPack) = 0;
    // The user closed the login screen with its close button (store stack only).
    virtual void checkLoginWithInfoManualClose() {}
};

} // namespace pw
