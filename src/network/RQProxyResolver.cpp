#include "network/RQProxyResolver.h"

#include "network/RQDataDecompressor.h"
#include "network/RQHTTPRequest.h"
#include "network/RQHelpers.h"
#include "platform/core/OperationQueue.h"
#include "platform/net/ProxySettings.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace pw {
namespace {

const char* typeName(net::ProxyEntry::Type type) {
    switch (type) {
    case net::ProxyEntry::Type::Socks:
        return "SOCKS";
    case net::ProxyEntry::Type::Https:
        return "HTTPS";
    default:
        return "HTTP";
    }
}

// A local script; one that cannot be read, or never ends, gives nothing.
std::optional<std::string> readLocalScript(const std::string& path) {
    RQFile f = RQHelpers::openFile(path, "rb");
    if (!f)
        return std::nullopt;
    std::string script;
    char buf[16384];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0 && script.size() < (16u << 20))
        script.append(buf, n);
    return script;
}

} // namespace

std::optional<RQProxyResolver::Choice> RQProxyResolver::fromSettings(const net::Url& url, std::string& pacUrl) {
    auto list = net::ProxySettings::proxiesForURL(url, net::ProxySettings::systemSettings());
    if (list.empty())
        return std::nullopt;
    const auto& first = list.front();
    if (first.type == net::ProxyEntry::Type::AutoConfigurationUrl) {
        pacUrl = first.autoConfigurationUrl;
        return std::nullopt;
    }
    return Choice{first.host, first.port, typeName(first.type)};
}

std::optional<RQProxyResolver::Choice> RQProxyResolver::fromScript(const std::string& script, const net::Url& url,
                                                                   double timeOutSeconds) {
    if (script.empty())
        return std::nullopt;
    double limit = timeOutSeconds > 0 ? std::min(timeOutSeconds, 5.0) : 5.0;
    auto list = net::ProxySettings::proxiesForURLFromScript(script, url, limit);
    if (!list || list->empty() || list->front().type == net::ProxyEntry::Type::None)
        return std::nullopt;
    const auto& first = list->front();
    // A script names HTTP or SOCKS proxies only.
    return Choice{first.host, first.port, first.type == net::ProxyEntry::Type::Socks ? "SOCKS" : "HTTP"};
}

void RQProxyResolver::widenSharedQueue(int by) {
    // The script's fetch runs on the shared queue beside the request waiting
    // for it: the queue is one wider meanwhile, so the two cannot block it.
    static std::mutex widthMutex;
    std::lock_guard lock(widthMutex);
    auto& queue = RQHTTPRequest::sharedQueue();
    queue.setMaxConcurrentOperationCount(queue.maxConcurrentOperationCount() + by);
}

void RQProxyResolver::resolve(const std::string& pacUrl, const net::Url& url, double timeOutSeconds, Done done) {
    auto pac = net::Url::parse(pacUrl);
    if (pac && pac->isFileUrl()) {
        auto script = readLocalScript(net::Url::percentUnescape(pac->path()));
        done(script ? fromScript(*script, url, timeOutSeconds) : std::nullopt);
        return;
    }
    if (!pac || (pac->scheme() != "http" && pac->scheme() != "https")) {
        done(std::nullopt);
        return;
    }
    auto request = RQHTTPRequest::requestWithURL(pacUrl);
    request->m_isPACFileRequest = true;
    request->m_timeOutSeconds = timeOutSeconds;
    request->setQueuePriority(core::Operation::Priority::High);
    m_request = request;
    std::weak_ptr<RQHTTPRequest> weakFetch = request;
    // Runs on the network thread: a script request reports directly.
    auto answered = [weakFetch, url, timeOutSeconds, done] {
        std::optional<Choice> choice;
        if (auto fetch = weakFetch.lock(); fetch && !fetch->error())
            if (auto text = fetch->responseString())
                choice = fromScript(*text, url, timeOutSeconds);
        widenSharedQueue(-1);
        done(choice);
    };
    request->setCompletionBlock(answered);
    request->setFailedBlock(answered);
    widenSharedQueue(1);
    request->startAsynchronous();
}

void RQProxyResolver::cancel() {
    if (!m_request)
        return;
    auto request = std::move(m_request);
    request->clearDelegatesAndCancel();
    widenSharedQueue(-1);
}

} // namespace pw
