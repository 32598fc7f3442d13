#pragma once
// The error object the kit's JSON parser and writer hand out through their
// "error:" variants: the domain, code 0 and the failure's text.
#include <string>

namespace pw {

struct SdkJsonError {
    std::string domain;
    int code = 0;
    std::string localizedDescription;
};

inline constexpr const char* SdkJsonParserErrorDomain = "pagewell.loginsdk.SdkJsonParser.ErrorDomain";
inline constexpr const char* SdkJsonWriterErrorDomain = "pagewell.loginsdk.SdkJsonWriter.ErrorDomain";

} // namespace pw
