#include "Catalogue.h"
#include "StandinSite.h"
#include "endpoints/AccountData.h"
#include "endpoints/EndpointHelpers.h"
#include "endpoints/Endpoints.h"

#include "foundation/codec/JSONCodec.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pw::standin {
namespace {

// The store lists the catalogue's small books; the complete Tang poems take
// seconds to read, so they are only served when asked for by id.
const std::vector<int64_t>& storeBooks() {
    static const std::vector<int64_t> ids = {Catalogue::kShijing, Catalogue::kLunyu,  Catalogue::kSishu,
                                             Catalogue::kChuci,   Catalogue::kSongci, Catalogue::kTangThousand};
    return ids;
}

// Channels of the store: 1 poems, 2 classics, 3 lyrics.
int64_t channelOf(int64_t bookId) {
    switch (bookId) {
    case Catalogue::kLunyu:
    case Catalogue::kSishu:
        return 2;
    case Catalogue::kSongci:
        return 3;
    default:
        return 1;
    }
}

const char* channelName(int64_t channel) {
    switch (channel) {
    case 1:
        return "诗歌";
    case 2:
        return "经典";
    case 3:
        return "词曲";
    default:
        return "其他";
    }
}

constexpr int kPageSize = 10;

bool hasCover(const StandinSite& site, int64_t bookId) {
    std::error_code ec;
    return !site.coversFolder().empty() &&
           std::filesystem::exists(site.coversFolder() / (std::to_string(bookId) + ".jpg"), ec);
}

int64_t wordsOf(const Book& book) {
    int64_t words = 0;
    for (const auto& c : book.chapters)
        words += c.words;
    return words;
}

// A book-list row: the newest free and the newest paid chapter, each with
// its id, name and time.
core::Value bookRow(const StandinSite& site, const Book& book, bool withImageStatus = true) {
    const Chapter* free = nullptr;
    const Chapter* vip = nullptr;
    for (const auto& c : book.chapters)
        (c.vip ? vip : free) = &c;
    core::Value::Map m;
    m.append("BookId", book.id);
    m.append("BookName", book.name);
    m.append("AuthorName", book.author);
    m.append("LastUpdateChapterID", free ? free->id : 0);
    m.append("LastUpdateChapterName", free ? free->name : std::string());
    m.append("LastChapterUpdateTime", free ? free->time : 0);
    m.append("LastVipUpdateChapterId", vip ? vip->id : 0);
    m.append("LastVipUpdateChapterName", vip ? vip->name : std::string());
    m.append("LastVipChapterUpdateTime", vip ? vip->time : 0);
    if (withImageStatus)
        m.append("ImageStatus", hasCover(site, book.id) ? 1 : 0);
    return core::Value(std::move(m));
}

std::string text(const core::Value& v) {
    return JSONString(v).value_or("{}");
}

core::Value dataAnswer(core::Value data, int result = 0) {
    core::Value::Map m;
    m.append("Result", result);
    m.append("Data", std::move(data));
    return core::Value(std::move(m));
}

std::vector<const Book*> books(const StandinSite& site) {
    std::vector<const Book*> out;
    for (int64_t id : storeBooks())
        if (const Book* b = site.catalogue().book(id))
            out.push_back(b);
    return out;
}

// A page (from 1) of rows; an empty array past the end.
core::Value page(const StandinSite& site, const std::vector<const Book*>& all, int64_t pageIndex) {
    core::Value rows = core::Value::array();
    if (pageIndex < 1)
        return rows;
    const size_t from = static_cast<size_t>(pageIndex - 1) * kPageSize;
    for (size_t i = from; i < all.size() && i < from + kPageSize; ++i)
        rows.push(bookRow(site, *all[i]));
    return rows;
}

std::string lowerAscii(std::string s) {
    for (auto& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Words, book names, authors and chapter names the key is found in (ASCII
// letters in any case).
bool matches(const Book& book, const std::string& key) {
    const std::string k = lowerAscii(key);
    if (lowerAscii(book.name).find(k) != std::string::npos || lowerAscii(book.author).find(k) != std::string::npos)
        return true;
    return std::any_of(book.chapters.begin(), book.chapters.end(),
                       [&](const Chapter& c) { return lowerAscii(c.name).find(k) != std::string::npos; });
}

// An address on the image host, as the answers give it.
std::string imageUrl(const StandinSite& site, const std::string& path) {
    return site.baseUrl(Host::Image) + path;
}

core::Value indexEntry(const StandinSite& site, const char* idKey, int64_t id, std::string name,
                       std::string description) {
    core::Value::Map m;
    m.append(idKey, id);
    m.append("Name", std::move(name));
    m.append("Description", std::move(description));
    m.append("ImageUrl", imageUrl(site, "/store/icons/" + std::string(idKey) + "-" + std::to_string(id) + ".jpg"));
    return core::Value(std::move(m));
}

const std::vector<std::pair<int64_t, const char*>>& rankings() {
    static const std::vector<std::pair<int64_t, const char*>> r = {{1, "总点击榜"}, {2, "字数榜"}, {3, "更新榜"}};
    return r;
}

} // namespace

void registerStoreEndpoints(StandinSite& site) {
    site.get(Host::Store, "/BookStoreAPI/GetRecommendList.ashx",
             [](const StandinSite::Call& call, httplib::Response& res) {
                 core::Value data = core::Value::array();
                 for (int64_t channel = 1; channel <= 3; ++channel) {
                     core::Value e =
                         indexEntry(call.site, "RecommendId", channel, std::string(channelName(channel)) + "精选",
                                    "编辑推荐的" + std::string(channelName(channel)));
                     e.set("SiteType", channel - 1);
                     data.push(std::move(e));
                 }
                 json(res, text(dataAnswer(std::move(data))));
             });

    site.get(Host::Store, "/BookStoreAPI/CoverRecommend.ashx",
             [](const StandinSite::Call& call, httplib::Response& res) {
                 core::Value data = core::Value::array();
                 for (const Book* b : books(call.site)) {
                     core::Value::Map m;
                     m.append("BookId", b->id);
                     m.append("BookName", b->name);
                     m.append("ImageStatus", hasCover(call.site, b->id) ? 1 : 0);
                     data.push(core::Value(std::move(m)));
                 }
                 json(res, text(dataAnswer(std::move(data))));
             });

    // type=0 the rankings, type=1 the channels.
    site.get(Host::Store, "/BookStoreAPI/GetIndex.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        const auto type = number(call.param("type"));
        core::Value data = core::Value::array();
        if (type == 0)
            for (const auto& [id, name] : rankings())
                data.push(indexEntry(call.site, "TopId", id, name, "书库排行"));
        else if (type == 1)
            for (int64_t channel = 1; channel <= 3; ++channel)
                data.push(indexEntry(call.site, "ChannelId", channel, channelName(channel), "分类书籍"));
        else {
            json(res, R"({"Result":-1,"Data":[]})");
            return;
        }
        json(res, text(dataAnswer(std::move(data))));
    });

    site.get(Host::Store, "/BookStoreAPI/GetTopBooks.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        const int64_t top = number(call.param("TopId")).value_or(0);
        auto all = books(call.site);
        if (top == 2)
            std::stable_sort(all.begin(), all.end(), [](auto a, auto b) { return wordsOf(*a) > wordsOf(*b); });
        core::Value rows = page(call.site, all, number(call.param("PageIndex")).value_or(0));
        const size_t n = rows.asArray() ? rows.asArray()->size() : 0;
        core::Value::Array withExtra;
        for (size_t i = 0; i < n; ++i) {
            core::Value row = (*rows.asArray())[i];
            const int64_t id = row["BookId"].asInt().value_or(0);
            const Book* b = call.site.catalogue().book(id);
            row.set("ExtraName", top == 2 ? "字数：" : "章节：");
            row.set("ExtraValue", std::to_string(top == 2 ? wordsOf(*b) : static_cast<int64_t>(b->chapters.size())));
            withExtra.push_back(std::move(row));
        }
        json(res, text(dataAnswer(core::Value(std::move(withExtra)))));
    });

    site.get(Host::Store, "/BookStoreAPI/GetCategoryBooks.ashx",
             [](const StandinSite::Call& call, httplib::Response& res) {
                 const int64_t channel = number(call.param("ChannelId")).value_or(0);
                 core::Value rows = core::Value::array();
                 for (const Book* b : books(call.site))
                     if (channelOf(b->id) == channel)
                         rows.push(bookRow(call.site, *b));
                 json(res, text(dataAnswer(std::move(rows))));
             });

    site.get(Host::Store, "/BookStoreAPI/GetRecommendDetail.ashx",
             [](const StandinSite::Call& call, httplib::Response& res) {
                 const int64_t group = number(call.param("GroupId")).value_or(0);
                 std::vector<const Book*> in;
                 for (const Book* b : books(call.site))
                     if (channelOf(b->id) == group)
                         in.push_back(b);
                 json(res, text(dataAnswer(page(call.site, in, number(call.param("PageIndex")).value_or(0)))));
             });

    site.get(Host::Store, "/BookStoreAPI/GetSearchTops.ashx",
             [](const StandinSite::Call& call, httplib::Response& res) {
                 core::Value data = core::Value::array();
                 for (const Book* b : books(call.site)) {
                     for (const std::string& word : {b->name, b->author}) {
                         core::Value::Map m;
                         m.append("LabelName", word);
                         data.push(core::Value(std::move(m)));
                     }
                 }
                 json(res, text(dataAnswer(std::move(data))));
             });

    // The filter's listing: channel=&size=&action=&order=&update=&p=&vipBoutiqueSignstatus=&pageindex=.
    // A numeric channel narrows to it (anything else, "其他" included, lists
    // every channel); order=1 sorts by words.
    site.get(Host::Store, "/BookStoreAPI/GetBookStore.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        const auto channel = number(call.param("channel"));
        std::vector<const Book*> in;
        for (const Book* b : books(call.site))
            if (!channel || *channel <= 0 || channelOf(b->id) == *channel)
                in.push_back(b);
        if (call.param("order") == "1")
            std::stable_sort(in.begin(), in.end(), [](auto a, auto b) { return wordsOf(*a) > wordsOf(*b); });
        json(res, text(dataAnswer(page(call.site, in, number(call.param("pageindex")).value_or(0)))));
    });

