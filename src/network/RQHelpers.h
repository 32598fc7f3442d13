#pragma once
#include "network/RQError.h"
#include "network/RQHTTPRequestDelegate.h"
#include "platform/net/Url.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace pw {

struct RQFileCloser {
    void operator()(FILE* f) const {
        if (f)
            std::fclose(f);
    }
};
// A FILE* that closes itself.
using RQFile = std::unique_ptr<FILE, RQFileCloser>;

// What the engine needs of MIME types, dates, Base64 and the file system.
class RQHelpers {
public:
    // "text/html; charset=gbk" -> mime type and a charset the converters know.
    static void parseMimeType(std::string* mimeType, std::string* charset, const std::string& contentType);
    // When an answer stops being fresh (wall seconds): maxAge when given,
    // else Cache-Control max-age, else Expires; nothing when none says.
    static std::optional<double> expiryDate(const RQHeaderMap& headers, double maxAge);
    // "Sun, 06 Nov 1994 08:49:37 GMT", also without the weekday or the seconds.
    static std::optional<double> dateFromRFC1123String(const std::string& text);
    static std::optional<std::string> mimeTypeForFileAtPath(const std::string& path);
    static std::string base64forData(const std::string& data);
    // Same scheme, host (any case) and port.
    static bool sameOrigin(const net::Url& a, const net::Url& b);

    static bool fileExists(const std::string& path);
    static std::optional<uint64_t> fileSize(const std::string& path);
    // No file there, or it was removed; else a code 8 error.
    static bool removeFileAtPath(const std::string& path, RQErrorPtr* err);
    // A new unique path in the temporary folder.
    static std::string temporaryPath();
    static RQFile openFile(const std::string& path, const char* mode);
    // Lower-case hex MD5 of a file's bytes (of nothing when it cannot be read).
    static std::string md5HexOfFile(const std::string& path);
    static RQErrorPtr posixError(int err);
    // A code 8 error about path, with errno as its cause.
    static RQErrorPtr fileError(const std::string& what, const std::string& path);
};

} // namespace pw
