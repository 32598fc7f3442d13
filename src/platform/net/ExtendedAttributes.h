#pragma once
// Extended attributes of files, kept in the user namespace: a name "a.b" is
// stored as "user.a.b".
#include <optional>
#include <string>

namespace pw::net {

class ExtendedAttributes {
public:
    // 0 on success, else the system error number.
    static int set(const std::string& path, const std::string& name, const std::string& value);
    static int remove(const std::string& path, const std::string& name); // a missing attribute is ENODATA
    static bool has(const std::string& path, const std::string& name);
    static std::optional<std::string> get(const std::string& path, const std::string& name);
};

} // namespace pw::net