    site.get(Host::Store, "/BookStoreAPI/GetBookDetail.ashx",
             [](const StandinSite::Call& call, httplib::Response& res) {
                 const auto id = number(call.param("BookId"));
                 const Book* b = id ? call.site.catalogue().book(*id) : nullptr;
                 if (!b) {
                     json(res, R"({"Result":-1})");
                     return;
                 }
                 core::Value::Map m;
                 m.append("BookId", b->id);
                 m.append("BookName", b->name);
                 m.append("AuthorName", b->author);
                 m.append("AuthorId", b->id % 100);
                 m.append("CategoryId", channelOf(b->id));
                 m.append("ChannelId", channelOf(b->id));
                 m.append("SubCategoryId", channelOf(b->id) * 10);
                 m.append("ClickAll", std::to_string(b->chapters.size() * 37));
                 m.append("ClickWeek", std::to_string(b->chapters.size() * 3));
                 m.append("RecommendAll", std::to_string(b->chapters.size()));
                 m.append("WordsCnt", std::to_string(wordsOf(*b)));
                 m.append("Description",
                          b->name + "<br>" + b->author + "&nbsp;著<br/>共" + std::to_string(b->chapters.size()) + "章");
                 json(res, text(dataAnswer(core::Value(std::move(m)))));
             });

