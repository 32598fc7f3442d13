#include "network/RQWebPageRequest.h"

#include "network/RQNetworkQueue.h"
#include "platform/core/Paths.h"
#include "platform/net/HeaderText.h"
#include "platform/net/HttpAuthentication.h"
#include "platform/net/Url.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/xpath.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace pw {
namespace {

// How many style sheets deep a page's resources are followed.

constexpr const char* kXPath = "//link/@href|//a/@href|//script/@src|//img/@src|//frame/@src|//iframe/@src|//style|"
                               "//*/@style|//source/@src|//video/@poster|//audio/@src";

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n\"'");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\n\"'");
    return s.substr(b, e - b + 1);
}

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct XPathContextFree {
    void operator()(xmlXPathContext* c) const { xmlXPathFreeContext(c); }
};
struct XPathObjectFree {
    void operator()(xmlXPathObject* o) const { xmlXPathFreeObject(o); }
};

std::string nodeText(xmlNode* node) {
    xmlChar* c = xmlNodeGetContent(node);
    std::string s = c ? reinterpret_cast<const char*>(c) : "";
    xmlFree(c);
    return s;
}

bool isStyle(xmlNode* node) {
    return node->name && (net::asciiLower(reinterpret_cast<const char*>(node->name)) == "style");
}

// Walks "url(...)" in a style text, calling fn with the position and length of the address inside.
template <typename Fn>
void forEachCssUrl(const std::string& css, Fn fn) {
    std::string l = net::asciiLower(css);
    size_t pos = 0;
    while ((pos = l.find("url(", pos)) != std::string::npos) {
        size_t start = pos + 4;
        size_t end = css.find(')', start);
        if (end == std::string::npos)
            break;
        fn(start, end - start);
        pos = end + 1;
    }
}

} // namespace

std::shared_ptr<RQWebPageRequest> RQWebPageRequest::requestWithURL(const std::string& url) {
    return std::make_shared<RQWebPageRequest>(url);
}

RQWebPageRequest::RQWebPageRequest(const std::string& url) : RQHTTPRequest(url) {}

RQWebPageRequest::~RQWebPageRequest() = default;

std::vector<std::string> RQWebPageRequest::addressesInCSS(const std::string& css) {
    std::vector<std::string> out;
    forEachCssUrl(css, [&](size_t start, size_t length) { out.push_back(trim(css.substr(start, length))); });
    return out;
}

std::vector<std::string> RQWebPageRequest::addressesInHTML(const std::string& html, std::string* error) {
    std::vector<std::string> out;
    std::unique_ptr<xmlDoc, DocFree> doc(
        htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                       HTML_PARSE_NOWARNING | HTML_PARSE_NOERROR | HTML_PARSE_NONET | HTML_PARSE_RECOVER));
    if (!doc) {
        if (error)
            *error = "Error: unable to parse reponse XML";
        return out;
    }
    std::unique_ptr<xmlXPathContext, XPathContextFree> ctx(xmlXPathNewContext(doc.get()));
    if (!ctx) {
        if (error)
            *error = "Error: unable to create new XPath context";
        return out;
    }
    std::unique_ptr<xmlXPathObject, XPathObjectFree> result(xmlXPathEvalExpression(BAD_CAST kXPath, ctx.get()));
    if (!result) {
        if (error)
            *error = "Error: unable to evaluate XPath expression!";
        return out;
    }
    xmlNodeSet* nodes = result->nodesetval;
    for (int i = 0; nodes && i < nodes->nodeNr; ++i) {
        xmlNode* node = nodes->nodeTab[i];
        std::string text = nodeText(node);
        if (isStyle(node)) {
            for (auto& a : addressesInCSS(text))
                out.push_back(a);
        } else {
            out.push_back(trim(text));
        }
    }
    return out;
}

bool RQWebPageRequest::takeOverFinish() {
    if (didUseCachedResponse())
        return false;
    auto ct = responseHeaders().find("Content-Type");
    std::string mime;
    if (ct != responseHeaders().end())
        parseMimeType(&mime, nullptr, ct->second);
    mime = net::asciiLower(mime);
    bool html =
        mime == "text/html" || mime == "text/xhtml" || mime == "text/xhtml+xml" || mime == "application/xhtml+xml";
    // Only the page's own reply is taken apart; its resources, style sheets
    // included, are kept as they came.
    if (!m_parentRequest.expired())
        return false;
    if (html)
        m_webContentType = RQHTMLContent;
    else if (mime == "text/css")
        m_webContentType = RQCSSContent;
    else
        return false;

    std::optional<std::string> body;
    if (!downloadDestinationPath().empty()) {
        std::ifstream in(downloadDestinationPath(), std::ios::binary);
        if (in)
            body = std::string((std::istreambuf_iterator<char>(in)), {});
    } else {
        body = responseData();
    }
    if (!body) {
        failAfterTakeOver(
            RQError::make(RQUnableToCreateRequestErrorType, m_webContentType == RQCSSContent
                                                                ? "Error: unable to read response CSS from disk"
                                                                : "Unable to read HTML string from response"));
        return true;
    }
    m_pageText = *body;
    std::vector<std::string> addresses;
    if (m_webContentType == RQHTMLContent) {
        std::string err;
        addresses = addressesInHTML(m_pageText, &err);
        if (!err.empty()) {
            failAfterTakeOver(RQError::make(RQUnableToCreateRequestErrorType, err));
            return true;
        }
    } else {
        addresses = addressesInCSS(m_pageText);
    }
    fetchResources(addresses);
    return true;
}

