#include "platform/net/ExtendedAttributes.h"

#include <sys/xattr.h>

#include <cerrno>

namespace pw::net {

namespace {
std::string userName(const std::string& name) {
    return "user." + name;
}
} // namespace

int ExtendedAttributes::set(const std::string& path, const std::string& name, const std::string& value) {
    return ::setxattr(path.c_str(), userName(name).c_str(), value.data(), value.size(), 0) == 0 ? 0 : errno;
}

int ExtendedAttributes::remove(const std::string& path, const std::string& name) {
    return ::removexattr(path.c_str(), userName(name).c_str()) == 0 ? 0 : errno;
}

bool ExtendedAttributes::has(const std::string& path, const std::string& name) {
    return ::getxattr(path.c_str(), userName(name).c_str(), nullptr, 0) >= 0;
}

std::optional<std::string> ExtendedAttributes::get(const std::string& path, const std::string& name) {
    auto n = ::getxattr(path.c_str(), userName(name).c_str(), nullptr, 0);
    if (n < 0)
        return std::nullopt;
    std::string value(static_cast<size_t>(n), '\0');
    n = ::getxattr(path.c_str(), userName(name).c_str(), value.data(), value.size());
    if (n < 0)
        return std::nullopt;
    value.resize(static_cast<size_t>(n));
    return value;
}

} // namespace pw::net
