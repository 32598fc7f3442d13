#include "network/RQHTTPRequest.h"

#include "network/RQAuthenticationDialog.h"
#include "network/RQDataDecompressor.h"
#include "network/RQSessionCredentials.h"
#include "platform/core/Assert.h"
#include "platform/net/CredentialStorage.h"
#include "platform/net/NetworkLoop.h"

#include <mutex>

// Challenges and credentials. A server's (401, Authorization) and a proxy's
// (407, Proxy-Authorization) go through one flow over an AuthTarget: where
// credentials come from, where they are kept and whom to ask differ; the
// steps do not.

namespace pw {
namespace {

// One prompt at a time across requests: a second request challenged by the
// same server finds what the first was given instead of asking again.
std::mutex& authenticationPromptLock() {
    static std::mutex* lock = new std::mutex(); // lives to the end of the process
    return *lock;
}

bool handlesNeeded(const RQHTTPRequestDelegate& d, bool proxy) {
    return proxy ? d.handlesProxyAuthenticationNeeded() : d.handlesAuthenticationNeeded();
}

void tellNeeded(RQHTTPRequestDelegate& d, RQHTTPRequest& r, bool proxy) {
    if (proxy)
        d.proxyAuthenticationNeededForRequest(r);
    else
        d.authenticationNeededForRequest(r);
}

} // namespace

RQHTTPRequest::AuthTarget RQHTTPRequest::authTarget(bool proxy) {
    if (proxy)
        return {true, m_proxyAuth, m_proxyUsername, m_proxyPassword, "Proxy-Authorization"};
    return {false, m_serverAuth, m_username, m_password, "Authorization"};
}

void RQHTTPRequest::addBasicAuthenticationHeader(const std::string& user, const std::string& password) {
    setHeader("Authorization", net::HttpAuthentication::basicValue(user, password));
    m_serverAuth.scheme = net::kAuthenticationSchemeBasic;
}

void RQHTTPRequest::applyAuthorizationHeader() {
    if (!m_shouldPresentCredentialsBeforeChallenge || !m_url)
        return;
    auto& store = RQSessionCredentials::shared();
    if (!requestHeader("Authorization")) {
        if (!m_username.empty() && !m_password.empty() && m_serverAuth.scheme == net::kAuthenticationSchemeBasic) {
            addBasicAuthenticationHeader(m_username, m_password);
        } else if (m_useSessionPersistence) {
            auto found = store.findForServer({m_urlText, m_username, m_password, m_serverAuth.realm}, *m_url);
            if (found && found->authentication) {
                auto& auth = *found->authentication;
                if (auto v =
                        auth.authorizationValue(found->credentials, m_requestMethod, *m_url, entityBodyMD5(auth))) {
                    setHeader("Authorization", *v);
                    m_serverAuth.scheme = found->scheme;
                } else {
                    // Credentials that can no longer be applied are no use to anyone.
                    store.forgetForServer(found->credentials);
                }
            } else if (found) {
                addBasicAuthenticationHeader(found->credentials.user, found->credentials.password);
            }
        }
    }
    if (m_useSessionPersistence && !m_proxyHost.empty()) {
        if (auto found = store.findForProxy(m_proxyHost, m_proxyPort)) {
            auto& auth = *found->authentication;
            if (auto v = auth.authorizationValue(found->credentials, m_requestMethod, *m_url, entityBodyMD5(auth)))
                setHeader("Proxy-Authorization", *v);
            else
                store.forgetForProxy(m_proxyHost, m_proxyPort);
        }
    }
}

std::string RQHTTPRequest::entityBodyMD5(const net::HttpAuthentication& auth) const {
    if (!auth.coversEntityBody())
        return {};
    if (m_shouldStreamPostDataFromDisk && !m_postBodyFilePath.empty()) {
        bool compressed = !m_compressedPostBodyFilePath.empty();
        return RQHelpers::md5HexOfFile(compressed ? m_compressedPostBodyFilePath : m_postBodyFilePath);
    }
    bool compressed = m_shouldCompressRequestBody && !m_compressedPostBody.empty();
    return net::md5Hex(compressed ? m_compressedPostBody : m_postBody);
}

void RQHTTPRequest::attemptToApplyCredentialsAndResume() {
    PW_ASSERT_MSG(threadForRequest().isCurrent(), "a request's steps run on the network thread");
    std::unique_lock lock(m_cancelledLock);
    if (m_error || m_cancelled)
        return;
    AuthTarget t = authTarget(m_authenticationNeeded == 2);
    auto challenge = m_pendingHead ? net::HttpAuthentication::fromResponse(*m_pendingHead, t.proxy) : std::nullopt;
    cancelLoad();
    if (!challenge) {
        failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                    "Failed to get authentication object from response headers"));
        return;
    }
    // A second challenge after credentials were applied: they were turned down
    // (a stale Digest nonce is only a new round with the same credentials).
    bool rejected = t.state.credentials.has_value() && !challenge->isStale() && !challenge->continuesHandshake();
    t.state.authentication = challenge;
    t.state.scheme = challenge->scheme();
    t.state.realm = challenge->requiresAccountDomain() ? std::string() : challenge->realm();
    if (!challenge->canAnswer()) {
        // A scheme the engine cannot answer fails at once instead of waiting forever.
        failWithError(standardError(RQAuthenticationErrorType));
        return;
    }
    if (t.state.credentials && !rejected) {
        // An NTLM handshake has one second step; a challenge after it is a refusal.
        if (challenge->continuesHandshake() && t.state.retryCount >= 2) {
            failWithError(standardError(RQAuthenticationErrorType));
            return;
        }
        auto same = *t.state.credentials;
        resumeWithCredentials(t, applyCredentials(t, same), lock);
        return;
    }
    std::unique_lock prompt(authenticationPromptLock());
    if (rejected) {
        forgetRejectedCredentials(t);
        prompt.unlock();
        askForCredentials(t);
        return;
    }
    auto found = t.proxy ? findProxyCredentials() : findCredentials();
    if (!found) {
        prompt.unlock();
        askForCredentials(t);
        return;
    }
    bool applied = applyCredentials(t, *found);
    prompt.unlock();
    resumeWithCredentials(t, applied, lock);
}

