#include "platform/net/CookieStorage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using pw::net::Cookie;
using pw::net::CookieStorage;
using pw::net::Url;

namespace {
const double kNow = 1'700'000'000.0;

Url url(const char* text) {
    return *Url::parse(text);
}
} // namespace

TEST(CookieStorage, ParsesAttributes) {
    auto c = CookieStorage::parseSetCookie("sid=abc; Path=/api; Domain=.Example.com; Max-Age=60; Secure; HttpOnly",
                                           url("https://www.example.com/x"), kNow);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->name, "sid");
    EXPECT_EQ(c->value, "abc");
    EXPECT_EQ(c->domain, "example.com");
    EXPECT_FALSE(c->hostOnly);
    EXPECT_EQ(c->path, "/api");
    EXPECT_DOUBLE_EQ(*c->expires, kNow + 60);
    EXPECT_TRUE(c->secure);
    EXPECT_TRUE(c->httpOnly);

    auto d = CookieStorage::parseSetCookie("a=1", url("http://host.example/dir/page"), kNow);
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->hostOnly);
    EXPECT_EQ(d->domain, "host.example");
    EXPECT_EQ(d->path, "/dir"); // the default path is the request path's folder
    EXPECT_FALSE(d->expires);

    auto e = CookieStorage::parseSetCookie("e=1; Expires=Wed, 21 Oct 2015 07:28:00 GMT", url("http://h/"), kNow);
    ASSERT_TRUE(e);
    EXPECT_DOUBLE_EQ(*e->expires, 1445412480.0);
}

TEST(CookieStorage, RefusesMalformedCookiesAndForeignDomains) {
    const char* bad[] = {"novalue", "=x", "a=1; Domain=other.com", "a=1; Domain=ample.com"};
    for (const char* h : bad)
        EXPECT_FALSE(CookieStorage::parseSetCookie(h, url("http://example.com/"), kNow)) << h;
}

TEST(CookieStorage, AnswersMatchingCookiesLongestPathFirstThenOldest) {
    CookieStorage store;
    store.setClock([] { return kNow; });
    auto base = url("http://www.example.com/");
    for (const char* h :
         {"a=1", "b=2", "deep=3; Path=/books", "wide=4; Domain=example.com", "other=5; Path=/x", "safe=6; Secure"})
        store.setCookie(*CookieStorage::parseSetCookie(h, base, kNow));

    auto names = [&](const char* u) {
        std::string out;
        for (const auto& c : store.cookiesForURL(url(u)))
            out += c.name + " ";
        return out;
    };
    EXPECT_EQ(names("http://www.example.com/books/1"), "deep a b wide ");
    EXPECT_EQ(names("https://www.example.com/"), "a b wide safe ");
    EXPECT_EQ(names("http://example.com/"), "wide ");
    EXPECT_EQ(names("http://www.example.com/booksx"), "a b wide ");
}

TEST(CookieStorage, ReplacesByIdentityAndDeletesWithAPastExpiry) {
    CookieStorage store;
    store.setClock([] { return kNow; });
    auto u = url("http://h.example/");
    store.setCookie(*CookieStorage::parseSetCookie("a=1", u, kNow));
    store.setCookie(*CookieStorage::parseSetCookie("b=2", u, kNow));
    store.setCookie(*CookieStorage::parseSetCookie("a=3", u, kNow));
    auto list = store.cookiesForURL(u);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name + list[0].value, "a3"); // keeps its place
    store.setCookie(*CookieStorage::parseSetCookie("a=x; Max-Age=0", u, kNow));
    EXPECT_EQ(store.cookiesForURL(u).size(), 1u);
}

TEST(CookieStorage, KeepsDatedCookiesInItsFileAndDropsSessionOnes) {
    auto path = std::filesystem::temp_directory_path() / ("pw-cookies-" + std::to_string(::getpid()));
    std::filesystem::remove(path);
    auto u = url("http://h.example/");
    {
        CookieStorage store(path.string());
        store.setCookie(*CookieStorage::parseSetCookie("keep=1; Max-Age=3600", u,
                                                       CookieStorage::shared().allCookies().empty() ? 1e10 : 1e10));
        store.setCookie(*CookieStorage::parseSetCookie("session=2", u, 1e10));
    }
    CookieStorage reloaded(path.string());
    auto list = reloaded.cookiesForURL(u);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "keep");
    std::filesystem::remove(path);
}
