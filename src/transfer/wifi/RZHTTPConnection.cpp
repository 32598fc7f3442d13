#include "transfer/wifi/RZHTTPConnection.h"

#include "foundation/paths/AppPaths.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "platform/core/Uuid.h"
#include "reading/regex/RegexAdditions.h"
#include "transfer/wifi/RZHTTPDataResponse.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace pw {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDoctype = "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
                                      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">";
constexpr std::string_view kHtmlStart = "<html xmlns=\"http://www.w3.org/1999/xhtml\">";
constexpr std::string_view kMeta = "<meta http-equiv=\"content-type\" content=\"text/html;charset=utf-8\" />";
constexpr std::string_view kTableHead = "<table border='0' cellspacing='0' cellpadding='0'><thead><tr><th>文件名</th>"
                                        "</tr></thead><tbody id='filelist'>";

std::string lowerExtension(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    if (!ext.empty())
        ext.erase(0, 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

std::optional<std::string> match(const std::string& text, std::u16string_view pattern, int capture) {
    try {
        auto found = RegexAdditions::stringByMatching(core::text::toUtf16Lenient(text), pattern, RegexCaseless,
                                                      TextRange::whole(), capture);
        if (!found)
            return std::nullopt;
        return core::text::toUtf8Lenient(*found);
    } catch (const RegexException&) {
        return std::nullopt;
    }
}

// The document's start up to its style sheet link.
std::string pageStart(std::string_view styleLink) {
    std::string page;
    page += kDoctype;
    page += kHtmlStart;
    page += "<head>";
    page += kMeta;
    page += styleLink;
    return page;
}

constexpr std::string_view kStyleLink = "<link href=\"s.css\" rel=\"stylesheet\" type=\"text/css\" />";

void appendRows(std::string& page, const std::vector<std::string>& files) {
    for (const auto& f : files) {
        page += "<tr><td>";
        page += RZHTTPConnection::escapeHTML(f);
        page += "</td></tr>";
    }
}

} // namespace

RZHTTPConnection::RZHTTPConnection(std::shared_ptr<AsyncTcpSocket> socket, std::shared_ptr<HTTPConfig> config)
    : HTTPConnection(std::move(socket), std::move(config)) {}

RZHTTPConnection::~RZHTTPConnection() {
    discardTemporaryFile();
}

bool RZHTTPConnection::supportsMethod(const std::string& method, const std::string& path) {
    if (method == "POST")
        return path == "/upload" || path == "/list";
    return HTTPConnection::supportsMethod(method, path);
}

bool RZHTTPConnection::expectsRequestBodyFromMethod(const std::string& method, const std::string&) {
    return method == "POST" || method == "PUT";
}

std::shared_ptr<HTTPResponse> RZHTTPConnection::httpResponseForMethod(const std::string& method,
                                                                      const std::string& path) {
    if (path == "/upload" || path == "/list") {
        if (m_uploadError != UploadError::None) {
            auto response = std::make_shared<RZHTTPDataResponse>(errorPage(m_uploadError));
            response->setStatusCode(statusForError(m_uploadError));
            response->setHeader("Content-Type", "text/html; charset=utf-8");
            m_uploadError = UploadError::None;
            return response;
        }
        loadFileList();
        if (path == "/upload") {
            auto response = std::make_shared<RZHTTPDataResponse>(uploadPage(m_fileList));
            response->setHeader("Server", "Pagewell");
            return response;
        }
        return std::make_shared<RZHTTPDataResponse>(listPage(m_fileList));
    }
    return HTTPConnection::httpResponseForMethod(method, path);
}

// ----- pages -----

void RZHTTPConnection::loadFileList() {
    m_fileList.clear();
    std::error_code ec;
    for (fs::directory_iterator it(AppPaths::importFolder(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string ext = lowerExtension(name);
        if (ext == "txt" || ext == "umd" || ext == "epub")
            m_fileList.push_back(name);
    }
}

std::string RZHTTPConnection::uploadPage(const std::vector<std::string>& files) {
    std::string page = pageStart(kStyleLink);
    page += "<title>墨川读书</title>";
    page += "</head><body><div id='main'><div id='header'>";
    page += "<form action='upload' enctype='multipart/form-data' method='post' class='upload'>";
    page += "<label>（请保持手机屏幕打开）&nbsp;&nbsp;</label><label>选择文件：</label>";
    page += "<input id='newfile' name='sfile' size='40' type='file' />";
    page += "<input name='btn' type='submit' value='上传' class='button' />";
    page += "</form></div>";
    page += kTableHead;
    appendRows(page, files);
    page += "</tbody></table>";
    page += "<div id='footer'><div class='content'>Powered by 墨川读书</div></div></div>";
    page += "</body></html>";
    return page;
}

std::string RZHTTPConnection::listPage(const std::vector<std::string>& files) {
    std::string page = pageStart("<link href='s.css' rel='stylesheet' type='text/css' />");
    page += "</head><body><div id='main'>";
    page += kTableHead;
    appendRows(page, files);
    page += "</tbody></table></div></body></html>";
    return page;
}

namespace {

struct ErrorText {
    RZHTTPConnection::UploadError error;
    int status;
    const char* message;
};

constexpr ErrorText kErrorTexts[] = {
    {RZHTTPConnection::UploadError::Incomplete, 400, "上传未完成，文件没有保存，请重新上传"},
    {RZHTTPConnection::UploadError::BadFileName, 400, "文件名无效，文件没有保存"},
    {RZHTTPConnection::UploadError::FileExists, 409, "已有同名文件，文件没有保存"},
    {RZHTTPConnection::UploadError::NoSpace, 507, "手机存储空间不足，文件没有保存"},
    {RZHTTPConnection::UploadError::WriteFailed, 507, "写入文件出错，文件没有保存"},
};

const ErrorText* errorText(RZHTTPConnection::UploadError error) {
    for (const auto& e : kErrorTexts)
        if (e.error == error)
            return &e;
    return nullptr;
}

} // namespace

int RZHTTPConnection::statusForError(UploadError error) {
    const ErrorText* e = errorText(error);
    return e ? e->status : 200;
}

std::string RZHTTPConnection::errorPage(UploadError error) {
    const ErrorText* e = errorText(error);
    const std::string message = e ? e->message : "";
    std::string page = pageStart(kStyleLink);
    page += "<title>墨川读书</title>";
    page += "</head><body><div id='main'><div id='header'><p class='error'>";
    page += message;
    page += "</p><p><a href='upload'>返回</a></p></div></div></body></html>";
    return page;
}

std::string RZHTTPConnection::escapeHTML(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// ----- names -----

std::optional<std::string> RZHTTPConnection::boundaryOfContentType(const std::string& contentType) {
    auto b = match(contentType, u"\\Amultipart/form-data.*boundary=\"?([^\";,]+)\"?", 1);
    if (!b || b->empty())
        return std::nullopt;
    return "--" + *b;
}

std::optional<std::string> RZHTTPConnection::fileNameOfPartHead(const std::string& headerBlock) {
    return match(headerBlock, u"Content-Disposition:.* filename=(?:\"((?:\\\\.|[^\\\"])*)\"|([^;]*))", 1);
}

std::optional<std::string> RZHTTPConnection::storedFileName(const std::string& sentName, const std::string& userAgent) {
    std::string name = sentName;
    if (!userAgent.empty() && match(userAgent, u"MSIE .* Windows ", 0) &&
        match(name, u"\\A([a-zA-Z]:\\\\|\\\\\\\\)", 0)) {
        name = name.substr(name.rfind('\\') + 1);
    }
    if (const size_t slash = name.rfind('/'); slash != std::string::npos)
        name = name.substr(slash + 1);
    if (name.empty() || name == "." || name == ".." || name.size() > kMaxFileNameLength)
        return std::nullopt;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F)
            return std::nullopt;
    return name;
}

// ----- the upload -----

uint64_t RZHTTPConnection::freeSpaceForUpload() {
    std::error_code ec;
    const auto info = fs::space(AppPaths::importFolder(), ec);
    return ec ? UINT64_MAX : info.available;
}

void RZHTTPConnection::prepareForBodyWithSize(uint64_t contentLength) {
    // A request on the same connection after one that broke off.
    discardTemporaryFile();
    resetParser();
    m_uploadError = UploadError::None;
    m_contentEnded = false;
    m_closingSeen = false;
    m_afterContent.clear();
    m_bytesWritten = 0;
    m_hasFileUpload = false;
    m_tmpFile.clear();
    if (const HTTPMessage* req = request()) {
        if (auto type = req->headerField("Content-Type")) {
            if (auto boundary = boundaryOfContentType(*type)) {
                m_requestBoundry = *boundary;
                m_requestBoundryTerminator = "\r\n" + *boundary;
            }
        }
        m_userAgent = req->headerField("User-Agent");
    }
    m_isParseHeader = true;
    m_spaceBudget = freeSpaceForUpload();
    if (m_requestBoundry && contentLength != UINT64_MAX && contentLength > m_spaceBudget)
        fail(UploadError::NoSpace);
}

void RZHTTPConnection::processBodyData(const std::string& data) {
    if (m_uploadError != UploadError::None)
        return;
    if (m_isParseHeader)
        handleMultipartHeader(data);
    else
        handleMultipartBody(data);
}

void RZHTTPConnection::handleMultipartHeader(const std::string& data) {
    m_isParseHeader = true;
    if (!m_requestBoundry)
        return;
    m_headBuffer += data;
    const std::string boundaryLine = *m_requestBoundry + "\r\n";
    const size_t common = std::min(m_headBuffer.size(), boundaryLine.size());
    if (m_headBuffer.compare(0, common, boundaryLine, 0, common) != 0) {
        // Not the start of the multipart body: examine the next piece afresh.
        m_headBuffer.clear();
        return;
    }
    if (m_headBuffer.size() < boundaryLine.size())
        return;
    const size_t end = m_headBuffer.find("\r\n\r\n", boundaryLine.size());
    if (end == std::string::npos) {
        if (m_headBuffer.size() > boundaryLine.size() + kMaxPartHeadLength)
            fail(UploadError::Incomplete);
        return;
    }
    if (end - boundaryLine.size() > kMaxPartHeadLength) {
        fail(UploadError::Incomplete);
        return;
    }
    const std::string headerBlock = m_headBuffer.substr(boundaryLine.size(), end - boundaryLine.size());
    std::string rest = m_headBuffer.substr(end + 4);
    m_headBuffer.clear();
    m_headBuffer.shrink_to_fit();

    m_isParseHeader = false;
    const auto sent = fileNameOfPartHead(headerBlock);
    if (!sent || sent->empty()) {
        // A form sent without a chosen file: nothing to store.
        m_hasFileUpload = false;
        return;
    }
    m_fileName = storedFileName(*sent, m_userAgent.value_or(""));
    if (!m_fileName) {
        fail(UploadError::BadFileName);
        return;
    }
    m_hasFileUpload = true;
    std::error_code ec;
    fs::create_directories(core::Paths::tmp(), ec);
    m_tmpFile = (core::Paths::tmp() / core::Uuid::generate()).string();
    m_tmpUploadFileHandle = ::open(m_tmpFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (m_tmpUploadFileHandle < 0) {
        m_tmpFile.clear();
        fail(UploadError::WriteFailed);
        return;
    }
    handleMultipartBody(rest);
}

void RZHTTPConnection::handleMultipartBody(const std::string& data) {
    m_isParseHeader = false;
    if (m_contentEnded && !m_closingSeen && m_requestBoundryTerminator) {
        watchForClosingDelimiter(data);
        return;
    }
    if (!isOpen() || !m_hasFileUpload || m_contentEnded || !m_requestBoundryTerminator)
        return;
    const std::string& terminator = *m_requestBoundryTerminator;
    const size_t n = terminator.size();
    // The held-back tail and the new piece; searching from where a
    // terminator could begin that straddles the two.
    std::string buffer = std::move(m_remainBody);
    m_remainBody.clear();
    buffer += data;
    const size_t pos = buffer.find(terminator);
    if (pos != std::string::npos) {
        if (writeToTemporaryFile(buffer.data(), pos)) {
            ::close(m_tmpUploadFileHandle);
            m_tmpUploadFileHandle = -1;
            m_contentEnded = true;
            watchForClosingDelimiter(buffer.substr(pos));
        }
        return;
    }
    if (buffer.size() > n) {
        if (!writeToTemporaryFile(buffer.data(), buffer.size() - n))
            return;
        m_remainBody = buffer.substr(buffer.size() - n);
    } else {
        m_remainBody = std::move(buffer);
    }
}

void RZHTTPConnection::watchForClosingDelimiter(const std::string& data) {
    // The file is whole only once the form's closing delimiter has come:
    // without it the body may have been cut short after the file part.
    const std::string closing = *m_requestBoundryTerminator + "--";
    m_afterContent += data;
    if (m_afterContent.find(closing) != std::string::npos) {
        m_closingSeen = true;
        m_afterContent.clear();
    } else if (m_afterContent.size() > closing.size()) {
        m_afterContent.erase(0, m_afterContent.size() - closing.size());
    }
}

bool RZHTTPConnection::writeToTemporaryFile(const char* data, size_t length) {
    if (m_bytesWritten + length > m_spaceBudget) {
        fail(UploadError::NoSpace);
        return false;
    }
    while (length > 0) {
        const ssize_t w = ::write(m_tmpUploadFileHandle, data, length);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            fail(errno == ENOSPC || errno == EDQUOT ? UploadError::NoSpace : UploadError::WriteFailed);
            return false;
        }
        data += w;
        length -= static_cast<size_t>(w);
        m_bytesWritten += static_cast<uint64_t>(w);
    }
    return true;
}

void RZHTTPConnection::finishBody() {
    const bool wanted = m_hasFileUpload && m_fileName && !m_tmpFile.empty();
    if (m_uploadError == UploadError::None && wanted && !(m_contentEnded && m_closingSeen))
        m_uploadError = UploadError::Incomplete;
    if (m_uploadError != UploadError::None || !wanted) {
        discardTemporaryFile();
        resetParser();
        return;
    }
    if (isOpen()) {
        ::close(m_tmpUploadFileHandle);
        m_tmpUploadFileHandle = -1;
    }
    // Written and flushed before it shows up under its own name.
    if (int fd = ::open(m_tmpFile.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
        const bool synced = ::fsync(fd) == 0;
        ::close(fd);
        if (!synced) {
            fail(UploadError::WriteFailed);
            resetParser();
            return;
        }
    }
    std::error_code ec;
    fs::create_directories(AppPaths::importFolder(), ec);
    const fs::path destination = AppPaths::importFolder() / *m_fileName;
    // link() never replaces an existing file, so a name taken meanwhile stays.
    if (::link(m_tmpFile.c_str(), destination.c_str()) == 0) {
        ::unlink(m_tmpFile.c_str());
        m_tmpFile.clear();
    } else if (errno == EEXIST) {
        fail(UploadError::FileExists);
    } else {
        fs::copy_file(m_tmpFile, destination, fs::copy_options::none, ec);
        if (ec) {
            if (ec != std::errc::file_exists)
                fs::remove(destination, ec);
            fail(ec == std::errc::file_exists ? UploadError::FileExists : UploadError::WriteFailed);
        } else {
            ::unlink(m_tmpFile.c_str());
            m_tmpFile.clear();
        }
    }
    discardTemporaryFile();
    resetParser();
}

void RZHTTPConnection::socketDidDisconnect(const std::shared_ptr<AsyncTcpSocket>& sock,
                                           const std::optional<SocketError>& error) {
    // A body cut off by the client: nothing of it is kept.
    discardTemporaryFile();
    resetParser();
    HTTPConnection::socketDidDisconnect(sock, error);
}

void RZHTTPConnection::fail(UploadError error) {
    if (m_uploadError == UploadError::None)
        m_uploadError = error;
    discardTemporaryFile();
    m_headBuffer.clear();
    m_remainBody.clear();
}

void RZHTTPConnection::discardTemporaryFile() {
    if (isOpen()) {
        ::close(m_tmpUploadFileHandle);
        m_tmpUploadFileHandle = -1;
    }
    if (!m_tmpFile.empty()) {
        ::unlink(m_tmpFile.c_str());
        m_tmpFile.clear();
    }
}

void RZHTTPConnection::resetParser() {
    m_requestBoundry.reset();
    m_requestBoundryTerminator.reset();
    m_userAgent.reset();
    m_fileName.reset();
    m_isParseHeader = true;
    m_remainBody.clear();
    m_headBuffer.clear();
}

} // namespace pw
