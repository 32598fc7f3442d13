#include "NetTest.h"

#include "network/RQNetworkQueue.h"

using namespace pw;
using namespace pw::test;
using fakesite::RawReply;
using fakesite::RawRequest;
using fakesite::RawServer;

namespace {
struct QueueOwner : RQHTTPRequestDelegate {
    int finished = 0, failed = 0, drained = 0;
};
struct Indicator : RQProgressDelegate {
    float value = -1;
    bool handlesSetProgress() const override { return true; }
    void setProgress(float v) override { value = v; }
};
} // namespace

class QueueTest : public NetTest {};

TEST_F(QueueTest, NothingRunsBeforeGoAndTheDrainIsReportedOnce) {
    RawServer server([](const RawRequest&) { return ok("x"); });
    auto owner = std::make_shared<QueueOwner>();
    auto queue = RQNetworkQueue::queue();
    queue->setDelegate(owner);
    queue->setRequestDidFinishSelector([&](RQHTTPRequest&) { ++owner->finished; });
    queue->setQueueDidFinishSelector([&](RQNetworkQueue&) { ++owner->drained; });
    auto indicator = std::make_shared<Indicator>();
    queue->setDownloadProgressDelegate(indicator);
    for (int i = 0; i < 3; ++i)
        queue->addOperation(RQHTTPRequest::requestWithURL(server.url("/" + std::to_string(i))));
    EXPECT_EQ(queue->totalBytesToDownload(), 3u);
    EXPECT_EQ(queue->totalBytesToUpload(), 3u);
    runFor(0.1);
    EXPECT_EQ(server.requestCount(), 0u);
    queue->go();
    ASSERT_TRUE(waitFor([&] { return owner->drained == 1; }));
    EXPECT_EQ(owner->finished, 3);
    runFor(0.05);
    EXPECT_EQ(owner->drained, 1);
    EXPECT_EQ(queue->bytesDownloadedSoFar(), 3u);
    EXPECT_FLOAT_EQ(indicator->value, 1.0f);
}

TEST_F(QueueTest, AFailureCancelsTheRestOnlyWhenAskedTo) {
    for (bool cancelAll : {true, false}) {
        RawServer server([](const RawRequest& req) {
            if (req.target == "/bad")
                return RawReply::bytes("garbage\r\n\r\n", true);
            return RawReply{{{0.8, fakesite::httpResponse(200, "OK", {}, "x")}}};
        });
        auto owner = std::make_shared<QueueOwner>();
        auto queue = RQNetworkQueue::queue();
        queue->setDelegate(owner);
        queue->setShouldCancelAllRequestsOnFailure(cancelAll);
        queue->setRequestDidFinishSelector([&](RQHTTPRequest&) { ++owner->finished; });
        queue->setRequestDidFailSelector([&](RQHTTPRequest&) { ++owner->failed; });
        queue->setQueueDidFinishSelector([&](RQNetworkQueue&) { ++owner->drained; });
        queue->addOperation(RQHTTPRequest::requestWithURL(server.url("/slow1")));
        queue->addOperation(RQHTTPRequest::requestWithURL(server.url("/bad")));
        queue->addOperation(RQHTTPRequest::requestWithURL(server.url("/slow2")));
        queue->go();
        ASSERT_TRUE(waitFor([&] { return owner->drained == 1; })) << cancelAll;
        EXPECT_EQ(owner->finished, cancelAll ? 0 : 2) << cancelAll;
        EXPECT_EQ(owner->failed, cancelAll ? 3 : 1) << cancelAll;
    }
}

TEST_F(QueueTest, AccurateProgressLearnsSizesFromHeadRequestsFirst) {
    RawServer server([](const RawRequest& req) {
        std::string body(req.target == "/a" ? 1000 : 3000, 'x');
        if (req.method == "HEAD")
            return RawReply::bytes("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n");
        return ok(body);
    });
    auto owner = std::make_shared<QueueOwner>();
    auto queue = RQNetworkQueue::queue();
    queue->setDelegate(owner);
    queue->setShowAccurateProgress(true);
    queue->setQueueDidFinishSelector([&](RQNetworkQueue&) { ++owner->drained; });
    auto a = RQHTTPRequest::requestWithURL(server.url("/a"));
    auto b = RQHTTPRequest::requestWithURL(server.url("/b"));
    a->setAllowCompressedResponse(false);
    b->setAllowCompressedResponse(false);
    queue->addOperation(a);
    queue->addOperation(b);
    queue->go();
    ASSERT_TRUE(waitFor([&] { return owner->drained == 1; }));
    runFor(0.05);
    EXPECT_EQ(queue->totalBytesToDownload(), 4000u);
    EXPECT_EQ(queue->bytesDownloadedSoFar(), 4000u);
    int heads = 0;
    for (const auto& req : server.requests())
        heads += req.method == "HEAD";
    EXPECT_EQ(heads, 2);
}

