#include "site/CheckRZBookUpdate.h"

#include "foundation/db/BookTB.h"
#include "foundation/db/MessageTB.h"
#include "foundation/db/SettingTB.h"
#include "foundation/hosts/SiteHosts.h"
#include "platform/core/Clock.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/RunLoop.h"
#include "platform/core/Thread.h"
#include "platform/core/Timer.h"
#include "site/RZHTTPRequest.h"
#include "site/SiteAnswer.h"

#include <charconv>

namespace pw {

namespace {
int64_t settingNumber(const char* key) {
    auto text = SettingTB::readSettingWithKey(key);
    if (!text)
        return 0;
    int64_t v = 0;
    std::from_chars(text->data(), text->data() + text->size(), v);
    return v;
}

// A number the site sent as a number or as digits.
std::optional<int64_t> numberOf(const core::Value& v) {
    if (auto i = v.asInt())
        return *i;
    if (auto s = v.asString()) {
        int64_t n = 0;
        auto [end, ec] = std::from_chars(s->data(), s->data() + s->size(), n);
        if (ec == std::errc() && end == s->data() + s->size() && !s->empty())
            return n;
    }
    return std::nullopt;
}

std::string textOf(const core::Value& v) {
    if (auto s = v.asString())
        return *s;
    if (auto i = v.asInt())
        return std::to_string(*i);
    return {};
}
} // namespace

CheckRZBookUpdate::~CheckRZBookUpdate() {
    stopToCheckRZBookUpdate();
}

void CheckRZBookUpdate::startToCheckRZBookUpdate() {
    stopToCheckRZBookUpdate();
    std::weak_ptr<SiteAPIBase> weak = weak_from_this();
    m_timer = core::RunLoop::current().scheduleTimer(kInterval, true, [weak](core::Timer&) {
        if (auto self = std::static_pointer_cast<CheckRZBookUpdate>(weak.lock()))
            self->fireMethod();
    });
}

void CheckRZBookUpdate::stopToCheckRZBookUpdate() {
    if (m_timer && m_timer->isValid())
        m_timer->invalidate();
    m_timer.reset();
}

void CheckRZBookUpdate::fireMethod() {
    std::weak_ptr<SiteAPIBase> weak = weak_from_this();
    core::Thread::detach(
        [weak] {
            if (auto self = std::static_pointer_cast<CheckRZBookUpdate>(weak.lock()))
                self->doWork();
        },
        "book-update");
}

std::string CheckRZBookUpdate::pollURL(int64_t lastNotifyId, int64_t lastRequestTime,
                                       const std::vector<int64_t>& books) {
    std::string url = SiteHosts::baseUrl(SiteHosts::Service::Interface) +
                      "/api/GetBookUpdate.ashx?id=" + std::to_string(lastNotifyId) +
                      "&t=" + std::to_string(lastRequestTime) + "&c=2&v=" + std::to_string(kVersionCode);
    if (!books.empty()) {
        url += "&b=";
        for (size_t i = 0; i < books.size(); ++i)
            url += (i ? "," : "") + std::to_string(books[i]);
    }
    return url;
}

void CheckRZBookUpdate::doWork() {
    const std::vector<int64_t> books = BookTB::getAllNotifyRZBookIds().value_or(std::vector<int64_t>{});
    const std::string url =
        pollURL(settingNumber("k_MessageLastRequestNId"), settingNumber("k_MessageLastRequestTime"), books);
    // Stored before the request goes out, whatever its outcome.
    SettingTB::saveSettingWithKey("k_MessageLastRequestTime",
                                  std::to_string(static_cast<int64_t>(core::Clock::shared().now())));
    std::weak_ptr<SiteAPIBase> weak = weak_from_this();
    core::RunLoop::runOnMain(
        [weak, url] {
            if (auto self = std::static_pointer_cast<CheckRZBookUpdate>(weak.lock()))
                self->startPoll(url);
        },
        false);
}

void CheckRZBookUpdate::startPoll(const std::string& url) {
    auto request = newRequest(url, 30);
    request->startAsynchronous();
}

void CheckRZBookUpdate::requestFinished(RQHTTPRequest& request) {
    if (request.responseStatusCode() != 200)
        return;
    auto reply = SiteAnswer::cleanedJSON(request);
    if (!reply || !reply->isMap())
        return;
    if (const auto* books = reply->get("BookList"))
        readBookList(*books);
    if (const auto* notices = reply->get("NotifyList"))
        readNotifyList(*notices);
}

void CheckRZBookUpdate::readBookList(const core::Value& books) {
    core::Value names = core::Value::map();
    core::Value newest = core::Value::map();
    if (const auto* list = books.asArray()) {
        for (const auto& entry : *list) {
            auto bookId = numberOf(entry["BookId"]);
            auto chapterId = numberOf(entry["ChapterId"]);
            if (!bookId || !chapterId)
                continue;
            // [seen chapter id, book name, newest known chapter id]
            auto stored = BookTB::getLocalLastChapterIdByRZBookId(*bookId);
            if (!stored || stored->size() < 3)
                continue;
            if ((*stored)[2].asInt().value_or(0) >= *chapterId)
                continue;
            BookTB::updateServerLstChapterId(*chapterId, *bookId);
            const std::string key = std::to_string(*bookId);
            names.set(key, "《" + (*stored)[1].asString().value_or("") + "》有更新：" +
                               entry["ChapterName"].asString().value_or(""));
            newest.set(key, *chapterId);
        }
    }
    auto& nc = core::NotificationCenter::defaultCenter();
    if (names.size() > 0)
        nc.post("NSNotificationCenter_UpdateBooks", names);
    if (newest.size() > 0)
        nc.post("NSNotificationCenter_UpdateBooksNewImage", newest);
}

void CheckRZBookUpdate::readNotifyList(const core::Value& notices) {
    const auto* list = notices.asArray();
    if (!list || list->empty())
        return;
    auto& nc = core::NotificationCenter::defaultCenter();
    int64_t maxId = 0;
    core::Value messages = core::Value::array();
    core::Value titles = core::Value::map();
    for (const auto& entry : *list) {
        const int64_t notifyId = numberOf(entry["NotifyId"]).value_or(0);
        maxId = std::max(maxId, notifyId);
        switch (numberOf(entry["Type"]).value_or(0)) {
        case Setting:
            if (auto key = entry["Key"].asString(); key && !key->empty())
                SettingTB::saveSettingWithKey(*key, textOf(entry["Value"]));
            break;
        case SilentDownload:
            if (auto bookId = numberOf(entry["value"])) {
                core::Value info = core::Value::map();
                info.set("rzbid", *bookId);
                nc.post("NSNotificationCenter_DownAllBook_Silent", std::move(info));
            }
            break;
        case UserMessage:
            messages.push(entry);
            titles.set(std::to_string(notifyId), MessageTB::titleForMessage(entry["Message"].asString().value_or("")));
            break;
        default:
            break;
        }
    }
    SettingTB::saveSettingWithKey("k_MessageLastRequestNId", std::to_string(maxId));
    if (titles.size() > 0)
        nc.post("NSNotificationCenter_NewMessageNofity", titles);
    if (const auto* m = messages.asArray(); m && !m->empty())
        MessageTB::saveMessage(*m);
}

void CheckRZBookUpdate::requestFailed(RQHTTPRequest&) {}

} // namespace pw