    site.get(Host::Store, "/BookStoreAPI/GetRelatedBooks.ashx",
             [](const StandinSite::Call& call, httplib::Response& res) {
                 const int64_t id = number(call.param("BookId")).value_or(0);
                 core::Value rows = core::Value::array();
                 for (const Book* b : books(call.site))
                     if (b->id != id && channelOf(b->id) == channelOf(id))
                         rows.push(bookRow(call.site, *b));
                 json(res, text(dataAnswer(std::move(rows))));
             });

    site.get(Host::Store, "/BookStoreAPI/GetUserInfo.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        if (!call.userId) {
            json(res, R"({"Result":-1,"Data":null})");
            return;
        }
        core::Value::Map m;
        m.append("NickName", StandinSite::nickNameOf(*call.userId));
        {
            std::lock_guard lock(call.site.lock());
            m.append("Balance", std::to_string(accountData(call.site).balanceOf(*call.userId)));
        }
        m.append("HeadImage", imageUrl(call.site, "/heads/" + std::to_string(*call.userId) + ".jpg"));
        json(res, text(dataAnswer(core::Value(std::move(m)))));
    });

    site.get(Host::Store, "/BookStoreAPI/GetBookCase.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        if (!call.userId) {
            json(res, R"({"Result":-1,"Data":[]})");
            return;
        }
        const auto t = number(call.param("t"));
        std::vector<int64_t> ids;
        if (t && *t >= 0 && *t <= 3) {
            std::lock_guard lock(call.site.lock());
            ids = accountData(call.site).shelves[*call.userId][*t];
        }
        core::Value rows = core::Value::array();
        for (int64_t id : ids)
            if (const Book* b = call.site.catalogue().book(id))
                rows.push(bookRow(call.site, *b, false));
        json(res, text(dataAnswer(std::move(rows))));
    });

    // A top-level array whose first element holds the page's rows; times are
    // "/Date(ms)/" texts and matches are marked with <b>.
    site.get(Host::Store, "/api/SearchBooks.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        const std::string key = call.param("key");
        std::vector<const Book*> found;
        if (!key.empty())
            for (const Book* b : books(call.site))
                if (matches(*b, key))
                    found.push_back(b);
        core::Value rows = core::Value::array();
        const int64_t p = number(call.param("p")).value_or(0);
        const size_t from = p >= 1 ? static_cast<size_t>(p - 1) * kPageSize : found.size();
        for (size_t i = from; i < found.size() && i < from + kPageSize; ++i) {
            const Book& b = *found[i];
            const Chapter& last = b.chapters.back();
            std::string name = b.name;
            if (const size_t at = name.find(key); at != std::string::npos)
                name = name.substr(0, at) + "<b>" + key + "</b>" + name.substr(at + key.size());
            core::Value::Map m;
            m.append("BookId", b.id);
            m.append("BookName", name);
            m.append("AuthorName", b.author);
            m.append("NewChapterName", last.name);
            m.append("NewChapterTime", "/Date(" + std::to_string(last.time) + ")/");
            m.append("ImageStatus", hasCover(call.site, b.id) ? 1 : 0);
            rows.push(core::Value(std::move(m)));
        }
        core::Value answer = core::Value::array();
        answer.push(std::move(rows));
        json(res, text(answer));
    });

    // 0 added to the favourites shelf, -3 already on it, -997 not logged in, -1 no such book.
    site.get(Host::Store, "/api/AddFavoriteBook.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        const auto id = number(call.param("bid"));
        if (!call.userId) {
            json(res, R"({"data":-997,"msg":"请先登录"})");
            return;
        }
        if (!id || !call.site.catalogue().book(*id)) {
            json(res, R"({"data":-1,"msg":"无此书籍"})");
            return;
        }
        std::lock_guard lock(call.site.lock());
        auto& favourites = accountData(call.site).shelves[*call.userId][2];
        const bool added = std::find(favourites.begin(), favourites.end(), *id) == favourites.end();
        if (added)
            favourites.push_back(*id);
        json(res, added ? R"({"data":0,"msg":"已加入书架"})" : R"({"data":-3,"msg":"书架中已有此书"})");
    });

    // The site's generic cover, for books without one of their own.
    site.get(Host::Image, "/books/1.jpg", [](const StandinSite::Call& call, httplib::Response& res) {
        servePicture(res, call.site.coversFolder() / "generic.jpg");
    });

    // Icons of the index entries: absolute addresses the answers give.
    site.getMatching(Host::Image, R"(/store/icons/([A-Za-z]+)-([0-9]+)\.jpg)",
                     [](const StandinSite::Call& call, httplib::Response& res) {
                         servePicture(res, call.site.coversFolder() / "avatar.jpg");
                     });
}

} // namespace pw::standin
