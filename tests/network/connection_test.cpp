#include "NetTest.h"

#include "fakesite/TlsServer.h"
#include "platform/ui/Application.h"

using namespace pw;
using namespace pw::test;
using fakesite::RawReply;
using fakesite::RawRequest;
using fakesite::RawServer;

class ConnectionTest : public NetTest {};

TEST_F(ConnectionTest, RequestsOneAfterAnotherShareOneConnection) {
    RawServer server([](const RawRequest&) { return ok("x"); });
    int firstId = 0;
    for (int i = 0; i < 3; ++i) {
        auto r = RQHTTPRequest::requestWithURL(server.url("/n" + std::to_string(i)));
        r->startSynchronous();
        ASSERT_FALSE(r->error());
        if (i == 0)
            firstId = r->connectionID();
        EXPECT_EQ(r->connectionID(), firstId);
    }
    auto reqs = server.requests();
    ASSERT_EQ(reqs.size(), 3u);
    EXPECT_EQ(reqs[0].connection, reqs[2].connection);
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST_F(ConnectionTest, AnIdleConnectionIsReusedUntilItsKeepAliveTimeRunsOut) {
    auto clock = useManualClock();
    RawServer server([](const RawRequest&) { return ok("x", {{"Keep-Alive", "timeout=15, max=6"}}); });
    auto get = [&] {
        auto r = RQHTTPRequest::requestWithURL(server.url("/k"));
        r->startSynchronous();
        EXPECT_FALSE(r->error());
        return r->connectionID();
    };
    int first = get();
    clock->advance(14);
    EXPECT_EQ(get(), first);
    EXPECT_EQ(server.connectionCount(), 1);
    clock->advance(15.5); // idle since the second answer for longer than it may be
    EXPECT_NE(get(), first);
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST_F(ConnectionTest, AServerThatDropsIdleConnectionsCostsOneSilentRetry) {
    RawServer server([](const RawRequest&) { return ok("x"); });
    server.setCloseAfterEachReply(true); // closes without saying so
    auto delegate = std::make_shared<RecordingDelegate>();
    for (int i = 0; i < 3; ++i) {
        auto r = RQHTTPRequest::requestWithURL(server.url("/k"));
        r->setDelegate(delegate);
        r->startSynchronous();
        ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
        EXPECT_EQ(r->responseString(), "x");
    }
    EXPECT_EQ(delegate->finished, 3);
    EXPECT_EQ(delegate->failed, 0);
    EXPECT_EQ(server.requestCount(), 3u);
    EXPECT_EQ(server.connectionCount(), 3);
}

TEST_F(ConnectionTest, KeepAliveLimitsAndCloseDecideReuse) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> headers;
        bool http10;
        bool reused;
    };
    const Case cases[] = {
        {{}, false, true},
        {{{"Keep-Alive", "timeout=15, max=6"}}, false, true},
        {{{"Keep-Alive", "timeout=15, max=5"}}, false, false},
        {{{"Connection", "close"}}, false, false},
        {{}, true, false},
        {{{"Connection", "keep-alive"}}, true, true},
    };
    for (const auto& c : cases) {
        RawServer server([&](const RawRequest&) {
            std::string r = fakesite::httpResponse(200, "OK", c.headers, "x");
            if (c.http10)
                r.replace(0, 8, "HTTP/1.0");
            return RawReply::bytes(r, false);
        });
        auto a = RQHTTPRequest::requestWithURL(server.url("/1"));
        a->startSynchronous();
        EXPECT_EQ(a->connectionCanBeReused(), c.reused);
        auto b = RQHTTPRequest::requestWithURL(server.url("/2"));
        b->startSynchronous();
        ASSERT_FALSE(b->error());
        EXPECT_EQ(server.connectionCount(), c.reused ? 1 : 2);
    }
}

TEST_F(ConnectionTest, RequestsAtTheSameTimeUseTwoConnections) {
    RawServer server([](const RawRequest&) { return RawReply{{{0.5, fakesite::httpResponse(200, "OK", {}, "x")}}}; });
    auto a = RQHTTPRequest::requestWithURL(server.url("/a"));
    auto b = RQHTTPRequest::requestWithURL(server.url("/b"));
    int done = 0;
    a->setCompletionBlock([&] { ++done; });
    b->setCompletionBlock([&] { ++done; });
    a->startAsynchronous();
    b->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return done == 2; }));
    EXPECT_NE(a->connectionID(), b->connectionID());
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST_F(ConnectionTest, MalformedAndTruncatedAnswersFailAsConnectionFailures) {
    const char* replies[] = {
        "this is not http\r\n\r\n",
        "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort",
    };
    for (const char* reply : replies) {
        RawServer server([&](const RawRequest&) { return RawReply::bytes(reply, true); });
        auto r = RQHTTPRequest::requestWithURL(server.url("/"));
        r->startSynchronous();
        ASSERT_TRUE(r->error()) << reply;
        EXPECT_EQ(r->error()->code, RQConnectionFailureErrorType);
    }
}

TEST_F(ConnectionTest, ASelfSignedCertificateIsRefusedUnlessValidationIsOff) {
    fakesite::TlsServer server;
    auto strict = RQHTTPRequest::requestWithURL(server.url("/"));
    strict->startSynchronous();
    ASSERT_TRUE(strict->error());
    EXPECT_EQ(strict->error()->code, RQConnectionFailureErrorType);
    EXPECT_NE(strict->error()->localizedDescription.find("SSL problem"), std::string::npos);

    auto lax = RQHTTPRequest::requestWithURL(server.url("/"));
    lax->setValidatesSecureCertificate(false);
    lax->startSynchronous();
    ASSERT_FALSE(lax->error()) << lax->error()->localizedDescription;
    EXPECT_EQ(lax->responseString(), "secure");
}

TEST_F(ConnectionTest, TheActivityIndicatorOutlivesTheLastStreamByHalfASecond) {
    auto clock = useManualClock();
    RawServer server([](const RawRequest&) { return ok("x"); });
    auto& app = ui::Application::shared();
    app.setNetworkActivityIndicatorVisible(false);
    auto visible = [&] { return app.isNetworkActivityIndicatorVisible(); };
    auto r = RQHTTPRequest::requestWithURL(server.url("/"));
    r->startSynchronous();
    ASSERT_TRUE(pollFor(visible));
    EXPECT_FALSE(RQHTTPRequest::isNetworkInUse());
    clock->advance(0.3);
    auto again = RQHTTPRequest::requestWithURL(server.url("/"));
    again->startSynchronous(); // within the half second: it stays on
    core::RunLoop::current().runPending();
    EXPECT_TRUE(visible());
    // The main thread hears of the last closing when the network thread's turn
    // is over, which a busy machine may put after the next step of the clock:
    // the clock goes on in small steps until the check that closing armed runs.
    clock->advance(0.3);
    bool hidden = pollFor([&] { return !visible(); }, 0.5);
    for (int i = 0; i < 10 && !hidden; ++i) {
        clock->advance(0.1);
        hidden = pollFor([&] { return !visible(); }, 0.5);
    }
    EXPECT_TRUE(hidden);
}
