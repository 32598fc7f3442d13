#include "NetTest.h"

#include "network/RQDownloadCache.h"

#include <filesystem>
#include <fstream>

using namespace pw;
using namespace pw::test;
using fakesite::RawReply;
using fakesite::RawRequest;
using fakesite::RawServer;

class CacheTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        m_cache.setStoragePath(path("cache"));
    }
    std::shared_ptr<RQHTTPRequest> get(const std::string& url, int policy = 0) {
        auto r = RQHTTPRequest::requestWithURL(url, &m_cache, policy);
        r->startSynchronous();
        return r;
    }
    RQDownloadCache m_cache;
};

TEST_F(CacheTest, AFreshStoredAnswerIsServedWithoutAskingTheServer) {
    RawServer server([](const RawRequest&) { return ok("cached body", {{"Cache-Control", "max-age=3600"}}); });
    auto first = get(server.url("/page.php"));
    ASSERT_FALSE(first->error());
    EXPECT_FALSE(first->didUseCachedResponse());
    auto second = get(server.url("/page.php"));
    ASSERT_FALSE(second->error());
    EXPECT_TRUE(second->didUseCachedResponse());
    EXPECT_EQ(second->responseString(), "cached body");
    EXPECT_EQ(second->responseStatusCode(), 200);
    EXPECT_EQ(server.requestCount(), 1u);
    auto dataPath = m_cache.pathToCachedResponseDataForURL(server.url("/page.php/"));
    ASSERT_TRUE(dataPath); // a trailing slash names the same entry
    EXPECT_EQ(std::filesystem::path(*dataPath).extension(), ".html");
}

TEST_F(CacheTest, NoStoreAndNoCacheAnswersAreNotKept) {
    const char* values[] = {"no-store", "private, no-store", "no-store, max-age=3600", "no-cache"};
    for (const char* value : values) {
        RawServer server([&](const RawRequest&) { return ok("x", {{"Cache-Control", value}}); });
        get(server.url("/a"));
        auto again = get(server.url("/a"));
        EXPECT_FALSE(again->didUseCachedResponse()) << value;
        EXPECT_EQ(server.requestCount(), 2u) << value;
    }
}

TEST_F(CacheTest, AskingTheServerEveryTimeUsesTheStoredCopyOnNotModified) {
    RawServer server([](const RawRequest& req) {
        if (req.header("If-None-Match") == "\"v1\"")
            return RawReply::bytes(fakesite::httpResponse(304, "Not Modified", {{"Etag", "\"v1\""}}, ""));
        return ok("original", {{"Etag", "\"v1\""}});
    });
    get(server.url("/doc.txt"), RQAskServerIfModifiedCachePolicy);
    auto second = get(server.url("/doc.txt"), RQAskServerIfModifiedCachePolicy);
    ASSERT_FALSE(second->error());
    EXPECT_TRUE(second->didUseCachedResponse());
    EXPECT_EQ(second->responseString(), "original");
    EXPECT_EQ(server.requestCount(), 2u);
    EXPECT_EQ(server.requests()[1].header("If-None-Match"), "\"v1\"");
}

TEST_F(CacheTest, AnEntryMissingItsBodyIsAMissNotAnEmptySuccess) {
    RawServer server([](const RawRequest&) { return ok("fresh", {{"Cache-Control", "max-age=3600"}}); });
    get(server.url("/b.txt"));
    auto dataPath = m_cache.pathToCachedResponseDataForURL(server.url("/b.txt"));
    ASSERT_TRUE(dataPath);
    std::filesystem::remove(*dataPath);
    auto again = get(server.url("/b.txt"));
    EXPECT_FALSE(again->didUseCachedResponse());
    EXPECT_EQ(again->responseString(), "fresh");
    EXPECT_EQ(server.requestCount(), 2u);

    // Told to load nothing, an incomplete entry fails instead of answering nothing.
    std::filesystem::remove(*m_cache.pathToCachedResponseDataForURL(server.url("/b.txt")));
    auto offline = get(server.url("/b.txt"), RQDontLoadCachePolicy);
    EXPECT_TRUE(offline->error());
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST_F(CacheTest, AFailedLoadFallsBackToTheStoredCopyWhenAsked) {
    std::string url;
    {
        RawServer server([](const RawRequest&) { return ok("kept"); });
        url = server.url("/c.txt");
        get(url);
    }
    auto r = get(url, RQAskServerIfModifiedCachePolicy | RQFallbackToCacheIfLoadFailsCachePolicy);
    ASSERT_FALSE(r->error());
    EXPECT_TRUE(r->didUseCachedResponse());
    EXPECT_EQ(r->responseString(), "kept");
}

TEST_F(CacheTest, PolicyAndStoreHousekeeping) {
    m_cache.setDefaultCachePolicy(0);
    EXPECT_EQ(m_cache.defaultCachePolicy(), RQAskServerIfModifiedWhenStaleCachePolicy);
    RawServer server([](const RawRequest&) { return ok("s", {{"Cache-Control", "max-age=60"}}); });
    get(server.url("/s.jpg"));
    auto p = m_cache.pathToCachedResponseDataForURL(server.url("/s.jpg"));
    ASSERT_TRUE(p);
    EXPECT_EQ(std::filesystem::path(*p).extension(), ".jpg");
    m_cache.setStoragePath(path("cache")); // a path change empties the session store
    EXPECT_FALSE(m_cache.pathToCachedResponseDataForURL(server.url("/s.jpg")));
    std::ofstream(path("afile")) << "x";
    EXPECT_THROW(m_cache.setStoragePath(path("afile")), RQCacheException);
}

TEST_F(CacheTest, ACacheThatMayGoFirstIsHeldWeakly) {
    RawServer server([](const RawRequest&) { return ok("fresh", {{"Cache-Control", "max-age=3600"}}); });
    auto cache = std::make_shared<RQDownloadCache>();
    cache->setStoragePath(path("own-cache"));
    auto viaCache = [&] {
        auto r = RQHTTPRequest::requestWithURL(server.url("/weak.txt"));
        r->setDownloadCache(std::weak_ptr<RQCacheDelegate>(cache));
        return r;
    };
    auto first = viaCache();
    first->startSynchronous();
    auto second = viaCache();
    second->startSynchronous();
    EXPECT_TRUE(second->didUseCachedResponse());
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(cache.use_count(), 1); // finished requests hold no share of it

    auto third = viaCache();
    cache.reset(); // gone before the request starts
    third->startSynchronous();
    ASSERT_FALSE(third->error());
    EXPECT_FALSE(third->didUseCachedResponse());
    EXPECT_EQ(third->responseString(), "fresh");
    EXPECT_EQ(server.requestCount(), 2u);
}
