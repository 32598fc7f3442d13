#pragma once

#include "foundation/codec/JCError.h"
#include "platform/core/Bytes.h"
#include "platform/core/Value.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace pw {

// Parse option flags; any value above 15 is refused.
enum JCParseOptionFlags : std::uint32_t {
    ParseStrict = 0,
    ParseAllowComments = 1,     // /* */ and // comments count as whitespace
    ParseUnicodeLineBreaks = 2, // U+2028, U+2029 and U+0085 are line breaks
    ParseLenientUnicode = 4,    // malformed UTF-8 and bad \u escapes become U+FFFD
    ParseAllowTrailingText = 8, // bytes after the top-level value are ignored
    ParseOptionsValidFlags = 15,
};

// Arrays and objects nested deeper than this fail the parse with a parse
// error instead of exhausting the call stack.
inline constexpr unsigned kJSONMaxNestingDepth = 512;

// Turns UTF-8 JSON text into a core::Value. The top level must be an
// object or an array. A decoder serves one thread at a time; the free
// functions of JSONCodec.h make one per call and can run on any thread.
//
// Values are plain values, so containers are always "mutable" for their
// owner; the mutable entry points exist for the callers that name them.
class JSONDecoder {
public:
    // Throws std::invalid_argument("Invalid parse options.") for flags above 15.
    explicit JSONDecoder(std::uint32_t parseOptionFlags = ParseStrict);
    ~JSONDecoder();
    JSONDecoder(const JSONDecoder&) = delete;
    JSONDecoder& operator=(const JSONDecoder&) = delete;

    static std::unique_ptr<JSONDecoder> decoder();
    static std::unique_ptr<JSONDecoder> decoderWithParseOptions(std::uint32_t parseOptionFlags);

    std::uint32_t parseOptionFlags() const { return m_flags; }

    // Values keep no references into the decoder, so there is nothing to
    // drop; kept for the callers that release memory between parses.
    void clearCache();

    // A null `bytes` pointer throws std::invalid_argument("The string argument is NULL.").
    // On failure the result is std::nullopt and, when `error` is given, the
    // first error of the parse is stored there (it is left untouched otherwise).
    std::optional<core::Value> objectWithUTF8String(const char* bytes, std::size_t length, JCError* error = nullptr);
    std::optional<core::Value> mutableObjectWithUTF8String(const char* bytes, std::size_t length,
                                                           JCError* error = nullptr);
    std::optional<core::Value> objectWithData(core::ByteView data, JCError* error = nullptr);
    std::optional<core::Value> mutableObjectWithData(core::ByteView data, JCError* error = nullptr);
    std::optional<core::Value> parseUTF8String(const char* bytes, std::size_t length, JCError* error = nullptr);
    std::optional<core::Value> parseJSONData(core::ByteView data, JCError* error = nullptr);

private:
    std::optional<core::Value> parse(const std::uint8_t* bytes, std::size_t length, JCError* error);

    std::uint32_t m_flags{ParseStrict};
};

} // namespace pw
