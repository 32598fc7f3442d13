#include "NetTest.h"

using namespace pw;
using namespace pw::test;
using fakesite::RawReply;
using fakesite::RawRequest;
using fakesite::RawServer;

namespace {
RawReply redirect(int status, const std::string& location) {
    return RawReply::bytes(fakesite::httpResponse(status, "Moved", {{"Location", location}}, "moved"));
}
} // namespace

class RedirectTest : public NetTest {};

TEST_F(RedirectTest, FollowsByStatusAndMethod) {
    struct Case {
        int status;
        bool rfc2616;
        const char* expectedMethod;
        bool bodyKept;
    };
    const Case cases[] = {
        {301, false, "GET", false}, {302, false, "GET", false}, {303, false, "GET", false}, {307, false, "POST", true},
        {301, true, "POST", true},  {302, true, "POST", true},  {303, true, "GET", false},
    };
    for (const auto& c : cases) {
        RawServer server([&](const RawRequest& req) {
            if (req.target == "/start")
                return redirect(c.status, "/next"); // relative Location
            return ok("done");
        });
        auto r = RQHTTPRequest::requestWithURL(server.url("/start"));
        r->setShouldUseRFC2616RedirectBehaviour(c.rfc2616);
        r->addRequestHeader("Accept", "text/plain");
        r->addRequestHeader("X-Custom", "1");
        r->setRequestMethod("POST");
        r->appendPostData("body=1");
        r->startSynchronous();
        SCOPED_TRACE(std::to_string(c.status) + (c.rfc2616 ? " rfc2616" : ""));
        ASSERT_FALSE(r->error());
        EXPECT_EQ(r->responseString(), "done");
        EXPECT_EQ(r->url(), server.url("/next"));
        EXPECT_EQ(r->originalURL(), server.url("/start"));
        auto reqs = server.requests();
        ASSERT_EQ(reqs.size(), 2u);
        EXPECT_EQ(reqs[1].method, c.expectedMethod);
        EXPECT_EQ(reqs[1].target, "/next");
        EXPECT_EQ(reqs[1].body, c.bodyKept ? "body=1" : "");
        EXPECT_EQ(reqs[1].header("Accept"), "text/plain");
        EXPECT_EQ(reqs[1].header("X-Custom").has_value(), c.bodyKept);
        EXPECT_EQ(reqs[1].header("User-Agent"), "PagewellTest/1.0");
    }
}

TEST_F(RedirectTest, OtherAnswersAreNotFollowed) {
    const std::pair<int, bool> cases[] = {{300, true}, {304, true}, {305, true}, {302, false}};
    for (const auto& [status, withLocation] : cases) {
        RawServer server([&](const RawRequest&) {
            return withLocation ? redirect(status, "/elsewhere")
                                : RawReply::bytes(fakesite::httpResponse(status, "Found", {}, ""));
        });
        auto r = RQHTTPRequest::requestWithURL(server.url("/a"));
        r->startSynchronous();
        EXPECT_EQ(r->responseStatusCode(), status);
        EXPECT_EQ(server.requestCount(), 1u);
    }
    RawServer server([](const RawRequest&) { return redirect(302, "/b"); });
    auto r = RQHTTPRequest::requestWithURL(server.url("/a"));
    r->setShouldRedirect(false);
    r->startSynchronous();
    EXPECT_FALSE(r->error());
    EXPECT_EQ(r->responseStatusCode(), 302);
}

TEST_F(RedirectTest, TheSixthRedirectFails) {
    RawServer server([](const RawRequest& req) { return redirect(302, req.target + "x"); });
    auto r = RQHTTPRequest::requestWithURL(server.url("/r"));
    auto delegate = std::make_shared<RecordingDelegate>();
    r->setDelegate(delegate);
    r->startSynchronous();
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, RQTooMuchRedirectionErrorType);
    EXPECT_EQ(server.requestCount(), 6u);
    EXPECT_EQ(delegate->failed, 1);
    EXPECT_EQ(r->redirectCount(), 6);
}

TEST_F(RedirectTest, AnotherOriginGetsNeitherTheOldCookiesNorTheCredentials) {
    RawServer target([](const RawRequest&) { return ok("there"); });
    // Another host: cookies follow hosts, not ports.
    RawServer origin([&](const RawRequest&) {
        return redirect(307, "http://localhost:" + std::to_string(target.port()) + "/landing");
    });
    net::CookieStorage::shared().setCookie(
        *net::CookieStorage::parseSetCookie("sid=secret", *net::Url::parse(origin.url()), 1e9));
    auto r = RQHTTPRequest::requestWithURL(origin.url("/go"));
    r->addRequestHeader("Authorization", "Bearer token");
    r->setUsername("u");
    r->setPassword("p");
    r->startSynchronous();
    ASSERT_FALSE(r->error());
    auto first = origin.requests().at(0);
    EXPECT_EQ(first.header("Cookie"), "sid=secret");
    EXPECT_EQ(first.header("Authorization"), "Bearer token");
    auto second = target.requests().at(0);
    EXPECT_FALSE(second.header("Cookie"));
    EXPECT_FALSE(second.header("Authorization"));
}

TEST_F(RedirectTest, ADelegateThatAsksDecidesWhereToGo) {
    RawServer server([](const RawRequest& req) {
        if (req.target == "/a")
            return redirect(302, "/b");
        return ok(req.target);
    });
    auto r = RQHTTPRequest::requestWithURL(server.url("/a"));
    auto delegate = std::make_shared<RecordingDelegate>();
    delegate->askRedirect = true;
    r->setDelegate(delegate);
    bool done = false;
    r->setCompletionBlock([&] { done = true; });
    r->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return delegate->willRedirect.size() == 1; }));
    EXPECT_EQ(delegate->willRedirect[0], server.url("/b"));
    r->redirectToURL("/c");
    ASSERT_TRUE(waitFor([&] { return done; }));
    EXPECT_EQ(r->responseString(), "/c");
}
