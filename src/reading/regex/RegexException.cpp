#include "reading/regex/RegexException.h"

namespace pw {

RegexException::RegexException(std::string name, std::string reason, UserInfo userInfo)
    : std::runtime_error(name + ": " + reason), m_name(std::move(name)), m_reason(std::move(reason)),
      m_userInfo(std::move(userInfo)) {}

} // namespace pw
