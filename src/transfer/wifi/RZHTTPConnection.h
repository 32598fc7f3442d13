#pragma once
// The Wi-Fi transfer's connection: the upload page with the list of books,
// the list page alone, and the form's multipart upload streamed into a
// temporary file and moved into Documents once the whole file has arrived.
// Everything else is served by the generic connection from the site folder.
#include "transfer/http/HTTPConnection.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

class RZHTTPConnection : public HTTPConnection {
public:
    // How much of a part's head (its header block) is gathered across body
    // pieces before the upload is given up as malformed.
    static constexpr size_t kMaxPartHeadLength = 16384;
    static constexpr size_t kMaxFileNameLength = 255;

    // Why the last upload was not stored.
    enum class UploadError { None, Incomplete, BadFileName, FileExists, NoSpace, WriteFailed };

    RZHTTPConnection(std::shared_ptr<AsyncTcpSocket> socket, std::shared_ptr<HTTPConfig> config);
    ~RZHTTPConnection() override;

    bool supportsMethod(const std::string& method, const std::string& path) override;
    bool expectsRequestBodyFromMethod(const std::string& method, const std::string& path) override;
    std::shared_ptr<HTTPResponse> httpResponseForMethod(const std::string& method, const std::string& path) override;
    void prepareForBodyWithSize(uint64_t contentLength) override;
    void processBodyData(const std::string& data) override;
    void finishBody() override;
    void socketDidDisconnect(const std::shared_ptr<AsyncTcpSocket>& sock,
                             const std::optional<SocketError>& error) override;

    void loadFileList();
    void handleMultipartHeader(const std::string& data);
    void handleMultipartBody(const std::string& data);

    // The pages for a list of names (escaped for HTML here).
    static std::string uploadPage(const std::vector<std::string>& files);
    static std::string listPage(const std::vector<std::string>& files);
    static std::string errorPage(UploadError error);
    static int statusForError(UploadError error);
    static std::string escapeHTML(std::string_view text);
    // "--" and the boundary of a multipart Content-Type; nullopt when it has none.
    static std::optional<std::string> boundaryOfContentType(const std::string& contentType);
    // The file name of a part's header block as the form sent it; nullopt
    // when the part names no file between double quotes.
    static std::optional<std::string> fileNameOfPartHead(const std::string& headerBlock);
    // The name an upload is stored under in Documents: the last path
    // component (after a backslash too for the old Windows browser that sends
    // whole paths); nullopt for a name that cannot be a plain file name.
    static std::optional<std::string> storedFileName(const std::string& sentName, const std::string& userAgent);

    const std::vector<std::string>& fileList() const { return m_fileList; }
    const std::optional<std::string>& requestBoundry() const { return m_requestBoundry; }
    const std::optional<std::string>& requestBoundryTerminator() const { return m_requestBoundryTerminator; }
    const std::optional<std::string>& userAgent() const { return m_userAgent; }
    const std::optional<std::string>& fileName() const { return m_fileName; }
    const std::string& tmpFile() const { return m_tmpFile; }
    bool isParseHeader() const { return m_isParseHeader; }
    bool hasFileUpload() const { return m_hasFileUpload; }
    UploadError lastUploadError() const { return m_uploadError; }

protected:
    // Bytes an upload may take: the free space of the Documents disk.
    virtual uint64_t freeSpaceForUpload();

private:
    bool isOpen() const { return m_tmpUploadFileHandle >= 0; }
    bool writeToTemporaryFile(const char* data, size_t length);
    void watchForClosingDelimiter(const std::string& data);
    void fail(UploadError error);
    void discardTemporaryFile();
    void resetParser();

    int m_tmpUploadFileHandle = -1;
    std::optional<std::string> m_requestBoundry;
    std::optional<std::string> m_userAgent;
    std::optional<std::string> m_fileName;
    bool m_isParseHeader = true;
    std::string m_remainBody;
    std::optional<std::string> m_requestBoundryTerminator;
    std::string m_tmpFile;
    bool m_hasFileUpload = false;
    std::vector<std::string> m_fileList;

    std::string m_headBuffer;
    bool m_contentEnded = false;
    bool m_closingSeen = false;
    std::string m_afterContent;
    uint64_t m_bytesWritten = 0;
    uint64_t m_spaceBudget = UINT64_MAX;
    UploadError m_uploadError = UploadError::None;
};

} // namespace pw
