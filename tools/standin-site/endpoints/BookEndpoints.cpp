#include "Catalogue.h"
#include "StandinSite.h"
#include "endpoints/EndpointHelpers.h"
#include "endpoints/Endpoints.h"

#include "foundation/codec/Base64Codec.h"
#include "foundation/codec/JSONCodec.h"
#include "platform/core/Text.h"

#include <httplib.h>

#include <fstream>
#include <sstream>

namespace pw::standin {
namespace {

std::string bookInfo(const Book& book, int64_t fromChapter) {
    core::Value chapters = core::Value::array();
    for (const auto& c : book.chapters) {
        if (fromChapter > 0 && c.id < fromChapter)
            continue;
        core::Value::Map e;
        e.append("c", c.id);
        e.append("n", c.name);
        e.append("v", c.vip ? 1 : 0);
        e.append("p", c.price);
        e.append("t", c.time);
        e.append("w", c.words);
        e.append("vc", c.volumeCode);
        chapters.push(core::Value(std::move(e)));
    }
    core::Value volumes = core::Value::array();
    for (const auto& v : book.volumes) {
        core::Value::Map e;
        e.append("VolumeCode", v.code);
        e.append("VolumeName", v.name);
        volumes.push(core::Value(std::move(e)));
    }
    const Chapter& last = book.chapters.back();
    core::Value::Map m;
    m.append("ret", 0);
    m.append("BookId", book.id);
    m.append("BookName", book.name);
    m.append("Author", book.author);
    m.append("LastChapterId", last.id);
    m.append("LastChapterName", last.name);
    m.append("LastChapterTime", last.time);
    m.append("Chapters", std::move(chapters));
    m.append("Volumes", std::move(volumes));
    return JSONString(core::Value(std::move(m))).value_or("{\"ret\":2}");
}

// A free chapter as the file host serves it: GB18030 script text whose
// paragraphs are joined by <p>.
std::string chapterFile(const Chapter& c) {
    std::string body;
    for (char ch : c.text) {
        if (ch == '\n')
            body += "<p>";
        else if (ch == '\'' || ch == '\\')
            body += "\xE2\x80\x99"; // the script's quote cannot stand in the text
        else
            body += ch;
    }
    const std::string text = "document.write('" + body + "');";
    return core::text::encodeFromUtf8(text, "GB18030").value_or(text);
}

} // namespace

void registerBookEndpoints(StandinSite& site) {
    site.get(Host::Interface, "/Client/IGetBookInfo.aspx", [](const StandinSite::Call& call, httplib::Response& res) {
        const auto id = number(call.param("bookid"));
        const Book* book = id ? call.site.catalogue().book(*id) : nullptr;
        if (!book) {
            json(res, R"({"ret":1,"msg":"no such book"})");
            return;
        }
        json(res, bookInfo(*book, number(call.param("chapterId")).value_or(0)));
    });

    site.get(Host::Interface, "/Client/IGetBuyedChapterList.aspx",
             [](const StandinSite::Call& call, httplib::Response& res) {
                 const auto id = number(call.param("bookid"));
                 std::string list;
                 if (call.userId && id)
                     for (int64_t cid : call.site.purchases(*call.userId, *id))
                         list += (list.empty() ? "" : ",") + std::to_string(cid);
                 res.set_content(list, "text/plain; charset=utf-8");
             });

    // Paid chapters: k is "book|chapter|device" in URL-safe Base64, whose "-"
    // the client writes as "%2b" (so it arrives here as "+").
    site.get(Host::Interface, "/api/IGetVipContent.ashx", [](const StandinSite::Call& call, httplib::Response& res) {
        const std::string token = tokenText(call.param("k"));
        const size_t bar1 = token.find('|');
        const size_t bar2 = bar1 == std::string::npos ? bar1 : token.find('|', bar1 + 1);
        const auto bookId = bar2 == std::string::npos ? std::nullopt : number(token.substr(0, bar1));
        const auto chapterId =
            bar2 == std::string::npos ? std::nullopt : number(token.substr(bar1 + 1, bar2 - bar1 - 1));
        const Book* book = bookId ? call.site.catalogue().book(*bookId) : nullptr;
        const Chapter* chapter = book && chapterId ? book->chapter(*chapterId) : nullptr;
        if (!chapter || !chapter->vip) {
            res.status = 404;
            res.set_content("无此章节", "text/plain; charset=utf-8");
        } else if (!call.userId) {
            res.status = 401;
            res.set_content("请先登录", "text/plain; charset=utf-8");
        } else if (chapter->price > 0 && !call.site.purchases(*call.userId, *bookId).count(*chapterId)) {
            res.status = 402;
            res.set_content("未购买此章节", "text/plain; charset=utf-8");
        } else {
            res.set_content(chapter->text, "application/octet-stream");
        }
    });

    // Free chapter files: /Author<id % 8 + 1>/<id>/<chapter>.txt.
    site.getMatching(Host::File, R"(/Author(-?[0-9]+)/(-?[0-9]+)/(-?[0-9]+)\.txt)",
                     [](const StandinSite::Call& call, httplib::Response& res) {
                         const auto& m = call.request.matches;
                         const auto folder = number(m[1]);
                         const auto id = number(m[2]);
                         const auto cid = number(m[3]);
                         const Book* book = id && *folder == *id % 8 + 1 ? call.site.catalogue().book(*id) : nullptr;
                         const Chapter* chapter = book && cid ? book->chapter(*cid) : nullptr;
                         if (!chapter || chapter->vip) {
                             res.status = 404;
                             res.set_content("<html><body>404 Not Found</body></html>", "text/html");
                             return;
                         }
                         res.set_content(chapterFile(*chapter), "application/x-javascript; charset=gb18030");
                     });

    // Covers drawn at build time, and avatars.
    site.getMatching(
        Host::Image, R"(/books/([0-9]+)/([0-9]+)\.jpg)", [](const StandinSite::Call& call, httplib::Response& res) {
            const auto& m = call.request.matches;
            auto bytes = m[1] == m[2] ? readFile(call.site.coversFolder() / (m[1].str() + ".jpg")) : std::nullopt;
            if (!bytes) {
                res.status = 404;
                res.set_content("no cover", "text/plain");
                return;
            }
            res.set_content(*bytes, "image/jpeg");
        });
    site.getMatching(Host::Image, R"(/heads/([A-Za-z0-9_-]+)\.jpg)",
                     [](const StandinSite::Call& call, httplib::Response& res) {
                         servePicture(res, call.site.coversFolder() / "avatar.jpg");
                     });
}

} // namespace pw::standin
