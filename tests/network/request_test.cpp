#include "NetTest.h"

#include "network/RQDataDecompressor.h"
#include "network/RQInputStream.h"

#include <fstream>

using namespace pw;
using namespace pw::test;
using fakesite::RawReply;
using fakesite::RawRequest;
using fakesite::RawServer;

namespace {
std::string hostHeader(const RawServer& s) {
    return "127.0.0.1:" + std::to_string(s.port());
}
} // namespace

class RequestTest : public NetTest {};

TEST_F(RequestTest, NewRequestsHaveTheDocumentedDefaults) {
    auto r = RQHTTPRequest::requestWithURL("http://127.0.0.1/x");
    EXPECT_EQ(r->requestMethod(), "GET");
    EXPECT_EQ(r->timeOutSeconds(), 10);
    EXPECT_EQ(r->persistentConnectionTimeoutSeconds(), 60);
    EXPECT_TRUE(r->allowCompressedResponse());
    EXPECT_EQ(r->defaultResponseEncoding(), "ISO-8859-1");
    EXPECT_TRUE(r->useCookiePersistence());
    EXPECT_TRUE(r->showAccurateProgress());
    EXPECT_EQ(r->numberOfTimesToRetryOnTimeout(), 0);
    EXPECT_TRUE(r->shouldAttemptPersistentConnection());
    r->setRequestMethod("POST");
    EXPECT_FALSE(r->shouldAttemptPersistentConnection());
}

TEST_F(RequestTest, SendsExactlyTheseBytesForAGet) {
    RawServer server([](const RawRequest&) { return ok("hello"); });
    net::CookieStorage::shared().setCookie(
        *net::CookieStorage::parseSetCookie("a=1", *net::Url::parse(server.url()), 1e9));
    net::CookieStorage::shared().setCookie(
        *net::CookieStorage::parseSetCookie("b=2", *net::Url::parse(server.url()), 1e9));
    auto r = RQHTTPRequest::requestWithURL(server.url("/books/1?x=%E4"));
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    EXPECT_EQ(r->responseStatusCode(), 200);
    EXPECT_EQ(r->responseString(), "hello");
    ASSERT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(server.requests()[0].raw, "GET /books/1?x=%E4 HTTP/1.1\r\n"
                                        "Host: " +
                                            hostHeader(server) +
                                            "\r\n"
                                            "Accept: */*\r\n"
                                            "Cookie: a=1; b=2\r\n"
                                            "User-Agent: PagewellTest/1.0\r\n"
                                            "Accept-Encoding: gzip\r\n"
                                            "\r\n");
}

TEST_F(RequestTest, AGetWithABodyGoesOutAsAPostWithItsLength) {
    RawServer server([](const RawRequest&) { return ok(""); });
    auto r = RQHTTPRequest::requestWithURL(server.url("/p"));
    r->addRequestHeader("User-Agent", "Caller/2");
    r->appendPostData("0123456789");
    r->startSynchronous();
    ASSERT_FALSE(r->error());
    EXPECT_EQ(r->requestMethod(), "POST");
    EXPECT_EQ(server.requests()[0].raw, "POST /p HTTP/1.1\r\n"
                                        "Host: " +
                                            hostHeader(server) +
                                            "\r\n"
                                            "Accept: */*\r\n"
                                            "User-Agent: Caller/2\r\n"
                                            "Content-Length: 10\r\n"
                                            "Accept-Encoding: gzip\r\n"
                                            "\r\n"
                                            "0123456789");
}