bool RQWebPageRequest::isOnTheWayTo(const std::string& absolute) const {
    if (url() == absolute || originalURL() == absolute)
        return true;
    auto parent = parentRequest();
    return parent && parent->isOnTheWayTo(absolute);
}

void RQWebPageRequest::fetchResources(const std::vector<std::string>& addresses) {
    auto base = net::Url::parse(url());
    std::vector<std::string> toFetch;
    for (const auto& written : addresses) {
        std::string a = trim(written);
        if (a.size() < 5 || net::asciiLower(a).rfind("data:", 0) == 0 || !base)
            continue;
        auto absolute = base->resolve(a);
        if (!absolute || isOnTheWayTo(absolute->absoluteString()))
            continue;
        std::string abs = absolute->absoluteString();
        m_absoluteByWritten[written] = abs;
        m_absoluteByWritten[a] = abs;
        if (std::find(toFetch.begin(), toFetch.end(), abs) == toFetch.end())
            toFetch.push_back(abs); // each address is fetched once
    }
    if (toFetch.empty()) {
        resourcesFetched();
        return;
    }
    m_externalResourceQueue = RQNetworkQueue::queue();
    m_externalResourceQueue->setShouldCancelAllRequestsOnFailure(!m_shouldIgnoreExternalResourceErrors);
    m_externalResourceQueue->setShowAccurateProgress(showAccurateProgress());
    auto me = std::static_pointer_cast<RQWebPageRequest>(self());
    std::weak_ptr<RQWebPageRequest> weakSelf = me;
    // The queue calls its selectors only while its delegate lives: the page keeps one for it.
    auto owner = std::make_shared<RQHTTPRequestDelegate>();
    m_externalResourceQueue->setDelegate(owner);
    m_externalResourceQueue->setRequestDidFinishSelector([weakSelf, owner](RQHTTPRequest& r) {
        auto me = weakSelf.lock();
        if (!me)
            return;
        Resource res;
        auto ct = r.responseHeaders().find("Content-Type");
        res.contentType = ct != r.responseHeaders().end() ? ct->second : "application/octet-stream";
        res.data = r.responseData().value_or("");
        me->m_resourceList[r.originalURL().empty() ? r.url() : r.originalURL()] = res;
    });
    m_externalResourceQueue->setRequestDidFailSelector([weakSelf](RQHTTPRequest& r) {
        auto me = weakSelf.lock();
        if (me && !me->m_shouldIgnoreExternalResourceErrors && r.error() && !me->error())
            me->failAfterTakeOver(r.error());
    });
    m_externalResourceQueue->setQueueDidFinishSelector([weakSelf, owner](RQNetworkQueue&) {
        if (auto me = weakSelf.lock())
            me->resourcesFetched();
    });
    for (const auto& abs : toFetch) {
        auto r = RQWebPageRequest::requestWithURL(abs);
        r->setParentRequest(me);
        r->setUrlReplacementMode(m_urlReplacementMode);
        r->setShouldIgnoreExternalResourceErrors(m_shouldIgnoreExternalResourceErrors);
        r->setTimeOutSeconds(timeOutSeconds());
        m_externalResourceQueue->addOperation(r);
    }
    m_externalResourceQueue->go();
}

std::filesystem::path RQWebPageRequest::resourceFolder() const {
    if (auto parent = parentRequest())
        return parent->resourceFolder();
    return downloadDestinationPath().empty() ? core::Paths::caches()
                                             : std::filesystem::path(downloadDestinationPath()).parent_path();
}

