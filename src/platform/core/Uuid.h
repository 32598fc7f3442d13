#pragma once

#include <string>

namespace pw::core {

class Uuid {
public:
    // A random (version 4) UUID as text, 8-4-4-4-12 hexadecimal digits.
    static std::string generate(bool uppercase = true);
};

} // namespace pw::core
