#include "NetTest.h"
#include "NtlmPeer.h"

#include "platform/net/CredentialStorage.h"
#include "platform/net/HttpAuthentication.h"

// Where credentials come from when a server or a proxy asks, and where those
// that worked are kept: the session stores and the platform's credential
// storage.

using namespace pw;
using namespace pw::test;
using fakesite::RawReply;
using fakesite::RawRequest;
using fakesite::RawServer;

namespace {

RawReply challenge(const std::string& value) {
    return RawReply::bytes(fakesite::httpResponse(401, "Unauthorized", {{"WWW-Authenticate", value}}, "denied"));
}
RawReply proxyChallenge(const std::string& value) {
    return RawReply::bytes(
        fakesite::httpResponse(407, "Proxy Authentication Required", {{"Proxy-Authenticate", value}}, ""));
}

// A server (or proxy) that lets in one user name and password over Basic.
RawServer::Handler basicGate(bool proxy, const std::string& user, const std::string& password,
                             const std::string& realm = "gate") {
    return [=](const RawRequest& req) {
        if (req.header(proxy ? "Proxy-Authorization" : "Authorization") ==
            net::HttpAuthentication::basicValue(user, password))
            return ok("in " + req.target);
        std::string value = "Basic realm=\"" + realm + "\"";
        return proxy ? proxyChallenge(value) : challenge(value);
    };
}

// Asked for credentials (server or proxy), it notes what the request held
// then gives its own, or cancels when it has none.
struct AskingDelegate : RecordingDelegate {
    int asked = 0, askedForProxy = 0;
    std::string user, password;
    std::string seenUser, seenPassword;
    bool handlesAuthenticationNeeded() const override { return true; }
    bool handlesProxyAuthenticationNeeded() const override { return true; }
    void authenticationNeededForRequest(RQHTTPRequest& r) override {
        ++asked;
        seenUser = r.username();
        seenPassword = r.password();
        if (user.empty())
            return r.cancelAuthentication();
        r.setUsername(user);
        r.setPassword(password);
        r.retryUsingSuppliedCredentials();
    }
    void proxyAuthenticationNeededForRequest(RQHTTPRequest& r) override {
        ++askedForProxy;
        seenUser = r.proxyUsername();
        seenPassword = r.proxyPassword();
        if (user.empty())
            return r.cancelAuthentication();
        r.setProxyUsername(user);
        r.setProxyPassword(password);
        r.retryUsingSuppliedCredentials();
    }
};

} // namespace

class CredentialsTest : public NetTest {};

// A request that sends nothing before it is asked still finds, once asked,
// what an earlier request was let in with.
TEST_F(CredentialsTest, AChallengeIsAnsweredFromTheSessionStore) {
    RawServer server(basicGate(false, "ann", "pw"));
    auto first = RQHTTPRequest::requestWithURL(server.url("/shelf"));
    first->setUsername("ann");
    first->setPassword("pw");
    first->startSynchronous();
    ASSERT_FALSE(first->error());

    auto later = RQHTTPRequest::requestWithURL(server.url("/shelf"));
    later->setShouldPresentCredentialsBeforeChallenge(false);
    later->startSynchronous();
    ASSERT_FALSE(later->error()) << later->error()->localizedDescription;
    EXPECT_EQ(later->responseString(), "in /shelf");
    auto reqs = server.requests();
    ASSERT_EQ(reqs.size(), 4u);
    EXPECT_FALSE(reqs[2].header("Authorization")); // asked first, then answered
    EXPECT_EQ(reqs[3].header("Authorization"), net::HttpAuthentication::basicValue("ann", "pw"));
}

// Credentials turned down by one server are forgotten for that server only:
// the same user name and password kept for another stay.
TEST_F(CredentialsTest, TurnedDownCredentialsAreForgottenOnlyWhereTheyWereKept) {
    RawServer accepting(basicGate(false, "ann", "pw"));
    RawServer refusing([](const RawRequest&) { return challenge("Basic realm=\"gate\""); });
    for (auto* server : {&accepting, &refusing}) {
        auto r = RQHTTPRequest::requestWithURL(server->url("/a"));
        r->setUsername("ann");
        r->setPassword("pw");
        r->startSynchronous();
        EXPECT_EQ(!!r->error(), server == &refusing);
    }
    auto again = RQHTTPRequest::requestWithURL(accepting.url("/a"));
    again->startSynchronous();
    ASSERT_FALSE(again->error()) << again->error()->localizedDescription;
    EXPECT_EQ(accepting.requestCount(), 3u); // sent at once, from the session
}

