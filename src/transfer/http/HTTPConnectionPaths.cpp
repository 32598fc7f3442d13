// From a request target to a file under the document root, and query parameters.
#include "transfer/http/HTTPConnectionInternal.h"

#include "transfer/http/HTTPFileResponse.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <vector>

namespace pw {

using namespace http_detail;

namespace {
enum class BelowRoot { Plain, HasLink, Missing };

// Looks at each part of a path below the root in turn (lstat): a link among
// them, a part that is missing, or plain folders and files all the way, with
// the last one's attributes in `last`.
BelowRoot lookBelowRoot(std::string path, const std::vector<std::string_view>& parts, struct stat* last) {
    if (parts.empty())
        return ::stat(path.empty() ? "/" : path.c_str(), last) == 0 ? BelowRoot::Plain : BelowRoot::Missing;
    for (auto part : parts) {
        path.append("/").append(part);
        if (::lstat(path.c_str(), last) != 0)
            return BelowRoot::Missing;
        if (S_ISLNK(last->st_mode))
            return BelowRoot::HasLink;
    }
    return BelowRoot::Plain;
}

// The pieces between the delimiters, empty ones included.
std::vector<std::string_view> splitOn(std::string_view text, char delimiter) {
    std::vector<std::string_view> pieces;
    for (size_t start = 0;;) {
        size_t end = text.find(delimiter, start);
        pieces.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return pieces;
        start = end + 1;
    }
}

// Decodes percent escapes; nullopt for a malformed escape.
std::optional<std::string> percentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out.push_back(s[i]);
            continue;
        }
        if (i + 2 >= s.size() || !isHex(s[i + 1]) || !isHex(s[i + 2]))
            return std::nullopt;
        char pair[3] = {s[i + 1], s[i + 2], '\0'};
        out.push_back(static_cast<char>(std::strtoul(pair, nullptr, 16)));
        i += 2;
    }
    return out;
}

std::optional<std::string> realPath(const std::string& path) {
    char* r = ::realpath(path.c_str(), nullptr);
    if (!r)
        return std::nullopt;
    std::string s(r);
    std::free(r);
    return s;
}

bool isInside(const std::string& path, const std::string& root) {
    if (path == root)
        return true;
    std::string prefix = root.back() == '/' ? root : root + "/";
    return path.compare(0, prefix.size(), prefix) == 0;
}
} // namespace

bool http_detail::isValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (n == 9 || i + n >= s.size() + (n ? 0 : 1))
            return false;
        for (size_t k = 1; k <= n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        i += n + 1;
    }
    return true;
}

std::optional<std::string> HTTPConnection::filePathForURI(const std::string& path, bool allowDirectory) {
    std::string root = m_config ? m_config->documentRoot() : std::string();
    if (root.empty()) {
        WS_LOG_WARN(kLogLevel, "%s[%p]: No configured document root", kUnit, static_cast<void*>(this));
        return std::nullopt;
    }
    if (root.front() != '/') {
        WS_LOG_WARN(kLogLevel, "%s[%p]: Document root is invalid file path", kUnit, static_cast<void*>(this));
        return std::nullopt;
    }
    // The path part of the target: absolute form first loses its scheme and host.
    std::string_view target = path;
    if (auto q = target.find_first_of("?#"); q != std::string_view::npos)
        target = target.substr(0, q);
    if (target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0) {
        auto slash = target.find('/', target.find("//") + 2);
        target = slash == std::string_view::npos ? std::string_view("/") : target.substr(slash);
    }
    if (target.empty() || target.front() != '/')
        return std::nullopt;
    auto decoded = percentDecode(target);
    auto outside = [&] {
        WS_LOG_WARN(kLogLevel, "%s[%p]: Request for file outside document root", kUnit, static_cast<void*>(this));
        return std::nullopt;
    };
    if (!decoded || decoded->find('\0') != std::string::npos)
        return outside();
    // Resolve "." and ".." on the decoded path: "%2e%2e" climbs like "..".
    std::vector<std::string_view> parts;
    for (auto part : splitOn(*decoded, '/')) {
        if (part == "..") {
            if (parts.empty())
                return outside();
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
    }
    std::string result = root == "/" ? "" : root;
    for (auto p : parts)
        result.append("/").append(p);
    if (parts.empty())
        result += "/";
    // Symbolic links must not lead out either. Below the root only a link
    // can, so each part is looked at, and only a path with a link in it is
    // resolved whole.
    struct stat st {};
    auto found = lookBelowRoot(root == "/" ? "" : root, parts, &st);
    if (found == BelowRoot::HasLink) {
        auto real = realPath(result);
        if (real && !isInside(*real, m_config->realDocumentRoot()))
            return outside();
    }
    if (allowDirectory)
        return result;
    if (found == BelowRoot::HasLink && ::stat(result.c_str(), &st) != 0)
        found = BelowRoot::Missing;
    if (found != BelowRoot::Missing && S_ISDIR(st.st_mode)) {
        std::string dir = result.back() == '/' ? result : result + "/";
        for (auto& name : directoryIndexFileNames()) {
            std::string candidate = dir + name;
            struct stat cs {};
            if (::stat(candidate.c_str(), &cs) == 0 && S_ISREG(cs.st_mode)) {
                auto real = realPath(candidate);
                if (real && isInside(*real, m_config->realDocumentRoot())) {
                    m_foundFile = FoundFile{candidate, static_cast<uint64_t>(cs.st_size)};
                    return candidate;
                }
            }
        }
        return std::nullopt;
    }
    if (found != BelowRoot::Missing)
        m_foundFile = FoundFile{result, static_cast<uint64_t>(st.st_size)};
    return result;
}

std::shared_ptr<HTTPResponse> HTTPConnection::httpResponseForMethod(const std::string&, const std::string& path) {
    // A missing file or a folder gets no response: create() looks, unless
    // the lookup of the path already found a file there.
    m_foundFile.reset();
    auto filePath = filePathForURI(path, false);
    if (!filePath)
        return nullptr;
    if (m_foundFile && m_foundFile->path == *filePath)
        return HTTPFileResponse::create(*filePath, m_foundFile->length, weak_from_this());
    return HTTPFileResponse::create(filePath, weak_from_this());
}

std::map<std::string, std::optional<std::string>> HTTPConnection::parseParams(const std::string& query) {
    std::map<std::string, std::optional<std::string>> result;
    for (auto piece : splitOn(query, '&')) {
        auto eq = piece.find('=');
        if (piece.empty() || eq == std::string_view::npos || eq == 0)
            continue;
        auto key = percentDecode(piece.substr(0, eq));
        if (!key || !isValidUtf8(*key))
            continue;
        auto value = percentDecode(piece.substr(eq + 1));
        if (value && !isValidUtf8(*value))
            value.reset();
        result[*key] = value;
    }
    return result;
}

std::optional<std::map<std::string, std::optional<std::string>>> HTTPConnection::parseGetParams() const {
    if (!m_request || !m_request->isHeaderComplete())
        return std::nullopt;
    auto url = m_request->url();
    auto q = url.find('?');
    if (q == std::string::npos)
        return std::nullopt;
    auto query = url.substr(q + 1);
    if (auto h = query.find('#'); h != std::string::npos)
        query.resize(h);
    return parseParams(query);
}

} // namespace pw