void RQHTTPRequest::resumeWithCredentials(const AuthTarget& t, bool applied,
                                          std::unique_lock<std::recursive_mutex>& lock) {
    if (!applied) {
        failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                    t.proxy ? "Failed to apply proxy credentials to request"
                                            : "Failed to apply credentials to request"));
        return;
    }
    lock.unlock();
    startRequest();
}

void RQHTTPRequest::forgetRejectedCredentials(const AuthTarget& t) {
    // Turned down: forget them everywhere they came from.
    auto& store = RQSessionCredentials::shared();
    if (t.proxy)
        store.forgetForProxy(m_proxyHost, m_proxyPort);
    else
        store.forgetForServer(*t.state.credentials);
    t.state.credentials.reset();
    removeHeader(t.header);
    // What the caller set was turned down too: only someone asked anew can help.
    t.user.clear();
    t.password.clear();
    m_lastActivityTime = 0;
}

void RQHTTPRequest::askForCredentials(const AuthTarget& t) {
    if (willAskDelegateForCredentials(t) || showAuthenticationDialog(t))
        return;
    failWithError(standardError(RQAuthenticationErrorType));
}

std::optional<net::AuthenticationCredentials> RQHTTPRequest::findCredentials() {
    net::AuthenticationCredentials c;
    if (!m_url->user().empty() && !m_url->password().empty()) {
        c.user = m_url->user();
        c.password = m_url->password();
    } else if (m_mainRequest && !m_mainRequest->m_username.empty() && !m_mainRequest->m_password.empty()) {
        c.user = m_mainRequest->m_username;
        c.password = m_mainRequest->m_password;
    } else if (!m_username.empty() && !m_password.empty()) {
        c.user = m_username;
        c.password = m_password;
    } else if (m_useKeychainPersistence) {
        net::ProtectionSpace space{m_url->host(), m_url->port().value_or(0), m_url->scheme(), m_serverAuth.realm};
        auto saved = net::CredentialStorage::shared().defaultCredential(space);
        if (!saved)
            return std::nullopt;
        c.user = saved->user;
        c.password = saved->password;
    } else {
        return std::nullopt;
    }
    if (m_serverAuth.authentication && m_serverAuth.authentication->requiresAccountDomain()) {
        c.accountDomain = m_domain;
        auto slash = c.user.find('\\');
        if (m_domain.empty() && slash != std::string::npos && c.user.find('\\', slash + 1) == std::string::npos) {
            c.accountDomain = c.user.substr(0, slash);
            c.user = c.user.substr(slash + 1);
        }
    }
    return c;
}

