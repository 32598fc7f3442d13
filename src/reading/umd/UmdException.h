#pragma once

#include <stdexcept>
#include <string>

namespace pw {

// A malformed UMD file. Callers that open books or load chapters catch it and
// show their own failure tip; name() is always "umd exception".
class UmdException : public std::runtime_error {
public:
    explicit UmdException(std::string reason);

    static constexpr const char* kName = "umd exception";
    const char* name() const { return kName; }
    const std::string& reason() const { return m_reason; }

private:
    std::string m_reason;
};

} // namespace pw