std::string RQWebPageRequest::replacementFor(const std::string& absolute) {
    auto it = m_resourceList.find(absolute);
    if (it == m_resourceList.end())
        return {};
    Resource& res = it->second;
    if (m_urlReplacementMode == RQReplaceExternalResourcesWithData) {
        std::string type = res.contentType;
        auto semi = type.find(';');
        if (semi != std::string::npos)
            type = type.substr(0, semi);
        return "data:" + type + ";base64," + net::base64Encode(res.data);
    }
    if (m_urlReplacementMode == RQReplaceExternalResourcesWithLocalURLs) {
        // Stored beside the page, named by the address's digest.
        std::filesystem::path pageDir = resourceFolder();
        auto u = net::Url::parse(absolute);
        std::string ext = u ? u->pathExtension() : std::string();
        std::string name = net::md5HexUpper(absolute) + (ext.empty() ? "" : "." + ext);
        std::error_code ec;
        std::filesystem::create_directories(pageDir, ec);
        std::ofstream out(pageDir / name, std::ios::binary | std::ios::trunc);
        out.write(res.data.data(), static_cast<std::streamsize>(res.data.size()));
        res.dataPath = (pageDir / name).string();
        return name;
    }
    return {};
}

std::string RQWebPageRequest::rewriteCSS(const std::string& css,
                                         const std::map<std::string, std::string>& replacements) {
    std::string out;
    size_t last = 0;
    forEachCssUrl(css, [&](size_t start, size_t length) {
        std::string address = trim(css.substr(start, length));
        auto it = replacements.find(address);
        out += css.substr(last, start - last);
        out += it != replacements.end() ? "'" + it->second + "'" : css.substr(start, length);
        last = start + length;
    });
    out += css.substr(last);
    return out;
}

std::string RQWebPageRequest::rewriteHTML(const std::string& html,
                                          const std::map<std::string, std::string>& replacements, bool* ok) {
    *ok = false;
    std::unique_ptr<xmlDoc, DocFree> doc(
        htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                       HTML_PARSE_NOWARNING | HTML_PARSE_NOERROR | HTML_PARSE_NONET | HTML_PARSE_RECOVER));
    if (!doc)
        return {};
    std::unique_ptr<xmlXPathContext, XPathContextFree> ctx(xmlXPathNewContext(doc.get()));
    if (!ctx)
        return {};
    std::unique_ptr<xmlXPathObject, XPathObjectFree> result(xmlXPathEvalExpression(BAD_CAST kXPath, ctx.get()));
    if (!result)
        return {};
    xmlNodeSet* nodes = result->nodesetval;
    for (int i = 0; nodes && i < nodes->nodeNr; ++i) {
        xmlNode* node = nodes->nodeTab[i];
        std::string text = nodeText(node);
        std::string updated;
        bool styleText = isStyle(node) || (node->type == XML_ATTRIBUTE_NODE && node->name &&
                                           net::asciiLower(reinterpret_cast<const char*>(node->name)) == "style");
        if (styleText) {
            updated = rewriteCSS(text, replacements);
        } else {
            auto it = replacements.find(trim(text));
            if (it == replacements.end())
                continue;
            updated = it->second;
        }
        if (updated == text)
            continue;
        xmlChar* escaped = xmlEncodeSpecialChars(doc.get(), BAD_CAST updated.c_str());
        xmlNodeSetContent(node, escaped);
        xmlFree(escaped);
    }
    xmlChar* mem = nullptr;
    int size = 0;
    htmlDocDumpMemory(doc.get(), &mem, &size);
    std::string out = mem ? std::string(reinterpret_cast<const char*>(mem), static_cast<size_t>(size)) : std::string();
    xmlFree(mem);
    *ok = true;
    return out;
}

void RQWebPageRequest::resourcesFetched() {
    if (error() || isRequestCancelled())
        return;
    if (m_urlReplacementMode == RQDontModifyURLs) {
        finishAfterTakeOver();
        return;
    }
    std::map<std::string, std::string> replacements;
    for (const auto& [written, absolute] : m_absoluteByWritten) {
        std::string r = replacementFor(absolute);
        if (!r.empty())
            replacements[written] = r;
    }
    std::string page;
    if (m_webContentType == RQHTMLContent) {
        bool ok = false;
        page = rewriteHTML(m_pageText, replacements, &ok);
        if (!ok) {
            failAfterTakeOver(RQError::make(RQUnableToCreateRequestErrorType, "Error: unable to parse reponse XML"));
            return;
        }
    } else {
        page = rewriteCSS(m_pageText, replacements);
    }
    if (downloadDestinationPath().empty() && !downloadCache() &&
        m_urlReplacementMode == RQReplaceExternalResourcesWithLocalURLs) {
        // The page goes beside its resources, which it names by relative paths.
        setDownloadDestinationPath((core::Paths::caches() / (net::md5HexUpper(url()) + ".html")).string());
    }
    if (!downloadDestinationPath().empty()) {
        std::ofstream out(downloadDestinationPath(), std::ios::binary | std::ios::trunc);
        out.write(page.data(), static_cast<std::streamsize>(page.size()));
        if (!out) {
            failAfterTakeOver(
                RQError::make(RQUnableToCreateRequestErrorType, "Error: unable to write response CSS to disk"));
            return;
        }
    }
    replaceResponseBody(std::move(page));
    finishAfterTakeOver();
}

} // namespace pw
