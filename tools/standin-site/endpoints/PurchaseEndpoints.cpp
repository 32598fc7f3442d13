#include "Catalogue.h"
#include "StandinSite.h"
#include "endpoints/AccountData.h"
#include "endpoints/EndpointHelpers.h"
#include "endpoints/Endpoints.h"

#include <httplib.h>

#include <map>
#include <sstream>

namespace pw::standin {
namespace {

std::string purchaseQuoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string refusal(int result, const std::string& message) {
    return R"({"Result":)" + std::to_string(result) + R"(,"Message":)" + purchaseQuoted(message) + "}";
}

// The chapters a purchase of `type` names, nullopt when the request is not understood.
std::optional<std::vector<const Chapter*>> chaptersOf(const Book& book, const StandinSite::Call& call, int64_t type,
                                                      int64_t chapterId) {
    std::vector<const Chapter*> out;
    auto position =
        std::find_if(book.chapters.begin(), book.chapters.end(), [&](const Chapter& c) { return c.id == chapterId; });
    switch (type) {
    case 0:
        if (position == book.chapters.end())
            return std::nullopt;
        out.push_back(&*position);
        return out;
    case 1:
        for (const auto& c : book.chapters)
            out.push_back(&c);
        return out;
    case 2: {
        auto forward = number(call.param("forward"));
        if (position == book.chapters.end() || !forward || *forward <= 0)
            return std::nullopt;
        for (auto it = position; it != book.chapters.end() && int64_t(out.size()) < *forward; ++it)
            out.push_back(&*it);
        return out;
    }
    case 3: {
        std::stringstream list(call.param("ChapterList"));
        for (std::string part; std::getline(list, part, ',');) {
            auto id = number(part);
            const Chapter* c = id ? book.chapter(*id) : nullptr;
            if (!c)
                return std::nullopt;
            out.push_back(c);
        }
        if (out.empty())
            return std::nullopt;
        return out;
    }
    default:
        return std::nullopt;
    }
}

} // namespace

void registerPurchaseEndpoints(StandinSite& site) {
    // A paid chapter's price and what the user owns; Result 1 when already bought.
    site.get(Host::Interface, "/api/GetVipChapter.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        if (!call.userId)
            return json(res, refusal(-1, "请先登录"));
        auto bookId = number(call.param("BookId"));
        auto chapterId = number(call.param("ChapterId"));
        const Book* book = bookId ? call.site.catalogue().book(*bookId) : nullptr;
        const Chapter* chapter = book && chapterId ? book->chapter(*chapterId) : nullptr;
        if (!chapter)
            return json(res, refusal(-2, "没有这个章节"));
        std::lock_guard lock(call.site.lock());
        const bool bought =
            !chapter->vip || chapter->price == 0 || call.site.purchases(*call.userId, *bookId).count(*chapterId);
        json(res, R"({"Result":)" + std::string(bought ? "1" : "0") + R"(,"BookName":)" + purchaseQuoted(book->name) +
                      R"(,"ChapterName":)" + purchaseQuoted(chapter->name) + R"(,"Price":)" + std::to_string(chapter->price) +
                      R"(,"Balance":)" + std::to_string(accountData(call.site).balanceOf(*call.userId)) +
                      R"(,"WordsCount":)" + std::to_string(chapter->words) + "}");
    });

    // The paid chapters not yet bought.
    site.get(Host::Interface, "/api/GetBuyChapterList.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        if (!call.userId)
            return json(res, refusal(-1, "请先登录"));
        auto bookId = number(call.param("BookId"));
        const Book* book = bookId ? call.site.catalogue().book(*bookId) : nullptr;
        if (!book)
            return json(res, refusal(-2, "没有这本书"));
        std::lock_guard lock(call.site.lock());
        const auto bought = call.site.purchases(*call.userId, *bookId);
        std::string list;
        for (const auto& c : book->chapters) {
            if (!c.vip || c.price == 0 || bought.count(c.id))
                continue;
            list += (list.empty() ? "" : ",") + std::string(R"({"ChapterId":)") + std::to_string(c.id) +
                    R"(,"ChapterName":)" + purchaseQuoted(c.name) + R"(,"Price":)" + std::to_string(c.price) + "}";
        }
        json(res, R"({"Result":0,"Chapter":[)" + list + "]}");
    });

    // A purchase: 0 this chapter, 1 the whole book, 2 the next `forward`, 3 a
    // list. Lowers the balance by the unbought chapters' prices and unlocks them.
    site.post(Host::Interface, "/api/BuyVipChapter.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        if (!call.userId)
            return json(res, refusal(-1, "请先登录"));
        auto bookId = number(call.param("bookId"));
        auto chapterId = number(call.param("chapterid"));
        auto type = number(call.param("type"));
        const Book* book = bookId ? call.site.catalogue().book(*bookId) : nullptr;
        if (!book || !chapterId || !type)
            return json(res, refusal(-2, "参数错误"));
        auto chapters = chaptersOf(*book, call, *type, *chapterId);
        if (!chapters)
            return json(res, refusal(-3, "没有这些章节"));
        std::lock_guard lock(call.site.lock());
        auto owned = call.site.purchases(*call.userId, *bookId);
        int64_t cost = 0;
        for (const Chapter* c : *chapters)
            if (c->vip && c->price > 0 && !owned.count(c->id))
                cost += c->price;
        int64_t& balance = accountData(call.site).balanceOf(*call.userId);
        if (cost > balance)
            return json(res, refusal(-4, "余额不足"));
        balance -= cost;
        for (const Chapter* c : *chapters)
            owned.insert(c->id);
        call.site.setPurchases(*call.userId, *bookId, owned);
        json(res, R"({"Result":)" + std::string(*type == 1 ? "2" : "0") + R"(,"Message":"订阅成功"})");
    });
}

} // namespace pw::standin
