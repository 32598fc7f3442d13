#include "network/RQHTTPRequest.h"

#include "network/RQAuthenticationDialog.h"
#include "network/RQDataDecompressor.h"
#include "platform/core/Assert.h"
#include "platform/net/NetworkLoop.h"

#include <mutex>

// Challenges: a server's (401, Authorization) and a proxy's (407,
// Proxy-Authorization) are each answered from the session store, from
// credentials found (RQHTTPRequestCredentials.cpp), from the delegate or from
// the dialog; else the request fails.

namespace pw {
namespace {

// One request at a time looks for credentials or asks for them, so that the
// others then find in the session store what the first was given.
std::recursive_mutex& authenticationPromptLock() {
    static auto* lock = new std::recursive_mutex(); // lives to the end of the process
    return *lock;
}

} // namespace

void RQHTTPRequest::addBasicAuthenticationHeaderWithUsername(const std::string& user, const std::string& password) {
    setHeader("Authorization", "Basic " + base64forData(user + ":" + password));
    m_serverAuth.scheme = net::kAuthenticationSchemeBasic;
}

void RQHTTPRequest::applyAuthorizationHeader() {
    if (!m_shouldPresentCredentialsBeforeChallenge || !m_url)
        return;
    if (!requestHeader("Authorization")) {
        if (!m_username.empty() && !m_password.empty() && m_serverAuth.scheme == net::kAuthenticationSchemeBasic) {
            addBasicAuthenticationHeaderWithUsername(m_username, m_password);
        } else if (m_useSessionPersistence) {
            if (auto found = findSessionAuthenticationCredentials()) {
                if (found->authentication) {
                    auto& auth = *found->authentication;
                    if (auto v = auth.authorizationValue(*found->credentials, m_requestMethod, *m_url,
                                                         entityBodyMD5(auth))) {
                        setHeader("Authorization", *v);
                        m_serverAuth.scheme = found->scheme;
                    } else {
                        // Credentials that can no longer be applied are no use to anyone.
                        removeAuthenticationCredentialsFromSessionStore(found->credentials);
                    }
                } else {
                    addBasicAuthenticationHeaderWithUsername(found->credentials->user, found->credentials->password);
                }
            }
        }
    }
    if (m_useSessionPersistence && !m_proxyHost.empty()) {
        auto found = findSessionProxyAuthenticationCredentials();
        if (found && found->authentication) {
            auto& auth = *found->authentication;
            if (auto v = auth.authorizationValue(*found->credentials, m_requestMethod, *m_url, entityBodyMD5(auth)))
                setHeader("Proxy-Authorization", *v);
            else
                removeProxyAuthenticationCredentialsFromSessionStore(found->credentials);
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

bool RQHTTPRequest::takeChallenge(RQAuthState& state, bool proxy) {
    auto challenge = m_pendingHead ? net::HttpAuthentication::fromResponse(*m_pendingHead, proxy) : std::nullopt;
    if (!challenge)
        return false;
    state.authentication = std::move(challenge);
    state.scheme = state.authentication->scheme();
    state.realm = state.authentication->requiresAccountDomain() ? std::string() : state.authentication->realm();
    return true;
}

// Basic and Digest are answered in one round: a challenge after credentials
// were applied turns them down, unless Digest only says its nonce went stale.
// NTLM takes two: a challenge carrying the server's token goes on with the
// handshake, and one after the client's answer is judged by the retry count;
// a bare one after the opening step means the handshake itself was refused.
RQHTTPRequest::ChallengeVerdict RQHTTPRequest::judgeChallenge(const RQAuthState& state) const {
    const auto& challenge = *state.authentication;
    if (!challenge.canAnswer())
        return ChallengeVerdict::Unusable;
    if (!state.credentials || challenge.isStale())
        return ChallengeVerdict::Valid;
    if (challenge.scheme() != net::kAuthenticationSchemeNTLM)
        return ChallengeVerdict::Rejected;
    if (challenge.continuesHandshake() || state.retryCount >= 2)
        return ChallengeVerdict::Valid;
    return ChallengeVerdict::Unusable;
}

void RQHTTPRequest::startAfterCredentials(std::unique_lock<std::recursive_mutex>& lock) {
    lock.unlock();
    startRequest();
}

void RQHTTPRequest::attemptToApplyCredentialsAndResume() {
    PW_ASSERT_MSG(threadForRequest().isCurrent(), "a request's steps run on the network thread");
    std::unique_lock lock(m_cancelledLock);
    if (m_error || m_cancelled)
        return;
    if (m_authenticationNeeded == 2) {
        attemptToApplyProxyCredentialsAndResume();
        return;
    }
    cancelLoad();
    if (!takeChallenge(m_serverAuth, false)) {
        failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                    "Failed to get authentication object from response headers"));
        return;
    }
    const auto verdict = judgeChallenge(m_serverAuth);
    if (verdict == ChallengeVerdict::Valid) {
        if (m_serverAuth.credentials) {
            // An NTLM handshake has one second step; a challenge after it is a refusal.
            bool ntlm = m_serverAuth.scheme == net::kAuthenticationSchemeNTLM;
            if (!(ntlm && m_serverAuth.retryCount > 1) && applyCredentials(m_serverAuth.credentials)) {
                startAfterCredentials(lock);
            } else if (ntlm && m_serverAuth.retryCount == 2) {
                failWithError(standardError(RQAuthenticationErrorType));
            } else {
                failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                            "Failed to apply credentials to request"));
            }
            return;
        }
        if (!m_serverAuth.authentication->requiresUserNameAndPassword()) {
            // Nothing could ever be supplied: waiting would never end.
            failWithError(standardError(RQAuthenticationErrorType));
            return;
        }
        std::unique_lock prompt(authenticationPromptLock());
        // Another request's dialog may have cancelled this one meanwhile.
        if (m_error || m_cancelled)
            return;
        if (m_useSessionPersistence) {
            auto entry = findSessionAuthenticationCredentials();
            if (entry && applyCredentials(entry->credentials)) {
                prompt.unlock();
                startAfterCredentials(lock);
                return;
            }
        }
        if (auto found = findCredentials()) {
            bool applied = applyCredentials(found);
            prompt.unlock();
            if (applied)
                startAfterCredentials(lock);
            else
                failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                            "Failed to apply credentials to request"));
            return;
        }
        if (willAskDelegateForCredentials() || showAuthenticationDialog())
            return; // the request waits for the answer
        prompt.unlock();
        failWithError(standardError(RQAuthenticationErrorType));
        return;
    }
    if (verdict == ChallengeVerdict::Rejected) {
        std::unique_lock prompt(authenticationPromptLock());
        removeAuthenticationCredentialsFromSessionStore(m_serverAuth.credentials);
        m_serverAuth.credentials.reset();
        if (m_error || m_cancelled)
            return;
        if (m_useSessionPersistence) {
            // Other credentials kept for this server, answering the new challenge.
            auto entry = findSessionAuthenticationCredentials();
            if (entry && applyCredentials(entry->credentials)) {
                prompt.unlock();
                startAfterCredentials(lock);
                return;
            }
        }
        m_serverAuth.authentication.reset();
        m_lastActivityTime = 0; // no time-out while someone answers
        if (willAskDelegateForCredentials() || showAuthenticationDialog())
            return;
        prompt.unlock();
    }
    m_serverAuth.authentication.reset();
    failWithError(standardError(RQAuthenticationErrorType));
}

