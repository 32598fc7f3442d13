#include "network/RQDownloadCache.h"

#include "network/RQHTTPRequest.h"
#include "platform/core/Clock.h"
#include "platform/core/Paths.h"
#include "platform/core/PropertyList.h"
#include "platform/core/Value.h"
#include "platform/net/HeaderText.h"
#include "platform/net/HttpAuthentication.h"
#include "platform/net/Url.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace pw {
namespace {

constexpr const char* kExpiresHeader = "X-RQHTTPRequest-Expires";
constexpr const char* kStatusHeader = "X-RQHTTPRequest-Response-Status-Code";

double wallNow() {
    return core::Clock::shared().now();
}

std::string storeName(int policy) {
    return policy == RQCacheForSessionDurationCacheStoragePolicy ? "SessionStore" : "PermanentStore";
}

} // namespace

RQDownloadCache& RQDownloadCache::sharedCache() {
    static RQDownloadCache* cache = [] {
        auto* c = new RQDownloadCache();
        c->setStoragePath((core::Paths::caches() / "RQHTTPRequestCache").string());
        return c;
    }();
    return *cache;
}

void RQDownloadCache::setStoragePath(const std::string& path) {
    std::lock_guard lock(m_accessLock);
    clearCachedResponsesForStoragePolicy(RQCacheForSessionDurationCacheStoragePolicy);
    m_storagePath = path;
    if (path.empty())
        return;
    for (const fs::path& dir : {fs::path(path), fs::path(path) / "SessionStore", fs::path(path) / "PermanentStore"}) {
        std::error_code ec;
        if (fs::exists(dir, ec)) {
            if (!fs::is_directory(dir, ec))
                throw RQCacheException("FileExistsAtCachePath", "Cannot create a directory for the cache at '" +
                                                                    dir.string() + "', because a file already exists");
            continue;
        }
        fs::create_directories(dir, ec);
        if (!fs::is_directory(dir, ec))
            throw RQCacheException("FailedToCreateCacheDirectory",
                                   "Failed to create a directory for the cache at '" + dir.string() + "'");
    }
    clearCachedResponsesForStoragePolicy(RQCacheForSessionDurationCacheStoragePolicy);
}

std::string RQDownloadCache::storagePath() const {
    std::lock_guard lock(m_accessLock);
    return m_storagePath;
}

void RQDownloadCache::setDefaultCachePolicy(int policy) {
    std::lock_guard lock(m_accessLock);
    m_defaultCachePolicy = policy == 0 ? RQAskServerIfModifiedWhenStaleCachePolicy : policy;
}

int RQDownloadCache::defaultCachePolicy() const {
    std::lock_guard lock(m_accessLock);
    return m_defaultCachePolicy;
}

void RQDownloadCache::setShouldRespectCacheControlHeaders(bool v) {
    std::lock_guard lock(m_accessLock);
    m_shouldRespectCacheControlHeaders = v;
}

bool RQDownloadCache::shouldRespectCacheControlHeaders() const {
    std::lock_guard lock(m_accessLock);
    return m_shouldRespectCacheControlHeaders;
}

std::optional<std::string> RQDownloadCache::keyForURL(const std::string& url) {
    std::string text = url;
    if (auto parsed = net::Url::parse(url))
        text = parsed->absoluteString();
    if (!text.empty() && text.back() == '/')
        text.pop_back();
    if (text.empty())
        return std::nullopt;
    return net::md5HexUpper(text);
}

const std::vector<std::string>& RQDownloadCache::fileExtensionsToHandleAsHTML() {
    static const std::vector<std::string> list = {"asp", "aspx", "jsp", "php", "rb", "py", "pl", "cgi"};
    return list;
}

std::string RQDownloadCache::dataExtensionForURL(const std::string& url) {
    auto parsed = net::Url::parse(url);
    std::string ext = parsed ? parsed->pathExtension() : std::string();
    if (ext.empty())
        return "html";
    const auto& list = fileExtensionsToHandleAsHTML();
    if (std::find(list.begin(), list.end(), net::asciiLower(ext)) != list.end())
        return "html";
    return ext;
}

std::optional<std::string> RQDownloadCache::pathToFile(const std::string& fileName) {
    std::lock_guard lock(m_accessLock);
    if (m_storagePath.empty())
        return std::nullopt;
    for (const char* store : {"SessionStore", "PermanentStore"}) {
        fs::path p = fs::path(m_storagePath) / store / fileName;
        std::error_code ec;
        if (fs::exists(p, ec))
            return p.string();
    }
    return std::nullopt;
}

std::optional<std::string> RQDownloadCache::pathToCachedResponseDataForURL(const std::string& url) {
    auto key = keyForURL(url);
    if (!key)
        return std::nullopt;
    return pathToFile(*key + "." + dataExtensionForURL(url));
}

