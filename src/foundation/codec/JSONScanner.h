#pragma once

#include "foundation/codec/JCError.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pw::jc {

enum class Tok : std::uint8_t {
    None = 0,
    Number = 1,
    String = 2,
    ObjectBegin = 3,
    ObjectEnd = 4,
    ArrayBegin = 5,
    ArrayEnd = 6,
    Separator = 7,
    Comma = 8,
    True = 9,
    False = 10,
    Null = 11,
};

bool beginsValue(Tok t);

enum class NumKind : std::uint8_t { Signed = 7, Unsigned = 11, Double = 13 };

// printf-style message text of any length.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// The decoder's lexer: cuts JSON text into tokens (strings decoded, numbers
// converted), counts lines and keeps the first error of a parse. The
// decoder's parser builds values from the tokens.
class JSONScanner {
public:
    struct Token {
        Tok type{Tok::None};
        std::size_t start{0};
        std::size_t length{0};
        std::string_view str{}; // decoded string value, valid until the next token
        NumKind numKind{NumKind::Signed};
        std::int64_t i{0};
        std::uint64_t u{0};
        double d{0};
    };

    // What may come next in a container, for the "Expected ..." message.
    enum Accept : unsigned { AcceptValue = 1, AcceptComma = 2, AcceptEnd = 4 };

    JSONScanner(const std::uint8_t* bytes, std::size_t length, std::uint32_t flags)
        : m_p(bytes), m_n(length), m_flags(flags) {}

    bool nextToken();
    void skipWhitespace();
    const Token& token() const { return m_tok; }
    std::size_t position() const { return m_pos; }
    bool atEnd() const { return m_pos >= m_n; }
    std::uint32_t flags() const { return m_flags; }

    // Only the first error of a parse is kept.
    void error(std::size_t at, std::string message);
    void expectedToken(unsigned accepted, bool dictionary);
    bool hasError() const { return m_hasError; }
    JCError takeError() { return std::move(m_error); }

private:
    enum class Step { Next, CutOff, Failed };

    std::size_t lineBreakAt(std::size_t pos) const;
    bool scanString();
    bool decodeString(std::size_t quote, std::size_t from);
    Step decodeEscape(std::size_t quote, std::size_t& i);
    Step decodeUnicodeEscape(std::size_t quote, std::size_t& i);
    Step decodeMultiByte(std::size_t quote, std::size_t& i);
    Step refuseEscape(std::size_t quote, const char* message);
    void appendCodePoint(std::uint32_t cp);
    bool readHex4(std::size_t at, std::size_t quote, std::uint32_t& value, bool& endOfInput);
    bool scanNumber();
    bool convertNumber(std::size_t start, std::size_t end, bool isDouble);

    const std::uint8_t* m_p{nullptr};
    std::size_t m_n{0};
    std::uint32_t m_flags{0};
    std::size_t m_pos{0};
    std::uint64_t m_line{1};
    bool m_hasError{false};
    JCError m_error{};
    Token m_tok{};
    std::string m_buf{};
};

} // namespace pw::jc
