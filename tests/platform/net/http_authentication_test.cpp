#include "platform/net/HttpAuthentication.h"
#include "platform/net/Ntlm.h"

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
    EXPECT_TRUE(ntlm->isSupported());
    EXPECT_FALSE(ntlm->continuesHandshake());
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
    auto sha = HttpAuthentication::fromChallenge("Digest realm=\"r\", nonce=\"n\", algorithm=SHA-512-256");
    EXPECT_FALSE(sha->authorizationValue({"u", "p", {}}, "GET", *pw::net::Url::parse("http://h/")));
    auto negotiate = HttpAuthentication::fromChallenge("Negotiate");
    EXPECT_FALSE(negotiate->authorizationValue({"u", "p", {}}, "GET", *pw::net::Url::parse("http://h/")));
}

TEST(HttpAuthentication, DigestAuthIntCoversTheBody) {
    using pw::net::md5Hex;
    auto a = HttpAuthentication::fromChallenge("Digest realm=\"r\", nonce=\"n\", qop=\"auth-int\"");
    ASSERT_TRUE(a && a->coversEntityBody());
    a->setClientNonce("c");
    auto url = *pw::net::Url::parse("http://h/x");
    auto v = a->authorizationValue({"u", "p", {}}, "POST", url, md5Hex("hello"));
    ASSERT_TRUE(v);
    std::string expected = md5Hex(md5Hex("u:r:p") + ":n:00000001:c:auth-int:" + md5Hex("POST:/x:" + md5Hex("hello")));
    EXPECT_NE(v->find("response=\"" + expected + "\""), std::string::npos) << *v;
    EXPECT_NE(v->find("qop=auth-int"), std::string::npos);
    // Offered both, plain auth is answered: the body need not be hashed.
    auto both = HttpAuthentication::fromChallenge("Digest realm=\"r\", nonce=\"n\", qop=\"auth-int, auth\"");
    EXPECT_FALSE(both->coversEntityBody());
    EXPECT_NE(both->authorizationValue({"u", "p", {}}, "POST", url)->find("qop=auth,"), std::string::npos);
}

namespace {
std::string unhex(const std::string& hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}
std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}
} // namespace

TEST(HttpAuthentication, NtlmVersionTwoMatchesThePublishedExample) {
    using pw::net::Ntlm;
    auto nt = Ntlm::ntHash("Password");
    ASSERT_TRUE(nt) << "MD4 from OpenSSL's legacy provider";
    EXPECT_EQ(hex(*nt), "a4f49c406510bdcab6824ee7c30fd852");
    std::string v2 = Ntlm::ntlmV2Hash(*nt, "User", "Domain");
    EXPECT_EQ(hex(v2), "0c868a403bfd7a93a3001ef22ef02e3f");
    // Target information: domain "Domain", server "Server", end of list.
    std::string info = unhex("02000c0044006f006d00610069006e0001000c0053006500720076006500720000000000");
    std::string response = Ntlm::ntlmV2Response(v2, unhex("0123456789abcdef"), std::string(8, '\xaa'), 0, info);
    EXPECT_EQ(hex(response.substr(0, 16)), "68cd0ab851e51c96aabc927bebef6a1c");
}
