// Password protection: Basic and Digest credentials, and the nonces the server
// hands out.
#include "transfer/http/HTTPConnectionInternal.h"

#include "platform/core/RandomId.h"
#include "transfer/http/HTTPAuthenticationRequest.h"
#include "transfer/http/WSData.h"

#include <openssl/crypto.h>

#include <cstdlib>
#include <deque>
#include <mutex>

namespace pw {

using namespace http_detail;

namespace {
// Recently issued digest nonces, shared by every connection of the process.
// Bounded: the oldest go first when it is full.
struct NonceList {
    std::mutex mutex;
    std::deque<std::pair<std::string, double>> entries; // nonce, issue time
    static double now() { return std::chrono::duration<double>(core::DispatchSource::now()).count(); }
    void prune(double t) {
        while (!entries.empty() && t - entries.front().second >= HTTPConnection::kNonceLifetime)
            entries.pop_front();
        while (entries.size() > HTTPConnection::kMaxRecentNonces)
            entries.pop_front();
    }
};
NonceList& recentNonces() {
    static auto* list = new NonceList;
    return *list;
}
} // namespace

// ----- authentication -----

std::string HTTPConnection::generateNonce() {
    std::string nonce = core::RandomId::uuidString();
    auto& list = recentNonces();
    std::lock_guard lock(list.mutex);
    double t = NonceList::now();
    list.entries.emplace_back(nonce, t);
    list.prune(t);
    // Each nonce is taken off the list when its time is up.
    static auto* timers = new std::shared_ptr<core::DispatchQueue>(core::DispatchQueue::create("app.http.nonces"));
    (*timers)->after(std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::duration<double>(kNonceLifetime)),
                  [nonce] { removeRecentNonce(nonce); });
    return nonce;
}

void HTTPConnection::removeRecentNonce(const std::string& nonce) {
    auto& list = recentNonces();
    std::lock_guard lock(list.mutex);
    for (auto it = list.entries.begin(); it != list.entries.end(); ++it) {
        if (it->first == nonce) {
            list.entries.erase(it);
            return;
        }
    }
}

bool HTTPConnection::isRecentNonce(const std::string& nonce) {
    auto& list = recentNonces();
    std::lock_guard lock(list.mutex);
    list.prune(NonceList::now());
    for (auto& [n, t] : list.entries)
        if (n == nonce)
            return true;
    return false;
}

void HTTPConnection::addDigestAuthChallenge(HTTPMessage& response) {
    response.setHeaderField("WWW-Authenticate",
                            "Digest realm=\"" + realm() + "\", qop=\"auth\", nonce=\"" + generateNonce() + "\"");
}

void HTTPConnection::addBasicAuthChallenge(HTTPMessage& response) {
    response.setHeaderField("WWW-Authenticate", "Basic realm=\"" + realm() + "\"");
}

namespace {
bool constantTimeEquals(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    return CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}
std::string md5Hex(const std::string& s) {
    return WSData::hexStringValue(WSData::md5Digest(s));
}
} // namespace

bool HTTPConnection::isAuthenticated() {
    HTTPAuthenticationRequest auth(*m_request);
    if (useDigestAccessAuthentication()) {
        if (!auth.isDigest() || !auth.username())
            return false;
        auto password = passwordForUser(*auth.username());
        if (!password)
            return false;
        if (!auth.uri() || *auth.uri() != requestURI().value_or(""))
            return false;
        if (!auth.nonce())
            return false;
        if (*auth.nonce() != m_nonce) {
            if (!isRecentNonce(*auth.nonce()))
                return false;
            m_nonce = *auth.nonce();
            m_lastNC = 0;
        }
        if (!auth.nc())
            return false;
        char* end = nullptr;
        long nc = std::strtol(auth.nc()->c_str(), &end, 16);
        if (end == auth.nc()->c_str() || nc <= m_lastNC)
            return false;
        m_lastNC = nc;
        // Hashed with the realm the client names; the password is what counts.
        std::string ha1 = md5Hex(*auth.username() + ":" + auth.realm().value_or("") + ":" + *password);
        std::string ha2 = md5Hex(m_request->method() + ":" + *auth.uri());
        std::string expected = md5Hex(ha1 + ":" + *auth.nonce() + ":" + *auth.nc() + ":" + auth.cnonce().value_or("") +
                                      ":" + auth.qop().value_or("") + ":" + ha2);
        return auth.response() && constantTimeEquals(expected, *auth.response());
    }
    if (!auth.isBasic())
        return false;
    std::string decoded = WSData::base64Decoded(auth.base64Credentials());
    if (!isValidUtf8(decoded))
        return false;
    auto colon = decoded.find(':');
    if (colon == std::string::npos)
        return false;
    auto password = passwordForUser(decoded.substr(0, colon));
    if (!password)
        return false;
    return constantTimeEquals(*password, decoded.substr(colon + 1));
}

} // namespace pw
