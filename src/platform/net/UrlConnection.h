#pragma once
// A plain URL load: one GET, blocking or with its answer delivered on the
// caller's run loop, with a time-out and the answer's charset. For clients
// that need nothing of the HTTP engine's redirects, cookies or caching.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pw::net {

struct UrlResponse {
    long status = 0;
    std::string body;
    // The charset parameter of the answer's Content-Type, as written; empty when absent.
    std::string charset;
    // Set for a transport failure (no answer at all); an HTTP error status is an answer.
    std::optional<std::string> error;
    int errorCode = 0;
};

class UrlConnection {
public:
    static constexpr double kDefaultTimeout = 60;

    // Blocks the calling thread until the answer or a failure.
    static UrlResponse get(const std::string& url, double timeoutSeconds = kDefaultTimeout);

    // Loads on a worker thread and calls done on the calling thread's run loop.
    // Cancelling before the answer arrives means done is never called.
    static std::shared_ptr<UrlConnection> start(const std::string& url, double timeoutSeconds,
                                                std::function<void(const UrlResponse&)> done);
    void cancel() { m_cancelled = true; }

private:
    std::atomic<bool> m_cancelled{false};
};

} // namespace pw::net
