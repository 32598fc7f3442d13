#pragma once
#include "network/RQHTTPRequest.h"

#include <string>
#include <vector>

namespace pw {

// A form post: named text values and files, sent URL-encoded or, as soon as a
// file or data item is added, as multipart/form-data from a temporary file.
class RQFormDataRequest : public RQHTTPRequest {
public:
    enum PostFormat { MultipartFormDataPostFormat = 0, URLEncodedPostFormat = 1 };

    static std::shared_ptr<RQFormDataRequest> requestWithURL(const std::string& url);
    explicit RQFormDataRequest(const std::string& url);

    void addPostValue(const std::string& value, const std::string& key);
    void addPostValue(long long value, const std::string& key) { addPostValue(std::to_string(value), key); }
    void setPostValue(const std::string& value, const std::string& key);
    void setPostValue(long long value, const std::string& key) { setPostValue(std::to_string(value), key); }
    void addFile(const std::string& path, const std::string& key);
    void addFile(const std::string& path, const std::string& fileName, const std::string& contentType,
                 const std::string& key);
    void setFile(const std::string& path, const std::string& key);
    void setFile(const std::string& path, const std::string& fileName, const std::string& contentType,
                 const std::string& key);
    void addData(const std::string& data, const std::string& key);
    void addData(const std::string& data, const std::string& fileName, const std::string& contentType,
                 const std::string& key);
    void setData(const std::string& data, const std::string& key);
    void setData(const std::string& data, const std::string& fileName, const std::string& contentType,
                 const std::string& key);

    void setPostFormat(PostFormat f) { m_postFormat = f; }
    PostFormat postFormat() const { return m_postFormat; }
    void setStringEncoding(const std::string& charset) { m_stringEncoding = charset; }
    const std::string& stringEncoding() const { return m_stringEncoding; }

    void buildPostBody() override;
    std::string encodeURL(const std::string& text) const;
    std::shared_ptr<RQHTTPRequest> copy() const override;

    struct FileItem {
        std::string key;
        std::string fileName;
        std::string contentType;
        std::string data; // bytes, or a path when isPath
        bool isPath = false;
    };
    const std::vector<std::pair<std::string, std::string>>& postData() const { return m_postData; }
    const std::vector<FileItem>& fileData() const { return m_fileData; }
    // The boundary of the last multipart body built (tests).
    const std::string& boundary() const { return m_boundary; }

private:
    void buildURLEncodedPostBody();
    void buildMultipartFormDataPostBody();
    std::string encodeText(const std::string& utf8) const;

    std::vector<std::pair<std::string, std::string>> m_postData;
    std::vector<FileItem> m_fileData;
    bool m_haveValues = false;
    bool m_haveFiles = false;
    PostFormat m_postFormat = URLEncodedPostFormat;
    std::string m_stringEncoding = "UTF-8";
    std::string m_boundary;
};

} // namespace pw
