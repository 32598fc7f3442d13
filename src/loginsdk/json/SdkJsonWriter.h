#pragma once
// The account kit's JSON writer: compact or indented, keys in dictionary
// order or sorted, with the kit's own error texts.
#include "loginsdk/json/SdkJsonError.h"
#include "loginsdk/json/SdkJsonValue.h"

#include <optional>
#include <string>

namespace pw {

class SdkJsonWriter {
public:
    // The UTF-8 JSON text of a dictionary or array, or nullopt with error() set.
    std::optional<std::string> stringWithObject(const SdkJsonValue& value);
    std::optional<std::string> dataWithObject(const SdkJsonValue& value) { return stringWithObject(value); }
    // As stringWithObject; on failure, when given, *error holds the writer's
    // error domain, code 0 and the failure's text.
    std::optional<std::string> stringWithObject(const SdkJsonValue& value, SdkJsonError* error);

    unsigned maxDepth = 32; // 0: no limit
    bool humanReadable = false;
    bool sortKeys = false;
    const std::string& error() const { return m_error; }

private:
    std::string m_error;
};

} // namespace pw
