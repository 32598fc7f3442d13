#include "platform/net/MimeTypes.h"

#include <sys/stat.h>

#include <cctype>
#include <map>

namespace pw::net {

std::optional<std::string> mimeTypeForExtension(const std::string& extension) {
    static const std::map<std::string, std::string> table = {
        {"txt", "text/plain"},
        {"text", "text/plain"},
        {"html", "text/html"},
        {"htm", "text/html"},
        {"css", "text/css"},
        {"csv", "text/csv"},
        {"xml", "application/xml"},
        {"js", "application/javascript"},
        {"json", "application/json"},
        {"pdf", "application/pdf"},
        {"zip", "application/zip"},
        {"gz", "application/x-gzip"},
        {"tar", "application/x-tar"},
        {"rtf", "text/rtf"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"jpe", "image/jpeg"},
        {"png", "image/png"},
        {"gif", "image/gif"},
        {"bmp", "image/bmp"},
        {"tif", "image/tiff"},
        {"tiff", "image/tiff"},
        {"ico", "image/vnd.microsoft.icon"},
        {"svg", "image/svg+xml"},
        {"webp", "image/webp"},
        {"mp3", "audio/mpeg"},
        {"m4a", "audio/mp4"},
        {"wav", "audio/x-wav"},
        {"aac", "audio/aac"},
        {"mp4", "video/mp4"},
        {"m4v", "video/x-m4v"},
        {"mov", "video/quicktime"},
        {"avi", "video/avi"},
        {"doc", "application/msword"},
        {"xls", "application/vnd.ms-excel"},
        {"ppt", "application/vnd.ms-powerpoint"},
        {"epub", "application/epub+zip"},
        {"umd", "application/octet-stream"},
        {"plist", "application/x-plist"},
    };
    std::string e;
    for (char c : extension)
        e += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto it = table.find(e);
    if (it == table.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::string> mimeTypeForFileAtPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    auto slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return std::string("application/octet-stream");
    return mimeTypeForExtension(name.substr(dot + 1)).value_or("application/octet-stream");
}

} // namespace pw::net
