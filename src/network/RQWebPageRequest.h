#pragma once
#include "network/RQHTTPRequest.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>

namespace pw {

class RQNetworkQueue;

// Downloads an HTML or CSS page with the resources it names (style sheets,
// scripts, images, frames, media) and rewrites the page so that it no longer
// needs the network: each address becomes the resource itself as a data
// address, or a relative path to a stored copy.
class RQWebPageRequest : public RQHTTPRequest {
public:
    enum URLReplacementMode {
        RQDontModifyURLs = 0,
        RQReplaceExternalResourcesWithData = 1,
        RQReplaceExternalResourcesWithLocalURLs = 2,
    };
    enum WebContentType { RQNotParsedContent = 0, RQHTMLContent = 1, RQCSSContent = 2 };

    static std::shared_ptr<RQWebPageRequest> requestWithURL(const std::string& url);
    explicit RQWebPageRequest(const std::string& url);
    ~RQWebPageRequest() override;

    void setUrlReplacementMode(URLReplacementMode m) { m_urlReplacementMode = m; }
    URLReplacementMode urlReplacementMode() const { return m_urlReplacementMode; }
    void setShouldIgnoreExternalResourceErrors(bool v) { m_shouldIgnoreExternalResourceErrors = v; }
    // The page a resource request was made for; a resource's own addresses
    // are followed only when it is a style sheet.
    void setParentRequest(std::weak_ptr<RQWebPageRequest> parent) { m_parentRequest = std::move(parent); }
    std::shared_ptr<RQWebPageRequest> parentRequest() const { return m_parentRequest.lock(); }
    WebContentType webContentType() const { return m_webContentType; }

    struct Resource {
        std::string contentType;
        std::string data;
        std::string dataPath;
    };
    // Address (absolute) -> what was fetched for it.
    const std::map<std::string, Resource>& resourceList() const { return m_resourceList; }

    // Addresses an HTML text or a style sheet names (exposed for tests).
    static std::vector<std::string> addressesInHTML(const std::string& html, std::string* error = nullptr);
    static std::vector<std::string> addressesInCSS(const std::string& css);

protected:
    bool takeOverFinish() override;

private:
    void resourcesFetched();
    std::string rewriteHTML(const std::string& html, const std::map<std::string, std::string>& replacements, bool* ok);
    static std::string rewriteCSS(const std::string& css, const std::map<std::string, std::string>& replacements);
    std::string replacementFor(const std::string& absolute);
    // Whether this request or a page it was made for has this address.
    bool isOnTheWayTo(const std::string& absolute) const;
    void fetchResources(const std::vector<std::string>& addresses);
    // Where resource copies go: beside the page that started it all.
    std::filesystem::path resourceFolder() const;

    std::shared_ptr<RQNetworkQueue> m_externalResourceQueue;
    std::map<std::string, Resource> m_resourceList;
    std::map<std::string, std::string> m_absoluteByWritten; // address as written -> absolute
    WebContentType m_webContentType = RQNotParsedContent;
    URLReplacementMode m_urlReplacementMode = RQReplaceExternalResourcesWithData;
    bool m_shouldIgnoreExternalResourceErrors = true;
    std::string m_pageText;
    std::weak_ptr<RQWebPageRequest> m_parentRequest;
};

} // namespace pw
