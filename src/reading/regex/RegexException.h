#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace pw {

// A programming fault in a regular-expression call (bad argument, range or
// capture) or an ICU failure while matching. `name()` tells the kind:
// "NSInvalidArgumentException", "NSRangeException",
// "NSInternalInconsistencyException" or "RXSICURegexException".
class RegexException : public std::runtime_error {
public:
    using UserInfo = std::vector<std::pair<std::string, std::string>>;

    RegexException(std::string name, std::string reason, UserInfo userInfo = {});

    const std::string& name() const { return m_name; }
    const std::string& reason() const { return m_reason; }
    const UserInfo& userInfo() const { return m_userInfo; }

    static constexpr const char* kInvalidArgument = "NSInvalidArgumentException";
    static constexpr const char* kRange = "NSRangeException";
    static constexpr const char* kInternalInconsistency = "NSInternalInconsistencyException";
    static constexpr const char* kICURegex = "RXSICURegexException";

private:
    std::string m_name;
    std::string m_reason;
    UserInfo m_userInfo;
};

} // namespace pw
