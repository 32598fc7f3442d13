#pragma once
// Random identifiers from the system's cryptographic generator.
#include <string>

namespace pw::core {

class RandomId {
public:
    // A version-4 UUID: 36 characters, upper-case hexadecimal digits in groups
    // of 8, 4, 4, 4 and 12 joined by hyphens.
    static std::string uuidString();
};

} // namespace pw::core