TEST_F(RequestTest, ResumesADownloadWithARangeFromThePartialFile) {
    std::string tail(500, 't');
    RawServer server([&](const RawRequest&) { return ok(tail, {{"Content-Range", "bytes 1000-1499/1500"}}); });
    std::string partial(1000, 'p');
    std::ofstream(path("partial"), std::ios::binary) << partial;
    auto r = RQHTTPRequest::requestWithURL(server.url("/big"));
    r->setDownloadDestinationPath(path("whole"));
    r->setTemporaryFileDownloadPath(path("partial"));
    r->setAllowResumeForFileDownloads(true);
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    EXPECT_EQ(server.requests()[0].header("Range"), "bytes=1000-");
    std::ifstream in(path("whole"), std::ios::binary);
    std::string whole((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(whole, partial + tail);
}

TEST_F(RequestTest, DecodesTextByTheAnswersCharsetElseTheDefault) {
    RawServer server([](const RawRequest& req) {
        if (req.target == "/utf8")
            return ok("\xe4\xb8\xad", {{"Content-Type", "text/plain; charset=utf-8"}});
        if (req.target == "/gbk")
            return ok("\xd6\xd0", {{"Content-Type", "text/plain; CHARSET=gb2312"}});
        return ok("\xe9", {{"Content-Type", "text/plain"}});
    });
    auto get = [&](const char* p, const char* def) {
        auto r = RQHTTPRequest::requestWithURL(server.url(p));
        if (def)
            r->setDefaultResponseEncoding(def);
        r->startSynchronous();
        return r->responseString().value_or("<none>");
    };
    EXPECT_EQ(get("/utf8", nullptr), "\xe4\xb8\xad");
    EXPECT_EQ(get("/gbk", nullptr), "\xe4\xb8\xad");
    EXPECT_EQ(get("/latin", nullptr), "\xc3\xa9");
    EXPECT_EQ(get("/latin", "UTF-8"), "<none>"); // not UTF-8: no text, not an empty one
}

TEST_F(RequestTest, StoresCookiesBeforeTheFinishCallback) {
    RawServer server([](const RawRequest&) { return ok("", {{"Set-Cookie", "sid=42; Path=/"}}); });
    auto r = RQHTTPRequest::requestWithURL(server.url("/login"));
    bool seen = false;
    r->setCompletionBlock(
        [&] { seen = net::CookieStorage::shared().cookiesForURL(*net::Url::parse(server.url("/x"))).size() == 1; });
    r->startSynchronous();
    EXPECT_TRUE(seen);
    ASSERT_EQ(r->responseCookies().size(), 1u);
    EXPECT_EQ(r->responseCookies()[0].value, "42");
}

// A caller that sees a request finished and serves the main loop once hears
// its answer: the reports are queued before the request counts as finished.
TEST_F(RequestTest, AFinishedRequestHasItsReportsQueuedOnTheMainLoop) {
    RawServer server([](const RawRequest&) { return ok("hello"); });
    for (int i = 0; i < 40; ++i) {
        auto r = RQHTTPRequest::requestWithURL(server.url("/x"));
        bool finished = false;
        r->setCompletionBlock([&] { finished = true; });
        r->startAsynchronous();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!r->isFinished() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        ASSERT_TRUE(r->isFinished()) << i;
        core::RunLoop::current().runPending();
        ASSERT_TRUE(finished) << "request " << i;
    }
}

TEST_F(RequestTest, TimesOutRetriesAndThenFails) {
    auto clock = useManualClock();
    RawServer server([](const RawRequest&) { return RawReply::nothing(); });
    auto r = RQHTTPRequest::requestWithURL(server.url("/silent"));
    r->setTimeOutSeconds(10);
    r->setNumberOfTimesToRetryOnTimeout(2);
    auto delegate = std::make_shared<RecordingDelegate>();
    r->setDelegate(delegate);
    r->startAsynchronous();
    for (size_t attempt = 1; attempt <= 3; ++attempt) {
        ASSERT_TRUE(pollFor([&] { return server.requestCount() == attempt; })) << attempt;
        clock->advance(9.5); // quiet, but not yet for long enough
        clock->advance(1);
    }
    ASSERT_TRUE(pollFor([&] { return delegate->failed == 1; }));
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, RQRequestTimedOutErrorType);
    EXPECT_EQ(r->error()->localizedDescription, "The request timed out");
    EXPECT_EQ(r->retryCount(), 2);
    EXPECT_EQ(server.requestCount(), 3u);
    EXPECT_EQ(delegate->failed, 1);
    EXPECT_EQ(delegate->finished, 0);
}

TEST_F(RequestTest, ACancelIsReportedOnceAndNothingAfterIt) {
    RawServer server([](const RawRequest&) { return RawReply::nothing(); });
    auto r = RQHTTPRequest::requestWithURL(server.url("/slow"));
    auto delegate = std::make_shared<RecordingDelegate>();
    r->setDelegate(delegate);
    r->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    r->cancel();
    r->cancel();
    ASSERT_TRUE(waitFor([&] { return delegate->failed == 1; }));
    r->cancel();
    runFor(0.1);
    EXPECT_EQ(delegate->failed, 1);
    EXPECT_EQ(r->error()->code, RQRequestCancelledErrorType);
    EXPECT_TRUE(r->isCancelled());
    ASSERT_TRUE(waitFor([&] { return r->isFinished(); }));
}

TEST_F(RequestTest, ClearedDelegatesHearNothing) {
    RawServer server([](const RawRequest&) { return RawReply{{{0.2, fakesite::httpResponse(200, "OK", {}, "x")}}}; });
    auto r = RQHTTPRequest::requestWithURL(server.url("/"));
    auto delegate = std::make_shared<RecordingDelegate>();
    r->setDelegate(delegate);
    r->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return delegate->started == 1; }));
    r->clearDelegatesAndCancel();
    runFor(0.4);
    EXPECT_EQ(delegate->finished + delegate->failed, 0);
}

