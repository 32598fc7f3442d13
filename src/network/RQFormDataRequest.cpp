#include "network/RQFormDataRequest.h"

#include "platform/core/Text.h"
#include "platform/core/Uuid.h"
#include "platform/net/MimeTypes.h"
#include "platform/net/Url.h"

#include <sys/stat.h>

#include <algorithm>

namespace pw {

std::shared_ptr<RQFormDataRequest> RQFormDataRequest::requestWithURL(const std::string& url) {
    return std::make_shared<RQFormDataRequest>(url);
}

RQFormDataRequest::RQFormDataRequest(const std::string& url) : RQHTTPRequest(url) {
    setRequestMethod("POST");
}

void RQFormDataRequest::addPostValue(const std::string& value, const std::string& key) {
    std::lock_guard lock(cancelledLock());
    m_haveValues = true;
    m_postData.emplace_back(key, value);
}

void RQFormDataRequest::setPostValue(const std::string& value, const std::string& key) {
    {
        std::lock_guard lock(cancelledLock());
        m_postData.erase(
            std::remove_if(m_postData.begin(), m_postData.end(), [&](const auto& p) { return p.first == key; }),
            m_postData.end());
    }
    addPostValue(value, key);
}

void RQFormDataRequest::addFile(const std::string& path, const std::string& key) {
    addFile(path, {}, {}, key);
}

void RQFormDataRequest::addFile(const std::string& path, const std::string& fileName, const std::string& contentType,
                                const std::string& key) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        failWithError(RQError::make(RQInternalErrorWhileBuildingRequestType, "No file exists at " + path));
    std::string name = fileName;
    if (name.empty()) {
        auto slash = path.rfind('/');
        name = slash == std::string::npos ? path : path.substr(slash + 1);
    }
    std::string type = contentType;
    if (type.empty())
        type = net::mimeTypeForFileAtPath(path).value_or("application/octet-stream");
    std::lock_guard lock(cancelledLock());
    m_haveFiles = true;
    m_fileData.push_back({key, name, type, path, true});
}

void RQFormDataRequest::setFile(const std::string& path, const std::string& key) {
    setFile(path, {}, {}, key);
}

void RQFormDataRequest::setFile(const std::string& path, const std::string& fileName, const std::string& contentType,
                                const std::string& key) {
    {
        std::lock_guard lock(cancelledLock());
        m_fileData.erase(
            std::remove_if(m_fileData.begin(), m_fileData.end(), [&](const auto& f) { return f.key == key; }),
            m_fileData.end());
    }
    addFile(path, fileName, contentType, key);
}

void RQFormDataRequest::addData(const std::string& data, const std::string& key) {
    addData(data, "file", {}, key);
}

void RQFormDataRequest::addData(const std::string& data, const std::string& fileName, const std::string& contentType,
                                const std::string& key) {
    std::lock_guard lock(cancelledLock());
    m_haveFiles = true;
    m_fileData.push_back({key, fileName, contentType.empty() ? "application/octet-stream" : contentType, data, false});
}

void RQFormDataRequest::setData(const std::string& data, const std::string& key) {
    setData(data, "file", {}, key);
}

void RQFormDataRequest::setData(const std::string& data, const std::string& fileName, const std::string& contentType,
                                const std::string& key) {
    {
        std::lock_guard lock(cancelledLock());
        m_fileData.erase(
            std::remove_if(m_fileData.begin(), m_fileData.end(), [&](const auto& f) { return f.key == key; }),
            m_fileData.end());
    }
    addData(data, fileName, contentType, key);
}

std::string RQFormDataRequest::encodeText(const std::string& utf8) const {
    if (m_stringEncoding == "UTF-8" || m_stringEncoding == "utf-8")
        return utf8;
    return core::text::encodeFromUtf8(utf8, m_stringEncoding).value_or(std::string());
}

