#include "foundation/codec/JSONDecoder.h"

#include "foundation/codec/JCUtf8.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pw {

namespace {

using core::Value;

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

bool beginsValue(Tok t) {
    switch (t) {
    case Tok::Number:
    case Tok::String:
    case Tok::ObjectBegin:
    case Tok::ArrayBegin:
    case Tok::True:
    case Tok::False:
    case Tok::Null:
        return true;
    default:
        return false;
    }
}

enum class NumKind : std::uint8_t { Signed = 7, Unsigned = 11, Double = 13 };

// Bytes a string scan can pass over without a second look: printable ASCII
// other than the quote and the backslash.
constexpr std::array<bool, 256> makePlainTable() {
    std::array<bool, 256> t{};
    for (int c = 0x20; c < 0x80; ++c)
        t[c] = c != '"' && c != '\\';
    return t;
}
constexpr auto kPlain = makePlainTable();

constexpr const char* kUnexpectedToken =
    "Unexpected token, wanted '{', '}', '[', ']', ',', ':', 'true', 'false', 'null', '\"STRING\"', 'NUMBER'.";
constexpr const char* kIllegalEscape = "Illegal \\u Unicode escape sequence.";
constexpr const char* kSecondEscape = "Required a second \\u Unicode escape sequence following a surrogate \\u "
                                      "Unicode escape sequence.";

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...) {
    char small[512];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(small, sizeof small, fmt, ap);
    va_end(ap);
    if (n < 0)
        return {};
    if (static_cast<std::size_t>(n) < sizeof small)
        return std::string(small, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    va_start(ap, fmt);
    std::vsnprintf(big.data(), big.size(), fmt, ap);
    va_end(ap);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

// Number text is converted in the "C" locale whatever the process has set.
locale_t cLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

// The element stack of open arrays, kept per thread between parses so a
// long list does not regrow it every time. Parses on one thread do not nest.
constexpr std::size_t kScratchStackKeep = 16384;
constexpr std::size_t kShapeMaxKeys = 32;

std::vector<Value>& scratchStack() {
    thread_local std::vector<Value> stack;
    return stack;
}

class Parser {
public:
    Parser(const std::uint8_t* bytes, std::size_t length, std::uint32_t flags)
        : m_p(bytes), m_n(length), m_flags(flags) {}

    std::optional<Value> run(JCError* errorOut);

private:
    struct Token {
        Tok type{Tok::None};
        std::size_t start{0};
        std::size_t length{0};
        std::string_view str{}; // decoded string value
        NumKind numKind{NumKind::Signed};
        std::int64_t i{0};
        std::uint64_t u{0};
        double d{0};
    };

    enum Accept : unsigned { AcceptValue = 1, AcceptComma = 2, AcceptEnd = 4 };

    void error(std::size_t at, std::string message);
    void expectedToken(unsigned accepted, bool dictionary);

    std::size_t lineBreakAt(std::size_t pos) const;
    void skipWhitespace();
    bool nextToken();
    bool scanString();
    bool decodeString(std::size_t quote, std::size_t from);
    bool readHex4(std::size_t at, std::size_t quote, std::uint32_t& value, bool& endOfInput);
    bool scanNumber();
    bool convertNumber(std::size_t start, std::size_t end, bool isDouble);

    bool valueForToken(Value& out);
    bool buildArray(Value& out);
    bool buildDictionary(Value& out);
    void makeMap(Value& out, std::size_t keyBase, std::size_t valueBase);
    bool enter();

    const std::uint8_t* m_p{nullptr};
    std::size_t m_n{0};
    std::uint32_t m_flags{0};
    std::size_t m_pos{0};
    std::uint64_t m_line{1};
    unsigned m_depth{0};
    bool m_hasError{false};
    JCError m_error{};
    Token m_tok{};
    std::string m_buf{};
    std::vector<Value>& m_stack{scratchStack()};
    std::vector<std::string> m_keys{};
    std::vector<Value> m_values{};
    core::ValueMap m_shape{};
    std::vector<std::string> m_shapeKeys{};
};

void Parser::error(std::size_t at, std::string message) {
    if (m_hasError)
        return;
    m_hasError = true;
    m_error.message = std::move(message);
    m_error.index = at;
    m_error.line = m_line;
}

void Parser::expectedToken(unsigned accepted, bool dictionary) {
    if (m_hasError)
        return;
    std::vector<const char*> words;
    if (accepted & AcceptValue)
        words.push_back(dictionary ? "a \"STRING\"" : "a value");
    if (accepted & AcceptComma)
        words.push_back("a comma");
    if (accepted & AcceptEnd)
        words.push_back(dictionary ? "a '}'" : "a ']'");
    int len = static_cast<int>(m_tok.length);
    const char* text = reinterpret_cast<const char*>(m_p + m_tok.start);
    std::string msg;
    if (words.size() == 1)
        msg = format("Expected %s, not '%*.*s'", words[0], len, len, text);
    else if (words.size() == 2)
        msg = format("Expected %s or %s, not '%*.*s'", words[0], words[1], len, len, text);
    else
        msg = format("Expected %s, %s, or %s, not '%*.*s'", words[0], words[1], words[2], len, len, text);
    error(m_pos, std::move(msg));
}

std::size_t Parser::lineBreakAt(std::size_t pos) const {
    std::uint8_t c = m_p[pos];
    if (c == '\n')
        return 1;
    if (c == '\r')
        return (pos + 1 < m_n && m_p[pos + 1] == '\n') ? 2 : 1;
    if (m_flags & ParseUnicodeLineBreaks) {
        if (c == 0xE2 && pos + 2 < m_n && m_p[pos + 1] == 0x80 && (m_p[pos + 2] == 0xA8 || m_p[pos + 2] == 0xA9))
            return 3;
        if (c == 0xC2 && pos + 1 < m_n && m_p[pos + 1] == 0x85)
            return 2;
    }
    return 0;
}

void Parser::skipWhitespace() {
    while (m_pos < m_n) {
        std::uint8_t c = m_p[m_pos];
        if (c == ' ' || c == '\t') {
            ++m_pos;
            continue;
        }
        if (std::size_t br = lineBreakAt(m_pos)) {
            m_pos += br;
            ++m_line;
            continue;
        }
        if (c == '/' && (m_flags & ParseAllowComments) && m_pos + 1 < m_n) {
            std::uint8_t next = m_p[m_pos + 1];
            if (next == '*') {
                m_pos += 2;
                bool closed = false;
                while (m_pos < m_n) {
                    if (m_p[m_pos] == '*' && m_pos + 1 < m_n && m_p[m_pos + 1] == '/') {
                        m_pos += 2;
                        closed = true;
                        break;
                    }
                    if (std::size_t br = lineBreakAt(m_pos)) {
                        m_pos += br;
                        ++m_line;
                    } else {
                        ++m_pos;
                    }
                }
                if (!closed)
                    m_pos = m_n;
                continue;
            }
            if (next == '/') {
                m_pos += 2;
                while (m_pos < m_n) {
                    if (std::size_t br = lineBreakAt(m_pos)) {
                        m_pos += br;
                        ++m_line;
                        break;
                    }
                    ++m_pos;
                }
                continue;
            }
        }
        break;
    }
}

bool Parser::nextToken() {
    skipWhitespace();
    m_tok.type = Tok::None;
    if (m_pos >= m_n) {
        error(m_pos, kUnexpectedToken);
        return false;
    }
    const std::size_t start = m_pos;
    m_tok.start = start;
    m_tok.length = 1;
    auto one = [&](Tok t) {
        m_tok.type = t;
        ++m_pos;
        return true;
    };
    auto literal = [&](std::string_view word, Tok t) {
        // The literal must be followed by at least one more byte: a literal
        // that ends the input cannot end a container either.
        if (m_n - start > word.size() && std::memcmp(m_p + start, word.data(), word.size()) == 0) {
            m_tok.type = t;
            m_tok.length = word.size();
            m_pos += word.size();
            return true;
        }
        error(start, kUnexpectedToken);
        return false;
    };
    switch (m_p[start]) {
    case '{':
        return one(Tok::ObjectBegin);
    case '}':
        return one(Tok::ObjectEnd);
    case '[':
        return one(Tok::ArrayBegin);
    case ']':
        return one(Tok::ArrayEnd);
    case ':':
        return one(Tok::Separator);
    case ',':
        return one(Tok::Comma);
    case '"':
        if (scanString())
            return true;
        error(start, kUnexpectedToken);
        return false;
    case '-':
    case '0':
    case '1':
    case '2':
    case '3':
    case '4':
    case '5':
    case '6':
    case '7':
    case '8':
    case '9':
        if (scanNumber())
            return true;
        error(start, kUnexpectedToken);
        return false;
    case 't':
        return literal("true", Tok::True);
    case 'f':
        return literal("false", Tok::False);
    case 'n':
        return literal("null", Tok::Null);
    default:
        error(start, kUnexpectedToken);
        return false;
    }
}

bool Parser::scanString() {
    const std::size_t quote = m_pos;
    std::size_t i = quote + 1;
    const std::uint8_t* end = m_p + m_n;
    while (i < m_n) {
        std::uint8_t c = m_p[i];
        if (kPlain[c]) {
            ++i;
            continue;
        }
        if (c == '"') {
            m_tok.type = Tok::String;
            m_tok.str = std::string_view(reinterpret_cast<const char*>(m_p + quote + 1), i - quote - 1);
            m_tok.length = i + 1 - quote;
            m_pos = i + 1;
            return true;
        }
        if (c < 0x20) {
            error(quote, format("Invalid character < 0x20 found in string: 0x%2.2x.", c));
            return false;
        }
        if (c >= 0x80) {
            jc::Utf8Sequence seq = jc::ConvertSingleCodePointInUTF8(m_p + i, end);
            if (seq.kind == jc::Utf8Sequence::Kind::WellFormed) {
                i += seq.length;
                continue;
            }
        }
        // A backslash or a sequence that is not well-formed: decode.
        return decodeString(quote, i);
    }
    error(quote, "Invalid string.");
    return false;
}

bool Parser::readHex4(std::size_t at, std::size_t quote, std::uint32_t& value, bool& endOfInput) {
    value = 0;
    endOfInput = false;
    for (std::size_t k = 0; k < 4; ++k) {
        if (at + k >= m_n) {
            endOfInput = true;
            return false;
        }
        std::uint8_t c = m_p[at + k];
        std::uint32_t d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else {
            error(quote, format("Unexpected character found in \\u Unicode escape sequence.  Found '%c', expected "
                                "[0-9a-fA-F].",
                                static_cast<char>(c)));
            return false;
        }
        value = value << 4 | d;
    }
    return true;
}

bool Parser::decodeString(std::size_t quote, std::size_t from) {
    const bool lenient = (m_flags & ParseLenientUnicode) != 0;
    const std::uint8_t* end = m_p + m_n;
    m_buf.assign(reinterpret_cast<const char*>(m_p + quote + 1), from - quote - 1);
    auto appendCp = [&](std::uint32_t cp) {
        char tmp[4];
        std::size_t n = 0;
        jc::appendUtf8(cp, tmp, n);
        m_buf.append(tmp, n);
    };
    auto replacement = [&]() { m_buf.append("\xEF\xBF\xBD", 3); };

    std::size_t i = from;
    while (i < m_n) {
        std::uint8_t c = m_p[i];
        if (c == '"') {
            m_tok.type = Tok::String;
            m_tok.str = m_buf;
            m_tok.length = i + 1 - quote;
            m_pos = i + 1;
            return true;
        }
        if (c == '\\') {
            if (i + 1 >= m_n)
                break;
            std::uint8_t e = m_p[i + 1];
            char simple = 0;
            switch (e) {
            case '"':
                simple = '"';
                break;
            case '/':
                simple = '/';
                break;
            case '\\':
                simple = '\\';
                break;
            case 'b':
                simple = '\b';
                break;
            case 'f':
                simple = '\f';
                break;
            case 'n':
                simple = '\n';
                break;
            case 'r':
                simple = '\r';
                break;
            case 't':
                simple = '\t';
                break;
            case 'u':
                break;
            default:
                error(quote, "Invalid escape sequence found in \"\" string.");
                return false;
            }
            if (e != 'u') {
                m_buf.push_back(simple);
                i += 2;
                continue;
            }
            std::uint32_t v = 0;
            bool eoi = false;
            if (!readHex4(i + 2, quote, v, eoi)) {
                if (eoi)
                    break;
                return false;
            }
            i += 6;
            std::uint32_t cp = v;
            if (v >= 0xD800 && v <= 0xDBFF) {
                if (i >= m_n)
                    break;
                if (m_p[i] != '\\') {
                    if (!lenient) {
                        error(quote, kSecondEscape);
                        return false;
                    }
                    replacement();
                    continue; // the byte is read again as ordinary text
                }
                if (i + 1 >= m_n)
                    break;
                if (m_p[i + 1] != 'u') {
                    if (!lenient) {
                        error(quote, kSecondEscape);
                        return false;
                    }
                    replacement();
                    continue; // the backslash starts an ordinary escape
                }
                std::uint32_t w = 0;
                if (!readHex4(i + 2, quote, w, eoi)) {
                    if (eoi)
                        break;
                    return false;
                }
                i += 6;
                if (w < 0xDC00 || w > 0xDFFF) {
                    if (!lenient) {
                        error(quote, kIllegalEscape);
                        return false;
                    }
                    replacement();
                    continue;
                }
                cp = 0x10000 + ((v - 0xD800) << 10) + (w - 0xDC00);
            } else if (v >= 0xDC00 && v <= 0xDFFF) {
                if (!lenient) {
                    error(quote, kIllegalEscape);
                    return false;
                }
                replacement();
                continue;
            }
            if (cp == 0 || jc::isNonCharacterOrSurrogate(cp)) {
                if (!lenient) {
                    error(quote, kIllegalEscape);
                    return false;
                }
                replacement();
                continue;
            }
            appendCp(cp);
            continue;
        }
        if (c < 0x20) {
            error(quote, format("Invalid character < 0x20 found in string: 0x%2.2x.", c));
            return false;
        }
        if (c >= 0x80) {
            jc::Utf8Sequence seq = jc::ConvertSingleCodePointInUTF8(m_p + i, end);
            if (seq.kind == jc::Utf8Sequence::Kind::WellFormed) {
                m_buf.append(reinterpret_cast<const char*>(m_p + i), seq.length);
            } else if (seq.kind == jc::Utf8Sequence::Kind::CutOff) {
                error(quote, "End of buffer reached while parsing UTF8 in \"\" string.");
                return false;
            } else if (lenient) {
                replacement();
            } else {
                error(quote, "Illegal UTF8 sequence found in \"\" string.");
                return false;
            }
            i += seq.length;
            continue;
        }
        // Runs of plain bytes are appended at once.
        std::size_t j = i + 1;
        while (j < m_n && kPlain[m_p[j]])
            ++j;
        m_buf.append(reinterpret_cast<const char*>(m_p + i), j - i);
        i = j;
    }
    error(quote, "Invalid string.");
    return false;
}

bool Parser::scanNumber() {
    const std::size_t start = m_pos;
    std::size_t i = start;
    bool isDouble = false;
    auto digit = [&](std::size_t at) { return at < m_n && m_p[at] >= '0' && m_p[at] <= '9'; };
    auto invalid = [&]() {
        m_pos = i;
        error(m_pos, "Invalid number.");
        return false;
    };

    if (m_p[i] == '-')
        ++i;
    if (i >= m_n)
        return invalid();
    if (m_p[i] == '0') {
        ++i;
    } else if (digit(i)) {
        while (digit(i))
            ++i;
    } else {
        return invalid();
    }
    if (i >= m_n)
        return invalid();
    if (m_p[i] == '.') {
        isDouble = true;
        ++i;
        if (!digit(i))
            return invalid();
        while (digit(i))
            ++i;
        if (i >= m_n)
            return invalid();
    }
    if (m_p[i] == 'e' || m_p[i] == 'E') {
        isDouble = true;
        ++i;
        if (i < m_n && (m_p[i] == '+' || m_p[i] == '-'))
            ++i;
        if (!digit(i))
            return invalid();
        while (digit(i))
            ++i;
        if (i >= m_n)
            return invalid();
    }
    m_pos = i;
    m_tok.type = Tok::Number;
    m_tok.start = start;
    m_tok.length = i - start;
    if (!convertNumber(start, i, isDouble)) {
        error(m_pos, "Invalid number.");
        return false;
    }
    return true;
}

bool Parser::convertNumber(std::size_t start, std::size_t end, bool isDouble) {
    const char* b = reinterpret_cast<const char*>(m_p + start);
    const char* e = reinterpret_cast<const char*>(m_p + end);
    const std::size_t len = end - start;
    std::string_view text(b, len);
    if (text == "-0")
        isDouble = true; // keeps the sign of zero

    const char* stop = nullptr;
    if (isDouble) {
        m_tok.numKind = NumKind::Double;
        auto r = std::from_chars(b, e, m_tok.d);
        stop = r.ptr;
        if (r.ec == std::errc::result_out_of_range) {
            std::string copy(text);
            char* endp = nullptr;
            errno = 0;
            double v = strtod_l(copy.c_str(), &endp, cLocale());
            // A subnormal result is a real value, not an error.
            if (v != 0 && std::isfinite(v)) {
                m_tok.d = v;
            } else {
                error(m_pos, format("The value '%s' could not be represented as a 'double' due to %s.", copy.c_str(),
                                    v == 0 ? "underflow" : "overflow"));
                return false;
            }
            stop = e;
        } else if (r.ec != std::errc()) {
            return false;
        }
    } else if (b[0] == '-') {
        m_tok.numKind = NumKind::Signed;
        auto r = std::from_chars(b, e, m_tok.i);
        stop = r.ptr;
        if (r.ec == std::errc::result_out_of_range) {
            error(m_pos, format("The value '%.*s' exceeded the minimum value that could be represented: %lld.",
                                static_cast<int>(len), b, std::numeric_limits<long long>::min()));
            return false;
        }
        if (r.ec != std::errc())
            return false;
    } else {
        m_tok.numKind = NumKind::Unsigned;
        auto r = std::from_chars(b, e, m_tok.u);
        stop = r.ptr;
        if (r.ec == std::errc::result_out_of_range) {
            error(m_pos, format("The value '%.*s' exceeded the maximum value that could be represented: %llu.",
                                static_cast<int>(len), b, std::numeric_limits<unsigned long long>::max()));
            return false;
        }
        if (r.ec != std::errc())
            return false;
    }
    if (stop != e) {
        error(m_pos, "The conversion function did not consume all of the number tokens characters.");
        return false;
    }
    return true;
}

bool Parser::enter() {
    if (m_depth >= kJSONMaxNestingDepth) {
        error(m_pos, format("Nesting depth exceeds the limit of %u.", kJSONMaxNestingDepth));
        return false;
    }
    ++m_depth;
    return true;
}

bool Parser::valueForToken(Value& out) {
    switch (m_tok.type) {
    case Tok::String:
        out = Value(std::string(m_tok.str));
        return true;
    case Tok::Number:
        switch (m_tok.numKind) {
        case NumKind::Signed:
            out = Value(m_tok.i);
            return true;
        case NumKind::Unsigned:
            // Values have no unsigned kind: what does not fit a signed
            // 64-bit integer is kept as the nearest double.
            if (m_tok.u <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                out = Value(static_cast<std::int64_t>(m_tok.u));
            else
                out = Value(static_cast<double>(m_tok.u));
            return true;
        case NumKind::Double:
            out = Value(m_tok.d);
            return true;
        }
        return false;
    case Tok::True:
        out = Value(true);
        return true;
    case Tok::False:
        out = Value(false);
        return true;
    case Tok::Null:
        out = Value(nullptr);
        return true;
    case Tok::ArrayBegin:
        return buildArray(out);
    case Tok::ObjectBegin:
        return buildDictionary(out);
    default:
        return false;
    }
}

bool Parser::buildArray(Value& out) {
    if (!enter())
        return false;
    // Elements wait on a stack shared by all open arrays, so each array is
    // made once, at its exact size, when its closing bracket is read.
    const std::size_t base = m_stack.size();
    unsigned accepted = AcceptValue | AcceptEnd;
    bool done = false;
    while (m_pos < m_n) {
        if (!nextToken())
            break;
        Tok t = m_tok.type;
        if (beginsValue(t)) {
            if (!(accepted & AcceptValue)) {
                error(m_pos, "Unexpected value.");
                break;
            }
            Value v;
            if (!valueForToken(v)) {
                // The element recorded its own error, or ran into the end
                // of the input, which the top level reports.
                break;
            }
            m_stack.push_back(std::move(v));
            accepted = AcceptComma | AcceptEnd;
        } else if (t == Tok::ArrayEnd) {
            if (!(accepted & AcceptEnd))
                error(m_pos, "Unexpected ']'.");
            else
                done = true;
            break;
        } else if (t == Tok::Comma) {
            if (!(accepted & AcceptComma)) {
                error(m_pos, "Unexpected ','.");
                break;
            }
            accepted = AcceptValue;
        } else {
            expectedToken(accepted, false);
            break;
        }
    }
    --m_depth;
    if (done) {
        out = Value(Value::Array(std::make_move_iterator(m_stack.begin() + static_cast<std::ptrdiff_t>(base)),
                                 std::make_move_iterator(m_stack.end())));
    }
    m_stack.erase(m_stack.begin() + static_cast<std::ptrdiff_t>(base), m_stack.end());
    return done;
}

bool Parser::buildDictionary(Value& out) {
    if (!enter())
        return false;
    // Keys and values wait on stacks until the closing brace, so that the
    // map is made at once, from the shape of the previous map when the keys
    // are the same: the records of a site list all carry the same keys.
    const std::size_t keyBase = m_keys.size();
    const std::size_t valueBase = m_values.size();
    unsigned accepted = AcceptValue | AcceptEnd; // AcceptValue stands for "a key" here
    bool done = false;
    while (m_pos < m_n) {
        if (!nextToken())
            break;
        Tok t = m_tok.type;
        if (t == Tok::Comma) {
            if (!(accepted & AcceptComma)) {
                error(m_pos, "Unexpected ','.");
                break;
            }
            accepted = AcceptValue;
        } else if (t == Tok::ObjectEnd) {
            if (!(accepted & AcceptEnd))
                error(m_pos, "Unexpected '}'.");
            else
                done = true;
            break;
        } else if (t == Tok::String) {
            if (!(accepted & AcceptValue)) {
                error(m_pos, "Unexpected string.");
                break;
            }
            m_keys.emplace_back(m_tok.str);
            if (!nextToken())
                break;
            if (m_tok.type != Tok::Separator) {
                error(m_pos, "Expected ':'.");
                break;
            }
            if (!nextToken())
                break;
            if (!beginsValue(m_tok.type)) {
                expectedToken(AcceptValue, false);
                break;
            }
            Value v;
            if (!valueForToken(v))
                break;
            m_values.push_back(std::move(v));
            accepted = AcceptComma | AcceptEnd;
        } else {
            expectedToken(accepted, true);
            break;
        }
    }
    --m_depth;
    if (done)
        makeMap(out, keyBase, valueBase);
    m_keys.resize(keyBase);
    m_values.erase(m_values.begin() + static_cast<std::ptrdiff_t>(valueBase), m_values.end());
    return done;
}

void Parser::makeMap(Value& out, std::size_t keyBase, std::size_t valueBase) {
    const std::size_t n = m_keys.size() - keyBase;
    bool sameShape = m_shapeKeys.size() == n;
    for (std::size_t i = 0; sameShape && i < n; ++i)
        sameShape = m_shapeKeys[i] == m_keys[keyBase + i];
    if (sameShape) {
        out = Value(m_shape);
        core::ValueMap& map = *out.asMap();
        if (map.size() == n) {
            // No repeated key: entries stand in the order of the keys, so
            // each value goes to its place without a lookup.
            std::size_t i = valueBase;
            for (auto& entry : map)
                entry.second = std::move(m_values[i++]);
        } else {
            // A repeated key keeps its first place and takes the last value.
            for (std::size_t i = 0; i < n; ++i)
                *map.get(m_keys[keyBase + i]) = std::move(m_values[valueBase + i]);
        }
        return;
    }
    core::ValueMap map;
    for (std::size_t i = 0; i < n; ++i)
        map.set(m_keys[keyBase + i], std::move(m_values[valueBase + i]));
    if (n > 0 && n <= kShapeMaxKeys) {
        m_shape = core::ValueMap();
        for (std::size_t i = 0; i < n; ++i)
            m_shape.set(m_keys[keyBase + i], Value());
        m_shapeKeys.assign(m_keys.begin() + static_cast<std::ptrdiff_t>(keyBase), m_keys.end());
    }
    out = Value(std::move(map));
}

std::optional<Value> Parser::run(JCError* errorOut) {
    // Whatever an interrupted parse on this thread left behind goes now.
    m_stack.clear();
    std::optional<Value> result;
    bool failed = false;
    while (!result && !failed && m_pos < m_n) {
        if (!nextToken()) {
            failed = true;
            break;
        }
        if (m_tok.type == Tok::ObjectBegin || m_tok.type == Tok::ArrayBegin) {
            Value v;
            if (valueForToken(v))
                result = std::move(v);
            else
                failed = true;
        } else {
            error(m_pos, "Expected either '[' or '{'.");
            failed = true;
        }
    }
    if (!result) {
        if (m_pos == m_n)
            error(m_pos, "Reached the end of the buffer.");
        error(m_pos, "Unable to parse JSON.");
    } else if (m_pos < m_n) {
        skipWhitespace();
        if (m_pos < m_n && !(m_flags & ParseAllowTrailingText)) {
            error(m_pos, "A valid JSON object was parsed but there were additional non-white-space characters "
                         "remaining.");
            result.reset();
        }
    }
    // Keep a warm stack for the next parse, but not the memory of a huge one.
    if (m_stack.capacity() > kScratchStackKeep)
        std::vector<Value>().swap(m_stack);
    if (errorOut && m_hasError)
        *errorOut = std::move(m_error);
    return result;
}

void checkFlags(std::uint32_t flags) {
    if (flags > ParseOptionsValidFlags)
        throw std::invalid_argument("Invalid parse options.");
}

} // namespace

JSONDecoder::JSONDecoder(std::uint32_t parseOptionFlags) : m_flags(parseOptionFlags) {
    checkFlags(parseOptionFlags);
}

JSONDecoder::~JSONDecoder() = default;

std::unique_ptr<JSONDecoder> JSONDecoder::decoder() {
    return std::make_unique<JSONDecoder>(ParseStrict);
}

std::unique_ptr<JSONDecoder> JSONDecoder::decoderWithParseOptions(std::uint32_t parseOptionFlags) {
    return std::make_unique<JSONDecoder>(parseOptionFlags);
}

void JSONDecoder::clearCache() {}

std::optional<core::Value> JSONDecoder::parse(const std::uint8_t* bytes, std::size_t length, JCError* error) {
    Parser parser(bytes, length, m_flags);
    return parser.run(error);
}

std::optional<core::Value> JSONDecoder::objectWithUTF8String(const char* bytes, std::size_t length, JCError* error) {
    if (bytes == nullptr)
        throw std::invalid_argument("The string argument is NULL.");
    return parse(reinterpret_cast<const std::uint8_t*>(bytes), length, error);
}

std::optional<core::Value> JSONDecoder::mutableObjectWithUTF8String(const char* bytes, std::size_t length,
                                                                    JCError* error) {
    return objectWithUTF8String(bytes, length, error);
}

std::optional<core::Value> JSONDecoder::objectWithData(core::ByteView data, JCError* error) {
    // An empty buffer may have no storage at all; it is still a buffer.
    static const std::uint8_t kEmpty = 0;
    return parse(data.data() ? data.data() : &kEmpty, data.size(), error);
}

std::optional<core::Value> JSONDecoder::mutableObjectWithData(core::ByteView data, JCError* error) {
    return objectWithData(data, error);
}

std::optional<core::Value> JSONDecoder::parseUTF8String(const char* bytes, std::size_t length, JCError* error) {
    return objectWithUTF8String(bytes, length, error);
}

std::optional<core::Value> JSONDecoder::parseJSONData(core::ByteView data, JCError* error) {
    return objectWithData(data, error);
}

} // namespace pw