TEST_F(RequestTest, CancellingACompletedRequestChangesNothing) {
    RawServer server([](const RawRequest&) { return ok("x"); });
    auto r = RQHTTPRequest::requestWithURL(server.url("/"));
    auto delegate = std::make_shared<RecordingDelegate>();
    r->setDelegate(delegate);
    r->startSynchronous();
    r->cancel();
    runFor(0.1);
    EXPECT_EQ(delegate->finished, 1);
    EXPECT_EQ(delegate->failed, 0);
    EXPECT_FALSE(r->error());
}

TEST_F(RequestTest, FiveAtOnceOnTheSharedQueueRunFourThenTheFifth) {
    RawServer server([&](const RawRequest&) { return RawReply{{{0.6, fakesite::httpResponse(200, "OK", {}, "x")}}}; });
    std::vector<std::shared_ptr<RQHTTPRequest>> list;
    int done = 0;
    for (int i = 0; i < 5; ++i) {
        auto r = RQHTTPRequest::requestWithURL(server.url("/q" + std::to_string(i)));
        r->setCompletionBlock([&] { ++done; });
        list.push_back(r);
        r->startAsynchronous();
    }
    ASSERT_TRUE(waitFor([&] { return server.requestCount() >= 4; }));
    EXPECT_EQ(server.requestCount(), 4u); // the fifth waits for a place
    ASSERT_TRUE(waitFor([&] { return done == 5; }));
}

TEST_F(RequestTest, AConnectionFailureIsCodeOne) {
    int port;
    {
        RawServer gone([](const RawRequest&) { return ok(""); });
        port = gone.port();
    }
    auto r = RQHTTPRequest::requestWithURL("http://127.0.0.1:" + std::to_string(port) + "/");
    r->startSynchronous();
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, RQConnectionFailureErrorType);
    EXPECT_EQ(r->error()->localizedDescription, "A connection failure occurred");

    auto bad = RQHTTPRequest::requestWithURL("no url at all");
    bad->startSynchronous();
    ASSERT_TRUE(bad->error());
    EXPECT_EQ(bad->error()->code, RQUnableToCreateRequestErrorType);
}

TEST_F(RequestTest, TheBodyStreamCountsWithoutHoldingBackWhenNotThrottled) {
    auto s = RQInputStream::inputStreamWithData("abcdef", nullptr);
    char buf[64];
    EXPECT_EQ(s->read(buf, sizeof buf), 6);
    EXPECT_EQ(s->lastRequestedLength(), sizeof buf);
    EXPECT_EQ(s->read(buf, sizeof buf), 0);
}