void RQHTTPRequest::attemptToApplyProxyCredentialsAndResume() {
    PW_ASSERT_MSG(threadForRequest().isCurrent(), "a request's steps run on the network thread");
    std::unique_lock lock(m_cancelledLock);
    if (m_error || m_cancelled)
        return;
    cancelLoad();
    if (!takeChallenge(m_proxyAuth, true)) {
        failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                    "Failed to get authentication object from response headers"));
        return;
    }
    const auto verdict = judgeChallenge(m_proxyAuth);
    if (verdict == ChallengeVerdict::Valid) {
        if (m_proxyAuth.credentials) {
            bool ntlm = m_proxyAuth.scheme == net::kAuthenticationSchemeNTLM;
            if (!(ntlm && m_proxyAuth.retryCount > 1) && applyProxyCredentials(m_proxyAuth.credentials)) {
                startAfterCredentials(lock);
            } else if (ntlm && m_proxyAuth.retryCount == 2) {
                failWithError(standardError(RQAuthenticationErrorType));
            } else {
                failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                            "Failed to apply proxy credentials to request"));
            }
            return;
        }
        if (!m_proxyAuth.authentication->requiresUserNameAndPassword()) {
            failWithError(standardError(RQAuthenticationErrorType));
            return;
        }
        std::unique_lock prompt(authenticationPromptLock());
        if (m_error || m_cancelled)
            return;
        if (m_useSessionPersistence) {
            auto entry = findSessionProxyAuthenticationCredentials();
            if (entry && applyProxyCredentials(entry->credentials)) {
                prompt.unlock();
                startAfterCredentials(lock);
                return;
            }
        }
        if (auto found = findProxyCredentials()) {
            bool applied = applyProxyCredentials(found);
            prompt.unlock();
            if (applied)
                startAfterCredentials(lock);
            else
                failWithError(RQError::make(RQInternalErrorWhileApplyingCredentialsType,
                                            "Failed to apply proxy credentials to request"));
            return;
        }
        if (willAskDelegateForProxyCredentials() || showProxyAuthenticationDialog())
            return;
        prompt.unlock();
        failWithError(standardError(RQAuthenticationErrorType));
        return;
    }
    if (verdict == ChallengeVerdict::Rejected) {
        std::unique_lock prompt(authenticationPromptLock());
        removeProxyAuthenticationCredentialsFromSessionStore(m_proxyAuth.credentials);
        m_proxyAuth.credentials.reset();
        if (m_error || m_cancelled)
            return;
        if (m_useSessionPersistence) {
            auto entry = findSessionProxyAuthenticationCredentials();
            if (entry && applyProxyCredentials(entry->credentials)) {
                prompt.unlock();
                startAfterCredentials(lock);
                return;
            }
        }
        m_proxyAuth.authentication.reset();
        m_lastActivityTime = 0;
        if (willAskDelegateForProxyCredentials() || showProxyAuthenticationDialog())
            return;
        prompt.unlock();
    }
    m_proxyAuth.authentication.reset();
    failWithError(standardError(RQAuthenticationErrorType));
}

