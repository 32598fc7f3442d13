#include "NetTest.h"
#include "NtlmPeer.h"

#include "platform/net/HttpAuthentication.h"
#include "platform/net/Ntlm.h"

using namespace pw;
using namespace pw::test;
using fakesite::RawReply;
using fakesite::RawRequest;
using fakesite::RawServer;

namespace {

RawReply challenge(const std::string& value) {
    return RawReply::bytes(fakesite::httpResponse(401, "Unauthorized", {{"WWW-Authenticate", value}}, "denied"));
}

// Checks a Digest answer the way a server does.
bool digestMatches(const RawRequest& req, const std::string& user, const std::string& password,
                   const std::string& realm, const std::string& nonce) {
    auto h = req.header("Authorization");
    if (!h || h->rfind("Digest ", 0) != 0)
        return false;
    auto parsed = net::HttpAuthentication::fromChallenge(*h);
    if (!parsed || parsed->parameter("username") != user || parsed->parameter("nonce") != nonce)
        return false;
    std::string ha1 = net::md5Hex(user + ":" + realm + ":" + password);
    std::string ha2 = net::md5Hex(req.method + ":" + parsed->parameter("uri").value_or(""));
    std::string expected = net::md5Hex(ha1 + ":" + nonce + ":" + parsed->parameter("nc").value_or("") + ":" +
                                       parsed->parameter("cnonce").value_or("") + ":auth:" + ha2);
    return parsed->parameter("response") == expected;
}

struct AskingDelegate : RecordingDelegate {
    int asked = 0;
    std::string user, password;
    bool handlesAuthenticationNeeded() const override { return true; }
    void authenticationNeededForRequest(RQHTTPRequest& r) override {
        ++asked;
        if (user.empty()) {
            r.cancelAuthentication();
            return;
        }
        r.setUsername(user);
        r.setPassword(password);
        r.retryUsingSuppliedCredentials();
    }
};

} // namespace

class AuthTest : public NetTest {};

TEST_F(AuthTest, BasicChallengeIsAnsweredWithTheRequestsCredentials) {
    RawServer server([](const RawRequest& req) {
        if (req.header("Authorization") == net::HttpAuthentication::basicValue("reader", "s3cret"))
            return ok("welcome");
        return challenge("Basic realm=\"Members\"");
    });
    auto r = RQHTTPRequest::requestWithURL(server.url("/private"));
    r->setUsername("reader");
    r->setPassword("s3cret");
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    EXPECT_EQ(r->responseString(), "welcome");
    EXPECT_EQ(r->authenticationRealm(), "Members");
    EXPECT_EQ(server.requestCount(), 2u);

    // The session remembers them: the next request sends them at once.
    auto again = RQHTTPRequest::requestWithURL(server.url("/private"));
    again->startSynchronous();
    EXPECT_EQ(again->responseString(), "welcome");
    EXPECT_EQ(server.requestCount(), 3u);
}

TEST_F(AuthTest, CredentialsInTheUrlComeFirst) {
    RawServer server([](const RawRequest& req) {
        if (req.header("Authorization") == net::HttpAuthentication::basicValue("url user", "pw"))
            return ok("yes");
        return challenge("Basic realm=\"r\"");
    });
    auto r = RQHTTPRequest::requestWithURL("http://url%20user:pw@127.0.0.1:" + std::to_string(server.port()) + "/");
    r->setUsername("other");
    r->setPassword("other");
    r->startSynchronous();
    EXPECT_EQ(r->responseString(), "yes");
}

TEST_F(AuthTest, DigestChallengeIsAnswered) {
    RawServer server([](const RawRequest& req) {
        if (digestMatches(req, "Mufasa", "Circle Of Life", "books@site", "abc123"))
            return ok("digest ok");
        return challenge("Digest realm=\"books@site\", nonce=\"abc123\", qop=\"auth\", opaque=\"xyz\"");
    });
    auto r = RQHTTPRequest::requestWithURL(server.url("/dir/index.html?q=1"));
    r->setUsername("Mufasa");
    r->setPassword("Circle Of Life");
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    EXPECT_EQ(r->responseString(), "digest ok");
    EXPECT_EQ(r->authenticationScheme(), "Digest");
}

TEST_F(AuthTest, ChallengesNobodyCanAnswerFailWithCodeThree) {
    struct Case {
        const char* challenge;
        bool haveCredentials;
    };
    const Case cases[] = {
        {"Basic realm=\"r\"", false}, // nothing to send, no delegate
        {"Basic realm=\"r\"", true},  // sent and turned down
        {"NTLM", true},               // the handshake opened and refused
        {"Negotiate", true},
        {"Digest realm=\"r\", nonce=\"n\", qop=\"auth-int\"", true}, // answered and turned down
    };
    for (const auto& c : cases) {
        RawServer server([&](const RawRequest&) { return challenge(c.challenge); });
        auto r = RQHTTPRequest::requestWithURL(server.url("/"));
        if (c.haveCredentials) {
            r->setUsername("u");
            r->setPassword("wrong");
        }
        auto delegate = std::make_shared<RecordingDelegate>();
        r->setDelegate(delegate);
        r->startAsynchronous();
        ASSERT_TRUE(waitFor([&] { return delegate->failed == 1; }, 5)) << c.challenge;
        EXPECT_EQ(r->error()->code, RQAuthenticationErrorType) << c.challenge;
        EXPECT_EQ(r->error()->localizedDescription, "Authentication needed");
        EXPECT_LE(server.requestCount(), 2u);
    }
}

