#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pw {

// The error object a regular-expression call fills in when the caller asks
// for one: a pattern that does not compile, or an ICU failure that left no
// result. The user information keeps its entries in the order they were made.
class RegexError {
public:
    using UserInfo = std::vector<std::pair<std::string, std::string>>;
    static constexpr const char* kDomain = "RXSICURegexErrorDomain";

    RegexError() = default;
    RegexError(int32_t code, UserInfo userInfo);

    const std::string& domain() const { return m_domain; }
    int32_t code() const { return m_code; }
    const UserInfo& userInfo() const { return m_userInfo; }
    std::optional<std::string> value(std::string_view key) const;
    // "NSLocalizedDescription", or the generic text for the code.
    std::string localizedDescription() const;

    // What the failed call was working on; each entry is written only when set.
    struct Subject {
        std::optional<std::u16string> string;
        std::optional<std::pair<uint64_t, uint64_t>> range; // location, length
        std::optional<std::u16string> replacement;
        std::optional<std::u16string> replaced;
        std::optional<uint64_t> replacedCount;
        std::optional<uint32_t> enumerationOptions;
    };

    // Builds the user information of a failed call: pattern, options, code and
    // its ICU name, what it was working on, the parse position when there is
    // one, then `extra`.
    struct ParsePosition {
        int32_t line = -1;
        int32_t offset = -1;
        std::u16string preContext;
        std::u16string postContext;
    };
    static UserInfo makeUserInfo(const std::u16string* pattern, uint32_t options, int32_t code,
                                 const ParsePosition* position, UserInfo extra = {},
                                 const Subject* subject = nullptr);
    // The error of a call that ended with no result while ICU reported a warning
    // (a negative status); none for any other status.
    static std::optional<RegexError> unexpected(int32_t status, UserInfo userInfo);
    static RegexError make(int32_t code, const std::string& description, UserInfo userInfo);
    static std::string utf8(std::u16string_view text);

private:
    std::string m_domain = kDomain;
    int32_t m_code = 0;
    UserInfo m_userInfo;
};

} // namespace pw
