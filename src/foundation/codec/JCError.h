#pragma once

#include <cstdint>
#include <string>

namespace pw {

// The error of one JSON parse or serialize call. Only the first error of a
// call is kept; index and line locate it in the input (parse errors only).
struct JCError {
    static constexpr const char* kDomain = "JCErrorDomain";
    static constexpr int kCode = -1;

    std::string domain{kDomain};
    int code{kCode};
    std::string message{};  // the localized description
    std::uint64_t index{0}; // byte offset of the scan position
    std::uint64_t line{0};  // 1 for the first line
};

} // namespace pw
