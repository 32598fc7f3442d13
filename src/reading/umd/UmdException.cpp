#include "reading/umd/UmdException.h"

namespace pw {

UmdException::UmdException(std::string reason)
    : std::runtime_error(std::string(kName) + ": " + reason), m_reason(std::move(reason)) {}

} // namespace pw
