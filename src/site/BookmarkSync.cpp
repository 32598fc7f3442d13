#include "site/BookmarkSync.h"

#include "foundation/codec/JSONCodec.h"
#include "foundation/hosts/SiteHosts.h"
#include "site/RZHTTPRequest.h"

#include <charconv>

namespace pw {

namespace {
std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\r' || s.front() == '\n' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}
} // namespace

bool BookmarkSync::downloadAnswerSucceeded(const std::string& text) {
    const std::string_view s = trimmed(text);
    int64_t id = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), id);
    return !s.empty() && ec == std::errc() && end == s.data() + s.size() && id > 0;
}

bool BookmarkSync::uploadAnswerSucceeded(const std::string& text) {
    auto reply = mutableObjectFromJSONStringWithParseOptions(text, 4);
    if (!reply || !reply->isMap())
        return false;
    const core::Value& data = (*reply)["data"];
    if (auto i = data.asInt())
        return *i == 0;
    if (auto s = data.asString())
        return trimmed(*s) == "0";
    return false;
}

void BookmarkSync::bookmarkSyncWithTarget(std::weak_ptr<void> target, SiteSelector selector, int64_t rzBookId) {
    auto request = newRequest(SiteHosts::baseUrl(SiteHosts::Service::Interface) +
                                  "/api/GetBookMark.ashx?BookId=" + std::to_string(rzBookId),
                              30);
    request->setTag(DownloadTag);
    request->setTarget(std::move(target));
    request->setASelector(std::move(selector));
    request->setLrzBookId(rzBookId);
    request->startAsynchronous();
}

void BookmarkSync::bookmarkUploadWithTarget(std::weak_ptr<void> target, SiteSelector selector, int64_t rzBookId,
                                            int64_t chapterId, bool isVip) {
    auto request = newRequest(SiteHosts::baseUrl(SiteHosts::Service::Interface) +
                                  "/api/AddFavoriteBookMark.ashx?BookId=" + std::to_string(rzBookId) +
                                  "&ChapterId=" + std::to_string(chapterId) + "&IsVipBook=" + (isVip ? "1" : "0"),
                              30);
    request->setTag(UploadTag);
    request->setTarget(std::move(target));
    request->setASelector(std::move(selector));
    request->setLrzBookId(rzBookId);
    request->setChapterId(chapterId);
    request->setIsVip(isVip);
    request->startAsynchronous();
}

void BookmarkSync::requestFinished(RQHTTPRequest& r) {
    auto& request = static_cast<RZHTTPRequest&>(r);
    auto text = request.responseString();
    bool ok = false;
    if (request.responseStatusCode() == 200 && text)
        ok = request.tag() == DownloadTag ? downloadAnswerSucceeded(*text) : uploadAnswerSucceeded(*text);
    core::Value result = core::Value::array();
    result.push(ok);
    if (text && !text->empty())
        result.push(*text);
    request.answer(result);
}

void BookmarkSync::requestFailed(RQHTTPRequest& r) {
    auto& request = static_cast<RZHTTPRequest&>(r);
    core::Value result = core::Value::array();
    result.push(false);
    request.answer(result);
}

} // namespace pw