std::optional<net::AuthenticationCredentials> RQHTTPRequest::findProxyCredentials() {
    net::AuthenticationCredentials c;
    RQHTTPRequest* src = m_mainRequest ? m_mainRequest : this;
    if (!src->m_proxyUsername.empty() && !src->m_proxyPassword.empty()) {
        c.user = src->m_proxyUsername;
        c.password = src->m_proxyPassword;
    } else if (m_proxyAuth.scheme == net::kAuthenticationSchemeNTLM && !m_username.empty() && !m_password.empty()) {
        c.user = m_username;
        c.password = m_password;
    } else {
        net::ProtectionSpace space{m_proxyHost, m_proxyPort, "http-proxy", m_proxyAuth.realm};
        auto saved = net::CredentialStorage::shared().defaultCredential(space);
        if (!saved)
            return std::nullopt;
        c.user = saved->user;
        c.password = saved->password;
    }
    c.accountDomain = m_proxyDomain.empty() ? m_domain : m_proxyDomain;
    return c;
}

bool RQHTTPRequest::applyCredentials(const AuthTarget& t, const net::AuthenticationCredentials& c) {
    ++t.state.retryCount;
    if (!t.state.authentication)
        return false;
    auto value =
        t.state.authentication->authorizationValue(c, m_requestMethod, *m_url, entityBodyMD5(*t.state.authentication));
    if (!value)
        return false;
    setHeader(t.header, *value);
    keepCredentials(t, c);
    t.state.credentials = c;
    return true;
}

void RQHTTPRequest::keepCredentials(const AuthTarget& t, const net::AuthenticationCredentials& c) {
    if (!t.proxy && m_useKeychainPersistence) {
        net::ProtectionSpace space{m_url->host(), m_url->port().value_or(0), m_url->scheme(), t.state.realm};
        net::CredentialStorage::shared().setDefaultCredential({c.user, c.password}, space);
    }
    if (!m_useSessionPersistence)
        return;
    RQSessionCredentials::Entry e;
    e.authentication = t.state.authentication;
    e.credentials = c;
    e.scheme = t.state.authentication->scheme();
    if (t.proxy) {
        e.proxyHost = m_proxyHost;
        e.proxyPort = m_proxyPort;
        RQSessionCredentials::shared().storeForProxy(std::move(e));
    } else {
        e.url = m_urlText;
        e.realm = t.state.realm;
        RQSessionCredentials::shared().storeForServer(std::move(e));
    }
}

bool RQHTTPRequest::willAskDelegateForCredentials(const AuthTarget& t) {
    if (m_isSynchronous)
        return false;
    auto d = delegate();
    auto q = queue();
    const Block& block = t.proxy ? m_blocks.proxyAuthenticationNeeded : m_blocks.authenticationNeeded;
    bool handles = (d && handlesNeeded(*d, t.proxy)) || (!d && q && handlesNeeded(*q, t.proxy)) || block;
    if (!handles)
        return false;
    deliver([keep = self(), proxy = t.proxy] { keep->reportAuthenticationNeeded(proxy); });
    return true;
}

void RQHTTPRequest::reportAuthenticationNeeded(bool proxy) {
    auto d = delegate();
    auto q = queue();
    if (d && handlesNeeded(*d, proxy)) {
        tellNeeded(*d, *this, proxy);
    } else if (q && handlesNeeded(*q, proxy)) {
        tellNeeded(*q, *this, proxy);
    } else {
        if (auto b = currentBlock(proxy ? m_blocks.proxyAuthenticationNeeded : m_blocks.authenticationNeeded))
            b();
    }
}

bool RQHTTPRequest::showAuthenticationDialog(const AuthTarget& t) {
    bool wanted = t.proxy ? m_shouldPresentProxyAuthenticationDialog : m_shouldPresentAuthenticationDialog;
    if (m_isSynchronous || !wanted || !RQAuthenticationDialog::presentationEnabled())
        return false;
    deliver([keep = self()] { RQAuthenticationDialog::presentAuthenticationDialogForRequest(keep); });
    return true;
}

void RQHTTPRequest::retryUsingSuppliedCredentials() {
    auto keep = self();
    threadForRequest().post([keep] {
        if (keep->m_pendingHead)
            keep->attemptToApplyCredentialsAndResume();
        else
            keep->mainStep();
    });
}

void RQHTTPRequest::cancelAuthentication() {
    auto keep = self();
    threadForRequest().post([keep] { keep->failAuthentication(); });
}

void RQHTTPRequest::failAuthentication() {
    failWithError(standardError(RQAuthenticationErrorType));
}

} // namespace pw
