#include "site/BookContentDownloader.h"

#include "foundation/db/BookDB.h"
#include "platform/core/Text.h"
#include "platform/device/Device.h"
#include "site/SiteAnswer.h"

namespace pw {
namespace {

constexpr std::string_view kOpening = "document.write('";
constexpr std::string_view kClosing = "');";

} // namespace

std::string BookContentDownloader::freeChapterPath(int64_t rzBookId, int64_t chapterId) {
    return "/Author" + std::to_string(rzBookId % 8 + 1) + "/" + std::to_string(rzBookId) + "/" +
           std::to_string(chapterId) + ".txt";
}

std::string BookContentDownloader::vipToken(int64_t rzBookId, int64_t chapterId, const std::string& deviceId) {
    return SiteAnswer::token(std::to_string(rzBookId) + "|" + std::to_string(chapterId) + "|" + deviceId);
}

void BookContentDownloader::downloadBookContentByRZBookId(int64_t rzBookId, int64_t chapterId,
                                                          std::weak_ptr<void> target, SiteSelector selector) {
    start(SiteAnswer::url(SiteHosts::Service::File, freeChapterPath(rzBookId, chapterId)), rzBookId, chapterId, false,
          std::move(target), std::move(selector));
}

void BookContentDownloader::downloadBookVipContentByRZBookId(int64_t rzBookId, int64_t chapterId,
                                                             std::weak_ptr<void> target, SiteSelector selector) {
    const std::string k = vipToken(rzBookId, chapterId, device::Device::current().identifierForVendor());
    start(SiteAnswer::url(SiteHosts::Service::Interface, "/api/IGetVipContent.ashx?k=" + k), rzBookId, chapterId, true,
          std::move(target), std::move(selector));
}

void BookContentDownloader::start(const std::string& url, int64_t rzBookId, int64_t chapterId, bool vip,
                                  std::weak_ptr<void> target, SiteSelector selector) {
    auto request = newRequest(url, 30);
    request->setShouldContinueWhenAppEntersBackground(true);
    request->setTarget(std::move(target));
    request->setASelector(std::move(selector));
    request->setLrzBookId(rzBookId);
    request->setChapterId(chapterId);
    request->setIsVip(vip);
    request->startAsynchronous();
}

std::optional<std::string> BookContentDownloader::freeChapterText(const std::string& bytes) {
    auto decoded = core::text::decodeToUtf8(bytes, "GB18030");
    if (!decoded)
        return std::nullopt;
    std::string_view text = *decoded;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.remove_suffix(1);
    if (text.size() < kOpening.size() + kClosing.size() || !text.starts_with(kOpening) || !text.ends_with(kClosing))
        return std::nullopt;
    text = text.substr(kOpening.size(), text.size() - kOpening.size() - kClosing.size());
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 3, "<p>") == 0) {
            out += '\n';
            i += 3;
        } else {
            out += text[i++];
        }
    }
    return out;
}

void BookContentDownloader::requestFinished(RQHTTPRequest& r) {
    auto* request = asSiteRequest(r);
    if (!request)
        return;
    auto bytes = r.responseStatusCode() == 200 ? r.responseData() : std::nullopt;
    core::Value::Map result;
    result.append("bid", request->lrzBookId());
    result.append("cid", request->chapterId());
    if (request->isVip()) {
        if (!bytes || bytes->empty()) {
            request->answer(core::Value());
            return;
        }
        result.append("cnt", core::Bytes(bytes->begin(), bytes->end()));
    } else {
        auto text = bytes ? freeChapterText(*bytes) : std::nullopt;
        if (!text) {
            request->answer(core::Value());
            return;
        }
        result.append("cnt", std::move(*text));
    }
    result.append("vip", request->isVip());
    request->answer(core::Value(std::move(result)));
}

void BookContentDownloader::requestFailed(RQHTTPRequest& r) {
    if (auto* request = asSiteRequest(r))
        request->answer(core::Value());
}

bool BookContentDownloader::storeChapter(const core::Value& result, const core::Value& userId) {
    const auto bid = result["bid"].asInt();
    const auto cid = result["cid"].asInt();
    if (!bid || !cid)
        return false;
    if (result["vip"].asBool().value_or(false)) {
        const auto* bytes = result["cnt"].bytesPtr();
        return bytes && BookDB::saveVipChapterWithRZBookId(*bid, *cid, core::ByteView(*bytes), userId);
    }
    const auto* text = result["cnt"].stringPtr();
    return text && BookDB::saveChapterWithRZBookId(*bid, *cid, *text);
}

} // namespace pw