std::optional<std::string> RQDownloadCache::pathToCachedResponseHeadersForURL(const std::string& url) {
    auto key = keyForURL(url);
    if (!key)
        return std::nullopt;
    return pathToFile(*key + ".cachedheaders");
}

std::optional<std::string> RQDownloadCache::pathToStoreCachedResponseHeadersForRequest(RQHTTPRequest& request) {
    std::lock_guard lock(m_accessLock);
    auto key = keyForURL(request.url());
    if (m_storagePath.empty() || !key)
        return std::nullopt;
    return (fs::path(m_storagePath) / storeName(request.cacheStoragePolicy()) / (*key + ".cachedheaders")).string();
}

std::optional<std::string> RQDownloadCache::pathToStoreCachedResponseDataForRequest(RQHTTPRequest& request) {
    std::lock_guard lock(m_accessLock);
    auto key = keyForURL(request.url());
    if (m_storagePath.empty() || !key)
        return std::nullopt;
    return (fs::path(m_storagePath) / storeName(request.cacheStoragePolicy()) /
            (*key + "." + dataExtensionForURL(request.url())))
        .string();
}

std::optional<RQHeaderMap> RQDownloadCache::readHeadersAt(const std::string& path) {
    auto value = core::PropertyList::readFile(path);
    if (!value || !value->isMap())
        return std::nullopt;
    RQHeaderMap headers;
    for (const auto& [k, v] : *value->asMap()) {
        if (auto s = v.asString())
            headers[k] = *s;
        else if (auto i = v.asInt())
            headers[k] = std::to_string(*i);
        else if (auto d = v.asDouble()) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.3f", *d);
            headers[k] = buf;
        }
    }
    return headers;
}

bool RQDownloadCache::writeHeadersAt(const std::string& path, const RQHeaderMap& headers) {
    core::Value map = core::Value::map();
    for (const auto& [k, v] : headers) {
        if (k == kExpiresHeader)
            map.set(k, core::Value(std::strtod(v.c_str(), nullptr)));
        else if (k == kStatusHeader)
            map.set(k, core::Value(static_cast<int64_t>(std::atoll(v.c_str()))));
        else
            map.set(k, core::Value(v));
    }
    return core::PropertyList::writeFile(path, map, core::PropertyList::Format::Xml);
}

std::optional<RQHeaderMap> RQDownloadCache::cachedResponseHeadersForURL(const std::string& url) {
    auto path = pathToCachedResponseHeadersForURL(url);
    if (!path)
        return std::nullopt;
    return readHeadersAt(*path);
}

