#pragma once

#include "foundation/codec/JCError.h"
#include "foundation/codec/JCObject.h"
#include "foundation/codec/JCTokenCache.h"
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

// Turns UTF-8 JSON text into a tree of the parser's own collections
// (JCArray, JCDictionary), immutable or mutable by entry point, whose strings
// and numbers come from the decoder's value cache: a value read again, by
// this parse or a later one of the same decoder, is the object made the first
// time. The top level must be an object or an array. A decoder serves one
// thread at a time; the free functions of JSONCodec.h make one per call, read
// the result as the platform's plain values and can run on any thread.
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

    // Empties the value cache.
    void clearCache();
    // Made at the first parse into the parser's own collections.
    const JCTokenCache& cache();

    // A null `bytes` pointer throws std::invalid_argument("The string argument is NULL.").
    // On failure the result is std::nullopt and, when `error` is given, the
    // first error of the parse is stored there (it is left untouched otherwise).
    std::optional<JCObject> objectWithUTF8String(const char* bytes, std::size_t length, JCError* error = nullptr);
    std::optional<JCObject> mutableObjectWithUTF8String(const char* bytes, std::size_t length,
                                                        JCError* error = nullptr);
    std::optional<JCObject> objectWithData(core::ByteView data, JCError* error = nullptr);
    std::optional<JCObject> mutableObjectWithData(core::ByteView data, JCError* error = nullptr);
    std::optional<JCObject> parseUTF8String(const char* bytes, std::size_t length, JCError* error = nullptr);
    std::optional<JCObject> parseJSONData(core::ByteView data, JCError* error = nullptr);

    // The same parse straight into the platform's plain values (no cache:
    // plain values share nothing), for callers that read them.
    std::optional<core::Value> valueWithData(core::ByteView data, JCError* error = nullptr);

private:
    std::optional<JCObject> parse(const std::uint8_t* bytes, std::size_t length, bool mutableContainers,
                                  JCError* error);

    std::uint32_t m_flags{ParseStrict};
    std::unique_ptr<JCTokenCache> m_cache;
};

} // namespace pw