TEST_F(QueueTest, RejectsAnEmptyRequest) {
    auto queue = RQNetworkQueue::queue();
    EXPECT_THROW(queue->addOperation(nullptr), std::invalid_argument);
}

// A HEAD twin keeps its main request alive while it runs (it writes the size
// and any failure into it), sends the headers the main request will send,
// and lets the main request go once it has finished.
TEST_F(QueueTest, AHeadTwinKeepsItsMainRequestAndSendsItsHeaders) {
    RawServer server([](const RawRequest& req) {
        if (req.method == "HEAD")
            return RawReply{{{0.2, "HTTP/1.1 200 OK\r\nContent-Length: 1234\r\n\r\n"}}};
        return ok("x");
    });
    net::CookieStorage::shared().setCookie(
        *net::CookieStorage::parseSetCookie("a=1; Path=/", *net::Url::parse(server.url("/")), 0));
    auto main = RQHTTPRequest::requestWithURL(server.url("/book"));
    main->addRequestHeader("X-Caller", "yes");
    auto twin = main->HEADRequest();
    std::weak_ptr<RQHTTPRequest> weakMain = main;
    main.reset();
    EXPECT_FALSE(weakMain.expired());
    auto queue = RQNetworkQueue::queue();
    queue->addHEADOperation(twin);
    EXPECT_EQ(static_cast<int>(twin->queuePriority()), 10);
    queue->go();
    ASSERT_TRUE(waitFor([&] { return twin->isFinished(); }));
    EXPECT_TRUE(waitFor([&] { return weakMain.expired(); }));
    auto req = server.requests().at(0);
    EXPECT_EQ(req.method, "HEAD");
    EXPECT_EQ(req.header("X-Caller"), "yes");
    EXPECT_EQ(req.header("User-Agent"), "PagewellTest/1.0");
    EXPECT_EQ(req.header("Accept-Encoding"), "gzip");
    EXPECT_EQ(req.header("Cookie"), "a=1");
}

// Requests keep their queue while they run, and a queue that goes leaves its
// requests running: each still reports to its own delegate.
TEST_F(QueueTest, AQueueLetGoWhileItRunsNeitherCancelsNorLosesItsRequests) {
    RawServer server([](const RawRequest&) { return RawReply{{{0.2, fakesite::httpResponse(200, "OK", {}, "x")}}}; });
    auto owner = std::make_shared<QueueOwner>();
    auto queue = RQNetworkQueue::queue();
    queue->setDelegate(owner);
    queue->setMaxConcurrentOperationCount(1);
    queue->setRequestDidFinishSelector([&](RQHTTPRequest&) { ++owner->finished; });
    std::vector<std::shared_ptr<RecordingDelegate>> delegates;
    for (int i = 0; i < 2; ++i) {
        auto r = RQHTTPRequest::requestWithURL(server.url("/" + std::to_string(i)));
        delegates.push_back(std::make_shared<RecordingDelegate>());
        r->setDelegate(delegates.back());
        queue->addOperation(r);
    }
    std::weak_ptr<RQNetworkQueue> weakQueue = queue;
    queue->go();
    ASSERT_TRUE(waitFor([&] { return server.requestCount() == 1; }));
    queue.reset();
    EXPECT_FALSE(weakQueue.expired()); // the running request holds it
    ASSERT_TRUE(waitFor([&] { return delegates[0]->finished + delegates[1]->finished == 2; }));
    EXPECT_GE(owner->finished, 1); // the first request's end reached the queue it kept
    EXPECT_EQ(delegates[0]->failed + delegates[1]->failed, 0);
    EXPECT_TRUE(waitFor([&] { return weakQueue.expired(); }));
}
