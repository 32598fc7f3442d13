#pragma once
#include "network/RQCacheDelegate.h"

#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pw {

// Raised when the cache folders cannot be made, listed or emptied.
struct RQCacheException : std::runtime_error {
    RQCacheException(std::string name, const std::string& reason) : std::runtime_error(reason), name(std::move(name)) {}
    std::string name;
};

// The engine's on-disk response cache: per URL a headers file (property list)
// and a data file, in a session store emptied when the path changes and a
// permanent store; stored answers are current by their validators and expiry.
class RQDownloadCache : public RQCacheDelegate {
public:
    RQDownloadCache() = default;
    static RQDownloadCache& sharedCache(); // under Library/Caches/RQHTTPRequestCache

    void setStoragePath(const std::string& path); // may throw RQCacheException
    std::string storagePath() const;
    void setDefaultCachePolicy(int policy);
    int defaultCachePolicy() const override;
    void setShouldRespectCacheControlHeaders(bool v);
    bool shouldRespectCacheControlHeaders() const;

    std::optional<double> expiryDateForRequest(RQHTTPRequest& request, double maxAge) override;
    void updateExpiryForRequest(RQHTTPRequest& request, double maxAge) override;
    bool canUseCachedDataForRequest(RQHTTPRequest& request) override;
    void removeCachedDataForRequest(RQHTTPRequest& request) override;
    bool isCachedDataCurrentForRequest(RQHTTPRequest& request) override;
    void storeResponseForRequest(RQHTTPRequest& request, double maxAge) override;
    void removeCachedDataForURL(const std::string& url) override;
    std::optional<RQHeaderMap> cachedResponseHeadersForURL(const std::string& url) override;
    std::optional<std::string> cachedResponseDataForURL(const std::string& url) override;
    std::optional<std::string> pathToCachedResponseDataForURL(const std::string& url) override;
    std::optional<std::string> pathToCachedResponseHeadersForURL(const std::string& url) override;
    std::optional<std::string> pathToStoreCachedResponseHeadersForRequest(RQHTTPRequest& request) override;
    std::optional<std::string> pathToStoreCachedResponseDataForRequest(RQHTTPRequest& request) override;
    void clearCachedResponsesForStoragePolicy(int storagePolicy) override;

    static std::optional<std::string> keyForURL(const std::string& url);
    static const std::vector<std::string>& fileExtensionsToHandleAsHTML();
    static bool serverAllowsResponseCachingForRequest(RQHTTPRequest& request);

private:
    std::optional<std::string> pathToFile(const std::string& fileName);
    static std::string dataExtensionForURL(const std::string& url);
    std::optional<RQHeaderMap> readHeadersAt(const std::string& path);
    bool writeHeadersAt(const std::string& path, const RQHeaderMap& headers);

    mutable std::recursive_mutex m_accessLock;
    std::string m_storagePath;
    int m_defaultCachePolicy = 4;
    bool m_shouldRespectCacheControlHeaders = true;
};

} // namespace pw
