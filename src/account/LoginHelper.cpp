#include "account/LoginHelper.h"

#include "foundation/db/SettingTB.h"
#include "foundation/paths/AppPaths.h"
#include "network/RQHTTPRequest.h"
#include "platform/core/DispatchQueue.h"
#include "platform/core/FileManager.h"
#include "platform/core/Value.h"
#include "site/SiteAnswer.h"

#include <span>

namespace pw {
namespace {

constexpr double kLoginTimeout = 30;

bool isWebAddress(const std::string& address) {
    return address.starts_with("http://") || address.starts_with("https://");
}

std::optional<std::string> fetch(const std::string& url) {
    auto request = RQHTTPRequest::requestWithURL(url);
    request->setShowAccurateProgress(false);
    request->setTimeOutSeconds(kLoginTimeout);
    request->startSynchronous();
    if (request->error() || request->responseStatusCode() != 200)
        return std::nullopt;
    return request->responseData();
}

std::string trimmed(std::string text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

bool LoginHelper::processLoginReturnData(const RQHTTPRequest& request, const Callback& callback) {
    auto text = SiteAnswer::text(request);
    if (!text)
        return false;
    return processLoginReturnText(*text, callback);
}

bool LoginHelper::processLoginReturnText(const std::string& text, const Callback& callback) {
    if (text.empty())
        return false;
    auto reply = SiteAnswer::parseCleaned(text);
    if (!reply || !reply->isMap())
        return false;
    // A reply without a token leaves none behind, not an empty one.
    if (auto token = (*reply)["vemoToken"].asString())
        SettingTB::saveSettingWithKey("vemoToken", *token);
    else
        SettingTB::saveSettingWithKey("vemoToken", nullptr);
    auto info = (*reply)["UserInfo"].asString();
    if (!info)
        return false;
    if (callback)
        callback((*reply)["zelToken"], (*reply)["zelResultCode"]);
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t bar; (bar = info->find('|', start)) != std::string::npos; start = bar + 1)
        fields.push_back(info->substr(start, bar - start));
    fields.push_back(info->substr(start));
    if (fields.size() < 10)
        return true;
    SettingTB::saveSettingWithKey("user_nickName", fields[5]);
    SettingTB::saveSettingWithKey("user_imageCode", fields[8]);
    auto file = userImageFile(fields[8]);
    std::error_code ec;
    if (file && !std::filesystem::exists(*file, ec))
        fetchUserImageInBackground(fields[8]);
    return true;
}

std::optional<std::filesystem::path> LoginHelper::userImageFile(const std::string& imageCode) {
    if (imageCode.empty() || imageCode.find('/') != std::string::npos || imageCode.find("..") != std::string::npos ||
        imageCode.find('\0') != std::string::npos)
        return std::nullopt;
    return AppPaths::mainFolder().parent_path() / (imageCode + ".jpg");
}

bool LoginHelper::getUserImageUrl(const std::string& imageCode) {
    auto file = userImageFile(imageCode);
    if (!file)
        return false;
    auto address = fetch(SiteAnswer::url(SiteHosts::Service::Interface,
                                         "/api/GetHeadImage.ashx?imageid=" + SiteAnswer::queryValue(imageCode)));
    if (!address)
        return false;
    const std::string url = trimmed(*address);
    if (!isWebAddress(url))
        return false;
    auto bytes = fetch(url);
    if (!bytes || !gfx::Image::fromBytes(
                      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size())))
        return false;
    return core::atomicWrite(*file, std::string_view(*bytes));
}

void LoginHelper::fetchUserImageInBackground(const std::string& imageCode) {
    static const auto queue = core::DispatchQueue::create("pw.account.avatar");
    queue->async([imageCode] { getUserImageUrl(imageCode); });
}

bool LoginHelper::hasLogin() {
    return SettingTB::readSettingWithKey("user_nickName").has_value();
}

std::optional<gfx::Image> LoginHelper::getUserImage() {
    auto code = SettingTB::readSettingWithKey("user_imageCode");
    if (!code)
        return std::nullopt;
    auto file = userImageFile(*code);
    if (!file)
        return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::exists(*file, ec))
        return std::nullopt;
    return gfx::Image::fromFile(file->string());
}

std::string LoginHelper::getUserNickName() {
    return SettingTB::readSettingWithKey("user_nickName").value_or("");
}

void LoginHelper::processLogout() {
    auto code = SettingTB::readSettingWithKey("user_imageCode");
    SettingTB::deleteSettingWithKey("user_nickName");
    SettingTB::deleteSettingWithKey("user_imageCode");
    if (code) {
        if (auto file = userImageFile(*code)) {
            std::error_code ec;
            std::filesystem::remove(*file, ec);
        }
    }
}

} // namespace pw
