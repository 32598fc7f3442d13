#include "NetTest.h"

#include "platform/net/ProxySettings.h"

#include <fstream>

#include <sys/stat.h>

using namespace pw;
using namespace pw::test;
using fakesite::RawRequest;
using fakesite::RawServer;

class ProxyTest : public NetTest {
protected:
    void TearDown() override {
        net::ProxySettings::setSystemSettings(std::nullopt);
        NetTest::TearDown();
    }
};

TEST_F(ProxyTest, APacScriptOverHttpSendsTheRequestThroughAProxyOnLoopback) {
    RawServer proxy([](const RawRequest& req) { return ok("via proxy " + req.target); });
    RawServer pacHost([&](const RawRequest&) {
        return ok("function FindProxyForURL(url, host) {\n"
                  "  if (dnsDomainIs(host, 'books.example')) return 'PROXY 127.0.0.1:" +
                      std::to_string(proxy.port()) +
                      "';\n"
                      "  return 'DIRECT';\n}\n",
                  {{"Content-Type", "application/x-ns-proxy-autoconfig"}});
    });
    net::SystemProxySettings settings;
    settings.autoConfigurationUrl = pacHost.url("/proxy.pac");
    net::ProxySettings::setSystemSettings(settings);

    auto r = RQHTTPRequest::requestWithURL("http://www.books.example/list?page=2");
    bool done = false;
    r->setCompletionBlock([&] { done = true; });
    r->setFailedBlock([&] { done = true; });
    r->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return done; }, 10));
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    EXPECT_EQ(r->responseString(), "via proxy http://www.books.example/list?page=2");
    EXPECT_EQ(r->proxyHost(), "127.0.0.1");
    EXPECT_EQ(r->proxyPort(), proxy.port());
    EXPECT_EQ(proxy.requests().at(0).header("Host"), "www.books.example");
    EXPECT_EQ(pacHost.requestCount(), 1u);
}

TEST_F(ProxyTest, APacFileScriptIsReadFromDisk) {
    RawServer proxy([](const RawRequest& req) { return ok(req.target); });
    std::ofstream(path("proxy.pac")) << "function FindProxyForURL(u, h) { return 'PROXY 127.0.0.1:" << proxy.port()
                                     << "'; }";
    auto r = RQHTTPRequest::requestWithURL("http://site.example/a");
    r->setPACurl("file://" + path("proxy.pac"));
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    EXPECT_EQ(r->responseString(), "http://site.example/a");
}

TEST_F(ProxyTest, AFailingScriptOrAnOddPacAddressMeansGoingDirect) {
    RawServer site([](const RawRequest&) { return ok("direct"); });
    std::ofstream(path("broken.pac")) << "function FindProxyForURL(u, h) { while (true) {} }";
    for (std::string pac :
         {"file://" + path("broken.pac"), std::string("ftp://127.0.0.1/proxy.pac"), "file://" + path("missing.pac")}) {
        auto r = RQHTTPRequest::requestWithURL(site.url("/"));
        r->setTimeOutSeconds(0.3); // also bounds the script's run
        r->setPACurl(pac);
        r->startSynchronous();
        ASSERT_FALSE(r->error()) << pac;
        EXPECT_EQ(r->responseString(), "direct");
        EXPECT_TRUE(r->proxyHost().empty());
    }
}

TEST_F(ProxyTest, ACallersOwnProxyIsUsedWithoutAsking) {
    RawServer proxy([](const RawRequest& req) { return ok(req.target); });
    net::SystemProxySettings settings;
    settings.autoConfigurationUrl = "http://127.0.0.1:1/never.pac";
    net::ProxySettings::setSystemSettings(settings);
    auto r = RQHTTPRequest::requestWithURL("http://other.example/x");
    r->setProxyHost("127.0.0.1");
    r->setProxyPort(proxy.port());
    r->startSynchronous();
    ASSERT_FALSE(r->error());
    EXPECT_EQ(r->responseString(), "http://other.example/x");
}

// A local script is read without ever waiting on the file: one that never
// ends (a FIFO nobody writes to, an endless device) is given up after the
// request's time-out and the request goes direct; one in Latin-1 is still run.
TEST_F(ProxyTest, ALocalScriptIsReadWithinTheTimeOutAndDecodedUtf8ElseLatin1) {
    RawServer site([](const RawRequest& req) { return ok(req.target); });
    RawServer proxy([](const RawRequest& req) { return ok("via proxy " + req.target); });
    ASSERT_EQ(::mkfifo(path("silent.pac").c_str(), 0600), 0);
    std::ofstream(path("latin1.pac"), std::ios::binary)
        << "// caf\xe9\nfunction FindProxyForURL(u, h) { return 'PROXY 127.0.0.1:" << proxy.port() << "'; }";
    struct Case {
        std::string pac;
        bool viaProxy;
    } cases[] = {
        {"file://" + path("silent.pac"), false},
        {"file:///dev/zero", false},
        {"file://" + path("latin1.pac"), true},
    };
    for (const auto& c : cases) {
        auto r = RQHTTPRequest::requestWithURL(site.url("/page"));
        r->setTimeOutSeconds(0.5);
        r->setPACurl(c.pac);
        r->startSynchronous();
        ASSERT_FALSE(r->error()) << c.pac << ": " << r->error()->localizedDescription;
        if (c.viaProxy)
            EXPECT_EQ(r->responseString(), "via proxy " + site.url("/page")) << c.pac;
        else
            EXPECT_EQ(r->responseString(), "/page") << c.pac;
    }
}
