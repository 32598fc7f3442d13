#pragma once
// Reading the site's answers and writing its URLs, shared by every client of
// the site (the site clients here, the store, the account and purchase screens).
#include "foundation/hosts/SiteHosts.h"
#include "platform/core/Value.h"

#include <optional>
#include <string>
#include <string_view>

namespace pw {

class RQHTTPRequest;

class SiteAnswer {
public:
    // The answer as text: the engine's decoding (the answer's charset, else
    // the request's default), else the bytes as GB18030.
    static std::optional<std::string> text(const RQHTTPRequest& request);

    // The site writes raw control characters into its JSON strings. Every
    // U+0000 to U+001F inside a string becomes the escape \uFFFD, so the
    // string still parses and shows a replacement character; the blanks
    // between values are left alone, so a pretty-printed answer still parses.
    static std::string cleanControlCharacters(std::string_view json);
    // Cleaned, then parsed leniently into mutable containers.
    static std::optional<core::Value> parseCleaned(std::string_view json);
    static std::optional<core::Value> cleanedJSON(const RQHTTPRequest& request);

    // A query value, percent-encoded.
    static std::string queryValue(std::string_view value);
    // The site's token: the UTF-8 text in URL-safe Base64 with "=" padding,
    // every "-" then written "%2b" (the site reads it back as "+").
    static std::string token(std::string_view text);
    // The base address of a host followed by a path (and query).
    static std::string url(SiteHosts::Service host, std::string_view pathAndQuery);
};

} // namespace pw