// Whoever is asked after credentials were turned down sees what the caller
// set, and the caller finds them unchanged afterwards.
TEST_F(CredentialsTest, TurnedDownCredentialsLeaveTheCallersOwn) {
    for (bool proxy : {false, true}) {
        RawServer server([proxy](const RawRequest&) {
            return proxy ? proxyChallenge("Basic realm=\"gate\"") : challenge("Basic realm=\"gate\"");
        });
        auto r = RQHTTPRequest::requestWithURL(proxy ? "http://books.example/" : server.url("/"));
        if (proxy) {
            r->setProxyHost("127.0.0.1");
            r->setProxyPort(server.port());
            r->setProxyUsername("ann");
            r->setProxyPassword("wrong");
        } else {
            r->setUsername("ann");
            r->setPassword("wrong");
        }
        auto delegate = std::make_shared<AskingDelegate>();
        r->setDelegate(delegate);
        r->startAsynchronous();
        ASSERT_TRUE(waitFor([&] { return delegate->failed == 1; })) << proxy;
        EXPECT_EQ(r->error()->code, RQAuthenticationErrorType);
        EXPECT_EQ(proxy ? delegate->askedForProxy : delegate->asked, 1) << proxy;
        EXPECT_EQ(delegate->seenUser, "ann") << proxy;
        EXPECT_EQ(delegate->seenPassword, "wrong") << proxy;
        EXPECT_EQ(proxy ? r->proxyUsername() : r->username(), "ann") << proxy;
        EXPECT_EQ(proxy ? r->proxyPassword() : r->password(), "wrong") << proxy;
        EXPECT_EQ(server.requestCount(), 2u) << proxy;
    }
}

// An NTLM handshake that is challenged again after the client's answer has
// failed: the request ends with the authentication error, nobody is asked.
TEST_F(CredentialsTest, AnNtlmSecondReChallengeFailsWithCodeThree) {
    struct Case {
        const char* name;
        bool challengeAgain; // a fresh server challenge instead of a plain refusal
    } cases[] = {{"refused", false}, {"challenged again", true}};
    for (const auto& c : cases) {
        NtlmPeer peer("User", "Password", "Domain");
        RawServer server([&](const RawRequest& req) {
            auto step = peer.read(req.header("Authorization").value_or(""));
            if (step == NtlmPeer::Step::Negotiate || (step == NtlmPeer::Step::WrongAnswer && c.challengeAgain))
                return challenge(peer.challenge());
            return challenge("NTLM");
        });
        auto delegate = std::make_shared<AskingDelegate>();
        delegate->user = "Domain\\User";
        delegate->password = "Password";
        auto r = RQHTTPRequest::requestWithURL(server.url("/intranet"));
        r->setUsername("Domain\\User");
        r->setPassword("wrong");
        r->setDelegate(delegate);
        r->startAsynchronous();
        ASSERT_TRUE(waitFor([&] { return delegate->failed + delegate->finished == 1; })) << c.name;
        ASSERT_TRUE(r->error()) << c.name;
        EXPECT_EQ(r->error()->code, RQAuthenticationErrorType) << c.name;
        EXPECT_EQ(delegate->asked, 0) << c.name;
        EXPECT_EQ(server.requestCount(), 3u) << c.name; // nothing, negotiate, answer
    }
}

// With keychain persistence, what let the request in is kept in the platform's
// credential storage, for a server and for a proxy; a later request with
// nothing of its own is let in with it.
TEST_F(CredentialsTest, CredentialsThatWorkedAreKeptInTheKeychain) {
    for (bool proxy : {false, true}) {
        RawServer server(basicGate(proxy, "kept", "pw"));
        auto make = [&] {
            auto r = RQHTTPRequest::requestWithURL(proxy ? "http://books.example/k" : server.url("/k"));
            if (proxy) {
                r->setProxyHost("127.0.0.1");
                r->setProxyPort(server.port());
            }
            r->setUseKeychainPersistence(true);
            return r;
        };
        auto r = make();
        if (proxy) {
            r->setProxyUsername("kept");
            r->setProxyPassword("pw");
        } else {
            r->setUsername("kept");
            r->setPassword("pw");
        }
        r->startSynchronous();
        ASSERT_FALSE(r->error()) << proxy;
        net::ProtectionSpace space{"127.0.0.1", server.port(), proxy ? "http-proxy" : "http", "gate"};
        EXPECT_EQ(net::CredentialStorage::shared().defaultCredential(space), (net::Credential{"kept", "pw"})) << proxy;

        RQHTTPRequest::clearSessionCredentials();
        auto later = make();
        later->startSynchronous();
        EXPECT_FALSE(later->error()) << proxy;
        EXPECT_EQ(later->responseString(), "in " + std::string(proxy ? "http://books.example/k" : "/k")) << proxy;
        net::CredentialStorage::shared().removeDefaultCredential(space);
    }
}

