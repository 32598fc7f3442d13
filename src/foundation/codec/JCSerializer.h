#pragma once

#include "foundation/codec/JCError.h"
#include "platform/core/Bytes.h"
#include "platform/core/Value.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>

namespace pw {

// Serialize option flags.
enum JCSerializeOptionFlags : std::uint32_t {
    SerializeOptionNone = 0,
    SerializePretty = 1,         // line breaks, two-space indents, ": ", sorted keys
    SerializeEscapeUnicode = 2,  // every character above U+007F as \u escapes
    SerializeEscapeSlashes = 16, // "/" as "\/"
};

// Encode options, set by the entry points of JSONCodec.h.
enum JCEncodeOption : std::uint32_t {
    EncodeAsData = 1,
    EncodeAsString = 2,
    EncodeRequireCollection = 8,
    EncodeRequireString = 16,
    EncodeWithoutQuotes = 32,
};

// Turns a value of a kind JSON has no form for (bytes) into one it has, or
// std::nullopt to fail the call.
using JCUnsupportedFormatter = std::function<std::optional<core::Value>(const core::Value&)>;

// Writes a core::Value as UTF-8 JSON text. Each call stands alone.
class JCSerializer {
public:
    using Result = std::variant<std::monostate, core::Bytes, std::string>;

    // The result holds core::Bytes for EncodeAsData and std::string for
    // EncodeAsString; on any error it holds nothing and `error` (when given)
    // the first error. Options other than those above are ignored.
    static Result serializeObject(const core::Value& object, std::uint32_t options, std::uint32_t encodeOption,
                                  const JCUnsupportedFormatter& formatter, JCError* error);
};

// Nesting the writer accepts; deeper values fail with an error.
inline constexpr unsigned kJSONMaxSerializeDepth = 512;

} // namespace pw