TEST_F(AuthTest, TheDelegateIsAskedAndCanSupplyOrRefuse) {
    RawServer server([](const RawRequest& req) {
        if (req.header("Authorization") == net::HttpAuthentication::basicValue("asked", "given"))
            return ok("in");
        return challenge("Basic realm=\"r\"");
    });
    auto delegate = std::make_shared<AskingDelegate>();
    delegate->user = "asked";
    delegate->password = "given";
    auto r = RQHTTPRequest::requestWithURL(server.url("/"));
    r->setDelegate(delegate);
    r->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return delegate->finished == 1; }));
    EXPECT_EQ(delegate->asked, 1);
    EXPECT_EQ(r->responseString(), "in");

    RQHTTPRequest::clearSessionCredentials();
    auto refusing = std::make_shared<AskingDelegate>();
    auto r2 = RQHTTPRequest::requestWithURL(server.url("/other"));
    r2->setDelegate(refusing);
    r2->startAsynchronous();
    ASSERT_TRUE(waitFor([&] { return refusing->failed == 1; }));
    EXPECT_EQ(r2->error()->code, RQAuthenticationErrorType);
}

TEST_F(AuthTest, ASynchronousRequestNeverWaitsForSomeoneToAsk) {
    RawServer server([](const RawRequest&) { return challenge("Basic realm=\"r\""); });
    auto delegate = std::make_shared<AskingDelegate>();
    delegate->user = "x";
    auto r = RQHTTPRequest::requestWithURL(server.url("/"));
    r->setDelegate(delegate);
    r->startSynchronous();
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, RQAuthenticationErrorType);
    EXPECT_EQ(delegate->asked, 0);
}

TEST_F(AuthTest, AnNtlmServerIsAnsweredInTwoStepsOnOneConnection) {
    NtlmPeer peer("User", "Password", "Domain");
    RawServer server([&](const RawRequest& req) {
        auto step = peer.read(req.header("Authorization").value_or(""));
        if (step == NtlmPeer::Step::Negotiate)
            return challenge(peer.challenge());
        if (step == NtlmPeer::Step::Authenticated)
            return ok("ntlm ok");
        return challenge("NTLM");
    });
    auto r = RQHTTPRequest::requestWithURL(server.url("/intranet"));
    r->setUsername("Domain\\User"); // the domain before the backslash
    r->setPassword("Password");
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    EXPECT_EQ(r->responseString(), "ntlm ok");
    auto reqs = server.requests();
    ASSERT_EQ(reqs.size(), 3u);
    EXPECT_EQ(reqs[1].connection, reqs[2].connection); // the handshake belongs to its connection

    r = RQHTTPRequest::requestWithURL(server.url("/intranet"));
    r->setUsername("Domain\\User");
    r->setPassword("wrong");
    r->startSynchronous();
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, RQAuthenticationErrorType);
}

TEST_F(AuthTest, DigestAuthIntCoversThePostedBody) {
    RawServer server([](const RawRequest& req) {
        auto h = req.header("Authorization");
        auto parsed = h ? net::HttpAuthentication::fromChallenge(*h) : std::nullopt;
        if (parsed && parsed->parameter("qop") == "auth-int") {
            std::string ha1 = net::md5Hex("u:r:p");
            std::string ha2 =
                net::md5Hex("POST:" + parsed->parameter("uri").value_or("") + ":" + net::md5Hex(req.body));
            std::string expected = net::md5Hex(ha1 + ":n:" + parsed->parameter("nc").value_or("") + ":" +
                                               parsed->parameter("cnonce").value_or("") + ":auth-int:" + ha2);
            if (parsed->parameter("response") == expected)
                return ok("body protected");
        }
        return challenge("Digest realm=\"r\", nonce=\"n\", qop=\"auth-int\"");
    });
    auto r = RQHTTPRequest::requestWithURL(server.url("/form"));
    r->setUsername("u");
    r->setPassword("p");
    r->appendPostData("title=chapter+one");
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    EXPECT_EQ(r->responseString(), "body protected");
}

// A session entry whose credentials can no longer be applied is dropped from
// the session store; the request goes out without them.
TEST_F(AuthTest, SessionCredentialsThatCannotBeAppliedAreRemovedFromTheStore) {
    RawServer server([](const RawRequest&) { return ok("open"); });
    auto url = server.url("/book");
    auto broken = net::HttpAuthentication::fromChallenge("NTLM AAAA"); // a challenge no answer can be made for
    ASSERT_TRUE(broken);
    RQSessionCredentialsEntry entry;
    entry.authentication = broken;
    entry.credentials = std::make_shared<const net::AuthenticationCredentials>(
        net::AuthenticationCredentials{"ann", "secret", {}});
    entry.url = url;
    entry.scheme = net::kAuthenticationSchemeNTLM;
    RQHTTPRequest::storeAuthenticationCredentialsInSessionStore(entry);
    ASSERT_EQ(RQHTTPRequest::sessionCredentialsStore().size(), 1u);
    auto r = RQHTTPRequest::requestWithURL(url);
    r->startSynchronous();
    ASSERT_FALSE(r->error());
    EXPECT_FALSE(server.requests().at(0).header("Authorization"));
    EXPECT_TRUE(RQHTTPRequest::sessionCredentialsStore().empty());
}

// The page a refusing server sends stays readable on the failed request.
TEST_F(AuthTest, TheRefusalPageIsKeptWhenNobodyCanAnswer) {
    RawServer server([](const RawRequest&) { return challenge("Basic realm=\"shelf\""); });
    auto r = RQHTTPRequest::requestWithURL(server.url("/private"));
    r->startSynchronous();
    ASSERT_TRUE(r->error());
    EXPECT_EQ(r->error()->code, 3);
    EXPECT_EQ(r->responseStatusCode(), 401);
    EXPECT_EQ(r->responseString(), "denied");
}