// An NTLM proxy's account domain: the proxy's own, else the part of the user
// name before a backslash, else the request's.
TEST_F(CredentialsTest, AnNtlmProxyAccountsDomainIsFoundLikeAServers) {
    struct Case {
        const char* proxyUser;
        const char* proxyDomain;
        const char* domain;
    } cases[] = {
        {"Domain\\User", "", ""},
        {"User", "Domain", ""},
        {"User", "", "Domain"},
        {"Other\\User", "Domain", ""},
    };
    for (const auto& c : cases) {
        NtlmPeer peer("User", "Password", "Domain");
        RawServer proxy([&](const RawRequest& req) {
            auto step = peer.read(req.header("Proxy-Authorization").value_or(""));
            if (step == NtlmPeer::Step::Negotiate)
                return proxyChallenge(peer.challenge());
            if (step == NtlmPeer::Step::Authenticated)
                return ok("through");
            return proxyChallenge("NTLM");
        });
        auto r = RQHTTPRequest::requestWithURL("http://books.example/");
        r->setProxyHost("127.0.0.1");
        r->setProxyPort(proxy.port());
        r->setProxyUsername(c.proxyUser);
        r->setProxyPassword("Password");
        r->setProxyDomain(c.proxyDomain);
        r->setDomain(c.domain);
        r->startSynchronous();
        bool expectIn = std::string(c.proxyUser) != "Other\\User"; // a domain given keeps the name whole
        EXPECT_EQ(!r->error(), expectIn) << c.proxyUser << " " << c.proxyDomain << " " << c.domain;
        if (expectIn) {
            EXPECT_EQ(r->responseString(), "through");
        }
    }
}

namespace {
RQCredentials record(const std::string& user, const std::string& password) {
    return std::make_shared<const net::AuthenticationCredentials>(net::AuthenticationCredentials{user, password, {}});
}
RQSessionCredentialsEntry serverEntry(const std::string& url, RQCredentials credentials, std::string realm = {}) {
    RQSessionCredentialsEntry e;
    e.credentials = std::move(credentials);
    e.url = url;
    e.scheme = net::kAuthenticationSchemeBasic;
    e.realm = std::move(realm);
    return e;
}
} // namespace

// Which kept entry a request gets: the one for its exact address, else the
// first for the same host, port and scheme; with the caller's own user name
// and password set, only an entry holding those.
TEST_F(CredentialsTest, TheSessionStoreGivesTheExactAddressElseTheFirstCloseOne) {
    struct Stored {
        std::string url, user;
    };
    struct Case {
        const char* name;
        std::vector<Stored> stored;
        std::string request;
        std::string user; // the request's own, with password "pw"
        int expected;     // index into stored, -1 none
    } cases[] = {
        {"exact after close", {{"http://h.example:8080/other", "a"}, {"http://h.example:8080/a", "b"}},
         "http://h.example:8080/a", "", 1},
        {"first close", {{"http://h.example:8080/one", "a"}, {"http://h.example:8080/two", "b"}},
         "http://h.example:8080/three", "", 0},
        {"port named on one only", {{"http://h.example/x", "a"}}, "http://h.example:80/x", "", -1},
        {"no port on either", {{"http://h.example/x", "a"}}, "http://h.example/y", "", 0},
        {"other scheme", {{"https://h.example:8080/", "a"}}, "http://h.example:8080/", "", -1},
        {"other host", {{"http://g.example:8080/", "a"}}, "http://h.example:8080/", "", -1},
        {"another user's exact", {{"http://h.example/a", "bob"}, {"http://h.example/b", "ann"}},
         "http://h.example/a", "ann", 1},
    };
    for (const auto& c : cases) {
        RQHTTPRequest::clearSessionCredentials();
        std::vector<RQCredentials> records;
        for (const auto& s : c.stored) {
            records.push_back(record(s.user, "pw"));
            RQHTTPRequest::storeAuthenticationCredentialsInSessionStore(serverEntry(s.url, records.back()));
        }
        auto r = RQHTTPRequest::requestWithURL(c.request);
        if (!c.user.empty()) {
            r->setUsername(c.user);
            r->setPassword("pw");
        }
        auto found = r->findSessionAuthenticationCredentials();
        if (c.expected < 0) {
            EXPECT_FALSE(found) << c.name;
        } else {
            ASSERT_TRUE(found) << c.name;
            EXPECT_EQ(found->credentials, records[c.expected]) << c.name;
        }
    }
}