std::optional<std::string> RQDownloadCache::cachedResponseDataForURL(const std::string& url) {
    auto path = pathToCachedResponseDataForURL(url);
    if (!path)
        return std::nullopt;
    std::ifstream in(*path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::optional<double> RQDownloadCache::expiryDateForRequest(RQHTTPRequest& request, double maxAge) {
    return RQHTTPRequest::expiryDateForRequest(request, maxAge);
}

void RQDownloadCache::updateExpiryForRequest(RQHTTPRequest& request, double maxAge) {
    auto path = pathToStoreCachedResponseHeadersForRequest(request);
    if (!path)
        return;
    auto headers = readHeadersAt(*path);
    if (!headers)
        return;
    auto expiry = expiryDateForRequest(request, maxAge);
    if (!expiry)
        return;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", *expiry);
    (*headers)[kExpiresHeader] = buf;
    writeHeadersAt(*path, *headers);
}

bool RQDownloadCache::serverAllowsResponseCachingForRequest(RQHTTPRequest& request) {
    // Any "no-store" directive forbids keeping the answer, whatever stands beside it.
    const auto& h = request.responseHeaders();
    auto cc = h.find("Cache-Control");
    if (cc != h.end()) {
        std::string v = net::asciiLower(cc->second);
        if (v == "no-cache")
            return false;
        std::stringstream in(v);
        std::string item;
        while (std::getline(in, item, ',')) {
            size_t b = item.find_first_not_of(" \t");
            size_t e = item.find_last_not_of(" \t");
            if (b != std::string::npos && item.substr(b, e - b + 1) == "no-store")
                return false;
        }
    }
    auto pragma = h.find("Pragma");
    if (pragma != h.end() && net::asciiLower(pragma->second) == "no-cache")
        return false;
    return true;
}

void RQDownloadCache::storeResponseForRequest(RQHTTPRequest& request, double maxAge) {
    std::lock_guard lock(m_accessLock);
    if (request.error() || !request.hasResponseHeaders() || (request.cachePolicy() & RQDoNotWriteToCacheCachePolicy))
        return;
    int status = request.responseStatusCode();
    if (status != 200 && status != 301 && status != 302 && status != 303 && status != 307)
        return;
    if (m_shouldRespectCacheControlHeaders && !serverAllowsResponseCachingForRequest(request))
        return;
    auto headersPath = pathToStoreCachedResponseHeadersForRequest(request);
    auto dataPath = pathToStoreCachedResponseDataForRequest(request);
    if (!headersPath || !dataPath)
        return;
    RQHeaderMap headers = request.responseHeaders();
    if (request.isResponseCompressed())
        headers.erase("Content-Encoding");
    if (auto expiry = expiryDateForRequest(request, maxAge)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.3f", *expiry);
        headers[kExpiresHeader] = buf;
    }
    headers[kStatusHeader] = std::to_string(status);
    if (request.downloadDestinationPath().empty()) {
        auto body = request.responseData();
        if (!body)
            return;
        // The stored length is the inflated body's.
        if (headers.count("Content-Length"))
            headers["Content-Length"] = std::to_string(body->size());
        std::ofstream out(*dataPath, std::ios::binary | std::ios::trunc);
        out.write(body->data(), static_cast<std::streamsize>(body->size()));
        if (!out)
            return;
    } else if (request.downloadDestinationPath() != *dataPath) {
        std::error_code ec;
        fs::remove(*dataPath, ec);
        fs::copy_file(request.downloadDestinationPath(), *dataPath, fs::copy_options::overwrite_existing, ec);
        if (ec)
            return;
        if (headers.count("Content-Length"))
            headers["Content-Length"] = std::to_string(fs::file_size(*dataPath, ec));
    }
    writeHeadersAt(*headersPath, headers);
}

void RQDownloadCache::removeCachedDataForURL(const std::string& url) {
    std::lock_guard lock(m_accessLock);
    std::error_code ec;
    if (auto p = pathToCachedResponseHeadersForURL(url))
        fs::remove(*p, ec);
    if (auto p = pathToCachedResponseDataForURL(url))
        fs::remove(*p, ec);
}

void RQDownloadCache::removeCachedDataForRequest(RQHTTPRequest& request) {
    removeCachedDataForURL(request.url());
}

bool RQDownloadCache::isCachedDataCurrentForRequest(RQHTTPRequest& request) {
    std::lock_guard lock(m_accessLock);
    if (m_storagePath.empty())
        return false;
    auto cached = cachedResponseHeadersForURL(request.url());
    if (!cached || !pathToCachedResponseDataForURL(request.url()))
        return false;
    if (request.responseStatusCode() == 304)
        return true;
    if (request.hasResponseHeaders() && request.complete()) {
        for (const char* name : {"Etag", "Last-Modified"}) {
            auto now = request.responseHeaders().find(name);
            auto then = cached->find(name);
            if (now == request.responseHeaders().end() || then == cached->end() || now->second != then->second)
                return false;
        }
    }
    if (!m_shouldRespectCacheControlHeaders)
        return true;
    auto expires = cached->find(kExpiresHeader);
    return expires != cached->end() && std::strtod(expires->second.c_str(), nullptr) >= wallNow();
}

bool RQDownloadCache::canUseCachedDataForRequest(RQHTTPRequest& request) {
    int policy = request.cachePolicy();
    if (policy & RQDoNotReadFromCacheCachePolicy)
        return false;
    if (policy & RQDontLoadCachePolicy)
        return true;
    // A headers file without its body (or the other way round) is nothing stored.
    if (!cachedResponseHeadersForURL(request.url()) || !pathToCachedResponseDataForURL(request.url()))
        return false;
    if ((policy & RQOnlyLoadIfNotCachedCachePolicy) ||
        (request.complete() && (policy & RQFallbackToCacheIfLoadFailsCachePolicy)))
        return true;
    if ((policy & RQAskServerIfModifiedWhenStaleCachePolicy) ||
        ((policy & RQAskServerIfModifiedCachePolicy) && request.hasResponseHeaders()))
        return isCachedDataCurrentForRequest(request);
    return false;
}

void RQDownloadCache::clearCachedResponsesForStoragePolicy(int storagePolicy) {
    std::lock_guard lock(m_accessLock);
    if (m_storagePath.empty())
        return;
    fs::path dir = fs::path(m_storagePath) / storeName(storagePolicy);
    std::error_code ec;
    if (!fs::is_directory(dir, ec))
        return;
    fs::directory_iterator it(dir, ec);
    if (ec)
        throw RQCacheException("FailedToTraverseCacheDirectory",
                               "Listing cache directory failed at path '" + dir.string() + "'");
    for (const auto& entry : it) {
        std::error_code rec;
        fs::remove_all(entry.path(), rec);
        if (rec)
            throw RQCacheException("FailedToRemoveCacheFile",
                                   "Failed to remove cached data at path '" + dir.string() + "'");
    }
}

} // namespace pw
