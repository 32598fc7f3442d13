#include "network/RQProxyResolver.h"

#include "network/RQDataDecompressor.h"
#include "network/RQHTTPRequest.h"
#include "network/RQHelpers.h"
#include "platform/core/OperationQueue.h"
#include "platform/core/Text.h"
#include "platform/net/NetworkLoop.h"
#include "platform/net/ProxySettings.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

// A script file holds text in UTF-8 or, failing that, ISO Latin-1.
std::optional<std::string> decodeScript(const std::string& bytes) {
    if (core::text::isValidUtf8(bytes))
        return bytes;
    return core::text::decodeToUtf8(bytes, "ISO-8859-1");
}

constexpr size_t kScriptReadLength = 16384;
constexpr size_t kLongestScript = 16u << 20;

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
        fetchPACFile(net::Url::percentUnescape(pac->path()), url, timeOutSeconds, std::move(done));
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

// The file is read in pieces on the network thread, never waiting on it:
// a FIFO nobody writes to, or a file that never ends, is given up after the
// request's time-out and the request goes direct.
void RQProxyResolver::fetchPACFile(const std::string& path, const net::Url& url, double timeOutSeconds, Done done) {
    auto read = std::make_shared<FileRead>();
    read->fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (read->fd < 0) {
        done(std::nullopt);
        return;
    }
    read->url = url;
    read->timeOutSeconds = timeOutSeconds;
    read->done = std::move(done);
    m_fileRead = read;
    auto& loop = RQHTTPRequest::threadForRequest();
    std::weak_ptr<FileRead> weak = read;
    read->timer = loop.postAfter(timeOutSeconds > 0 ? timeOutSeconds : 10, [weak] {
        if (auto r = weak.lock())
            timeOutPACRead(r);
    });
    loop.post([weak] {
        if (auto r = weak.lock())
            handleEvent(r);
    });
}

void RQProxyResolver::handleEvent(const std::shared_ptr<FileRead>& read) {
    if (read->fd < 0)
        return;
    char buf[kScriptReadLength];
    ssize_t n = ::read(read->fd, buf, sizeof buf);
    std::weak_ptr<FileRead> weak = read;
    auto again = [weak] {
        if (auto r = weak.lock())
            handleEvent(r);
    };
    auto& loop = RQHTTPRequest::threadForRequest();
    if (n > 0) {
        read->data.append(buf, static_cast<size_t>(n));
        if (read->data.size() > kLongestScript) {
            finishPACRead(read, false);
            return;
        }
        loop.post(again); // other streams and timers run between pieces
        return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        loop.postAfter(0.02, again); // nothing yet: look again shortly
        return;
    }
    finishPACRead(read, n == 0);
}

void RQProxyResolver::timeOutPACRead(const std::shared_ptr<FileRead>& read) {
    read->timer = 0;
    finishPACRead(read, false);
}

void RQProxyResolver::finishPACRead(const std::shared_ptr<FileRead>& read, bool ended) {
    if (read->fd < 0)
        return;
    ::close(read->fd);
    read->fd = -1;
    if (read->timer)
        RQHTTPRequest::threadForRequest().cancelTimer(read->timer);
    read->timer = 0;
    std::optional<Choice> choice;
    if (ended)
        if (auto script = decodeScript(read->data))
            choice = fromScript(*script, read->url, read->timeOutSeconds);
    read->data.clear();
    auto done = std::move(read->done);
    read->done = nullptr;
    if (done)
        done(choice);
}

void RQProxyResolver::cancel() {
    if (auto read = std::move(m_fileRead)) {
        read->done = nullptr; // its answer never comes
        finishPACRead(read, false);
    }
    if (!m_request)
        return;
    auto request = std::move(m_request);
    request->clearDelegatesAndCancel();
    widenSharedQueue(-1);
}

} // namespace pw
