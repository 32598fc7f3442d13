// The shelves, bookmarks and favourites of the logged-in user, the update
// and notice poll, the update descriptor, the install report and the
// statistics beacon.
#include "Catalogue.h"
#include "StandinSite.h"
#include "endpoints/AccountData.h"
#include "endpoints/EndpointHelpers.h"
#include "endpoints/Endpoints.h"

#include "foundation/codec/JSONCodec.h"

#include <httplib.h>

#include <algorithm>

namespace pw::standin {
namespace {

void jsonValue(httplib::Response& res, const core::Value& value) {
    json(res, JSONString(value).value_or("{}"));
}


core::Value shelfEntry(const Book& book) {
    core::Value::Map e;
    e.append("BookId", book.id);
    e.append("BookName", book.name);
    e.append("AuthorName", book.author);
    e.append("LastChapterId", book.chapters.back().id);
    e.append("LastChapterName", book.chapters.back().name);
    e.append("LastChapterTime", book.chapters.back().time);
    return core::Value(std::move(e));
}

core::Value noticeEntry(const Notice& n) {
    core::Value::Map e;
    e.append("NotifyId", n.notifyId);
    e.append("Type", n.type);
    e.append("Message", n.message);
    e.append("Key", n.key);
    e.append("Value", n.value);
    e.append("value", std::to_string(n.bookId));
    e.append("CreateDate", "2026-12-01 08:00:00");
    e.append("ExpireDate", "2027-12-01 08:00:00");
    e.append("Status", 0);
    e.append("UserId", 0);
    e.append("ClientType", 2);
    return core::Value(std::move(e));
}

std::vector<int64_t> idList(const std::string& text) {
    std::vector<int64_t> ids;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos)
            comma = text.size();
        if (auto id = number(text.substr(start, comma - start)))
            ids.push_back(*id);
        start = comma + 1;
    }
    return ids;
}

} // namespace

// The reader starts with books on three of the four shelves.
AccountData& accountData(StandinSite& site) {
    auto& d = site.extension<AccountData>();
    if (!d.seeded) {
        d.seeded = true;
        d.shelves[StandinSite::kReaderId] = {std::vector<int64_t>{Catalogue::kSishu},
                                             std::vector<int64_t>{Catalogue::kShijing, Catalogue::kLunyu},
                                             std::vector<int64_t>{Catalogue::kChuci}, std::vector<int64_t>{}};
    }
    return d;
}

