#include "site/SiteAnswer.h"

#include "foundation/codec/Base64Codec.h"
#include "foundation/codec/JSONCodec.h"
#include "foundation/util/Utils.h"
#include "network/RQHTTPRequest.h"
#include "platform/core/Text.h"

namespace pw {

std::optional<std::string> SiteAnswer::text(const RQHTTPRequest& request) {
    if (auto s = request.responseString())
        return s;
    auto bytes = request.responseData();
    if (!bytes)
        return std::nullopt;
    return core::text::decodeToUtf8(*bytes, "GB18030");
}

std::string SiteAnswer::cleanControlCharacters(std::string_view json) {
    std::string out;
    out.reserve(json.size());
    bool inString = false, escaped = false;
    for (char ch : json) {
        const auto c = static_cast<unsigned char>(ch);
        if (!inString) {
            inString = ch == '"';
            out += ch;
            continue;
        }
        if (c < 0x20) {
            // After a backslash the escape's "\" is already written.
            out += escaped ? "uFFFD" : "\\uFFFD";
            escaped = false;
            continue;
        }
        if (escaped)
            escaped = false;
        else if (ch == '\\')
            escaped = true;
        else if (ch == '"')
            inString = false;
        out += ch;
    }
    return out;
}

std::optional<core::Value> SiteAnswer::parseCleaned(std::string_view json) {
    return mutableObjectFromJSONStringWithParseOptions(cleanControlCharacters(json), ParseLenientUnicode);
}

std::optional<core::Value> SiteAnswer::cleanedJSON(const RQHTTPRequest& request) {
    auto t = text(request);
    return t ? parseCleaned(*t) : std::nullopt;
}

std::string SiteAnswer::queryValue(std::string_view value) {
    return encodingStringParameter(value);
}

std::string SiteAnswer::token(std::string_view text) {
    const std::string encoded = Base64Codec::stringByWebSafeEncodingBytes(text.data(), text.size(), true).value_or("");
    std::string out;
    for (char c : encoded) {
        if (c == '-')
            out += "%2b";
        else
            out += c;
    }
    return out;
}

std::string SiteAnswer::url(SiteHosts::Service host, std::string_view pathAndQuery) {
    return SiteHosts::baseUrl(host) + std::string(pathAndQuery);
}

} // namespace pw
