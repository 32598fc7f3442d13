#pragma once

// The JSON entry points the rest of the system calls: parsing text or bytes
// into a core::Value, and writing a Value back as JSON.

#include "foundation/codec/JCError.h"
#include "foundation/codec/JCSerializer.h"
#include "foundation/codec/JSONDecoder.h"
#include "platform/core/Bytes.h"
#include "platform/core/Value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pw {

// Parsing UTF-8 text. Each call makes its own decoder, so any thread may
// call at any time. Flags above 15 throw std::invalid_argument.
std::optional<core::Value> objectFromJSONString(std::string_view text);
std::optional<core::Value> objectFromJSONStringWithParseOptions(std::string_view text, std::uint32_t flags,
                                                                JCError* error = nullptr);
std::optional<core::Value> mutableObjectFromJSONString(std::string_view text);
std::optional<core::Value> mutableObjectFromJSONStringWithParseOptions(std::string_view text, std::uint32_t flags,
                                                                       JCError* error = nullptr);

// Parsing bytes.
std::optional<core::Value> objectFromJSONData(core::ByteView data);
std::optional<core::Value> objectFromJSONDataWithParseOptions(core::ByteView data, std::uint32_t flags,
                                                              JCError* error = nullptr);
std::optional<core::Value> mutableObjectFromJSONData(core::ByteView data);
std::optional<core::Value> mutableObjectFromJSONDataWithParseOptions(core::ByteView data, std::uint32_t flags,
                                                                     JCError* error = nullptr);

// Writing an array or a map (anything else fails with an error).
std::optional<std::string> JSONString(const core::Value& collection);
std::optional<std::string> JSONStringWithOptions(const core::Value& collection, std::uint32_t options,
                                                 JCError* error = nullptr);
std::optional<std::string> JSONStringWithOptions(const core::Value& collection, std::uint32_t options,
                                                 const JCUnsupportedFormatter& formatter, JCError* error = nullptr);
std::optional<core::Bytes> JSONData(const core::Value& collection);
std::optional<core::Bytes> JSONDataWithOptions(const core::Value& collection, std::uint32_t options,
                                               JCError* error = nullptr);
std::optional<core::Bytes> JSONDataWithOptions(const core::Value& collection, std::uint32_t options,
                                               const JCUnsupportedFormatter& formatter, JCError* error = nullptr);

// Writing one string as a JSON string, with or without its quotes.
std::optional<std::string> JSONStringForString(std::string_view text, std::uint32_t options = SerializeOptionNone,
                                               bool includeQuotes = true, JCError* error = nullptr);
std::optional<core::Bytes> JSONDataForString(std::string_view text, std::uint32_t options = SerializeOptionNone,
                                             bool includeQuotes = true, JCError* error = nullptr);

} // namespace pw
