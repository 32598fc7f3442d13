#pragma once
// Reading the account service's JSON answers.
#include "loginsdk/json/SdkJsonParser.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pw::zel {

// The answer's top-level dictionary, or nullopt for anything else.
inline std::optional<SdkJsonValue> parseAnswerObject(const std::optional<std::string>& text) {
    if (!text)
        return std::nullopt;
    SdkJsonParser parser;
    auto value = parser.objectWithString(*text);
    if (!value || !value->dictionary())
        return std::nullopt;
    return value;
}

inline std::optional<int64_t> intField(const SdkJsonValue& object, std::string_view key) {
    const SdkJsonValue* v = object.get(key);
    return v ? v->intValue() : std::nullopt;
}

inline std::optional<std::string> textField(const SdkJsonValue& object, std::string_view key) {
    const SdkJsonValue* v = object.get(key);
    return v ? v->text() : std::nullopt;
}

} // namespace pw::zel