namespace {
struct Meter : RQProgressDelegate {
    std::vector<float> values;
    int64_t received = 0, sent = 0, downloadSize = 0, uploadSize = 0;
    bool handlesSetProgress() const override { return true; }
    void setProgress(float v) override { values.push_back(v); }
    void requestDidReceiveBytes(RQHTTPRequest&, int64_t n) override { received += n; }
    void requestDidSendBytes(RQHTTPRequest&, int64_t n) override { sent += n; }
    void requestIncrementDownloadSizeBy(RQHTTPRequest&, int64_t n) override { downloadSize += n; }
    void requestIncrementUploadSizeBy(RQHTTPRequest&, int64_t n) override { uploadSize += n; }
};
} // namespace

TEST_F(RequestTest, CoarseProgressIsOneStepEachWay) {
    RawServer server([](const RawRequest&) { return ok(std::string(5000, 'd')); });
    auto r = RQHTTPRequest::requestWithURL(server.url("/p"));
    r->setShowAccurateProgress(false);
    r->appendPostData(std::string(3000, 'u'));
    auto down = std::make_shared<Meter>();
    auto up = std::make_shared<Meter>();
    r->setDownloadProgressDelegate(down);
    r->setUploadProgressDelegate(up);
    r->startSynchronous();
    ASSERT_FALSE(r->error());
    EXPECT_EQ(down->received, 1);
    EXPECT_EQ(up->sent, 1);
    EXPECT_EQ(up->uploadSize, 1);
    ASSERT_FALSE(down->values.empty());
    EXPECT_FLOAT_EQ(down->values.front(), 0.0f);
    EXPECT_FLOAT_EQ(down->values.back(), 1.0f);
    EXPECT_FLOAT_EQ(up->values.back(), 1.0f);
}

TEST_F(RequestTest, AccurateProgressCountsTheBytes) {
    RawServer server([](const RawRequest&) { return ok(std::string(70000, 'd')); });
    auto r = RQHTTPRequest::requestWithURL(server.url("/p"));
    r->setAllowCompressedResponse(false);
    auto down = std::make_shared<Meter>();
    r->setDownloadProgressDelegate(down);
    r->startSynchronous();
    ASSERT_FALSE(r->error());
    EXPECT_EQ(down->downloadSize, 70000);
    EXPECT_EQ(down->received, 70000);
    EXPECT_FLOAT_EQ(down->values.back(), 1.0f);
}

TEST_F(RequestTest, ACompressedBodyGoesOutAsGzip) {
    RawServer server([](const RawRequest&) { return ok("ok"); });
    const std::string body(20000, 'q');
    for (bool fromDisk : {false, true}) {
        auto r = RQHTTPRequest::requestWithURL(server.url("/gz"));
        r->setShouldStreamPostDataFromDisk(fromDisk);
        r->setShouldCompressRequestBody(true);
        r->appendPostData(body);
        r->startSynchronous();
        ASSERT_FALSE(r->error()) << fromDisk;
        auto req = server.requests().back();
        EXPECT_EQ(req.header("Content-Encoding"), "gzip");
        EXPECT_EQ(req.header("Content-Length"), std::to_string(req.body.size()));
        EXPECT_EQ(RQDataDecompressor::uncompressData(req.body), body);
        // The engine's temporary body files are gone once the request is done.
        EXPECT_TRUE(r->postBodyFilePath().empty());
        EXPECT_TRUE(r->compressedPostBodyFilePath().empty());
    }
}

namespace {
// The offset asked for by "Range: bytes=N-", 0 when none.
size_t rangeStart(const RawRequest& req) {
    auto range = req.header("Range");
    return range ? std::stoul(range->substr(6)) : 0;
}
} // namespace

