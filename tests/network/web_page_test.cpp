#include "NetTest.h"

#include "network/RQWebPageRequest.h"
#include "platform/core/Paths.h"
#include "platform/net/HttpAuthentication.h"

using namespace pw;
using namespace pw::test;
using fakesite::RawRequest;
using fakesite::RawServer;

class WebPageTest : public NetTest {
protected:
    // Fetches the page at path of server with its resources, to the end.
    std::shared_ptr<RQWebPageRequest> fetchPage(const RawServer& server, const std::string& path) {
        auto page = RQWebPageRequest::requestWithURL(server.url(path));
        bool done = false;
        page->setCompletionBlock([&] { done = true; });
        page->setFailedBlock([&] { done = true; });
        page->startAsynchronous();
        EXPECT_TRUE(waitFor([&] { return done; }));
        return page;
    }
    static fakesite::RawReply notFound() {
        return fakesite::RawReply::bytes(fakesite::httpResponse(404, "Not Found", {}, ""));
    }
};

TEST_F(WebPageTest, FindsAddressesInMarkupAndStyles) {
    auto list = RQWebPageRequest::addressesInHTML(
        "<html><head><link rel=stylesheet href='s.css'><style>body{background:url(\"bg.gif\")}</style></head>"
        "<body><img src='p.png'><a href='next.html'>n</a><div style='background: url(d.jpg)'></div>"
        "<video poster='v.jpg'></video></body></html>");
    std::vector<std::string> expected = {"s.css", "bg.gif", "p.png", "next.html", "d.jpg", "v.jpg"};
    std::sort(list.begin(), list.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(list, expected);
    EXPECT_EQ(RQWebPageRequest::addressesInCSS("a{b:url( 'x.png' )} c{d:URL(y.gif)}"),
              (std::vector<std::string>{"x.png", "y.gif"}));
}

TEST_F(WebPageTest, APageComesBackWithItsResourcesInlined) {
    const std::string png = "\x89PNG fake image";
    RawServer server([&](const RawRequest& req) {
        if (req.target == "/page.html")
            return ok("<html><body><img src=\"img/p.png\"><img src=\"data:image/gif;base64,R0lG\">"
                      "<a href=\"x\">short</a><div style=\"background:url(img/p.png)\"></div></body></html>",
                      {{"Content-Type", "text/html; charset=utf-8"}});
        if (req.target == "/img/p.png")
            return ok(png, {{"Content-Type", "image/png"}});
        return notFound();
    });
    auto page = fetchPage(server, "/page.html");
    ASSERT_FALSE(page->error()) << page->error()->localizedDescription;
    EXPECT_EQ(page->webContentType(), RQWebPageRequest::RQHTMLContent);
    EXPECT_EQ(page->resourceList().size(), 1u); // fetched once, data: and too-short addresses skipped
    std::string html = page->responseString().value_or("");
    std::string inlined = "data:image/png;base64," + net::base64Encode(png);
    EXPECT_NE(html.find("src=\"" + inlined + "\""), std::string::npos) << html;
    EXPECT_NE(html.find("url('" + inlined + "')"), std::string::npos) << html;
    EXPECT_EQ(html.find("img/p.png"), std::string::npos);
    int gets = 0;
    for (const auto& r : server.requests())
        gets += r.method == "GET" && r.target == "/img/p.png";
    EXPECT_EQ(gets, 1);
}

TEST_F(WebPageTest, OtherContentFinishesAsAPlainRequest) {
    RawServer server([](const RawRequest&) { return ok("{\"a\":1}", {{"Content-Type", "application/json"}}); });
    auto page = RQWebPageRequest::requestWithURL(server.url("/data.json"));
    page->startSynchronous();
    ASSERT_FALSE(page->error());
    EXPECT_EQ(page->webContentType(), RQWebPageRequest::RQNotParsedContent);
    EXPECT_EQ(page->responseString(), "{\"a\":1}");
}

// Only the page's own reply is taken apart: a style sheet it names is kept
// (and inlined) as it came, its own addresses not fetched.
TEST_F(WebPageTest, AFetchedStyleSheetIsKeptAsItCame) {
    const std::string sheet = "@import url(\"site.css\"); body { background: url(../img/bg.png) }";
    RawServer server([&](const RawRequest& req) {
        if (req.target == "/page.html")
            return ok("<html><head><link rel=\"stylesheet\" href=\"css/site.css\"></head><body>text</body></html>",
                      {{"Content-Type", "text/html"}});
        if (req.target == "/css/site.css")
            return ok(sheet, {{"Content-Type", "text/css"}});
        return notFound();
    });
    auto page = fetchPage(server, "/page.html");
    ASSERT_FALSE(page->error()) << page->error()->localizedDescription;
    ASSERT_EQ(page->resourceList().count(server.url("/css/site.css")), 1u);
    EXPECT_EQ(page->resourceList().at(server.url("/css/site.css")).data, sheet);
    std::string html = page->responseString().value_or("");
    EXPECT_NE(html.find("data:text/css;base64," + net::base64Encode(sheet)), std::string::npos) << html;
    std::map<std::string, int> gets;
    for (const auto& r : server.requests())
        gets[r.target] += r.method == "GET";
    EXPECT_EQ(gets, (std::map<std::string, int>{{"/page.html", 1}, {"/css/site.css", 1}}));
}

// Resources stored as files are named by relative paths; a page without a
// destination or cache is stored beside them, named by its address's digest.
TEST_F(WebPageTest, APageWithLocalResourcesIsStoredUnderItsDigestInTheCaches) {
    RawServer server([&](const RawRequest& req) {
        if (req.target == "/page.html")
            return ok("<html><body><img src=\"img/p.png\"></body></html>", {{"Content-Type", "text/html"}});
        return ok("png bytes", {{"Content-Type", "image/png"}});
    });
    auto page = RQWebPageRequest::requestWithURL(server.url("/page.html"));
    page->setDownloadCache(static_cast<RQCacheDelegate*>(nullptr));
    page->setUrlReplacementMode(RQWebPageRequest::RQReplaceExternalResourcesWithLocalURLs);
    bool done = false;
    page->setCompletionBlock([&] { done = true; });
    page->setFailedBlock([&] { done = true; });
    page->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return done; }));
    ASSERT_FALSE(page->error()) << page->error()->localizedDescription;
    auto expected = core::Paths::caches() / (net::md5HexUpper(server.url("/page.html")) + ".html");
    EXPECT_EQ(page->downloadDestinationPath(), expected.string());
    std::string stored = readFile(expected.string());
    EXPECT_NE(stored.find(net::md5HexUpper(server.url("/img/p.png")) + ".png"), std::string::npos) << stored;
    std::filesystem::remove(expected);
}