// Entries are told apart by the very record they hold: storing a record again
// replaces its entry, removing drops only the entry of that record, and an
// equal record made elsewhere is another.
TEST_F(CredentialsTest, SessionStoresKeepAndRemoveEntriesByIdentity) {
    struct Store {
        const char* name;
        void (*store)(RQSessionCredentialsEntry);
        void (*remove)(const RQCredentials&);
        std::vector<RQSessionCredentialsEntry> (*list)();
    } stores[] = {
        {"server", RQHTTPRequest::storeAuthenticationCredentialsInSessionStore,
         RQHTTPRequest::removeAuthenticationCredentialsFromSessionStore, RQHTTPRequest::sessionCredentialsStore},
        {"proxy", RQHTTPRequest::storeProxyAuthenticationCredentialsInSessionStore,
         RQHTTPRequest::removeProxyAuthenticationCredentialsFromSessionStore,
         RQHTTPRequest::sessionProxyCredentialsStore},
    };
    for (const auto& s : stores) {
        auto a = record("ann", "pw");
        auto b = record("ann", "pw");
        s.store(serverEntry("http://h.example/1", a));
        s.store(serverEntry("http://h.example/2", b));
        ASSERT_EQ(s.list().size(), 2u) << s.name;
        s.remove(record("ann", "pw")); // equal, but nobody's
        EXPECT_EQ(s.list().size(), 2u) << s.name;
        s.remove(b);
        ASSERT_EQ(s.list().size(), 1u) << s.name;
        EXPECT_EQ(s.list()[0].credentials, a) << s.name;
        s.store(serverEntry("http://h.example/3", a));
        ASSERT_EQ(s.list().size(), 1u) << s.name;
        EXPECT_EQ(s.list()[0].url, "http://h.example/3") << s.name;
    }
    // Clearing the session forgets the servers' credentials, not the proxies'.
    RQHTTPRequest::clearSession();
    EXPECT_TRUE(RQHTTPRequest::sessionCredentialsStore().empty());
    EXPECT_EQ(RQHTTPRequest::sessionProxyCredentialsStore().size(), 1u);
}

// When kept credentials are turned down, another entry kept for the same
// server is tried before anyone is asked.
TEST_F(CredentialsTest, AnotherKeptEntryIsTriedWhenOneIsTurnedDown) {
    RawServer server(basicGate(false, "ann", "new"));
    RQHTTPRequest::storeAuthenticationCredentialsInSessionStore(serverEntry(server.url("/x"), record("ann", "old")));
    RQHTTPRequest::storeAuthenticationCredentialsInSessionStore(serverEntry(server.url("/y"), record("ann", "new")));
    auto r = RQHTTPRequest::requestWithURL(server.url("/x"));
    r->startSynchronous();
    ASSERT_FALSE(r->error()) << r->error()->localizedDescription;
    EXPECT_EQ(r->responseString(), "in /x");
    auto store = RQHTTPRequest::sessionCredentialsStore();
    ASSERT_EQ(store.size(), 1u); // the old one is gone
    EXPECT_EQ(store[0].credentials->password, "new");
}

// The platform's credential storage: a server's space is host, port, protocol
// and realm; a proxy's is host, port and realm, whatever protocol is named.
TEST_F(CredentialsTest, KeychainCredentialsAreKeptPerProtectionSpace) {
    RQHTTPRequest::saveCredentialsForHost({"u", "p"}, "h.example", 443, "https", "r");
    RQHTTPRequest::saveCredentialsForProxy({"pu", "pp"}, "proxy.example", 3128, "gate");
    struct Case {
        const char* name;
        std::optional<net::Credential> found;
        std::optional<net::Credential> expected;
    } cases[] = {
        {"host", RQHTTPRequest::savedCredentialsForHost("h.example", 443, "https", "r"), net::Credential{"u", "p"}},
        {"host, other protocol", RQHTTPRequest::savedCredentialsForHost("h.example", 443, "http", "r"), {}},
        {"host, other realm", RQHTTPRequest::savedCredentialsForHost("h.example", 443, "https", "s"), {}},
        {"proxy", RQHTTPRequest::savedCredentialsForProxy("proxy.example", 3128, "https", "gate"),
         net::Credential{"pu", "pp"}},
        {"proxy, any protocol", RQHTTPRequest::savedCredentialsForProxy("proxy.example", 3128, "", "gate"),
         net::Credential{"pu", "pp"}},
        {"proxy as a host", RQHTTPRequest::savedCredentialsForHost("proxy.example", 3128, "http", "gate"), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.found, c.expected) << c.name;
    RQHTTPRequest::removeCredentialsForHost("h.example", 443, "https", "r");
    RQHTTPRequest::removeCredentialsForProxy("proxy.example", 3128, "gate");
    EXPECT_FALSE(RQHTTPRequest::savedCredentialsForHost("h.example", 443, "https", "r"));
    EXPECT_FALSE(RQHTTPRequest::savedCredentialsForProxy("proxy.example", 3128, "http", "gate"));
}
