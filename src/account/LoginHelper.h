#pragma once
// What the silent login and the login screen share: reading the site's login
// validation answer and keeping what it gives (token, nickname, avatar code),
// fetching the avatar, and the logged-in state the screens show.
#include "platform/gfx/Image.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace pw {

class RQHTTPRequest;
namespace core {
class Value;
}

class LoginHelper {
public:
    LoginHelper() = delete;

    // Told the answer's zelToken and zelResultCode (null values when absent).
    using Callback = std::function<void(const core::Value& zelToken, const core::Value& zelResultCode)>;

    // YES when the answer carried the user's profile. vemoToken is stored
    // first, whatever follows; a missing avatar file is fetched in the
    // background.
    static bool processLoginReturnData(const RQHTTPRequest& request, const Callback& callback);
    // The same reading of an answer's text (the request's text, already decoded).
    static bool processLoginReturnText(const std::string& text, const Callback& callback);

    // Fetches the avatar of that code and saves it; blocks, so callers on the
    // main thread use fetchUserImageInBackground. NO when nothing was saved.
    static bool getUserImageUrl(const std::string& imageCode);
    static void fetchUserImageInBackground(const std::string& imageCode);
    // The avatar file of a code; nullopt when the code cannot name a file
    // inside the avatar folder.
    static std::optional<std::filesystem::path> userImageFile(const std::string& imageCode);

    static bool hasLogin();
    static std::optional<gfx::Image> getUserImage();
    static std::string getUserNickName();
    // Forgets the profile and its avatar; the site token and cookies stay.
    static void processLogout();
};

} // namespace pw
