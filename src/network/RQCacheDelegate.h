#pragma once
#include "network/RQHTTPRequestDelegate.h"

#include <optional>
#include <string>

namespace pw {

class RQHTTPRequest;

// Bits of a request's cachePolicy; 0 takes the cache's default.
enum RQCachePolicy : int {
    RQUseDefaultCachePolicy = 0,
    RQDoNotReadFromCacheCachePolicy = 1,
    RQDoNotWriteToCacheCachePolicy = 2,
    RQAskServerIfModifiedWhenStaleCachePolicy = 4,
    RQAskServerIfModifiedCachePolicy = 8,
    RQOnlyLoadIfNotCachedCachePolicy = 16,
    RQDontLoadCachePolicy = 32,
    RQFallbackToCacheIfLoadFailsCachePolicy = 64,
};

enum RQCacheStoragePolicy : int {
    RQCacheForSessionDurationCacheStoragePolicy = 0,
    RQCachePermanentlyCacheStoragePolicy = 1,
};

class RQCacheDelegate {
public:
    virtual ~RQCacheDelegate() = default;
    virtual int defaultCachePolicy() const = 0;
    virtual std::optional<double> expiryDateForRequest(RQHTTPRequest& request, double maxAge) = 0;
    virtual void updateExpiryForRequest(RQHTTPRequest& request, double maxAge) = 0;
    virtual bool canUseCachedDataForRequest(RQHTTPRequest& request) = 0;
    virtual void removeCachedDataForRequest(RQHTTPRequest& request) = 0;
    virtual bool isCachedDataCurrentForRequest(RQHTTPRequest& request) = 0;
    virtual void storeResponseForRequest(RQHTTPRequest& request, double maxAge) = 0;
    virtual void removeCachedDataForURL(const std::string& url) = 0;
    virtual std::optional<RQHeaderMap> cachedResponseHeadersForURL(const std::string& url) = 0;
    virtual std::optional<std::string> cachedResponseDataForURL(const std::string& url) = 0;
    virtual std::optional<std::string> pathToCachedResponseDataForURL(const std::string& url) = 0;
    virtual std::optional<std::string> pathToCachedResponseHeadersForURL(const std::string& url) = 0;
    virtual std::optional<std::string> pathToStoreCachedResponseHeadersForRequest(RQHTTPRequest& request) = 0;
    virtual std::optional<std::string> pathToStoreCachedResponseDataForRequest(RQHTTPRequest& request) = 0;
    virtual void clearCachedResponsesForStoragePolicy(int storagePolicy) = 0;
};

} // namespace pw