std::string RQFormDataRequest::encodeURL(const std::string& text) const {
    // Letters, digits and "-_." stay; everything else, the space included, is escaped.
    auto bytes = (m_stringEncoding == "UTF-8" || m_stringEncoding == "utf-8")
                     ? std::optional<std::string>(text)
                     : core::text::encodeFromUtf8(text, m_stringEncoding);
    if (!bytes)
        return {};
    return net::Url::percentEscape(*bytes, "-_.");
}

void RQFormDataRequest::buildPostBody() {
    std::lock_guard lock(cancelledLock());
    if (haveBuiltPostBody())
        return;
    if (!m_haveValues && !m_haveFiles) {
        basePostBodyPreparation();
        return;
    }
    if (!m_fileData.empty())
        setShouldStreamPostDataFromDisk(true);
    if (m_postFormat == URLEncodedPostFormat)
        buildURLEncodedPostBody();
    else
        buildMultipartFormDataPostBody();
    basePostBodyPreparation();
}

void RQFormDataRequest::buildURLEncodedPostBody() {
    if (!m_fileData.empty()) {
        m_postFormat = MultipartFormDataPostFormat;
        buildMultipartFormDataPostBody();
        return;
    }
    std::string charset = m_stringEncoding;
    for (auto& c : charset)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    addRequestHeader("Content-Type", "application/x-www-form-urlencoded; charset=" + charset);
    std::string body;
    for (size_t i = 0; i < m_postData.size(); ++i) {
        body += encodeURL(m_postData[i].first) + "=" + encodeURL(m_postData[i].second);
        if (i + 1 < m_postData.size())
            body += "&";
    }
    appendPostData(body);
}

void RQFormDataRequest::buildMultipartFormDataPostBody() {
    std::string charset = m_stringEncoding;
    for (auto& c : charset)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    m_boundary = "0xKhTmLbOuNdArY-" + core::Uuid::generate();
    addRequestHeader("Content-Type", "multipart/form-data; charset=" + charset + "; boundary=" + m_boundary);
    std::string separator = "\r\n--" + m_boundary + "\r\n";
    appendPostString("--" + m_boundary + "\r\n");
    for (size_t i = 0; i < m_postData.size(); ++i) {
        appendPostString(encodeText("Content-Disposition: form-data; name=\"" + m_postData[i].first + "\"\r\n\r\n"));
        appendPostString(encodeText(m_postData[i].second));
        if (i + 1 < m_postData.size() || !m_fileData.empty())
            appendPostString(separator);
    }
    for (size_t i = 0; i < m_fileData.size(); ++i) {
        const auto& f = m_fileData[i];
        appendPostString(
            encodeText("Content-Disposition: form-data; name=\"" + f.key + "\"; filename=\"" + f.fileName + "\"\r\n"));
        appendPostString("Content-Type: " + f.contentType + "\r\n\r\n");
        if (f.isPath)
            appendPostDataFromFile(f.data);
        else
            appendPostData(f.data);
        if (i + 1 < m_fileData.size())
            appendPostString(separator);
    }
    appendPostString("\r\n--" + m_boundary + "--\r\n");
}

std::shared_ptr<RQHTTPRequest> RQFormDataRequest::copy() const {
    auto r = std::make_shared<RQFormDataRequest>(url());
    copyFieldsInto(*r);
    std::lock_guard lock(cancelledLock());
    if (haveBuiltPostBody()) {
        // The copy builds its own body from the values and files: the one
        // built here may sit in a temporary file this request removes when
        // it goes, and building again onto it would send it twice.
        r->setPostBody(std::string());
        if (didCreateTemporaryPostDataFile()) {
            r->setPostBodyFilePath(std::string());
            r->setShouldStreamPostDataFromDisk(false);
        }
        r->setHaveBuiltPostBody(false);
    }
    r->m_postData = m_postData;
    r->m_fileData = m_fileData;
    r->m_haveValues = m_haveValues;
    r->m_haveFiles = m_haveFiles;
    r->m_postFormat = m_postFormat;
    r->m_stringEncoding = m_stringEncoding;
    return r;
}

} // namespace pw
