#include "NetTest.h"

#include "platform/net/ProxySettings.h"

#include <fstream>

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
