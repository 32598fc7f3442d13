#include "network/RQHelpers.h"

#include "platform/core/Clock.h"
#include "platform/core/Text.h"
#include "platform/core/Uuid.h"
#include "platform/net/HeaderText.h"
#include "platform/net/HttpAuthentication.h"
#include "platform/net/MimeTypes.h"

#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

namespace pw {

void RQHelpers::parseMimeType(std::string* mimeType, std::string* charset, const std::string& contentType) {
    if (contentType.empty())
        return;
    auto semi = contentType.find(';');
    if (semi == std::string::npos || semi == 0) {
        if (mimeType)
            *mimeType = net::trimBlanks(contentType);
        return;
    }
    if (mimeType)
        *mimeType = net::trimBlanks(contentType.substr(0, semi));
    std::string rest = net::asciiLower(contentType.substr(semi));
    auto cs = rest.find("charset=");
    if (cs == std::string::npos)
        return;
    std::string name = contentType.substr(semi + cs + 8);
    auto end = name.find(';');
    if (end != std::string::npos)
        name = name.substr(0, end);
    name = net::trimBlanks(name);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    if (!name.empty() && core::text::isCharsetKnown(name) && charset)
        *charset = name;
}

std::optional<double> RQHelpers::expiryDate(const RQHeaderMap& headers, double maxAge) {
    if (maxAge == 0) {
        auto cc = headers.find("Cache-Control");
        if (cc != headers.end()) {
            std::string v = net::asciiLower(cc->second);
            auto p = v.find("max-age");
            if (p != std::string::npos) {
                p += 7;
                while (p < v.size() && (v[p] == ' ' || v[p] == '='))
                    ++p;
                maxAge = std::strtod(v.c_str() + p, nullptr);
            }
        }
    }
    if (maxAge != 0)
        return core::Clock::shared().now() + maxAge;
    auto ex = headers.find("Expires");
    if (ex != headers.end())
        return dateFromRFC1123String(ex->second);
    return std::nullopt;
}

std::optional<double> RQHelpers::dateFromRFC1123String(const std::string& text) {
    // "Sun, 06 Nov 1994 08:49:37 GMT", also without the weekday or the seconds.
    std::string pattern = std::string(text.find(',') != std::string::npos ? "%a, " : "") + "%d %b %Y %H:%M";
    size_t colons = std::count(text.begin(), text.end(), ':');
    if (colons == 2)
        pattern += ":%S";
    tm t{};
    const char* end = ::strptime(text.c_str(), pattern.c_str(), &t);
    if (!end)
        return std::nullopt;
    std::string zone = net::trimBlanks(end);
    long offset = 0;
    if (zone.empty())
        return std::nullopt;
    if (zone == "GMT" || zone == "UTC" || zone == "UT" || zone == "Z") {
        offset = 0;
    } else if ((zone[0] == '+' || zone[0] == '-') && zone.size() == 5) {
        long hh = std::atol(zone.substr(1, 2).c_str()), mm = std::atol(zone.substr(3, 2).c_str());
        offset = (hh * 3600 + mm * 60) * (zone[0] == '-' ? -1 : 1);
    } else if (zone == "EST" || zone == "EDT" || zone == "CST" || zone == "CDT" || zone == "MST" || zone == "MDT" ||
               zone == "PST" || zone == "PDT") {
        static const std::map<std::string, long> zones = {{"EST", -5}, {"EDT", -4}, {"CST", -6}, {"CDT", -5},
                                                          {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}};
        offset = zones.at(zone) * 3600;
    } else {
        return std::nullopt;
    }
    return static_cast<double>(::timegm(&t) - offset);
}

std::optional<std::string> RQHelpers::mimeTypeForFileAtPath(const std::string& path) {
    return net::mimeTypeForFileAtPath(path);
}

std::string RQHelpers::base64forData(const std::string& data) {
    return net::base64Encode(data);
}

bool RQHelpers::sameOrigin(const net::Url& a, const net::Url& b) {
    return a.scheme() == b.scheme() && net::asciiLower(a.host()) == net::asciiLower(b.host()) &&
           a.portOrDefault() == b.portOrDefault();
}

bool RQHelpers::fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::optional<uint64_t> RQHelpers::fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
}

bool RQHelpers::removeFileAtPath(const std::string& path, RQErrorPtr* err) {
    if (!fileExists(path))
        return true;
    if (::unlink(path.c_str()) != 0) {
        if (err)
            *err = fileError("Failed to delete file at path", path);
        return false;
    }
    return true;
}

std::string RQHelpers::temporaryPath() {
    std::string dir = "/tmp";
    if (const char* t = std::getenv("TMPDIR"); t && *t)
        dir = t;
    return dir + "/" + core::Uuid::generate();
}

RQFile RQHelpers::openFile(const std::string& path, const char* mode) {
    return RQFile(std::fopen(path.c_str(), mode));
}

std::string RQHelpers::md5HexOfFile(const std::string& path) {
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr);
    if (RQFile in = openFile(path, "rb")) {
        char buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, in.get())) > 0)
            EVP_DigestUpdate(ctx.get(), buf, n);
    }
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_DigestFinal_ex(ctx.get(), out, &len);
    std::string hex;
    char two[3];
    for (unsigned i = 0; i < len; ++i) {
        std::snprintf(two, sizeof two, "%02x", out[i]);
        hex += two;
    }
    return hex;
}

RQErrorPtr RQHelpers::posixError(int err) {
    return RQError::foreign("NSPOSIXErrorDomain", err, std::strerror(err));
}

RQErrorPtr RQHelpers::fileError(const std::string& what, const std::string& path) {
    int err = errno;
    return RQError::make(RQFileManagementError, what + " '" + path + "'", posixError(err));
}

} // namespace pw