void registerAccountEndpoints(StandinSite& site) {
    site.get(Host::Interface, "/api/GetBookCaseBooks.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        const auto t = number(call.param("t"));
        if (!call.userId || !t || *t < 0 || *t > 3) {
            jsonValue(res, core::Value(core::Value::Map{{"ret", -1}, {"msg", "请先登录"}}));
            return;
        }
        std::vector<int64_t> ids;
        {
            std::lock_guard lock(call.site.lock());
            ids = accountData(call.site).shelves[*call.userId][*t];
        }
        core::Value list = core::Value::array();
        for (int64_t id : ids)
            if (const Book* book = call.site.catalogue().book(id))
                list.push(shelfEntry(*book));
        jsonValue(res, list);
    });

    site.get(Host::Interface, "/api/GetBookMark.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        int64_t chapter = 0;
        if (auto id = number(call.param("BookId")); id && call.userId) {
            std::lock_guard lock(call.site.lock());
            auto& marks = accountData(call.site).bookmarks;
            if (auto it = marks.find({*call.userId, *id}); it != marks.end())
                chapter = it->second;
        }
        res.set_content(std::to_string(chapter), "text/plain; charset=utf-8");
    });

    site.get(Host::Interface, "/api/AddFavoriteBookMark.ashx",
             [](const StandinSite::Call& call, httplib::Response& res) {
                 const auto id = number(call.param("BookId"));
                 const auto chapter = number(call.param("ChapterId"));
                 if (!call.userId || !id || !chapter) {
                     jsonValue(res, core::Value(core::Value::Map{{"data", 1}, {"msg", "请先登录"}}));
                     return;
                 }
                 std::lock_guard lock(call.site.lock());
                 accountData(call.site).bookmarks[{*call.userId, *id}] = *chapter;
                 jsonValue(res, core::Value(core::Value::Map{{"data", 0}, {"msg", "书签已保存"}}));
             });

    site.post(Host::Interface, "/api/DeleteMultiFavoriteBooks.ashx",
              [](const StandinSite::Call& call, httplib::Response& res) {
                  if (!call.userId) {
                      jsonValue(res, core::Value(core::Value::Map{{"ret", -1}, {"Message", "请先登录"}}));
                      return;
                  }
                  const auto ids = idList(call.request.get_param_value("bids"));
                  int removed = 0;
                  {
                      std::lock_guard lock(call.site.lock());
                      for (auto& shelf : accountData(call.site).shelves[*call.userId])
                          for (int64_t id : ids)
                              removed += static_cast<int>(std::erase(shelf, id));
                  }
                  jsonValue(res, core::Value(core::Value::Map{
                                     {"ret", 0}, {"Message", "已从书架删除" + std::to_string(removed) + "本书"}}));
              });

    site.get(Host::Interface, "/api/GetBookUpdate.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        const int64_t after = number(call.param("id")).value_or(0);
        core::Value books = core::Value::array();
        core::Value notices = core::Value::array();
        std::lock_guard lock(call.site.lock());
        auto& d = accountData(call.site);
        for (int64_t id : idList(call.param("b"))) {
            core::Value::Map e;
            if (auto it = d.newestChapter.find(id); it != d.newestChapter.end()) {
                e.append("BookId", id);
                e.append("ChapterId", it->second.first);
                e.append("ChapterName", it->second.second);
            } else if (const Book* book = call.site.catalogue().book(id)) {
                e.append("BookId", id);
                e.append("ChapterId", book->chapters.back().id);
                e.append("ChapterName", book->chapters.back().name);
            } else {
                continue;
            }
            books.push(core::Value(std::move(e)));
        }
        for (const auto& n : d.notices)
            if (n.notifyId > after)
                notices.push(noticeEntry(n));
        jsonValue(res, core::Value(core::Value::Map{{"BookList", books}, {"NotifyList", notices}}));
    });

    site.get(Host::Interface, "/PagewelliOSUpdate.txt", [](const StandinSite::Call& call, httplib::Response& res) {
        int64_t code = 15;
        {
            std::lock_guard lock(call.site.lock());
            code = accountData(call.site).versionCode;
        }
        core::Value::Map m;
        m.append("versionCode", code);
        m.append("versionName", "1." + std::to_string(code / 10) + "." + std::to_string(code % 10));
        m.append("url", call.site.baseUrl(Host::Interface) + "/download");
        m.append("description", "修正了若干问题");
        jsonValue(res, core::Value(std::move(m)));
    });

    // The install report: r is the report's fields joined by "|", in
    // URL-safe Base64 whose "-" the client writes as "%2b".
    site.get(Host::Interface, "/api/R1.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        const std::string text = tokenText(call.param("r"));
        if (std::count(text.begin(), text.end(), '|') < 9) {
            res.set_content("1", "text/plain; charset=utf-8");
            return;
        }
        {
            std::lock_guard lock(call.site.lock());
            accountData(call.site).reports.push_back(text);
        }
        res.set_content("0", "text/plain; charset=utf-8");
    });

    // The mobile site's recharge page, which the screens open in the browser.
    site.get(Host::Mobile, "/Profile/Charge.aspx", [](const StandinSite::Call&, httplib::Response& res) {
        res.set_content("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>充值</title></head>"
                        "<body><h1>充值</h1><p>在这里为墨川币充值。</p></body></html>",
                        "text/html; charset=utf-8");
    });

    // The statistics service's visitor counter.
    site.get(Host::Statistics, "/statajax.aspx", [](const StandinSite::Call& call, httplib::Response& res) {
        const std::string op = call.param("opName");
        std::lock_guard lock(call.site.lock());
        auto& d = accountData(call.site);
        std::string body = R"({value:"1"})";
        if (op == "AddGlobalUser")
            body = "{value:\"0|" + std::to_string(d.nextGlobalId++) + "|" + std::to_string(d.nextSessionId++) + "\"}";
        else if ((op == "AddDailyUser" || op == "AddSessionUser") && number(call.param("globalId")).value_or(0) > 0)
            body = "{value:\"0|" + std::to_string(d.nextSessionId++) + "\"}";
        res.set_content(body, "text/plain; charset=utf-8");
    });
}

} // namespace pw::standin
