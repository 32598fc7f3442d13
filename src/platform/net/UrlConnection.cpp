#include "platform/net/UrlConnection.h"

#include "platform/core/RunLoop.h"
#include "platform/core/Thread.h"

#include <curl/curl.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>

namespace pw::net {
namespace {

size_t collectBody(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

std::string charsetOf(const char* contentType) {
    if (!contentType)
        return {};
    std::string type = contentType;
    std::string lower = type;
    for (auto& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto at = lower.find("charset=");
    if (at == std::string::npos)
        return {};
    std::string value = type.substr(at + 8);
    if (auto end = value.find(';'); end != std::string::npos)
        value.resize(end);
    while (!value.empty() && (value.back() == ' ' || value.back() == '"'))
        value.pop_back();
    while (!value.empty() && (value.front() == ' ' || value.front() == '"'))
        value.erase(0, 1);
    return value;
}

// Connections run on detached threads. A process that exits while one is
// still in libcurl would pull the library's state away under it, so at exit
// the transfers are told to stop and are waited for (briefly). The exit hook
// is registered after libcurl's own initialisation, so it runs before the
// clean-ups that initialisation registered.
std::atomic<bool> g_exiting{false};
std::mutex g_inFlightMutex;
std::condition_variable g_inFlightDone;
int g_inFlight = 0;

void stopConnectionsAtExit() {
    g_exiting = true;
    std::unique_lock lock(g_inFlightMutex);
    g_inFlightDone.wait_for(lock, std::chrono::seconds(2), [] { return g_inFlight == 0; });
}

void ensureCurl() {
    static std::once_flag init;
    std::call_once(init, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        std::atexit(stopConnectionsAtExit);
    });
}

int abortWhenExiting(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return g_exiting ? 1 : 0;
}

struct InFlight {
    InFlight() {
        std::lock_guard lock(g_inFlightMutex);
        ++g_inFlight;
    }
    ~InFlight() {
        std::lock_guard lock(g_inFlightMutex);
        --g_inFlight;
        g_inFlightDone.notify_all();
    }
};

} // namespace

UrlResponse UrlConnection::get(const std::string& url, double timeoutSeconds) {
    ensureCurl();

    UrlResponse response;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        response.error = "could not create a connection";
        response.errorCode = CURLE_FAILED_INIT;
        return response;
    }
    char errorText[CURL_ERROR_SIZE] = {0};
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutSeconds * 1000));
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &collectBody);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl.get(), CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl.get(), CURLOPT_XFERINFOFUNCTION, &abortWhenExiting);
    CURLcode code = curl_easy_perform(curl.get());
    if (code != CURLE_OK) {
        response.errorCode = code;
        response.error = errorText[0] ? std::string(errorText) : std::string(curl_easy_strerror(code));
        response.body.clear();
        return response;
    }
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &response.status);
    char* contentType = nullptr;
    curl_easy_getinfo(curl.get(), CURLINFO_CONTENT_TYPE, &contentType);
    response.charset = charsetOf(contentType);
    return response;
}

std::shared_ptr<UrlConnection> UrlConnection::start(const std::string& url, double timeoutSeconds,
                                                    std::function<void(const UrlResponse&)> done) {
    ensureCurl();
    auto connection = std::make_shared<UrlConnection>();
    std::weak_ptr<core::RunLoop> caller = core::RunLoop::currentShared();
    auto inFlight = std::make_shared<InFlight>();
    core::Thread::detach(
        [connection, url, timeoutSeconds, caller, done = std::move(done), inFlight = std::move(inFlight)]() mutable {
            // Declared first, released last: nothing of the caller's outlives the count.
            auto counted = std::move(inFlight);
            auto conn = std::move(connection);
            auto callback = std::move(done);
            auto response = std::make_shared<UrlResponse>(get(url, timeoutSeconds));
            auto loop = caller.lock();
            if (!loop || conn->m_cancelled || g_exiting)
                return;
            loop->post([conn, response, callback = std::move(callback)] {
                if (!conn->m_cancelled && callback)
                    callback(*response);
            });
        },
        "url-connection");
    return connection;
}

} // namespace pw::net