class ResumeTest : public NetTest {
protected:
    std::shared_ptr<RQHTTPRequest> resumingRequest(const RawServer& server) {
        auto r = RQHTTPRequest::requestWithURL(server.url("/book.zip"));
        r->setDownloadDestinationPath(path("whole"));
        r->setTemporaryFileDownloadPath(path("partial"));
        r->setAllowResumeForFileDownloads(true);
        return r;
    }
};

TEST_F(ResumeTest, ARetriedResumeAsksFromWhatThePartialFileHoldsThen) {
    std::string whole;
    for (int i = 0; i < 2000; ++i)
        whole += static_cast<char>('a' + i % 26);
    std::ofstream(path("partial"), std::ios::binary) << whole.substr(0, 1000);
    std::atomic<int> served = 0;
    RawServer server([&](const RawRequest& req) {
        size_t from = rangeStart(req);
        std::string rest = whole.substr(from);
        std::string head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(from) +
                           "-1999/2000" + "\r\nContent-Length: " + std::to_string(rest.size()) + "\r\n\r\n";
        if (served++ == 0) // the connection drops 400 bytes into the answer
            return RawReply::bytes(head + rest.substr(0, 400), true);
        return RawReply::bytes(head + rest);
    });
    auto r = resumingRequest(server);
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    ASSERT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(server.requests()[0].header("Range"), "bytes=1000-");
    EXPECT_EQ(server.requests()[1].header("Range"), "bytes=1400-");
    std::string got = readFile(path("whole"));
    EXPECT_EQ(got.size(), whole.size());
    EXPECT_TRUE(got == whole);
}

TEST_F(ResumeTest, AResumeAnsweredOtherThanPartialContentKeepsThePartialFileAndFails) {
    const std::string partial(1000, 'p');
    struct Case {
        int status;
        const char* reason;
        std::vector<std::pair<std::string, std::string>> headers;
    };
    const Case cases[] = {
        {416, "Range Not Satisfiable", {{"Content-Range", "bytes */1000"}}},
        {404, "Not Found", {}},
        {500, "Internal Server Error", {}},
    };
    for (const Case& c : cases) {
        std::ofstream(path("partial"), std::ios::binary) << partial;
        std::filesystem::remove(path("whole"));
        RawServer server([&](const RawRequest&) {
            return RawReply::bytes(fakesite::httpResponse(c.status, c.reason, c.headers, "<html>no such range</html>"));
        });
        auto r = resumingRequest(server);
        r->startSynchronous();
        ASSERT_TRUE(r->error()) << c.status;
        EXPECT_EQ(r->error()->code, RQFileManagementError);
        EXPECT_NE(r->error()->localizedDescription.find(std::to_string(c.status)), std::string::npos)
            << r->error()->localizedDescription;
        EXPECT_EQ(r->responseStatusCode(), c.status);
        EXPECT_EQ(readFile(path("partial")), partial) << c.status;
        EXPECT_FALSE(std::filesystem::exists(path("whole"))) << c.status;
    }
}

TEST_F(ResumeTest, AServerThatIgnoresTheRangeRestartsTheFile) {
    std::ofstream(path("partial"), std::ios::binary) << std::string(1000, 'p');
    RawServer server([&](const RawRequest&) { return ok("complete body"); });
    auto r = resumingRequest(server);
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    EXPECT_EQ(readFile(path("whole")), "complete body");
}

