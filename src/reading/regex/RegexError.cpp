#include "reading/regex/RegexError.h"

#include <unicode/ustring.h>
#include <unicode/utypes.h>

namespace pw {

RegexError::RegexError(int32_t code, UserInfo userInfo) : m_code(code), m_userInfo(std::move(userInfo)) {}

std::optional<std::string> RegexError::value(std::string_view key) const {
    for (const auto& [k, v] : m_userInfo)
        if (k == key)
            return v;
    return std::nullopt;
}

std::string RegexError::localizedDescription() const {
    if (auto d = value("NSLocalizedDescription"))
        return *d;
    if (m_code == 0)
        return "No description of this error is available.";
    return "ICU regular expression error #" + std::to_string(m_code) + ", " +
           u_errorName(static_cast<UErrorCode>(m_code)) + ".";
}

std::string RegexError::utf8(std::u16string_view text) {
    std::string out;
    if (text.empty())
        return out;
    out.resize(text.size() * 3);
    int32_t written = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &written,
                       reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), 0xFFFD, nullptr,
                       &status);
    if (U_FAILURE(status))
        return {};
    out.resize(static_cast<size_t>(written));
    return out;
}

RegexError::UserInfo RegexError::makeUserInfo(const std::u16string* pattern, uint32_t options, int32_t code,
                                              const ParsePosition* position, UserInfo extra,
                                              const Subject* subject) {
    UserInfo info;
    const std::string name = u_errorName(static_cast<UErrorCode>(code));
    info.emplace_back("RXSICURegexRegex", pattern ? utf8(*pattern) : std::string("<NULL regex>"));
    info.emplace_back("RXSICURegexRegexOptions", std::to_string(options));
    info.emplace_back("RXSICURegexErrorCode", std::to_string(code));
    info.emplace_back("RXSICURegexErrorName", name);
    if (subject) {
        if (subject->string)
            info.emplace_back("RXSICURegexSubjectString", utf8(*subject->string));
        if (subject->range)
            info.emplace_back("RXSICURegexSubjectRange", "{" + std::to_string(subject->range->first) + ", " +
                                                             std::to_string(subject->range->second) + "}");
        if (subject->replacement)
            info.emplace_back("RXSICURegexReplacementString", utf8(*subject->replacement));
        if (subject->replaced)
            info.emplace_back("RXSICURegexReplacedString", utf8(*subject->replaced));
        if (subject->replacedCount)
            info.emplace_back("RXSICURegexReplacedCount", std::to_string(*subject->replacedCount));
        if (subject->enumerationOptions)
            info.emplace_back("RXSICURegexEnumerationOptions", std::to_string(*subject->enumerationOptions));
    }
    if (position && position->line != -1) {
        const std::string pre = utf8(position->preContext);
        const std::string post = utf8(position->postContext);
        info.emplace_back("RXSICURegexLine", std::to_string(position->line));
        info.emplace_back("RXSICURegexOffset", std::to_string(position->offset));
        info.emplace_back("RXSICURegexPreContext", pre);
        info.emplace_back("RXSICURegexPostContext", post);
        info.emplace_back("NSLocalizedFailureReason",
                          "The error " + name + " occurred at line " + std::to_string(position->line) + ", column " +
                              std::to_string(position->offset) + ": " + pre + "<<HERE>>" + post);
    } else {
        info.emplace_back("NSLocalizedFailureReason", "The error " + name + " occurred.");
    }
    for (auto& e : extra) {
        if (info.size() >= 62)
            break;
        info.push_back(std::move(e));
    }
    return info;
}

std::optional<RegexError> RegexError::unexpected(int32_t status, UserInfo userInfo) {
    if (status >= 0)
        return std::nullopt;
    return make(status, "The ICU library returned an unexpected error.", std::move(userInfo));
}

RegexError RegexError::make(int32_t code, const std::string& description, UserInfo userInfo) {
    if (!description.empty())
        userInfo.emplace_back("NSLocalizedDescription", description);
    return RegexError(code, std::move(userInfo));
}

} // namespace pw