// The delegate is asked when it answers, else the queue when there is no
// delegate; failing both, the block.
bool RQHTTPRequest::willAskDelegateForCredentials() {
    if (m_isSynchronous)
        return false;
    std::shared_ptr<RQHTTPRequestDelegate> receiver = delegate();
    if (!receiver)
        receiver = queue();
    if (!(receiver && receiver->handlesAuthenticationNeeded()) && !currentBlock(m_blocks.authenticationNeeded))
        return false;
    deliver([keep = self()] { keep->askDelegateForCredentials(); });
    return true;
}

bool RQHTTPRequest::willAskDelegateForProxyCredentials() {
    if (m_isSynchronous)
        return false;
    std::shared_ptr<RQHTTPRequestDelegate> receiver = delegate();
    if (!receiver)
        receiver = queue();
    if (!(receiver && receiver->handlesProxyAuthenticationNeeded()) &&
        !currentBlock(m_blocks.proxyAuthenticationNeeded))
        return false;
    deliver([keep = self()] { keep->askDelegateForProxyCredentials(); });
    return true;
}

void RQHTTPRequest::askDelegateForCredentials() {
    std::shared_ptr<RQHTTPRequestDelegate> receiver = delegate();
    if (!receiver)
        receiver = queue();
    if (receiver && receiver->handlesAuthenticationNeeded())
        receiver->authenticationNeededForRequest(*this);
    else if (auto b = currentBlock(m_blocks.authenticationNeeded))
        b();
}

void RQHTTPRequest::askDelegateForProxyCredentials() {
    std::shared_ptr<RQHTTPRequestDelegate> receiver = delegate();
    if (!receiver)
        receiver = queue();
    if (receiver && receiver->handlesProxyAuthenticationNeeded())
        receiver->proxyAuthenticationNeededForRequest(*this);
    else if (auto b = currentBlock(m_blocks.proxyAuthenticationNeeded))
        b();
}

bool RQHTTPRequest::showAuthenticationDialog() {
    if (m_isSynchronous || !m_shouldPresentAuthenticationDialog || !RQAuthenticationDialog::presentationEnabled())
        return false;
    deliver([keep = self()] { RQAuthenticationDialog::presentAuthenticationDialogForRequest(keep); });
    return true;
}

bool RQHTTPRequest::showProxyAuthenticationDialog() {
    if (m_isSynchronous || !m_shouldPresentProxyAuthenticationDialog || !RQAuthenticationDialog::presentationEnabled())
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