TEST_F(RequestTest, EverySelectorFieldSetIsCalledInsteadOfTheDelegatesOwnCall) {
    RawServer server([](const RawRequest& req) {
        if (req.target == "/a")
            return RawReply::bytes(fakesite::httpResponse(302, "Found", {{"Location", "/b"}}, ""));
        return ok("body");
    });
    auto delegate = std::make_shared<RecordingDelegate>();
    std::vector<std::string> heard;
    auto r = RQHTTPRequest::requestWithURL(server.url("/a"));
    r->setDelegate(delegate);
    r->setDidStartSelector([&](RQHTTPRequestDelegate&, RQHTTPRequest&) { heard.push_back("start"); });
    r->setDidReceiveResponseHeadersSelector([&](RQHTTPRequestDelegate&, RQHTTPRequest&, const RQHeaderMap& h) {
        heard.push_back("headers " + h.begin()->first);
    });
    r->setWillRedirectSelector([&](RQHTTPRequestDelegate&, RQHTTPRequest& req, const std::string& url) {
        heard.push_back("redirect " + url.substr(url.rfind('/')));
        req.redirectToURL(url);
    });
    r->setDidReceiveDataSelector(
        [&](RQHTTPRequestDelegate&, RQHTTPRequest&, const std::string& bytes) { heard.push_back("data " + bytes); });
    r->setDidFinishSelector([&](RQHTTPRequestDelegate&, RQHTTPRequest&) { heard.push_back("finish"); });
    r->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return !heard.empty() && heard.back() == "finish"; }));
    EXPECT_EQ(heard, (std::vector<std::string>{"start", "headers Content-Length", "redirect /b", "start",
                                               "headers Content-Length", "data body", "finish"}));
    EXPECT_EQ(r->rawResponseData(), ""); // the delegate took the body
    EXPECT_EQ(delegate->started + delegate->headers + delegate->finished, 0);
    EXPECT_TRUE(delegate->willRedirect.empty());

    RawServer gone([](const RawRequest&) { return RawReply::bytes("", true); });
    auto f = RQHTTPRequest::requestWithURL(gone.url("/x"));
    f->setDelegate(delegate);
    bool failed = false;
    f->setDidFailSelector([&](RQHTTPRequestDelegate&, RQHTTPRequest&) { failed = true; });
    f->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return failed; }));
    EXPECT_EQ(delegate->failed, 0);
}

namespace {
// A request whose body cannot be prepared: the step throws.
struct ThrowingRequest : RQHTTPRequest {
    using RQHTTPRequest::RQHTTPRequest;
    void buildPostBody() override { throw std::runtime_error("no body today"); }
};
} // namespace

TEST_F(RequestTest, AnExceptionWhileStartingFailsOnlyThatRequestWithCodeTen) {
    RawServer server([](const RawRequest&) { return ok("fine"); });
    auto bad = std::make_shared<ThrowingRequest>(server.url("/bad"));
    bad->startSynchronous();
    ASSERT_TRUE(bad->error());
    EXPECT_EQ(bad->error()->code, 10);
    EXPECT_EQ(bad->error()->localizedDescription, "std::runtime_error");
    EXPECT_EQ(bad->error()->failureReason, "no body today");
    ASSERT_TRUE(bad->error()->underlyingError);
    EXPECT_EQ(bad->error()->underlyingError->code, 10);
    EXPECT_TRUE(bad->complete());
    // The network thread goes on serving others.
    auto good = RQHTTPRequest::requestWithURL(server.url("/good"));
    good->startSynchronous();
    EXPECT_FALSE(good->error());
    EXPECT_EQ(good->responseString(), "fine");
}

// A block may hold the last reference to something only the main thread may
// destroy: a request that goes elsewhere drops its blocks on the main thread.
TEST_F(RequestTest, BlocksAreDroppedOnTheMainThreadWhereverTheRequestGoes) {
    std::atomic<int> where = 0; // 1 the main thread, 2 another
    struct Probe {
        std::atomic<int>* where;
        ~Probe() { *where = core::RunLoop::isMainThread() ? 1 : 2; }
    };
    auto r = RQHTTPRequest::requestWithURL("http://127.0.0.1:1/");
    auto probe = std::make_shared<Probe>(Probe{&where});
    r->setCompletionBlock([probe] {});
    probe.reset();
    where = 0;
    std::thread([r = std::move(r)]() mutable { r.reset(); }).join();
    EXPECT_EQ(where, 0);
    ASSERT_TRUE(waitFor([&] { return where != 0; }));
    EXPECT_EQ(where, 1);
}
