#include "platform/net/ProxySettings.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace pw::net;

TEST(ProxySettings, PacScriptChoosesAProxyByHost) {
    const char* script = R"(
        function FindProxyForURL(url, host) {
            if (isPlainHostName(host) || dnsDomainIs(host, ".local")) return "DIRECT";
            if (shExpMatch(url, "http://*.books.example/*")) return "PROXY 127.0.0.1:3128; DIRECT";
            if (isInNet(host, "10.0.0.0", "255.0.0.0")) return "SOCKS 127.0.0.1:1080";
            return "DIRECT";
        })";
    auto viaProxy = ProxySettings::proxiesForURLFromScript(script, *Url::parse("http://www.books.example/a"));
    ASSERT_TRUE(viaProxy);
    ASSERT_EQ(viaProxy->size(), 2u);
    EXPECT_EQ((*viaProxy)[0].type, ProxyEntry::Type::Http);
    EXPECT_EQ((*viaProxy)[0].host, "127.0.0.1");
    EXPECT_EQ((*viaProxy)[0].port, 3128);
    EXPECT_EQ((*viaProxy)[1].type, ProxyEntry::Type::None);

    auto socks = ProxySettings::proxiesForURLFromScript(script, *Url::parse("http://10.1.2.3/"));
    ASSERT_TRUE(socks);
    EXPECT_EQ((*socks)[0].type, ProxyEntry::Type::Socks);
    auto direct = ProxySettings::proxiesForURLFromScript(script, *Url::parse("http://printer/"));
    ASSERT_TRUE(direct);
    EXPECT_EQ((*direct)[0].type, ProxyEntry::Type::None);
}

TEST(ProxySettings, ScriptsThatFailOrNeverEndGiveNoAnswer) {
    auto url = *Url::parse("http://h.example/");
    EXPECT_FALSE(ProxySettings::evaluatePacScript("this is not javascript (", url));
    EXPECT_FALSE(ProxySettings::evaluatePacScript("var x = 1;", url)); // no FindProxyForURL
    EXPECT_FALSE(ProxySettings::evaluatePacScript("function FindProxyForURL(u, h) { throw 1; }", url));
    // The script has no way out of its sandbox.
    EXPECT_FALSE(ProxySettings::evaluatePacScript("function FindProxyForURL(u, h) { return require('fs'); }", url));

    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ProxySettings::evaluatePacScript("function FindProxyForURL(u, h) { while (true) {} }", url, 0.3));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(ProxySettings, PacResultsAreReadLeniently) {
    auto list =
        ProxySettings::parsePacResult(" proxy a.example:8080 ;SOCKS5 b:1; HTTPS c:443; bogus x:1; PROXY :0; DIRECT");
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].host, "a.example");
    EXPECT_EQ(list[1].type, ProxyEntry::Type::Socks);
    EXPECT_EQ(list[2].type, ProxyEntry::Type::Https);
    EXPECT_EQ(list[3].type, ProxyEntry::Type::None);
}

TEST(ProxySettings, LoopbackAndExceptionsGoDirect) {
    SystemProxySettings s;
    s.http = ProxyEntry{ProxyEntry::Type::Http, "proxy.example", 8080, {}};
    s.exceptions = {".intra.example"};
    EXPECT_TRUE(ProxySettings::proxiesForURL(*Url::parse("http://127.0.0.1:80/"), s).empty());
    EXPECT_TRUE(ProxySettings::proxiesForURL(*Url::parse("http://localhost/"), s).empty());
    EXPECT_TRUE(ProxySettings::proxiesForURL(*Url::parse("http://a.intra.example/"), s).empty());
    auto list = ProxySettings::proxiesForURL(*Url::parse("http://site.example/"), s);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].host, "proxy.example");
    s.autoConfigurationUrl = "http://127.0.0.1:9/proxy.pac";
    EXPECT_EQ(ProxySettings::proxiesForURL(*Url::parse("http://site.example/"), s)[0].type,
              ProxyEntry::Type::AutoConfigurationUrl);
}
