#include "platform/net/HttpAuthentication.h"

#include <gtest/gtest.h>

using pw::net::HttpAuthentication;

TEST(HttpAuthentication, PicksTheStrongestChallengeItCanRead) {
    pw::net::HttpResponseHead head;
    head.statusCode = 401;
    head.headers = {{"WWW-Authenticate", "Basic realm=\"plain\""},
                    {"WWW-Authenticate", "Digest realm=\"r@x\", nonce=\"n1\", qop=\"auth,auth-int\", opaque=\"o\""}};
    auto a = HttpAuthentication::fromResponse(head, false);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->scheme(), "Digest");
    EXPECT_EQ(a->realm(), "r@x");
    EXPECT_EQ(a->parameter("opaque"), "o");
    EXPECT_FALSE(HttpAuthentication::fromResponse(head, true)); // no proxy challenge

    auto ntlm = HttpAuthentication::fromChallenge("NTLM");
    ASSERT_TRUE(ntlm);
    EXPECT_FALSE(ntlm->isSupported());
    EXPECT_TRUE(ntlm->requiresAccountDomain());
}

TEST(HttpAuthentication, BasicIsBase64OfUserColonPassword) {
    EXPECT_EQ(HttpAuthentication::basicValue("Aladdin", "open sesame"), "Basic QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
    EXPECT_EQ(pw::net::base64Encode(""), "");
    EXPECT_EQ(pw::net::base64Encode("f"), "Zg==");
    EXPECT_EQ(pw::net::base64Encode("fo"), "Zm8=");
    EXPECT_EQ(pw::net::base64Encode("foo"), "Zm9v");
}

TEST(HttpAuthentication, DigestAnswersTheClassicExample) {
    auto a = HttpAuthentication::fromChallenge("Digest realm=\"testrealm@host.com\", qop=\"auth,auth-int\", "
                                               "nonce=\"dcd98b7102dd2f0e8b11d0f600bfb0c093\", "
                                               "opaque=\"5ccc069c403ebaf9f0171e9517f40e41\"");
    ASSERT_TRUE(a);
    a->setClientNonce("0a4f113b");
    auto v =
        a->authorizationValue({"Mufasa", "Circle Of Life", {}}, "GET", *pw::net::Url::parse("http://h/dir/index.html"));
    ASSERT_TRUE(v);
    EXPECT_NE(v->find("response=\"6629fae49393a05397450978507c4ef1\""), std::string::npos) << *v;
    EXPECT_NE(v->find("nc=00000001"), std::string::npos);
    auto again =
        a->authorizationValue({"Mufasa", "Circle Of Life", {}}, "GET", *pw::net::Url::parse("http://h/dir/index.html"));
    EXPECT_NE(again->find("nc=00000002"), std::string::npos);
}

TEST(HttpAuthentication, RefusesWhatItCannotAnswer) {
    auto intOnly = HttpAuthentication::fromChallenge("Digest realm=\"r\", nonce=\"n\", qop=\"auth-int\"");
    ASSERT_TRUE(intOnly);
    EXPECT_FALSE(intOnly->authorizationValue({"u", "p", {}}, "GET", *pw::net::Url::parse("http://h/")));
    auto sha = HttpAuthentication::fromChallenge("Digest realm=\"r\", nonce=\"n\", algorithm=SHA-512-256");
    EXPECT_FALSE(sha->authorizationValue({"u", "p", {}}, "GET", *pw::net::Url::parse("http://h/")));
    auto negotiate = HttpAuthentication::fromChallenge("Negotiate");
    EXPECT_FALSE(negotiate->authorizationValue({"u", "p", {}}, "GET", *pw::net::Url::parse("http://h/")));
}
